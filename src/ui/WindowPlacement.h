#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace kv::ui {

// The part of `wanted` that a window may take in the free area of its screen: no larger than
// that area, moved inside it.
QRect fitInside(const QRect& wanted, const QRect& available);

// The inner geometry that puts a window's whole frame — `frame` stands out of the inner area by
// `margins`, the title bar in its top — inside `available`: shrunk if need be, then moved in.
QRect innerGeometryInside(const QRect& frame, const QMargins& margins, const QRect& available);

// Puts a top-level window's frame, which stands out of its inner area by `margins`, on `frame`:
// the frame's corner is placed, as every window manager places it.
void placeFrame(QWidget* window, const QRect& frame, const QMargins& margins);

// Size, position and maximised state of a top-level window, kept between runs in the user's
// settings under `key`. The outer frame is kept, title bar included, so that the window comes
// back where it was seen. Restoring places the whole frame inside the free area of a screen,
// and once the window is shown with its real frame (another scale, another window manager) it
// is moved in again if need be; without a remembered place it is `defaultSize` (shrunk to fit),
// centred.
void restorePlacement(QWidget* window, const QString& key, QSize defaultSize);
void savePlacement(const QWidget* window, const QString& key);
// The same each time the window is shown, once its frame is known.
void keepOnScreenWhenShown(QWidget* window);
// Moves and, if need be, shrinks a shown window so that its frame lies inside the free area of
// its screen. A maximised window is left alone.
void keepOnScreen(QWidget* window);

} // namespace kv::ui
