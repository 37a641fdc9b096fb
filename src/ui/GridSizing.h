#pragma once

#include "data/Decimal.h"

#include <QString>

#include <functional>

class QTableView;

namespace kv::ui {

class GridCells;

// Row heights and column widths of a grid in twips, over the pixel sizes of the table
// underneath. Row 0 is the header row; data row r is table row r - 1.
class GridSizing {
public:
    static constexpr int kDefaultRowTwips = 300;
    // A column fitted to a long text stops here; the text is shown cut, whole in its tooltip.
    static constexpr int kWidestFitTwips = 6000;

    GridSizing(const GridCells& cells, QTableView* table) : m_cells(cells), m_table(table) {}

    void setRowHeight(int row, int twips); // row 0 sets the header's height
    int rowHeight(int row) const;
    void setDefaultRowHeight(int twips); // height of rows added later
    void setColWidth(int col, int twips);
    int colWidth(int col) const;
    // Fits the columns col1 … col2 to the texts their cells show (shown(grid row, column)) over
    // every row, header captions included. Rows that a source gives are not each measured: of a
    // number the widest shape its digits, places and sign can take (shown as shownNumber(number,
    // column) shows it), of a text the longest, each measured once per column.
    void autoFitCols(int col1, int col2, const std::function<QString(int, int)>& shown,
                     const std::function<QString(Decimal, int)>& shownNumber);

private:
    const GridCells& m_cells;
    QTableView* m_table;
};

} // namespace kv::ui
