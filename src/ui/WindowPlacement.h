#pragma once

#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace kv::ui {

// The part of `wanted` that a window may take in the free area of its screen: no larger than
// that area, moved inside it.
QRect fitInside(const QRect& wanted, const QRect& available);

// Size, position and maximised state of a top-level window, kept between runs in the user's
// settings under `key`. Restoring places the window inside the free area of a screen; without
// a remembered place it is `defaultSize` (shrunk to fit), centred.
void restorePlacement(QWidget* window, const QString& key, QSize defaultSize);
void savePlacement(const QWidget* window, const QString& key);

} // namespace kv::ui
