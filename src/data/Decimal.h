#pragma once

#include <QString>
#include <QStringView>

#include <compare>
#include <limits>
#include <string_view>
#include <optional>

namespace kv {

// An exact decimal number of money or quantity: a count of millionths in 64 bits. Quantities
// take at most kQuantityPlaces places and piece prices kPricePlaces, so a line's amount
// (quantity × price) has at most kPlaces places and is exact. Sums and differences are exact;
// a result outside the range throws InputError instead of wrapping round.
class Decimal {
public:
    static constexpr int kPlaces = 6;
    static constexpr qint64 kScale = 1'000'000;
    static constexpr int kQuantityPlaces = 2;
    static constexpr int kPricePlaces = 4;
    static constexpr int kAmountPlaces = kPlaces;
    // A stored figure keeps at most 15 significant digits, so that the REAL column holding it
    // gives back the same decimal: below one thousand million with six places.
    static constexpr qint64 kStoredLimit = 1'000'000'000LL * kScale;

    enum class ParseError { None, NotNumber, TooManyPlaces, TooLarge };

    constexpr Decimal() = default;
    static constexpr Decimal fromUnits(qint64 units)
    {
        Decimal d;
        d.m_units = units;
        return d;
    }
    static Decimal fromInteger(qint64 whole);

    // A typed number: the whole text (blanks around it aside) an optional sign, digits and a
    // point, with at most maxPlaces places that are not zeros and a magnitude below the stored
    // limit. Otherwise nothing, with the reason in *error.
    static std::optional<Decimal> parse(QStringView text, int maxPlaces = kPlaces, ParseError* error = nullptr);
    // A number as a database or a file gives it back (a REAL read as 15 significant digits, a
    // server's numeric or float text, with or without exponent), rounded half away from zero to
    // kPlaces. Text that is not a number reads as 0. Throws InputError beyond the range.
    static Decimal fromStoredText(QStringView text);
    // The same read from the bytes of an engine's text (digits, sign, point and exponent are
    // ASCII), without making a QString of them first.
    static Decimal fromStoredText(std::string_view text);
    // A number as a grid cell holds it (the whole text a number, without exponent), rounded to
    // kPlaces; nothing for any other text or beyond the 64-bit range.
    static std::optional<Decimal> fromCellText(QStringView text);
    // A REAL as the engine gives it back: the decimal of its fifteen significant digits.
    static Decimal fromStoredDouble(double value)
    {
        // Below a hundred million those digits lie within 0.06 of a millionth of the value, so
        // where the value is not near half-way between two millionths (a stored figure never
        // is) the nearest millionth is the same, found without text. Adding and taking away
        // 1.5 * 2^52 rounds a double of that size to a whole number.
        if (value > -1e8 && value < 1e8) {
            const double scaled = value * double(kScale);
            constexpr double kRound = 6755399441055744.0;
            const double nearest = (scaled + kRound) - kRound;
            if (scaled - nearest < 0.4 && nearest - scaled < 0.4)
                return fromUnits(static_cast<qint64>(nearest));
        }
        return fromStoredDigits(value);
    }

    qint64 units() const { return m_units; }
    bool isZero() const { return m_units == 0; }
    bool isNegative() const { return m_units < 0; }
    // Fits a REAL column exactly (see kStoredLimit).
    bool isStorable() const { return m_units > -kStoredLimit && m_units < kStoredLimit; }
    // The number of places after the point that are not trailing zeros.
    int places() const;

    // The double nearest to the value: what a REAL column stores, and what charts draw with.
    double toDouble() const;
    // No separators, no trailing zeros: 1234.5, -9.975, 0.
    QString plainText() const;
    // Money as sheets show it: thousands separators and at least two places, with any further
    // places the exact value has, so nothing is rounded away: 3,336.25, -9.975, 436.00.
    QString moneyText() const;

    Decimal operator-() const;
    // The sum, thrown out of range by operator+ and nothing here when beyond 64 bits or at the
    // lowest 64-bit value, which has no negative.
    static std::optional<Decimal> checkedSum(Decimal a, Decimal b)
    {
        qint64 sum = 0;
        if (__builtin_add_overflow(a.m_units, b.m_units, &sum) || sum == std::numeric_limits<qint64>::min())
            return std::nullopt;
        return fromUnits(sum);
    }
    Decimal operator+(Decimal other) const;
    Decimal operator-(Decimal other) const;
    Decimal& operator+=(Decimal other) { return *this = *this + other; }
    Decimal& operator-=(Decimal other) { return *this = *this - other; }
    // The exact product when it has at most kPlaces places (a quantity by a piece price always
    // has), else rounded half away from zero to kPlaces.
    Decimal operator*(Decimal other) const;

    friend constexpr bool operator==(Decimal a, Decimal b) = default;
    friend constexpr std::strong_ordering operator<=>(Decimal a, Decimal b) = default;

private:
    static Decimal fromStoredDigits(double value);

    qint64 m_units = 0;
};

// The message of a figure outside the range the program computes with.
inline constexpr auto kDecimalRangeText = u"数目太大，超出了本程序能计算的范围。";

} // namespace kv
