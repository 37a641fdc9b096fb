#pragma once

#include "data/Decimal.h"

#include <QList>
#include <QString>

#include <optional>

namespace kv::ui {

class GridCells;

// Exact sums over a grid's columns and the totals rows inserted above the rows they sum. A
// totals row is marked on its first cell and on each summed cell, whose text is the exact sum.
class GridTotals {
public:
    explicit GridTotals(GridCells& cells) : m_cells(cells) {}

    // Sum of column col over rows row1 … row2 (hidden rows included); only cells whose whole
    // text is a number count.
    Decimal columnSum(int col, int row1, int row2) const;
    // Inserts the row above row1 and returns its index; see DataGrid::addTotalsRow.
    int add(const QList<int>& sumCols, const QString& caption, int row1, int row2);
    bool isTotalsRow(int row) const;
    std::optional<Decimal> value(int row, int col) const;

private:
    GridCells& m_cells;
};

} // namespace kv::ui
