#include "ui/WindowPlacement.h"

#include "ui/UserSettings.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include <algorithm>

namespace kv::ui {

namespace {
QString geometryKey(const QString& key)
{
    return QStringLiteral("windows/%1/geometry").arg(key);
}

QString maximisedKey(const QString& key)
{
    return QStringLiteral("windows/%1/maximized").arg(key);
}
} // namespace

QRect fitInside(const QRect& wanted, const QRect& available)
{
    const int width = std::min(wanted.width(), available.width());
    const int height = std::min(wanted.height(), available.height());
    const int left = std::clamp(wanted.left(), available.left(), available.left() + available.width() - width);
    const int top = std::clamp(wanted.top(), available.top(), available.top() + available.height() - height);
    return QRect(left, top, width, height);
}

void restorePlacement(QWidget* window, const QString& key, QSize defaultSize)
{
    const QSettings settings = userSettings();
    const QRect saved = settings.value(geometryKey(key)).toRect();
    // The screen the window was on, if it is still there; else the one it would open on.
    const QScreen* screen = saved.isValid() ? QGuiApplication::screenAt(saved.center()) : nullptr;
    if (!screen)
        screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    QRect wanted = saved;
    if (!wanted.isValid()) {
        wanted = QRect(QPoint(), defaultSize.boundedTo(available.size()));
        wanted.moveCenter(available.center());
    }
    window->setGeometry(fitInside(wanted, available));
    if (settings.value(maximisedKey(key)).toBool())
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

void savePlacement(const QWidget* window, const QString& key)
{
    QSettings settings = userSettings();
    const QRect normal = window->isMaximized() ? window->normalGeometry() : window->geometry();
    if (normal.isValid())
        settings.setValue(geometryKey(key), normal);
    settings.setValue(maximisedKey(key), window->isMaximized());
}

} // namespace kv::ui
