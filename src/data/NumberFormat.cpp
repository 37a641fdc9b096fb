#include "data/NumberFormat.h"

#include <cmath>

namespace kv {

QString groupedWhole(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    const double whole = std::round(value); // halves go away from zero
    if (whole == 0.0)
        return QStringLiteral("0");
    const QString digits = QString::number(std::fabs(whole), 'f', 0);
    QString out;
    out.reserve(digits.size() + digits.size() / 3 + 1);
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += u',';
        out += digits.at(i);
    }
    return whole < 0 ? u'-' + out : out;
}

} // namespace kv
