#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace kv {

class AppContext;
struct WageSlip;

// Prints the slips as one document titled `title` on A4: several short slips to a page with a
// dashed cut line between them, a long slip over pages of its own under its repeated heading.
// Goes the way of every print (ui::printPages). Returns true when it was printed.
bool printWageSlips(AppContext& ctx, QWidget* parent, const QList<WageSlip>& slips, const QString& title);

} // namespace kv
