#pragma once

#include "ui/WorkbookExport.h"

namespace kv {

struct WageSlip;

// The slips as a sheet that is cut into strips: a title row and an empty row, then for each
// employee a caption row, a value row and an empty row. Amounts are numbers.
ui::SheetRows slipSheet(const QList<WageSlip>& slips);
QList<int> slipSheetWidths(bool rounded = false);

// Saves the slips' sheet and tells the user where it is, or why it could not be written.
bool exportWageSlips(QWidget* parent, const QList<WageSlip>& slips, const QString& filePath);

} // namespace kv
