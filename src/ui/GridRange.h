#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

class QTableView;

namespace kv::ui {

class GridCells;

// The range of cells marked for copying: from an anchor to a corner, over data rows only. It is
// kept apart from the current cell, which it only follows when that moves (collapseToCurrent).
class GridRange {
public:
    GridRange(GridCells& cells, QTableView* table) : m_cells(cells), m_table(table) {}

    // Shrinks the range to the table's current cell (none when there is no current cell).
    void collapseToCurrent();
    void select(int row1, int col1, int row2, int col2); // clamped into the data rows
    void selectAll();
    // Rows top…bottom and columns left…right (rows from 1); empty when there is none.
    QRect range() const;
    bool contains(int row, int col) const;
    bool marksSeveral() const; // more than the one current cell
    // Shift+arrow: moves the corner to the next shown cell. False when the key is no arrow.
    bool extendByKey(int key);
    // Tab-separated lines, the captions first; hidden rows and columns left out.
    QString text() const;
    void copy() const; // text() to the clipboard, when there is a range

private:
    GridCells& m_cells;
    QTableView* m_table;
    QPoint m_anchor{-1, -1}; // corners as (column, row); row -1: no range
    QPoint m_corner{-1, -1};
};

} // namespace kv::ui
