#include "ui/CellNumbers.h"

#include <QRegularExpression>

namespace kv::ui {

bool plainNumber(const QString& text, double* value)
{
    static const QRegularExpression form(QStringLiteral("^-?(0|[1-9][0-9]*)(\\.[0-9]+)?$"));
    if (!form.match(text).hasMatch())
        return false;
    QString digits = text;
    digits.remove(u'-');
    digits.remove(u'.');
    while (digits.startsWith(u'0') && digits.size() > 1)
        digits.remove(0, 1);
    if (digits.size() > 15)
        return false;
    if (value)
        *value = text.toDouble();
    return true;
}

bool groupedNumber(const QString& text, double* value)
{
    static const QRegularExpression form(QStringLiteral("^-?[0-9]{1,3}(,[0-9]{3})*$"));
    if (!form.match(text).hasMatch())
        return false;
    QString digits = text;
    digits.remove(u',');
    return plainNumber(digits, value);
}

} // namespace kv::ui
