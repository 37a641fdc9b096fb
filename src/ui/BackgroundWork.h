#pragma once

#include "data/WorkProgress.h"

#include <QString>

#include <functional>

class QWidget;

namespace kv::ui {

enum class WorkOutcome { Done, Failed, Cancelled };

// Runs `work` on a thread of its own while the window stays alive: after a short moment a
// progress dialog (`caption`, `label`, with 取消 when `cancellable`) shows how far it has come,
// the busy cursor is up and the window repaints, but takes no input. `work` returns false when
// it failed; an exception it throws is thrown again here, on the window's thread, once the work
// has ended. The work must not touch widgets.
// While work runs in the background it may hold the shared connection (a backup closes and opens
// it again): timers of the window's thread that read the database wait for it to end.
bool workingInBackground();

WorkOutcome runInBackground(QWidget* parent, const QString& caption, const QString& label, bool cancellable,
                            const std::function<bool(WorkProgress&)>& work);

} // namespace kv::ui
