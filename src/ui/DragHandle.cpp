#include "ui/DragHandle.h"

#include "ui/Twips.h"

#include <QMouseEvent>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

namespace kv::ui {

namespace {
constexpr int kThresholdTwips = 15;
}

void moveWithinParent(QWidget* widget, QPoint topLeft)
{
    if (const QWidget* parent = widget->parentWidget()) {
        topLeft.setX(std::clamp(topLeft.x(), 0, std::max(0, parent->width() - widget->width())));
        topLeft.setY(std::clamp(topLeft.y(), 0, std::max(0, parent->height() - widget->height())));
    }
    widget->move(topLeft);
}

DragHandle::DragHandle(QWidget* handle, QWidget* panel) : QObject(handle), m_panel(panel)
{
    handle->setCursor(Qt::SizeAllCursor);
    handle->installEventFilter(this);
}

bool DragHandle::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton) {
            m_origin = e->position().toPoint();
            m_pressed = true;
        }
        return true;
    }
    case QEvent::MouseMove: {
        const auto* e = static_cast<QMouseEvent*>(event);
        if (!m_pressed || !(e->buttons() & Qt::LeftButton))
            return true;
        // The handle moves with the panel, so the origin stays under the pointer all along.
        const QPoint d = e->position().toPoint() - m_origin;
        if (std::abs(pixelsToTwips(d.x())) > kThresholdTwips || std::abs(pixelsToTwips(d.y())) > kThresholdTwips)
            moveWithinParent(m_panel, m_panel->pos() + d);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            m_pressed = false;
        return true;
    default: return QObject::eventFilter(watched, event);
    }
}

} // namespace kv::ui
