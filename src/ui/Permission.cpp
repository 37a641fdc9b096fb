#include "ui/Permission.h"

#include <QWidget>

namespace kv::ui {

void permit(QWidget* control, const QString& refusal)
{
    control->setEnabled(refusal.isEmpty());
    control->setToolTip(refusal);
}

} // namespace kv::ui
