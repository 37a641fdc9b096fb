#pragma once

#include <QFont>

class QWidget;

namespace kv::entry {

// Places a control at a position given in twips, as the entry window's layout is written.
void place(QWidget* w, int left, int top, int width, int height);
// Places a label that sizes itself to its text.
void placeAt(QWidget* w, int left, int top);

QFont songFont(qreal pointSize);  // 宋体, for labels and grids
QFont fixedFont(qreal pointSize); // fixed pitch, for text boxes and the month list

} // namespace kv::entry
