#pragma once

#include "maintenance/Backup.h"

#include "ui/BackgroundWork.h"

#include <optional>
#include <type_traits>

class QWidget;

namespace kv {

// Runs work on the whole database off the window's thread: copying, restoring or clearing a year
// of lines of a large factory takes a while, and the window keeps drawing meanwhile, the busy
// cursor up and, after a moment, `label` shown with the time going on. Not stoppable: the work
// swaps files and rows, which it does whole or not at all. What the work throws is thrown here.
template <class Work> auto offWindow(QWidget* parent, const QString& label, Work&& work)
{
    using Result = std::invoke_result_t<Work&>;
    if constexpr (std::is_void_v<Result>) {
        ui::runInBackground(parent, QStringLiteral("请稍候"), label, false, [&](WorkProgress&) {
            work();
            return true;
        });
    } else {
        std::optional<Result> result;
        ui::runInBackground(parent, QStringLiteral("请稍候"), label, false, [&](WorkProgress&) {
            result.emplace(work());
            return true;
        });
        return std::move(*result);
    }
}

// Tells the user that a backup or restore did not take place and why (`what` leads the text),
// and when the connection could not be opened again afterwards. Silent when all went well.
void reportCopyFailure(QWidget* parent, AppContext& ctx, const CopyOutcome& outcome, const QString& what,
                       const QString& caption);

} // namespace kv
