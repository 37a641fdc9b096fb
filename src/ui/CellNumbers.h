#pragma once

#include <QString>

// Which cell texts are numbers to a reader of an export or a print.
namespace kv::ui {

// A number that a spreadsheet shows exactly as the grid does: no sign but a minus, no leading
// zeros ("001" is a code, not one), at most 15 significant digits (identity numbers are text).
bool plainNumber(const QString& text, double* value = nullptr);

// The "#,##0" text of a totals row, read back as its number.
bool groupedNumber(const QString& text, double* value = nullptr);

} // namespace kv::ui
