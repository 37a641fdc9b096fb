#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace kv {
class AppContext;
}

namespace kv::ui {

class DataGrid;

// Prints the grid as shown (caption row, rows not hidden, columns not hidden) as one document
// to the default printer, without a dialog. A non-empty title is the document's name and is
// printed as the heading of every page; long grids go on over further pages under a repeated
// caption row.
//
// With ctx.printToPdfDir set the document becomes "<dir>/<title>.pdf" instead (a title-less
// print is named after the grid's window). Without a printer, or when the file cannot be
// written, the user is told in a message box. Returns true when the document was printed.
bool printDocument(AppContext& ctx, QWidget* parent, const DataGrid& grid, const QString& title = {});

} // namespace kv::ui
