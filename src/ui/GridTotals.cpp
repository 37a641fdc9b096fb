#include "ui/GridTotals.h"

#include "data/TextRules.h"
#include "ui/GridCells.h"

#include <QTableWidget>

#include <algorithm>

namespace kv::ui {

namespace {
constexpr int kTotalsRole = Qt::UserRole + 1; // set on column 0 of a totals row
constexpr int kSummedRole = Qt::UserRole + 2; // set on each summed cell of it

// A cell's number to the places a Decimal keeps; 0 for a text that is none or beyond the range.
Decimal numberIn(const QString& text)
{
    return Decimal::fromCellText(cleanText(text)).value_or(Decimal());
}
} // namespace

Decimal GridTotals::columnSum(int col, int row1, int row2) const
{
    Decimal sum;
    for (int r = std::max(std::min(row1, row2), 1); r <= std::min(std::max(row1, row2), m_cells.rows() - 1); ++r)
        sum += numberIn(m_cells.text(r, col));
    return sum;
}

int GridTotals::add(const QList<int>& sumCols, const QString& caption, int row1, int row2)
{
    row1 = std::clamp(row1, 1, m_cells.rows());
    if (row2 < 0 || row2 >= m_cells.rows())
        row2 = m_cells.rows() - 1;
    // Only the rows shown count, and earlier totals rows are not summed again.
    // Row by row, each row's state looked at once for all the columns summed.
    QList<Decimal> sums(sumCols.size());
    for (int r = row1; r <= row2; ++r) {
        if (m_cells.isRowHidden(r) || isTotalsRow(r))
            continue;
        for (qsizetype i = 0; i < sumCols.size(); ++i)
            sums[i] += numberIn(m_cells.text(r, sumCols.at(i)));
    }
    m_cells.insertRow(row1);
    m_cells.setRowBold(row1);
    m_cells.setText(row1, 0, caption);
    m_cells.item(row1, 0)->setData(kTotalsRole, true);
    for (qsizetype i = 0; i < sumCols.size(); ++i) {
        m_cells.setText(row1, sumCols.at(i), sums.at(i).plainText());
        if (QTableWidgetItem* it = m_cells.item(row1, sumCols.at(i)))
            it->setData(kSummedRole, true);
    }
    return row1;
}

bool GridTotals::isTotalsRow(int row) const
{
    const QTableWidgetItem* it = row >= 1 ? m_cells.item(row, 0) : nullptr;
    return it && it->data(kTotalsRole).toBool();
}

std::optional<Decimal> GridTotals::value(int row, int col) const
{
    const QTableWidgetItem* it = isTotalsRow(row) ? m_cells.item(row, col) : nullptr;
    if (!it || !it->data(kSummedRole).toBool())
        return std::nullopt;
    return numberIn(it->text());
}

} // namespace kv::ui
