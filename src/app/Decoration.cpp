#include "app/Decoration.h"

#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace kv {

QPixmap decorationPixmap(QSize size, QColor from, QColor to)
{
    QPixmap pixmap(size);
    QPainter painter(&pixmap);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    painter.fillRect(pixmap.rect(), gradient);
    return pixmap;
}

QFont titleFont(int pointSize)
{
    QFont font(QStringLiteral("楷体_GB2312"), pointSize, QFont::Bold);
    font.setFamilies({QStringLiteral("楷体_GB2312"), QStringLiteral("KaiTi"), QStringLiteral("AR PL UKai CN"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    return font;
}

void centreOnScreen(QWidget* window)
{
    if (const QScreen* screen = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

} // namespace kv
