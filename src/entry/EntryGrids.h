#pragma once

#include "data/Decimal.h"
#include "entry/MonthRecords.h"

#include <QColor>
#include <QList>

class QLineEdit;

namespace kv {
namespace ui {
class DataGrid;
}

// The two line grids of the wage entry window: how they are set up, read and filled.
namespace entry {

inline constexpr int kRowTwips = 300;
inline const QColor kWhite(255, 255, 255);
inline const QColor kLightRed(255, 128, 128);
inline const QColor kLightGreen(192, 255, 192);
inline const QColor kClosedGrey(228, 228, 228);

void setUpProductionGrid(ui::DataGrid& grid);
void setUpDeductionGrid(ui::DataGrid& grid);

// The grid's lines (rows 1 …) as texts.
QList<LineTexts> gridLines(const ui::DataGrid& grid);
// Writes loaded lines into rows 1, 2, …, growing the grid so that an empty row stays below them.
void fillLines(ui::DataGrid& grid, const QList<LineTexts>& lines);
void emptyLines(ui::DataGrid& grid);
// The first line with nothing in it (from 1); the last row when every line holds something.
int firstEmptyLine(const ui::DataGrid& grid);
// Writes `line` into the first empty line of the grid (grown if need be) and scrolls it into
// view; returns its row.
int appendLine(ui::DataGrid& grid, const LineTexts& line);

// The 菲票号 column is shown while a line names a ticket, and left out otherwise.
void showTicketColumn(ui::DataGrid& production);
// A line that pays a ticket takes its product, unit and quantity from it.
bool isTicketLine(const ui::DataGrid& production, int row);

// A total box shows its whole amount with the sign: in its own font while that fits, else in a
// smaller one, and always from its front, so that a minus sign is never scrolled out of sight.
void showTotal(QLineEdit* box, Decimal amount);

} // namespace entry
} // namespace kv
