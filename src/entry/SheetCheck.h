#pragma once

#include "entry/MonthRecords.h"

#include <optional>

class QWidget;

namespace kv {
namespace ui {
class DataGrid;
}

// The checks "保存" makes of the two line grids before anything is stored. Each fault is marked
// on screen where it is — a missing date red, a missing quantity green, a cell that cannot be
// read (no date, no number, a line with no product) red with why in its tip — and the first is
// told in one message box. The lines to store when there is none; nothing otherwise.
std::optional<SheetLines> checkSheet(QWidget* window, ui::DataGrid& production, ui::DataGrid& deductions);

} // namespace kv
