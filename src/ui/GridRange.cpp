#include "ui/GridRange.h"

#include "ui/GridCells.h"
#include "ui/TabText.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTableView>

#include <algorithm>

namespace kv::ui {

void GridRange::collapseToCurrent()
{
    const QModelIndex current = m_table->currentIndex();
    m_anchor = m_corner = current.isValid() ? QPoint(current.column(), current.row() + 1) : QPoint(-1, -1);
    m_table->viewport()->update();
}

void GridRange::select(int row1, int col1, int row2, int col2)
{
    const auto rowIn = [this](int r) { return std::clamp(r, 1, std::max(m_cells.rows() - 1, 1)); };
    const auto colIn = [this](int c) { return std::clamp(c, 0, std::max(m_cells.cols() - 1, 0)); };
    m_anchor = QPoint(colIn(col1), rowIn(row1));
    m_corner = QPoint(colIn(col2), rowIn(row2));
    m_table->viewport()->update();
}

void GridRange::selectAll()
{
    if (m_cells.rows() > 1 && m_cells.cols() > 0)
        select(1, 0, m_cells.rows() - 1, m_cells.cols() - 1);
}

QRect GridRange::range() const
{
    if (m_anchor.y() < 1 || m_cells.rows() < 2 || m_cells.cols() < 1)
        return {};
    const QRect marked(QPoint(std::min(m_anchor.x(), m_corner.x()), std::min(m_anchor.y(), m_corner.y())),
                       QPoint(std::max(m_anchor.x(), m_corner.x()), std::max(m_anchor.y(), m_corner.y())));
    return marked.intersected(QRect(0, 1, m_cells.cols(), m_cells.rows() - 1));
}

bool GridRange::contains(int row, int col) const
{
    return range().contains(col, row);
}

bool GridRange::marksSeveral() const
{
    const QRect marked = range();
    return marked.width() * marked.height() > 1;
}

bool GridRange::extendByKey(int key)
{
    int dc = 0;
    int dr = 0;
    switch (key) {
    case Qt::Key_Left: dc = -1; break;
    case Qt::Key_Right: dc = 1; break;
    case Qt::Key_Up: dr = -1; break;
    case Qt::Key_Down: dr = 1; break;
    default: return false;
    }
    if (m_anchor.y() < 1)
        return true;
    // One step to the next shown cell; at the edge the range stays.
    const auto inData = [this](QPoint p) {
        return p.x() >= 0 && p.x() < m_cells.cols() && p.y() >= 1 && p.y() < m_cells.rows();
    };
    QPoint next = m_corner;
    do {
        next += QPoint(dc, dr);
    } while (inData(next) && (m_cells.isColHidden(next.x()) || m_cells.isRowHidden(next.y())));
    if (!inData(next))
        return true;
    m_corner = next;
    m_table->scrollTo(m_table->model()->index(next.y() - 1, next.x()));
    m_table->viewport()->update();
    return true;
}

QString GridRange::text() const
{
    const QRect marked = range();
    if (marked.isEmpty())
        return {};
    QList<QStringList> lines{{}};
    for (int c = marked.left(); c <= marked.right(); ++c)
        if (!m_cells.isColHidden(c))
            lines.first() << m_cells.text(0, c);
    for (int r = marked.top(); r <= marked.bottom(); ++r) {
        if (m_cells.isRowHidden(r))
            continue;
        QStringList line;
        for (int c = marked.left(); c <= marked.right(); ++c)
            if (!m_cells.isColHidden(c))
                line << m_cells.text(r, c);
        lines << line;
    }
    return tabSeparated(lines);
}

void GridRange::copy() const
{
    const QString copied = text();
    if (!copied.isEmpty())
        QGuiApplication::clipboard()->setText(copied);
}

} // namespace kv::ui
