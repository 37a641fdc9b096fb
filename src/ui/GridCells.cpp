#include "ui/GridCells.h"

#include "data/TextRules.h"
#include "ui/GridModel.h"

#include <QTableView>

#include <algorithm>

namespace kv::ui {

int GridCells::rows() const
{
    return m_model->rows();
}

int GridCells::cols() const
{
    return m_model->cols();
}

void GridCells::setRowCount(int count)
{
    m_model->setRowCount(count);
}

void GridCells::setColCount(int count)
{
    m_model->setColCount(count);
}

void GridCells::insertRow(int row)
{
    m_model->insertRow(row);
}

void GridCells::removeRow(int row)
{
    m_model->removeRow(row);
}

void GridCells::setSource(std::shared_ptr<const GridRowSource> source)
{
    m_model->setSource(std::move(source));
}

bool GridCells::contains(int row, int col) const
{
    return m_model->contains(row, col);
}

bool GridCells::isRowHidden(int row) const
{
    return row >= 1 && row < rows() && m_table->isRowHidden(row - 1);
}

bool GridCells::isColHidden(int col) const
{
    return m_table->isColumnHidden(col);
}

QString GridCells::text(int row, int col) const
{
    return m_model->text(row, col);
}

void GridCells::setText(int row, int col, const QString& text)
{
    m_model->setText(row, col, text);
}

void GridCells::fillText(int row1, int col1, int row2, int col2, const QString& text)
{
    for (int r = std::min(row1, row2); r <= std::max(row1, row2); ++r)
        for (int c = std::min(col1, col2); c <= std::max(col1, col2); ++c)
            setText(r, c, text);
}

std::optional<Decimal> GridCells::number(int row, int col) const
{
    if (m_model->isFromSource(row))
        return m_model->sourceNumber(row, col);
    return Decimal::fromCellText(cleanText(text(row, col)));
}

QColor GridCells::background(int row, int col) const
{
    return m_model->background(row, col);
}

void GridCells::setBackground(int row, int col, const QColor& color)
{
    m_model->setBackground(row, col, color);
}

void GridCells::fillBackground(int row1, int col1, int row2, int col2, const QColor& color)
{
    for (int r = std::min(row1, row2); r <= std::max(row1, row2); ++r)
        for (int c = std::min(col1, col2); c <= std::max(col1, col2); ++c)
            setBackground(r, c, color);
}

QString GridCells::toolTip(int row, int col) const
{
    return m_model->toolTip(row, col);
}

void GridCells::setToolTip(int row, int col, const QString& text)
{
    m_model->setToolTip(row, col, text);
}

void GridCells::setRowBold(int row)
{
    QFont bold = m_table->font();
    bold.setBold(true);
    m_model->setRowBold(row, bold);
}

bool GridCells::isRowBold(int row) const
{
    return m_model->isRowBold(row);
}

} // namespace kv::ui
