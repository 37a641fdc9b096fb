#include "entry/EntryLayout.h"

#include "ui/Twips.h"

#include <QWidget>

namespace kv::entry {

using ui::twipsToPixels;

void place(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

void placeAt(QWidget* w, int left, int top)
{
    w->adjustSize();
    w->move(twipsToPixels(left), twipsToPixels(top));
}

QFont songFont(qreal pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSizeF(pointSize);
    return font;
}

QFont fixedFont(qreal pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("新宋体"), QStringLiteral("NSimSun"), QStringLiteral("WenQuanYi Micro Hei Mono"),
                      QStringLiteral("monospace")});
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(pointSize);
    return font;
}

} // namespace kv::entry
