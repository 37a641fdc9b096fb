#include "data/Decimal.h"

#include "data/Error.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <type_traits>

namespace kv {

namespace {
using Wide = __int128;

[[noreturn]] void outOfRange()
{
    throw InputError(QString::fromUtf16(kDecimalRangeText));
}

qint64 checked(Wide value)
{
    if (value > std::numeric_limits<qint64>::max() || value < -std::numeric_limits<qint64>::max())
        outOfRange();
    return static_cast<qint64>(value);
}

// A number split into its parts: sign, its digits (those before the point first, leading zeros
// dropped), how many stand before the point, and an exponent. Long enough for every figure the
// program computes with; a text with more digits than that is no figure of it.
struct NumberParts {
    bool negative = false;
    char digits[48];
    int count = 0;      // digits held
    int wholeCount = 0; // of which before the point
    int fractionCount = 0;
    int exponent = 0;
    bool hasExponent = false;
    bool overlong = false;
};

template <class View> char charAt(const View& text, qsizetype i)
{
    if constexpr (std::is_same_v<View, QStringView>)
        return text[i].unicode() < 128 ? char(text[i].unicode()) : '\0';
    else
        return text[i];
}

template <class View> std::optional<NumberParts> split(const View& text)
{
    qsizetype i = 0;
    qsizetype end = text.size();
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (i < end && blank(charAt(text, i)))
        ++i;
    while (end > i && blank(charAt(text, end - 1)))
        --end;
    NumberParts parts;
    if (i < end && (charAt(text, i) == '-' || charAt(text, i) == '+'))
        parts.negative = charAt(text, i++) == '-';
    bool any = false;
    const auto take = [&](char c, bool whole) {
        any = true;
        if (whole && parts.count == 0 && c == '0')
            return; // a leading zero
        if (parts.count == int(sizeof parts.digits)) {
            parts.overlong = true;
            return;
        }
        parts.digits[parts.count++] = c;
        (whole ? parts.wholeCount : parts.fractionCount)++;
    };
    while (i < end && charAt(text, i) >= '0' && charAt(text, i) <= '9')
        take(charAt(text, i++), true);
    if (i < end && charAt(text, i) == '.') {
        ++i;
        while (i < end && charAt(text, i) >= '0' && charAt(text, i) <= '9')
            take(charAt(text, i++), false);
    }
    if (!any)
        return std::nullopt;
    if (i < end && (charAt(text, i) == 'e' || charAt(text, i) == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < end && (charAt(text, i) == '-' || charAt(text, i) == '+'))
            negativeExponent = charAt(text, i++) == '-';
        if (i == end)
            return std::nullopt;
        while (i < end && charAt(text, i) >= '0' && charAt(text, i) <= '9') {
            parts.exponent = parts.exponent * 10 + (charAt(text, i++) - '0');
            if (parts.exponent > 400)
                return std::nullopt;
        }
        if (negativeExponent)
            parts.exponent = -parts.exponent;
        parts.hasExponent = true;
    }
    if (i != end)
        return std::nullopt;
    return parts;
}

// The parts as millionths, rounded half away from zero; nothing beyond the 64-bit range.
std::optional<qint64> toUnits(const NumberParts& parts)
{
    if (parts.overlong)
        return std::nullopt;
    // Digits up to this index stand before the point once the value is counted in millionths.
    const int point = parts.wholeCount + parts.exponent + Decimal::kPlaces;
    Wide units = 0;
    for (int i = 0; i < std::min(point, parts.count); ++i) {
        units = units * 10 + (parts.digits[i] - '0');
        if (units > std::numeric_limits<qint64>::max())
            return std::nullopt;
    }
    for (int i = parts.count; i < point; ++i) {
        units *= 10;
        if (units > std::numeric_limits<qint64>::max())
            return std::nullopt;
    }
    if (point >= 0 && point < parts.count && parts.digits[point] >= '5')
        ++units;
    if (units > std::numeric_limits<qint64>::max())
        return std::nullopt;
    return static_cast<qint64>(parts.negative ? -units : units);
}

// Plain digits as sums are written ("-1234.5"): a sign, at most twelve digits before the point
// and at most six after it, read straight into millionths. Nothing for any other spelling.
template <class View> std::optional<qint64> plainUnits(const View& text)
{
    const qsizetype end = text.size();
    qsizetype i = 0;
    const bool negative = end > 0 && charAt(text, 0) == '-';
    if (negative)
        ++i;
    const auto digit = [&](qsizetype at) { return charAt(text, at) >= '0' && charAt(text, at) <= '9'; };
    const qsizetype wholeBegin = i;
    qint64 units = 0;
    for (; i < end && digit(i); ++i)
        units = units * 10 + (charAt(text, i) - '0');
    if (i == wholeBegin || i - wholeBegin > 12)
        return std::nullopt;
    int places = 0;
    if (i < end && charAt(text, i) == '.') {
        for (++i; i < end && digit(i) && places < Decimal::kPlaces; ++i, ++places)
            units = units * 10 + (charAt(text, i) - '0');
        if (places == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;
    for (; places < Decimal::kPlaces; ++places)
        units *= 10;
    return negative ? -units : units;
}

template <class View> Decimal storedFrom(const View& text)
{
    if (const std::optional<qint64> plain = plainUnits(text))
        return Decimal::fromUnits(*plain);
    const std::optional<NumberParts> parts = split(text);
    if (!parts)
        return {};
    const std::optional<qint64> units = toUnits(*parts);
    if (!units)
        outOfRange();
    return Decimal::fromUnits(*units);
}

QString groupThousands(const QString& digits)
{
    QString out;
    out.reserve(digits.size() + digits.size() / 3);
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += u',';
        out += digits.at(i);
    }
    return out;
}
} // namespace

Decimal Decimal::fromInteger(qint64 whole)
{
    return fromUnits(checked(Wide(whole) * kScale));
}

std::optional<Decimal> Decimal::parse(QStringView text, int maxPlaces, ParseError* error)
{
    const auto fail = [&](ParseError why) -> std::optional<Decimal> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const std::optional<NumberParts> parts = split(text);
    if (!parts || parts->hasExponent)
        return fail(ParseError::NotNumber);
    for (int i = parts->count - parts->fractionCount + maxPlaces; i < parts->count; ++i)
        if (parts->digits[i] != '0')
            return fail(ParseError::TooManyPlaces);
    const std::optional<qint64> units = toUnits(*parts);
    if (!units || !fromUnits(*units).isStorable())
        return fail(ParseError::TooLarge);
    if (error)
        *error = ParseError::None;
    return fromUnits(*units);
}

Decimal Decimal::fromStoredText(QStringView text)
{
    return storedFrom(text);
}

Decimal Decimal::fromStoredText(std::string_view text)
{
    return storedFrom(text);
}

std::optional<Decimal> Decimal::fromCellText(QStringView text)
{
    const std::optional<NumberParts> parts = split(text);
    if (!parts || parts->hasExponent)
        return std::nullopt;
    const std::optional<qint64> units = toUnits(*parts);
    if (!units)
        return std::nullopt;
    return fromUnits(*units);
}

Decimal Decimal::fromStoredDigits(double value)
{
    if (!std::isfinite(value))
        outOfRange();
    // Fifteen significant digits give back the decimal a REAL column was given, as the file
    // engine writes a REAL as text.
    char text[32];
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
    return storedFrom(std::string_view(text, written.ptr - text));
}

int Decimal::places() const
{
    qint64 rest = m_units % kScale;
    if (rest == 0)
        return 0;
    int places = kPlaces;
    while (rest % 10 == 0) {
        rest /= 10;
        --places;
    }
    return places;
}

double Decimal::toDouble() const
{
    return plainText().toDouble();
}

namespace {
// Digits of the whole part and the six places of a magnitude.
std::pair<QString, QString> digitsOf(qint64 units)
{
    const quint64 magnitude = units < 0 ? 0 - static_cast<quint64>(units) : static_cast<quint64>(units);
    const quint64 scale = Decimal::kScale;
    return {QString::number(magnitude / scale),
            QString::number(magnitude % scale).rightJustified(Decimal::kPlaces, u'0')};
}
} // namespace

QString Decimal::plainText() const
{
    auto [whole, fraction] = digitsOf(m_units);
    fraction.truncate(places());
    QString out = fraction.isEmpty() ? whole : whole + u'.' + fraction;
    return m_units < 0 ? u'-' + out : out;
}

QString Decimal::moneyText() const
{
    auto [whole, fraction] = digitsOf(m_units);
    fraction.truncate(std::max(places(), 2));
    const QString out = groupThousands(whole) + u'.' + fraction;
    return m_units < 0 ? u'-' + out : out;
}

Decimal Decimal::operator-() const
{
    return fromUnits(checked(-Wide(m_units)));
}

Decimal Decimal::operator+(Decimal other) const
{
    const std::optional<Decimal> sum = checkedSum(*this, other);
    if (!sum)
        outOfRange();
    return *sum;
}

Decimal Decimal::operator-(Decimal other) const
{
    return fromUnits(checked(Wide(m_units) - other.m_units));
}

Decimal Decimal::operator*(Decimal other) const
{
    const Wide product = Wide(m_units) * other.m_units;
    const Wide magnitude = product < 0 ? -product : product;
    const Wide rounded = (magnitude + kScale / 2) / kScale;
    return fromUnits(checked(product < 0 ? -rounded : rounded));
}

} // namespace kv
