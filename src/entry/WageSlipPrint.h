#pragma once

#include <QList>
#include <QString>

class QPrinter;
class QWidget;

namespace kv {

class AppContext;
struct WageSlip;
class WorkProgress;

// Prints the slips as one document titled `title` on A4: several short slips to a page with a
// dashed cut line between them, a long slip over pages of its own under its repeated heading.
// Goes the way of every long print (ui::printPagesInBackground): off the window's thread, with
// its progress shown and 取消. Returns true when it was printed.
bool printWageSlips(AppContext& ctx, QWidget* parent, const QList<WageSlip>& slips, const QString& title);

// Paints the slips onto an open printer, reporting each page to `progress` (may be null) and
// stopping when it says so. Returns false when painting failed or was stopped.
bool paintWageSlips(QPrinter& printer, const QList<WageSlip>& slips, WorkProgress* progress);

} // namespace kv
