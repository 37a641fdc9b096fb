#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QPrinter;
class QWidget;

namespace kv {
class AppContext;
class WorkProgress;
}

namespace kv::ui {

class DataGrid;

// What a grid print says above and below the grid.
struct PrintHeading {
    QString title;     // the document's name and the heading; empty: the title of the grid's window
    QString subject;   // what the grid shows: the period, the employee
    QStringList notes; // lines below the last row (the totals of a month)
};

// What every print carries besides its heading: the factory's name, the day it was printed
// and the account that printed it.
struct PrintStamp {
    QString factory;
    QString date;
    QString account;
};
PrintStamp printStamp(AppContext& ctx);

// Prints the grid as shown (caption row, rows not hidden, columns not hidden) as one document
// to the default printer, without a dialog. Every page starts with the factory's name, the
// title, the subject beside the date and the account, and ends with "第 n 页 / 共 m 页"; long
// grids go on over further pages under a repeated caption row. Columns of numbers are aligned
// right. The notes follow the last row.
//
// With ctx.printToPdfDir set the document becomes "<dir>/<title>.pdf" instead. Without a
// printer, or when the file cannot be written, the user is told in a message box. Returns true
// when the document was printed.
bool printDocument(AppContext& ctx, QWidget* parent, const DataGrid& grid, const PrintHeading& heading);
bool printDocument(AppContext& ctx, QWidget* parent, const DataGrid& grid, const QString& title = {});

// The one way to the printer for every print: opens the default printer (or, with
// ctx.printToPdfDir set, the file "<dir>/<title>.pdf" on A4), lets `setUp` choose the page
// orientation, and has `paint` draw the pages; paint returns false when the painter failed.
// Every failure is told to the user. Returns true when the document was printed.
bool printPages(AppContext& ctx, QWidget* parent, const QString& title, const std::function<void(QPrinter&)>& setUp,
                const std::function<bool(QPrinter&)>& paint);

// The same for a print of many pages: `paint` runs off the window's thread (it must not touch
// widgets) and reports its pages to `progress`; the user sees how far it has come and may stop
// it with 取消, which leaves no document (and no file) behind. A stopped print returns false
// without a message.
bool printPagesInBackground(AppContext& ctx, QWidget* parent, const QString& title,
                            const std::function<bool(QPrinter&, WorkProgress&)>& paint);

} // namespace kv::ui
