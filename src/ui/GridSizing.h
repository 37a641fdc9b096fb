#pragma once

#include <QString>

#include <functional>

class QTableWidget;

namespace kv::ui {

// Row heights and column widths of a grid in twips, over the pixel sizes of the table
// underneath. Row 0 is the header row; data row r is table row r - 1.
class GridSizing {
public:
    static constexpr int kDefaultRowTwips = 300;
    // A column fitted to a long text stops here; the text is shown cut, whole in its tooltip.
    static constexpr int kWidestFitTwips = 6000;

    explicit GridSizing(QTableWidget* table) : m_table(table) {}

    void setRowHeight(int row, int twips); // row 0 sets the header's height
    int rowHeight(int row) const;
    void setDefaultRowHeight(int twips); // height of rows added later
    void setColWidth(int col, int twips);
    int colWidth(int col) const;
    // Fits the columns col1 … col2 to the texts their cells show (shown(table row, column)) over
    // every row, header captions included.
    void autoFitCols(int col1, int col2, const std::function<QString(int, int)>& shown);

private:
    QTableWidget* m_table;
};

} // namespace kv::ui
