#include "ui/GridCaptions.h"

#include "ui/DataGrid.h"

#include <QHeaderView>
#include <QMouseEvent>

namespace kv::ui {

GridCaptions::GridCaptions(DataGrid* grid, QHeaderView* header) : QObject(grid), m_grid(grid), m_header(header)
{
    header->viewport()->installEventFilter(this);
}

bool GridCaptions::eventFilter(QObject* watched, QEvent* event)
{
    // Only mouse buttons matter here. Looking at the event first also keeps the header alone
    // while it is being destroyed and its children still send events.
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::MouseButtonRelease)
        return QObject::eventFilter(watched, event);
    if (watched != m_header->viewport())
        return QObject::eventFilter(watched, event);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const int x = mouse->position().toPoint().x();
    const int edgeCol = edgeAt(x);
    const int at = m_header->logicalIndexAt(x);
    if (type == QEvent::MouseButtonRelease) {
        if (edgeCol < 0 && at >= 0 && at == m_pressedCaption)
            emit m_grid->clicked(0, at);
        m_pressedCaption = -1;
        return false;
    }
    m_pressedCaption = edgeCol < 0 ? at : -1;
    if (edgeCol < 0)
        return false;
    bool cancel = false;
    emit m_grid->beforeUserResize(-1, edgeCol, cancel);
    return cancel;
}

int GridCaptions::edgeAt(int x) const
{
    const int at = m_header->logicalIndexAt(x);
    if (at < 0)
        return -1;
    const int grip = m_header->style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, m_header);
    const int left = m_header->sectionViewportPosition(at);
    if (x > left + m_header->sectionSize(at) - grip)
        return at;
    if (x >= left + grip)
        return -1;
    // Near a caption's left edge: the edge of the shown column before it.
    for (int v = m_header->visualIndex(at) - 1; v >= 0; --v) {
        const int logical = m_header->logicalIndex(v);
        if (!m_header->isSectionHidden(logical))
            return logical;
    }
    return -1;
}

} // namespace kv::ui
