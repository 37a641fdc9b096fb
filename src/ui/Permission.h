#pragma once

#include <QString>

class QWidget;

namespace kv::ui {

// A control the account may use is enabled; one it may not is disabled, and its tooltip says why
// (`refusal`, empty when it may).
void permit(QWidget* control, const QString& refusal);

} // namespace kv::ui
