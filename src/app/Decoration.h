#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>

class QWidget;

namespace kv {

// Banner and decoration pictures are drawn, so the installation needs no image files.
QPixmap decorationPixmap(QSize size, QColor from, QColor to);

// "楷体_GB2312" for titles, falling back to an installed Chinese face.
QFont titleFont(int pointSize);

// Moves a top-level window to the middle of its screen.
void centreOnScreen(QWidget* window);

} // namespace kv
