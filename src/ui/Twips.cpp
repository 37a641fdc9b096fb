#include "ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace kv::ui {

namespace {
double logicalDpi()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const double dpi = screen->logicalDotsPerInchY();
        if (dpi > 0)
            return dpi;
    }
    return 96.0;
}
} // namespace

int twipsToPixels(int twips)
{
    return static_cast<int>(std::lround(twips * logicalDpi() / 1440.0));
}

int pixelsToTwips(int pixels)
{
    return static_cast<int>(std::lround(pixels * 1440.0 / logicalDpi()));
}

} // namespace kv::ui
