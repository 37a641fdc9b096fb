#include "data/TextRules.h"

#include <QRegularExpression>

#include <cmath>

namespace kv {

namespace {
// Years are read and shown with four digits; before 1900 a stored date would come back
// as "998-12-1", which the reading side refuses.
constexpr int kFirstYear = 1900;
} // namespace

QString cleanText(const QString& text)
{
    // TABs go first, so that spaces they enclosed at the ends are trimmed as well: a value of
    // only blanks and TABs always comes out empty.
    QString out = text;
    out.remove(QChar(u'\t'));
    const QStringView trimmed = trimBlanks(out);
    return trimmed.size() == out.size() ? out : trimmed.toString();
}

QStringView trimBlanks(QStringView text)
{
    while (text.startsWith(u' '))
        text = text.sliced(1);
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

double numericValue(const QString& text)
{
    static const QRegularExpression leading(QStringLiteral("^[ \\t]*([-+]?(?:\\d+\\.?\\d*|\\.\\d+))"));
    const auto m = leading.match(text);
    if (!m.hasMatch())
        return 0.0;
    return m.captured(1).toDouble();
}

bool isNumberText(const QString& text)
{
    static const QRegularExpression whole(QStringLiteral("^\\s*[-+]?(?:\\d+\\.?\\d*|\\.\\d+)\\s*$"));
    return whole.match(text).hasMatch();
}

QString plainDecimal(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    QString s = QString::number(value, 'g', 15);
    const qsizetype e = s.indexOf(u'e');
    if (e >= 0) {
        // Spell the exponent form out as plain digits.
        const int exponent = s.mid(e + 1).toInt();
        QString mantissa = s.left(e);
        const bool negative = mantissa.startsWith(u'-');
        if (negative)
            mantissa.remove(0, 1);
        QString digits = mantissa;
        digits.remove(u'.');
        const qsizetype pointPos = (mantissa.indexOf(u'.') < 0 ? mantissa.size() : mantissa.indexOf(u'.')) + exponent;
        if (pointPos <= 0)
            s = QStringLiteral("0.") + QString(-pointPos, u'0') + digits;
        else if (pointPos >= digits.size())
            s = digits + QString(pointPos - digits.size(), u'0');
        else
            s = digits.left(pointPos) + u'.' + digits.mid(pointPos);
        if (s.contains(u'.')) {
            while (s.endsWith(u'0'))
                s.chop(1);
            if (s.endsWith(u'.'))
                s.chop(1);
        }
        if (negative)
            s.prepend(u'-');
    }
    if (s == QStringLiteral("-0"))
        s = QStringLiteral("0");
    return s;
}

QString escapeLike(QString text)
{
    // The engine reads a pattern only up to a NUL, so "\0abc" would become "%", matching
    // everything; a NUL cannot be part of what is searched for.
    text.remove(QChar(u'\0'));
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'%', QStringLiteral("\\%"));
    text.replace(u'_', QStringLiteral("\\_"));
    return text;
}

std::optional<QDate> parseDateText(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*(\\d{4})(?:-(\\d{1,2})-(\\d{1,2})|/(\\d{1,2})/(\\d{1,2}))\\s*$"));
    const auto m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int y = m.captured(1).toInt();
    if (y < kFirstYear)
        return std::nullopt;
    const bool dashed = m.capturedLength(2) > 0;
    const int mo = (dashed ? m.captured(2) : m.captured(4)).toInt();
    const int d = (dashed ? m.captured(3) : m.captured(5)).toInt();
    const QDate date(y, mo, d);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString dateText(const QDate& date)
{
    return QStringLiteral("%1-%2-%3").arg(date.year()).arg(date.month()).arg(date.day());
}

QString isoDate(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString monthText(int year, int month)
{
    return QStringLiteral("%1-%2").arg(year).arg(month);
}

std::optional<YearMonth> parseMonthText(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{4})-(\\d{1,2})\\s*$"));
    const auto m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    YearMonth ym{m.captured(1).toInt(), m.captured(2).toInt()};
    if (ym.year < kFirstYear || ym.month < 1 || ym.month > 12)
        return std::nullopt;
    return ym;
}

QString fileNamePart(QString text)
{
    for (QChar& c : text)
        if (c.unicode() < 0x20 || QStringView(u"\\/:*?\"<>|").contains(c))
            c = u'-';
    return text;
}

std::optional<QString> normalMonthText(const QString& text)
{
    const auto month = parseMonthText(cleanText(text));
    if (!month)
        return std::nullopt;
    return monthText(month->year, month->month);
}

} // namespace kv
