#include "ui/WindowPlacement.h"

#include "ui/UserSettings.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace kv::ui {

namespace {
QString frameKey(const QString& key)
{
    return QStringLiteral("windows/%1/frame").arg(key);
}

QString marginsKey(const QString& key)
{
    return QStringLiteral("windows/%1/frameMargins").arg(key);
}

// The inner area alone, as earlier versions kept it.
QString geometryKey(const QString& key)
{
    return QStringLiteral("windows/%1/geometry").arg(key);
}

QString maximisedKey(const QString& key)
{
    return QStringLiteral("windows/%1/maximized").arg(key);
}

QMargins frameMargins(const QWidget* window)
{
    const QRect inner = window->geometry();
    const QRect frame = window->frameGeometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

// Before a window is first shown it has no frame yet: a title bar and borders are reckoned from
// the style, enough to keep the title bar on the screen.
QMargins guessedMargins(const QWidget* window)
{
    const int title = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    const int border = 4;
    return {border, std::max(title, 24) + border, border, border};
}

QVariant marginsValue(const QMargins& m)
{
    return QVariantList{m.left(), m.top(), m.right(), m.bottom()};
}

QMargins marginsFrom(const QVariant& value)
{
    const QVariantList list = value.toList();
    if (list.size() != 4)
        return {};
    const QMargins m(list.at(0).toInt(), list.at(1).toInt(), list.at(2).toInt(), list.at(3).toInt());
    // Anything beyond a plausible frame comes from a damaged file.
    const auto sane = [](int v) { return v >= 0 && v <= 200; };
    return sane(m.left()) && sane(m.top()) && sane(m.right()) && sane(m.bottom()) ? m : QMargins();
}

// Moves the window in again once it is shown and its real frame is known.
class ScreenKeeper final : public QObject {
public:
    explicit ScreenKeeper(QWidget* window) : QObject(window), m_window(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::Show) {
            // The window manager adds the frame after the show; the check follows it.
            QTimer::singleShot(0, this, [this] {
                if (m_window)
                    keepOnScreen(m_window);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QWidget> m_window;
};
} // namespace

void placeFrame(QWidget* window, const QRect& frame, const QMargins& margins)
{
    // The frame's corner is given, not the inner area's: a window manager that does not keep an
    // inner area where it was asked (no static gravity) would put the frame there instead, one
    // title bar too low, and the bottom of the window off the screen.
    window->resize(frame.size().shrunkBy(margins));
    if (window->testAttribute(Qt::WA_WState_Created) && window->windowHandle())
        window->windowHandle()->setFramePosition(frame.topLeft());
    else
        window->move(frame.topLeft());
}

QRect fitInside(const QRect& wanted, const QRect& available)
{
    const int width = std::min(wanted.width(), available.width());
    const int height = std::min(wanted.height(), available.height());
    const int left = std::clamp(wanted.left(), available.left(), available.left() + available.width() - width);
    const int top = std::clamp(wanted.top(), available.top(), available.top() + available.height() - height);
    return QRect(left, top, width, height);
}

QRect innerGeometryInside(const QRect& frame, const QMargins& margins, const QRect& available)
{
    return fitInside(frame, available).marginsRemoved(margins);
}

void restorePlacement(QWidget* window, const QString& key, QSize defaultSize)
{
    const QSettings settings = userSettings();
    QMargins margins = marginsFrom(settings.value(marginsKey(key)));
    QRect frame = settings.value(frameKey(key)).toRect();
    if (!frame.isValid()) {
        margins = guessedMargins(window);
        if (const QRect inner = settings.value(geometryKey(key)).toRect(); inner.isValid())
            frame = inner.marginsAdded(margins);
    }
    // The screen the window was on, if it is still there; else the one it would open on.
    const QScreen* screen = frame.isValid() ? QGuiApplication::screenAt(frame.center()) : nullptr;
    if (!screen)
        screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    if (!frame.isValid()) {
        margins = guessedMargins(window);
        frame = QRect(QPoint(), defaultSize.grownBy(margins).boundedTo(available.size()));
        frame.moveCenter(available.center());
    }
    placeFrame(window, fitInside(frame, available), margins);
    if (settings.value(maximisedKey(key)).toBool())
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
    keepOnScreenWhenShown(window);
}

void keepOnScreenWhenShown(QWidget* window)
{
    new ScreenKeeper(window);
}

void savePlacement(const QWidget* window, const QString& key)
{
    QSettings settings = userSettings();
    const QMargins margins = frameMargins(window);
    const QRect inner = window->isMaximized() ? window->normalGeometry() : window->geometry();
    if (inner.isValid()) {
        settings.setValue(frameKey(key), inner.marginsAdded(margins));
        settings.setValue(marginsKey(key), marginsValue(margins));
        settings.remove(geometryKey(key));
    }
    settings.setValue(maximisedKey(key), window->isMaximized());
}

void keepOnScreen(QWidget* window)
{
    if (!window->isWindow() || window->isMaximized() || window->isFullScreen())
        return;
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    const QRect frame = window->frameGeometry();
    const QRect fitted = fitInside(frame, screen->availableGeometry());
    if (fitted != frame)
        placeFrame(window, fitted, frameMargins(window));
}

} // namespace kv::ui
