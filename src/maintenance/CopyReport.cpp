#include "maintenance/CopyReport.h"

#include "data/AppContext.h"
#include "ui/MessageBox.h"

namespace kv {

void reportCopyFailure(QWidget* parent, AppContext& ctx, const CopyOutcome& outcome, const QString& what,
                       const QString& caption)
{
    if (!outcome.ok)
        ui::message(parent, what + u'\n' + outcome.error, caption, ui::Icon::Warning);
    if (!ctx.isConnected())
        ui::connDB(ctx, parent); // one more try, with the usual warning when it fails
}

} // namespace kv
