#pragma once

#include <QList>
#include <QString>

#include <functional>

class QPrinter;
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

// The one way to the printer for every print: opens the default printer (or, with
// ctx.printToPdfDir set, the file "<dir>/<title>.pdf" on A4), lets `setUp` choose the page
// orientation, and has `paint` draw the pages; paint returns false when the painter failed.
// Every failure is told to the user. Returns true when the document was printed.
bool printPages(AppContext& ctx, QWidget* parent, const QString& title, const std::function<void(QPrinter&)>& setUp,
                const std::function<bool(QPrinter&)>& paint);

} // namespace kv::ui
