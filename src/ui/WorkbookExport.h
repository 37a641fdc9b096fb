#pragma once

#include <QList>
#include <QString>

#include <optional>

class QWidget;

namespace kv::ui {

class DataGrid;

// Saves the grid as a spreadsheet workbook (XLSX content, whatever the file's extension),
// caption row first and bold, replacing an existing file. Only what the grid shows goes in:
// hidden columns and hidden rows are left out. A cell that is a plain number (no leading zeros,
// at most 15 significant digits, so "001" and identity numbers stay text) is written as a number
// that formulas can sum; anything else as text. A totals row goes in with its exact sums,
// displayed "#,##0" as on screen.
//
// On failure returns false with the reason in *error, in Chinese for the user, and leaves any
// existing file as it was.
bool saveWorkbook(const DataGrid& grid, const QString& filePath, QString* error = nullptr);

// The export command of the list windows: saves the grid and tells the user where the file is,
// or why it could not be written.
bool exportGrid(QWidget* parent, const DataGrid& grid, const QString& filePath);

// One cell of a sheet laid out by the program itself: a number when `number` is set (then
// `text` is ignored), otherwise its text; an empty text leaves the cell empty.
struct SheetCell {
    QString text;
    std::optional<double> number;
    bool bold = false;
};
using SheetRows = QList<QList<SheetCell>>;

// Saves the rows as a workbook the way saveWorkbook does (temporary file, then replace), with
// the given column widths in twips. Failures as for saveWorkbook.
bool saveSheet(const SheetRows& rows, const QList<int>& widthsTwips, const QString& filePath, QString* error = nullptr);

// The export command for such a sheet: saves it and tells the user where the file is, or why it
// could not be written.
bool exportSheet(QWidget* parent, const SheetRows& rows, const QList<int>& widthsTwips, const QString& filePath);

} // namespace kv::ui
