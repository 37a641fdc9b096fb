#pragma once

#include "data/Decimal.h"

#include <QColor>
#include <QString>

#include <memory>
#include <optional>

class QTableView;

namespace kv::ui {

class GridModel;
class GridRowSource;

// What each cell of a grid holds: its text, background and tooltip, kept in the grid's model,
// and whether the table underneath hides its row or column. Addressed as the grid is: row 0 is
// the header row (the column captions), data rows follow, so grid row r is table row r - 1. Cells
// outside the grid read as empty and ignore writes.
class GridCells {
public:
    GridCells(GridModel* model, QTableView* table) : m_model(model), m_table(table) {}

    int rows() const; // header included
    int cols() const;
    void setRowCount(int count); // header included, at least 1
    void setColCount(int count);
    void insertRow(int row); // an empty data row at row (1 … rows())
    void removeRow(int row);
    void setSource(std::shared_ptr<const GridRowSource> source);
    bool contains(int row, int col) const;
    bool isRowHidden(int row) const; // the header row never is
    bool isColHidden(int col) const;

    QString text(int row, int col) const;
    void setText(int row, int col, const QString& text);
    // Writes one text into every cell of the rectangle (corners in any order).
    void fillText(int row1, int col1, int row2, int col2, const QString& text);
    // The cell's number: given by the rows' source where it stands for the row, else read from
    // its text to the places a Decimal keeps; none for a text that is no number.
    std::optional<Decimal> number(int row, int col) const;

    QColor background(int row, int col) const; // white unless set
    void setBackground(int row, int col, const QColor& color);
    void fillBackground(int row1, int col1, int row2, int col2, const QColor& color);

    QString toolTip(int row, int col) const;
    void setToolTip(int row, int col, const QString& text);

    void setRowBold(int row); // every cell of the row in the grid's font, bold
    bool isRowBold(int row) const;

    GridModel& model() const { return *m_model; }

private:
    GridModel* m_model;
    QTableView* m_table;
};

} // namespace kv::ui
