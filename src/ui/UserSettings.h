#pragma once

#include <QSettings>

namespace kv::ui {

// The user's own settings (window places, the last folder a file was chosen in), kept per user
// and never with the factory's data.
inline QSettings userSettings()
{
    return QSettings(QStringLiteral("Kelvaro"), QStringLiteral("Kelvaro"));
}

} // namespace kv::ui
