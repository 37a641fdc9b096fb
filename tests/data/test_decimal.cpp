#include "data/Decimal.h"
#include "data/Error.h"

#include <QRandomGenerator>
#include <QTest>

#include <limits>
#include <string_view>

using namespace kv;

class TestDecimal : public QObject {
    Q_OBJECT
private slots:
    // What a clerk types is read exactly, or refused with the reason; nothing in between.
    void typedNumbersAreReadExactlyOrRefused()
    {
        using E = Decimal::ParseError;
        const auto units = [](const char* text, int places = Decimal::kPlaces) {
            E error = E::None;
            const auto value = Decimal::parse(QString::fromUtf8(text), places, &error);
            return value ? QVariant(value->units()) : QVariant(int(error));
        };
        QCOMPARE(units("90.025"), QVariant(qint64(90'025'000)));
        QCOMPARE(units(" -0.5 "), QVariant(qint64(-500'000)));
        QCOMPARE(units("+.25"), QVariant(qint64(250'000)));
        QCOMPARE(units("7."), QVariant(qint64(7'000'000)));
        QCOMPARE(units("1.2500", 2), QVariant(qint64(1'250'000))); // trailing zeros are no places
        QCOMPARE(units("-0"), QVariant(qint64(0)));
        for (const char* bad : {"zsf", "", "12kg", "1,5", "1e3", "--1", ".", "1.2.3", "0x10"})
            QCOMPARE(units(bad), QVariant(int(E::NotNumber)));
        QCOMPARE(units("1.255", 2), QVariant(int(E::TooManyPlaces)));
        QCOMPARE(units("0.0000001"), QVariant(int(E::TooManyPlaces)));
        QCOMPARE(units("999999999.999999"), QVariant(qint64(999'999'999'999'999)));
        QCOMPARE(units("1000000000"), QVariant(int(E::TooLarge)));
        QCOMPARE(units("99999999999999999999999"), QVariant(int(E::TooLarge)));
    }

    // Figures a database gives back: a REAL of an older file carries binary noise, a server's
    // float or numeric its own spelling. All come back as the decimal that was meant.
    void storedFiguresComeBackAsTheirDecimals()
    {
        QCOMPARE(Decimal::fromStoredDouble(90.025 - 100).plainText(), QStringLiteral("-9.975"));
        QCOMPARE(Decimal::fromStoredDouble(0.1 + 0.2).plainText(), QStringLiteral("0.3"));
        QCOMPARE(Decimal::fromStoredDouble(67.94999999999999).plainText(), QStringLiteral("67.95"));
        QCOMPARE(Decimal::fromStoredText(u"-9.974999999999994").plainText(), QStringLiteral("-9.975"));
        QCOMPARE(Decimal::fromStoredText(u"1.5e-07").units(), qint64(0));
        QCOMPARE(Decimal::fromStoredText(u"2.5e-06").units(), qint64(3)); // half away from zero
        QCOMPARE(Decimal::fromStoredText(u"-2.5e-06").units(), qint64(-3));
        QCOMPARE(Decimal::fromStoredText(u"1.25E+3").plainText(), QStringLiteral("1250"));
        QCOMPARE(Decimal::fromStoredText(u"436.050000").plainText(), QStringLiteral("436.05"));
        QCOMPARE(Decimal::fromStoredText(u"abc").units(), qint64(0));
        // Sums come back as plain digits, read straight into millionths; every other spelling
        // still reads as the general rules say.
        QCOMPARE(Decimal::fromStoredText(std::string_view("-123456789012.123456")).units(),
                 qint64(-123'456'789'012'123'456));
        QCOMPARE(Decimal::fromStoredText(std::string_view("1234567890123")).units(), qint64(1'234'567'890'123'000'000));
        QCOMPARE(Decimal::fromStoredText(std::string_view("0.1234565")).units(), qint64(123'457));
        QCOMPARE(Decimal::fromStoredText(std::string_view("-0.0000005")).units(), qint64(-1));
        QCOMPARE(Decimal::fromStoredText(std::string_view(".5")).units(), qint64(500'000));
        QCOMPARE(Decimal::fromStoredText(std::string_view("5.")).units(), qint64(5'000'000));
        QCOMPARE(Decimal::fromStoredText(std::string_view("+2.5")).units(), qint64(2'500'000));
        QCOMPARE(Decimal::fromStoredText(std::string_view(" 7 ")).units(), qint64(7'000'000));
        QCOMPARE(Decimal::fromStoredText(std::string_view("-")).units(), qint64(0));
        QCOMPARE(Decimal::fromStoredText(std::string_view("1.2.3")).units(), qint64(0));
        QVERIFY_THROWS_EXCEPTION(InputError, Decimal::fromStoredText(u"1e300"));
        QVERIFY_THROWS_EXCEPTION(InputError, Decimal::fromStoredDouble(std::numeric_limits<double>::infinity()));

        // Every decimal the program stores survives the trip through a REAL column.
        QRandomGenerator rng(24);
        for (int i = 0; i < 20000; ++i) {
            const qint64 units = qint64(rng.bounded(Decimal::kStoredLimit)) * (i % 2 ? 1 : -1);
            const Decimal d = Decimal::fromUnits(units);
            QCOMPARE(Decimal::fromStoredDouble(d.toDouble()), d);
            QCOMPARE(Decimal::fromStoredText(d.plainText()), d);
        }
        // Any double, float noise and half-way millionths included, reads as its fifteen
        // significant digits do.
        for (int i = 0; i < 200000; ++i) {
            const double magnitude = std::pow(10.0, rng.bounded(-8, 10));
            const double value = (rng.generateDouble() - 0.5) * magnitude +
                                 (i % 3 == 0 ? 0.0000005 * double(rng.bounded(-9, 10)) : 0.0);
            QCOMPARE(Decimal::fromStoredDouble(value), Decimal::fromStoredText(QString::number(value, 'g', 15)));
        }
        // Either side of a hundred million, where the reading without text ends, and near
        // half-way millionths there.
        for (const double base : {1e8, -1e8, 99999999.999999, -99999999.999999, 12345678.5}) {
            for (int step = -8; step <= 8; ++step) {
                const double value = base + step * 0.00000025;
                QCOMPARE(Decimal::fromStoredDouble(value), Decimal::fromStoredText(QString::number(value, 'g', 15)));
            }
        }
    }

    // Sums and products are exact; a result beyond the range is an error, never a wrapped number.
    void arithmeticIsExactAndChecked()
    {
        const auto d = [](const char* text) { return *Decimal::parse(QString::fromUtf8(text)); };
        QCOMPARE(d("90.025") - d("100"), d("-9.975"));
        QCOMPARE(d("3") * d("0.025"), d("0.075"));
        QCOMPARE(d("9999.99") * d("99.9999"), d("999998.000001"));
        QCOMPARE(d("-1.5") * d("0.0125"), d("-0.01875"));
        QCOMPARE(d("0.000001") * d("0.5"), d("0.000001")); // beyond six places: half away from zero
        QCOMPARE(d("-0.000001") * d("0.5"), d("-0.000001"));
        Decimal sum;
        for (int i = 0; i < 100; ++i)
            sum += d("0.1");
        QCOMPARE(sum, d("10"));
        const Decimal largest = Decimal::fromUnits(std::numeric_limits<qint64>::max());
        QVERIFY_THROWS_EXCEPTION(InputError, largest + d("0.000001"));
        QVERIFY_THROWS_EXCEPTION(InputError, -largest - d("0.000002"));
        QVERIFY_THROWS_EXCEPTION(InputError, largest * d("2"));
        QVERIFY(d("999999999.999999").isStorable());
        QVERIFY(!(d("999999999.999999") + d("0.000001")).isStorable());
    }

    // Money shows its sign, separators and at least the cents, and never hides a place it has.
    void moneyShowsEveryPlaceItHas()
    {
        const auto money = [](const char* text) { return Decimal::parse(QString::fromUtf8(text))->moneyText(); };
        QCOMPARE(money("3336.25"), QStringLiteral("3,336.25"));
        QCOMPARE(money("-9.975"), QStringLiteral("-9.975"));
        QCOMPARE(money("436"), QStringLiteral("436.00"));
        QCOMPARE(money("-7.5"), QStringLiteral("-7.50"));
        QCOMPARE(money("0"), QStringLiteral("0.00"));
        QCOMPARE(money("-0.000001"), QStringLiteral("-0.000001"));
        QCOMPARE(money("999999999.999999"), QStringLiteral("999,999,999.999999"));
        QCOMPARE(money("100000"), QStringLiteral("100,000.00"));
        QCOMPARE(Decimal::parse(u"-1234.50")->plainText(), QStringLiteral("-1234.5"));
        QCOMPARE(Decimal::parse(u"-0.0")->plainText(), QStringLiteral("0"));
        QCOMPARE(Decimal::fromUnits(std::numeric_limits<qint64>::min() + 1).plainText(),
                 QStringLiteral("-9223372036854.775807"));
    }
};

QTEST_GUILESS_MAIN(TestDecimal)
#include "test_decimal.moc"
