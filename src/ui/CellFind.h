#pragma once

#include <QList>
#include <QString>

#include <functional>

// The find of the list and statistics windows, over the cells of a grid whose row 0 is the
// header: every cell that contains the keyword, counted once per cell.
namespace kv::ui {

struct CellPos {
    int row = 0;
    int column = 0;
    bool operator==(const CellPos&) const = default;
};

// A keyword of blanks only is no keyword; otherwise the keyword is searched as typed.
bool isSearchKeyword(const QString& typed);

// Where a find starts: row 1 when searching everything, else the current row (row 1 when the
// header is current).
int findStartRow(bool fromCurrentRow, int currentRow);

// The cells of rows startRow .. rowCount-1 and columns 0 .. columnCount-1 whose text contains
// the keyword (exact and case-sensitive), row by row and left to right. Columns from
// columnCount on (the hidden id) are not searched.
QList<CellPos> findCells(int rowCount, int columnCount, int startRow, const QString& keyword,
                         const std::function<QString(int row, int column)>& cellText);

} // namespace kv::ui
