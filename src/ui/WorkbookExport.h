#pragma once

#include "data/Decimal.h"

#include <QList>
#include <QString>

#include <optional>

class QWidget;

namespace kv::ui {

class DataGrid;

// Saves the grid as a spreadsheet workbook (XLSX content, whatever the file's extension),
// caption row first and bold, replacing an existing file. Only what the grid shows goes in:
// hidden columns and hidden rows are left out. A cell of a number or money column
// (DataGrid::ColumnKind) that holds a number is written as that exact number, which formulas can
// sum, money shown as on screen; every other cell as its text, so "001", "1.50" or an identity
// number stays what was typed. A totals row goes in with its exact sums, shown as money.
//
// On failure returns false with the reason in *error, in Chinese for the user, and leaves any
// existing file as it was.
bool saveWorkbook(const DataGrid& grid, const QString& filePath, QString* error = nullptr);

// The export command of the list windows: saves the grid and tells the user where the file is,
// or why it could not be written.
bool exportGrid(QWidget* parent, const DataGrid& grid, const QString& filePath);

// One cell of a sheet laid out by the program itself: an amount of money when `number` is set
// (then `text` is ignored), otherwise its text; an empty text leaves the cell empty.
struct SheetCell {
    QString text;
    std::optional<Decimal> number;
    bool bold = false;
};
using SheetRows = QList<QList<SheetCell>>;

// Saves the rows as a workbook the way saveWorkbook does (temporary file, then replace), with
// the given column widths in twips. Failures as for saveWorkbook.
bool saveSheet(const SheetRows& rows, const QList<int>& widthsTwips, const QString& filePath, QString* error = nullptr);

// A sheet of a workbook of several, named on its tab.
struct NamedSheet {
    QString name;
    SheetRows rows;
    QList<int> widthsTwips;
};
// Saves the sheets in their order as one workbook, as saveSheet saves one.
bool saveSheets(const QList<NamedSheet>& sheets, const QString& filePath, QString* error = nullptr);
bool exportSheets(QWidget* parent, const QList<NamedSheet>& sheets, const QString& filePath);

// The export command for such a sheet: saves it and tells the user where the file is, or why it
// could not be written.
bool exportSheet(QWidget* parent, const SheetRows& rows, const QList<int>& widthsTwips, const QString& filePath);

} // namespace kv::ui
