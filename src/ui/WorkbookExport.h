#pragma once

#include <QString>

class QWidget;

namespace kv::ui {

class DataGrid;

// Saves the grid as a spreadsheet workbook (XLSX content, whatever the file's extension),
// caption row first and bold, replacing an existing file. Only what the grid shows goes in:
// hidden columns and hidden rows are left out. A cell that is a plain number (no leading zeros,
// at most 15 significant digits, so "001" and identity numbers stay text) is written as a number
// that formulas can sum; anything else as text.
//
// On failure returns false with the reason in *error, in Chinese for the user, and leaves any
// existing file as it was.
bool saveWorkbook(const DataGrid& grid, const QString& filePath, QString* error = nullptr);

// The export command of the list windows: saves the grid and tells the user where the file is,
// or why it could not be written.
bool exportGrid(QWidget* parent, const DataGrid& grid, const QString& filePath);

} // namespace kv::ui
