#pragma once

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace kv {

// The bars of a barcode in the symbol's own units, to be scaled to the place it is drawn: each
// bar a rectangle from the symbol's top left; the size the symbol's, quiet zones included.
struct BarcodeBars {
    QList<QRectF> bars;
    QSizeF size;
};

// The Code 128 symbol of the text (as zint encodes it: digits in pairs, with the symbol's own
// check character), `height` narrowest bars tall. Throws InputError when the text cannot be encoded.
BarcodeBars code128Bars(const QString& text, double height);

} // namespace kv
