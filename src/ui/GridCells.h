#pragma once

#include <QColor>
#include <QString>

class QTableWidget;
class QTableWidgetItem;

namespace kv::ui {

// What each cell of a grid holds: its text, background and tooltip, kept in the items of the
// table underneath. Addressed as the grid is: row 0 is the header row (the column captions),
// data rows follow, so grid row r is table row r - 1. Cells outside the grid read as empty and
// ignore writes.
class GridCells {
public:
    explicit GridCells(QTableWidget* table) : m_table(table) {}

    int rows() const; // header included
    int cols() const;
    void setRowCount(int count); // header included, at least 1
    void setColCount(int count);
    void insertRow(int row); // an empty data row at row (1 … rows())
    void removeRow(int row);
    bool contains(int row, int col) const;
    bool isRowHidden(int row) const; // the header row never is
    bool isColHidden(int col) const;

    QTableWidgetItem* item(int row, int col) const; // null for a cell never written
    QTableWidgetItem* ensureItem(int row, int col); // null outside the grid only

    QString text(int row, int col) const;
    void setText(int row, int col, const QString& text);
    // Writes one text into every cell of the rectangle (corners in any order).
    void fillText(int row1, int col1, int row2, int col2, const QString& text);

    QColor background(int row, int col) const; // white unless set
    void setBackground(int row, int col, const QColor& color);
    void fillBackground(int row1, int col1, int row2, int col2, const QColor& color);

    QString toolTip(int row, int col) const;
    void setToolTip(int row, int col, const QString& text);

    void setRowBold(int row); // every cell of the row in the grid's font, bold

private:
    QTableWidget* m_table;
};

} // namespace kv::ui
