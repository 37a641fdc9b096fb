#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kv::ui {

// Lines of cells as spreadsheets and chat programs paste them: cells separated by tabs, lines
// ending in a line break. A cell holding a tab, a line break or a double quote is put in double
// quotes, its quotes doubled.
QString tabSeparated(const QList<QStringList>& lines);

} // namespace kv::ui
