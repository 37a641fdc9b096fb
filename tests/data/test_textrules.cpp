#include "data/TextRules.h"

#include <QTest>

using namespace kv;

class TestTextRules : public QObject {
    Q_OBJECT
private slots:
    void cleanTextTrimsSpacesThenRemovesTabs()
    {
        QCOMPARE(cleanText(QStringLiteral("  E001  ")), QStringLiteral("E001"));
        QCOMPARE(cleanText(QStringLiteral("\tE0\t01\t")), QStringLiteral("E001"));
        QCOMPARE(cleanText(QStringLiteral(" 张 三 ")), QStringLiteral("张 三"));
        QCOMPARE(cleanText(QStringLiteral(" \t \t ")), QString());
        // Spaces that only TABs kept away from the ends are trimmed too.
        QCOMPARE(cleanText(QStringLiteral("\t a \t")), QStringLiteral("a"));
    }

    void numericValueReadsLeadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("unit") << "12.5kg" << 12.5;
        QTest::newRow("negative") << "-3" << -3.0;
        QTest::newRow("blank") << "" << 0.0;
        QTest::newRow("spaces only") << "   " << 0.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("leading blanks") << "  7.25" << 7.25;
        QTest::newRow("point first") << ".5" << 0.5;
        QTest::newRow("minus alone") << "-" << 0.0;
        QTest::newRow("plus sign, as sums read it") << "+5" << 5.0;
        QTest::newRow("two points") << "1.2.3" << 1.2;
        QTest::newRow("thousands separator stops") << "1,234" << 1.0;
    }
    void numericValueReadsLeadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(numericValue(text), value);
    }

    void isNumberTextWantsTheWholeText()
    {
        QVERIFY(isNumberText(QStringLiteral("1234.4")));
        QVERIFY(isNumberText(QStringLiteral(" -0.6 ")));
        QVERIFY(!isNumberText(QStringLiteral("abc")));
        QVERIFY(!isNumberText(QString()));
        QVERIFY(!isNumberText(QStringLiteral("12kg")));
        QVERIFY(!isNumberText(QStringLiteral("1e5")));
    }

    void plainDecimal_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("trailing zero") << 1234.50 << "1234.5";
        QTest::newRow("integer") << 300.0 << "300";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("negative") << -765.5 << "-765.5";
        QTest::newRow("binary noise") << 0.1 + 0.2 << "0.3";
        QTest::newRow("15 digits") << 123456789.123456789 << "123456789.123457";
        QTest::newRow("large, no exponent") << 1e17 << "100000000000000000";
        QTest::newRow("small, no exponent") << 0.00001234 << "0.00001234";
        QTest::newRow("negative small") << -0.000015 << "-0.000015";
    }
    void plainDecimal()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(kv::plainDecimal(value), text);
    }

    void dateTextsRoundTrip()
    {
        QCOMPARE(parseDateText(QStringLiteral("2008-5-7")), QDate(2008, 5, 7));
        QCOMPARE(parseDateText(QStringLiteral("2008-05-07")), QDate(2008, 5, 7));
        QCOMPARE(parseDateText(QStringLiteral("2008/5/7")), QDate(2008, 5, 7));
        QCOMPARE(dateText(QDate(2008, 5, 7)), QStringLiteral("2008-5-7"));
        QCOMPARE(isoDate(QDate(2008, 5, 7)), QStringLiteral("2008-05-07"));
        QCOMPARE(isoDate(*parseDateText(dateText(QDate(2008, 12, 31)))), QStringLiteral("2008-12-31"));
    }

    void invalidDatesAreRejected()
    {
        for (const char* bad : {"2008-2-30", "2007-2-29", "2008-13-1", "2008-0-5", "08-5-7", "2008.5.7", "abc", "",
                                "2008-5", "2008-5-7x", "0998-12-1", "1899/12/31", "0000-1-1"})
            QVERIFY2(!parseDateText(QString::fromLatin1(bad)), bad);
        QVERIFY(parseDateText(QStringLiteral("2008-2-29"))); // leap year
        // Every accepted date is shown in a form that reads back to the same date.
        for (const char* good : {"1900-1-1", "9999-12-31", "1900/01/01"}) {
            const auto date = parseDateText(QString::fromLatin1(good));
            QVERIFY2(date, good);
            QCOMPARE(parseDateText(dateText(*date)), date);
        }
    }

    void monthTexts()
    {
        QCOMPARE(monthText(2008, 5), QStringLiteral("2008-5"));
        QCOMPARE(monthText(2008, 12), QStringLiteral("2008-12"));
        const auto ym = parseMonthText(QStringLiteral("2008-12"));
        QVERIFY(ym);
        QCOMPARE(ym->firstDay(), QDate(2008, 12, 1));
        QCOMPARE(ym->nextFirstDay(), QDate(2009, 1, 1));
        QVERIFY(!parseMonthText(QStringLiteral("2008-13")));
        QVERIFY(!parseMonthText(QStringLiteral("May 2008")));
        QVERIFY(!parseMonthText(QStringLiteral("0998-12")));
        QCOMPARE(parseMonthText(QStringLiteral("1900-1"))->firstDay(), QDate(1900, 1, 1));
    }
};

QTEST_GUILESS_MAIN(TestTextRules)
#include "test_textrules.moc"
