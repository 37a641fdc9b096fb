#include "ui/GridCells.h"

#include <QTableWidget>

#include <algorithm>

namespace kv::ui {

int GridCells::rows() const
{
    return m_table->rowCount() + 1;
}

int GridCells::cols() const
{
    return m_table->columnCount();
}

void GridCells::setRowCount(int count)
{
    m_table->setRowCount(std::max(count, 1) - 1);
}

void GridCells::setColCount(int count)
{
    const int old = m_table->columnCount();
    m_table->setColumnCount(std::max(count, 0));
    // Without an item of its own a caption would show the column's number.
    for (int c = old; c < count; ++c)
        m_table->setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
}

void GridCells::insertRow(int row)
{
    m_table->insertRow(row - 1);
}

void GridCells::removeRow(int row)
{
    m_table->removeRow(row - 1);
}

bool GridCells::contains(int row, int col) const
{
    return row >= 0 && row < rows() && col >= 0 && col < cols();
}

bool GridCells::isRowHidden(int row) const
{
    return row >= 1 && row < rows() && m_table->isRowHidden(row - 1);
}

bool GridCells::isColHidden(int col) const
{
    return m_table->isColumnHidden(col);
}

QTableWidgetItem* GridCells::item(int row, int col) const
{
    if (!contains(row, col))
        return nullptr;
    return row == 0 ? m_table->horizontalHeaderItem(col) : m_table->item(row - 1, col);
}

QTableWidgetItem* GridCells::ensureItem(int row, int col)
{
    if (!contains(row, col))
        return nullptr;
    if (QTableWidgetItem* it = item(row, col))
        return it;
    auto* it = new QTableWidgetItem;
    if (row == 0)
        m_table->setHorizontalHeaderItem(col, it);
    else
        m_table->setItem(row - 1, col, it);
    return it;
}

QString GridCells::text(int row, int col) const
{
    const QTableWidgetItem* it = item(row, col);
    return it ? it->text() : QString();
}

void GridCells::setText(int row, int col, const QString& text)
{
    if (QTableWidgetItem* it = ensureItem(row, col))
        it->setText(text);
}

void GridCells::fillText(int row1, int col1, int row2, int col2, const QString& text)
{
    for (int r = std::min(row1, row2); r <= std::max(row1, row2); ++r)
        for (int c = std::min(col1, col2); c <= std::max(col1, col2); ++c)
            setText(r, c, text);
}

QColor GridCells::background(int row, int col) const
{
    const QTableWidgetItem* it = item(row, col);
    if (!it || it->background().style() == Qt::NoBrush)
        return QColor(Qt::white);
    return it->background().color();
}

void GridCells::setBackground(int row, int col, const QColor& color)
{
    if (QTableWidgetItem* it = ensureItem(row, col))
        it->setBackground(color);
}

void GridCells::fillBackground(int row1, int col1, int row2, int col2, const QColor& color)
{
    for (int r = std::min(row1, row2); r <= std::max(row1, row2); ++r)
        for (int c = std::min(col1, col2); c <= std::max(col1, col2); ++c)
            setBackground(r, c, color);
}

QString GridCells::toolTip(int row, int col) const
{
    const QTableWidgetItem* it = item(row, col);
    return it ? it->toolTip() : QString();
}

void GridCells::setToolTip(int row, int col, const QString& text)
{
    if (QTableWidgetItem* it = ensureItem(row, col))
        it->setToolTip(text);
}

void GridCells::setRowBold(int row)
{
    QFont bold = m_table->font();
    bold.setBold(true);
    for (int c = 0; c < cols(); ++c)
        if (QTableWidgetItem* it = ensureItem(row, c))
            it->setFont(bold);
}

} // namespace kv::ui
