#include "ui/GridTotals.h"

#include "ui/GridCells.h"
#include "ui/GridModel.h"

#include <algorithm>

namespace kv::ui {

Decimal GridTotals::columnSum(int col, int row1, int row2) const
{
    Decimal sum;
    for (int r = std::max(std::min(row1, row2), 1); r <= std::min(std::max(row1, row2), m_cells.rows() - 1); ++r)
        sum += m_cells.number(r, col).value_or(Decimal());
    return sum;
}

int GridTotals::add(const QList<int>& sumCols, const QString& caption, int row1, int row2)
{
    row1 = std::clamp(row1, 1, m_cells.rows());
    if (row2 < 0 || row2 >= m_cells.rows())
        row2 = m_cells.rows() - 1;
    // Only the rows shown count, and earlier totals rows are not summed again. Rows that a source
    // gives are summed from its numbers, never read back from their texts.
    QList<Decimal> sums(sumCols.size());
    for (int r = row1; r <= row2; ++r) {
        if (m_cells.isRowHidden(r) || isTotalsRow(r))
            continue;
        for (qsizetype i = 0; i < sumCols.size(); ++i)
            sums[i] += m_cells.number(r, sumCols.at(i)).value_or(Decimal());
    }
    m_cells.insertRow(row1);
    m_cells.setRowBold(row1);
    m_cells.setText(row1, 0, caption);
    m_cells.model().setTotalsRow(row1);
    for (qsizetype i = 0; i < sumCols.size(); ++i) {
        m_cells.setText(row1, sumCols.at(i), sums.at(i).plainText());
        if (m_cells.contains(row1, sumCols.at(i)))
            m_cells.model().setSummed(row1, sumCols.at(i));
    }
    return row1;
}

bool GridTotals::isTotalsRow(int row) const
{
    return m_cells.model().isTotalsRow(row);
}

std::optional<Decimal> GridTotals::value(int row, int col) const
{
    if (!isTotalsRow(row) || !m_cells.model().isSummed(row, col))
        return std::nullopt;
    return m_cells.number(row, col).value_or(Decimal());
}

} // namespace kv::ui
