#include "ShownWages.h"
#include "TestDb.h"
#include "data/Database.h"
#include "data/MonthlyTotals.h"
#include "data/TextRules.h"
#include "stats/StatsFilter.h"
#include "stats/StatsPeriod.h"
#include "stats/WageStatistics.h"

#include <QRandomGenerator>
#include <QTest>

using namespace kv;

namespace {
void addEmployee(Database& db, qint64 id, const QString& number, const QString& name)
{
    db.exec(QStringLiteral("INSERT INTO 员工 (id, 工号, 姓名) VALUES (?, ?, ?)"), {id, number, name});
}

void addProduction(Database& db, const QString& number, const QString& isoDay, double amount)
{
    db.exec(QStringLiteral("INSERT INTO 工资流水 (工号, 日期, 产品, 金额) VALUES (?, ?, '外壳', ?)"),
            {number, isoDay, amount});
}

void addDeduction(Database& db, const QString& number, const QString& isoDay, double amount)
{
    db.exec(QStringLiteral("INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES (?, ?, '罚款', ?)"),
            {number, isoDay, amount});
}

DateRange range(const char* first, const char* last)
{
    return {QString::fromUtf8(first), QString::fromUtf8(last)};
}

DateRange periodRange(PeriodKind kind, const char* text)
{
    const PeriodReading reading = readPeriod(kind, QString::fromUtf8(text));
    return reading.status == PeriodReading::Ok ? reading.range : DateRange{QStringLiteral("?"), QStringLiteral("?")};
}

// The sum of one employee's lines asked for on its own, one query per journal.
double employeeSum(Database& db, const QString& journal, const QString& amount, const QString& number,
                   const DateRange& r)
{
    return db
        .scalar(
            QStringLiteral("SELECT sum(%2) FROM %1 WHERE 工号 = ? AND 日期 >= ? AND 日期 <= ?").arg(journal, amount),
            {cleanText(number), r.first, r.last})
        .toDouble();
}
} // namespace

class TestWageStatistics : public QObject {
    Q_OBJECT
private slots:
    void periodTextsBecomeDateRanges()
    {
        using K = PeriodKind;
        QCOMPARE(periodRange(K::Month, "2008-5"), range("2008-05-01", "2008-05-31"));
        QCOMPARE(periodRange(K::Month, "2008-5-20"), range("2008-05-01", "2008-05-31"));
        QCOMPARE(periodRange(K::Month, " 2008/2/9 "), range("2008-02-01", "2008-02-29"));
        QCOMPARE(periodRange(K::Month, "2008-12"), range("2008-12-01", "2008-12-31"));

        QCOMPARE(periodRange(K::Quarter, "2008-1"), range("2008-01-01", "2008-03-31"));
        QCOMPARE(periodRange(K::Quarter, "2008-2"), range("2008-04-01", "2008-06-30"));
        QCOMPARE(periodRange(K::Quarter, "2008-3"), range("2008-07-01", "2008-09-30"));
        QCOMPARE(periodRange(K::Quarter, "2007-4"), range("2007-10-01", "2007-12-31"));
        QCOMPARE(periodRange(K::Quarter, "2008-2-28"), range("2008-04-01", "2008-06-30")); // month 2: quarter 2
        QCOMPARE(readPeriod(K::Quarter, QStringLiteral("2008-5")).status, PeriodReading::InvalidQuarter);
        QCOMPARE(readPeriod(K::Quarter, QStringLiteral("2008-4-31")).status, PeriodReading::Unreadable);

        QCOMPARE(periodRange(K::Year, "2008"), range("2008-01-01", "2008-12-31"));
        QCOMPARE(periodRange(K::Year, "2008 "), range("2008-01-01", "2008-12-31"));
        QCOMPARE(periodRange(K::Year, "999"), range("0999-01-01", "0999-12-31"));
        // A year no date can have is read, and sums nothing.
        QVERIFY(periodRange(K::Year, "0").isEmpty());
        QVERIFY(periodRange(K::Year, "123456789012").isEmpty());

        QCOMPARE(periodRange(K::Day, "2008-5-17"), range("2008-05-17", "2008-05-17"));
        QCOMPARE(periodRange(K::Day, "2008/05/07"), range("2008-05-07", "2008-05-07"));

        // Texts that are no period at all.
        for (const auto& [kind, text] : {std::pair{K::Month, ""},
                                         {K::Month, "2008-13"},
                                         {K::Month, "五月"},
                                         {K::Quarter, "2008"},
                                         {K::Quarter, "Q2"},
                                         {K::Year, "二〇〇八"},
                                         {K::Year, "2008-5"},
                                         {K::Year, ""},
                                         {K::Day, "2008-2-30"},
                                         {K::Day, "5/17"},
                                         {K::Day, "2008-5"}})
            QVERIFY2(readPeriod(kind, QString::fromUtf8(text)).status == PeriodReading::Unreadable, text);
    }

    void combosOfferPeriodsUpToToday()
    {
        const QDate may17(2008, 5, 17);
        // Months: the last 24, across the turn of the year, today's selected.
        PeriodChoices c = periodChoices(PeriodKind::Month, may17);
        QCOMPARE(c.items.size(), 24);
        QCOMPARE(c.items.first(), QStringLiteral("2006-6"));
        QCOMPARE(c.items.mid(16, 3), QStringList({"2007-10", "2007-11", "2007-12"}));
        QCOMPARE(c.items.last(), QStringLiteral("2008-5"));
        QCOMPARE(c.selected, 23);
        c = periodChoices(PeriodKind::Quarter, may17);
        QCOMPARE(c.items, QStringList({"2008-1", "2008-2", "2008-3", "2008-4"}));
        QCOMPARE(c.selected, 1);
        c = periodChoices(PeriodKind::Year, may17);
        QCOMPARE(c.items.size(), 11);
        QCOMPARE(c.items.first(), QStringLiteral("2008"));
        QCOMPARE(c.items.last(), QStringLiteral("1998"));
        QCOMPARE(c.selected, 0);
        c = periodChoices(PeriodKind::Day, may17);
        QCOMPARE(c.items.size(), 17);
        QCOMPARE(c.items.first(), QStringLiteral("2008-5-17"));
        QCOMPARE(c.items.last(), QStringLiteral("2008-5-1"));
        QCOMPARE(c.selected, 0);

        // Each offered item reads back as its own period.
        for (int k = 0; k < kPeriodKindCount; ++k)
            for (const QString& item : periodChoices(PeriodKind(k), may17).items)
                QCOMPARE(readPeriod(PeriodKind(k), item).status, PeriodReading::Ok);

        QCOMPARE(periodChoices(PeriodKind::Month, QDate(2009, 1, 1)).items.mid(21),
                 QStringList({"2008-11", "2008-12", "2009-1"}));
        QCOMPARE(periodChoices(PeriodKind::Day, QDate(2009, 1, 1)).items, QStringList({"2009-1-1"}));
        QCOMPARE(periodChoices(PeriodKind::Quarter, QDate(2008, 12, 31)).selected, 3);
        QCOMPARE(periodChoices(PeriodKind::Quarter, QDate(2008, 7, 1)).selected, 2);
        QCOMPARE(periodChoices(PeriodKind::Quarter, QDate(2008, 3, 31)).selected, 0);
    }

    void everyEmployeeIsListedWithTheSumsOfThePeriod()
    {
        TestApp app;
        Database& db = app.db();
        // Listed by id, not by number; the one with blanks in its number finds its lines.
        addEmployee(db, 5, QStringLiteral("002"), QStringLiteral("李四"));
        addEmployee(db, 2, QStringLiteral("001"), QStringLiteral("张三"));
        addEmployee(db, 9, QStringLiteral(" 003\t"), QStringLiteral("王五"));
        addEmployee(db, 7, QStringLiteral("004"), QStringLiteral("赵六"));

        addProduction(db, QStringLiteral("001"), QStringLiteral("2008-05-01"), 1000);
        addProduction(db, QStringLiteral("001"), QStringLiteral("2008-05-31"), 234.4);
        addDeduction(db, QStringLiteral("001"), QStringLiteral("2008-05-20"), 2000);
        // Just outside May, and another employee's lines.
        addProduction(db, QStringLiteral("001"), QStringLiteral("2008-04-30"), 7);
        addProduction(db, QStringLiteral("001"), QStringLiteral("2008-06-01"), 11);
        addDeduction(db, QStringLiteral("001"), QStringLiteral("2008-06-01"), 13);
        addProduction(db, QStringLiteral("003"), QStringLiteral("2008-05-17"), 50.25);
        // Deductions only.
        addDeduction(db, QStringLiteral("004"), QStringLiteral("2008-05-02"), 80.5);
        // Lines of nobody in the list, or of no number at all, belong to no row.
        addProduction(db, QStringLiteral("00 1"), QStringLiteral("2008-05-02"), 99);
        db.exec(QStringLiteral("INSERT INTO 工资流水 (工号, 日期, 金额) VALUES (NULL, '2008-05-02', 5)"));
        addEmployee(db, 11, QString(), QStringLiteral("无号"));
        rebuildMonthlyTotals(db);

        WageStatistics stats(db);
        QList<EmployeeWage> may = stats.compute(PeriodKind::Month, periodRange(PeriodKind::Month, "2008-5"));
        QCOMPARE(may.size(), 5);
        QCOMPARE(may.at(0).id, 2);
        QCOMPARE(may.at(0).name, QStringLiteral("张三"));
        QCOMPARE(may.at(3).number, QStringLiteral(" 003\t")); // as stored with the employee
        QCOMPARE(shownWages(may), QStringList({"001:1234.4/2000/-765.6", "002:0/0/0", "004:0/80.5/-80.5",
                                               " 003\t:50.25/0/50.25", ":0/0/0"}));

        QCOMPARE(shownWages(stats.compute(PeriodKind::Quarter, periodRange(PeriodKind::Quarter, "2008-2"))).at(0),
                 QStringLiteral("001:1252.4/2013/-760.6"));
        QCOMPARE(shownWages(stats.compute(PeriodKind::Quarter, periodRange(PeriodKind::Quarter, "2008-1"))).at(0),
                 QStringLiteral("001:0/0/0"));
        QCOMPARE(shownWages(stats.compute(PeriodKind::Year, periodRange(PeriodKind::Year, "2008"))).at(0),
                 QStringLiteral("001:1252.4/2013/-760.6"));
        QCOMPARE(shownWages(stats.compute(PeriodKind::Year, periodRange(PeriodKind::Year, "2007"))).at(0),
                 QStringLiteral("001:0/0/0"));
        QCOMPARE(shownWages(stats.compute(PeriodKind::Day, periodRange(PeriodKind::Day, "2008-5-31"))).at(0),
                 QStringLiteral("001:234.4/0/234.4"));
        QCOMPARE(shownWages(stats.compute(PeriodKind::Day, periodRange(PeriodKind::Day, "2008-5-17"))).at(3),
                 QStringLiteral(" 003\t:50.25/0/50.25"));
        QCOMPARE(shownWages(stats.compute(PeriodKind::Year, periodRange(PeriodKind::Year, "0"))).at(0),
                 QStringLiteral("001:0/0/0"));
    }

    void eachQuarterTakesItsThreeMonths()
    {
        TestApp app;
        Database& db = app.db();
        addEmployee(db, 1, QStringLiteral("E1"), QStringLiteral("甲"));
        // Powers of two per month: each quarter's sum tells exactly which months it took.
        for (int m = 1; m <= 12; ++m) {
            addProduction(db, QStringLiteral("E1"), isoDate(QDate(2008, m, 1)), double(1 << m));
            addDeduction(db, QStringLiteral("E1"), isoDate(QDate(2008, m, 1).addMonths(1).addDays(-1)), double(m));
        }
        addProduction(db, QStringLiteral("E1"), QStringLiteral("2009-01-01"), 1 << 14);
        addProduction(db, QStringLiteral("E1"), QStringLiteral("2007-12-31"), 1 << 15);
        rebuildMonthlyTotals(db);
        WageStatistics stats(db);
        const int expected[4][2] = {{2 + 4 + 8, 1 + 2 + 3},
                                    {16 + 32 + 64, 4 + 5 + 6},
                                    {128 + 256 + 512, 7 + 8 + 9},
                                    {1024 + 2048 + 4096, 10 + 11 + 12}};
        for (int q = 1; q <= 4; ++q) {
            const EmployeeWage w = stats
                                       .compute(PeriodKind::Quarter,
                                                readPeriod(PeriodKind::Quarter, QStringLiteral("2008-%1").arg(q)).range)
                                       .first();
            QCOMPARE(w.production, Decimal::fromInteger(expected[q - 1][0]));
            QCOMPARE(w.deductions, Decimal::fromInteger(expected[q - 1][1]));
        }
        const EmployeeWage year =
            stats.compute(PeriodKind::Year, readPeriod(PeriodKind::Year, QStringLiteral("2008")).range).first();
        QCOMPARE(year.production, Decimal::fromInteger((1 << 13) - 2));
        QCOMPARE(year.deductions, Decimal::fromInteger(78));
    }

    void groupedSumsEqualTheSumsOfEachEmployee_data()
    {
        QTest::addColumn<bool>("ascending");
        QTest::newRow("numbers out of order, repeated") << false;
        QTest::newRow("numbers ascending with the ids") << true;
    }

    void groupedSumsEqualTheSumsOfEachEmployee()
    {
        QFETCH(bool, ascending);
        TestApp app;
        Database& db = app.db();
        QRandomGenerator rng(20080517);
        const int employees = 60;
        {
            Transaction tx(db);
            // Numbers in Chinese, and numbers that do not follow the order of the ids: M1 comes
            // after M2, and the employee after M1's is M2's second. Or numbers given out in
            // order, N001 to N060, some with blanks around; lines also come for N061 to N065,
            // whom nobody has, and many employees have no lines in a range.
            const auto numberOf = [ascending](int e) {
                if (ascending)
                    return QStringLiteral("N%1").arg(e, 3, 10, QLatin1Char('0'));
                if (e == 41 || e == 42)
                    return QStringLiteral("M%1").arg(43 - e);
                return e % 7 == 0 ? QStringLiteral("车间%1").arg(e)
                                  : QStringLiteral("N%1").arg(e % 11 == 0 ? 200 - e : e);
            };
            for (int e = 1; e <= employees; ++e) {
                // Some numbers repeat and some carry blanks or TABs, as typed over the years.
                QString number = numberOf(e);
                if (ascending)
                    number = e % 13 == 0 ? u' ' + number + u' ' : number;
                else if (e % 17 == 0 || e == 43)
                    number = numberOf(e == 43 ? 41 : e - 1) + u' ';
                else if (e % 19 == 0)
                    number = u'\t' + numberOf(e - 3).insert(1, u'\t');
                addEmployee(db, e, number, QStringLiteral("员工%1").arg(e));
            }
            for (int i = 0; i < 6000; ++i) {
                const QString number = numberOf(1 + rng.bounded(employees + 5));
                const QString day = isoDate(QDate(2007, 11, 1).addDays(rng.bounded(500)));
                const double amount = rng.bounded(100000) / 100.0;
                if (rng.bounded(5) == 0)
                    addDeduction(db, number, day, amount / 10);
                else
                    addProduction(db, number, day, amount);
            }
            rebuildMonthlyTotals(db);
            tx.commit();
        }
        WageStatistics stats(db);
        for (const auto& [kind, text] : {std::pair{PeriodKind::Month, "2008-2"},
                                         {PeriodKind::Quarter, "2008-4"},
                                         {PeriodKind::Year, "2008"},
                                         {PeriodKind::Day, "2008-3-1"}}) {
            const DateRange r = periodRange(kind, text);
            const QList<EmployeeWage> wages = stats.compute(kind, r);
            QCOMPARE(wages.size(), employees);
            int withLines = 0;
            for (const EmployeeWage& w : wages) {
                const double p = employeeSum(db, QStringLiteral("工资流水"), QStringLiteral("金额"), w.number, r);
                const double d = employeeSum(db, QStringLiteral("扣减流水"), QStringLiteral("扣减金额"), w.number, r);
                QCOMPARE(w.production.plainText(), plainDecimal(p));
                QCOMPARE(w.deductions.plainText(), plainDecimal(d));
                QCOMPARE(w.netPay().plainText(), plainDecimal(p - d));
                withLines += p != 0 || d != 0;
            }
            QVERIFY(withLines > 10); // the data reach into every range
        }
    }

    void conditionsCompareTextsOrNumbers()
    {
        using Op = CompareOp;
        QVERIFY(conditionHolds(Op::Equal, QStringLiteral("张三"), QStringLiteral(" 张三\t")));
        QVERIFY(!conditionHolds(Op::Equal, QStringLiteral("1234.5"), QStringLiteral("1234.50")));
        QVERIFY(!conditionHolds(Op::Equal, QStringLiteral("abc"), QStringLiteral("ABC")));
        QVERIFY(conditionHolds(Op::Greater, QStringLiteral("1234.4"), QStringLiteral("1000")));
        QVERIFY(!conditionHolds(Op::Greater, QStringLiteral("1000"), QStringLiteral("1000")));
        QVERIFY(conditionHolds(Op::Less, QStringLiteral("-765.6"), QStringLiteral("0")));
        QVERIFY(conditionHolds(Op::Less, QStringLiteral("5"), QStringLiteral("12kg")));   // the value's leading number
        QVERIFY(conditionHolds(Op::Greater, QStringLiteral("3"), QStringLiteral("abc"))); // a value of no number is 0
        // A cell that is no number holds no comparison.
        QVERIFY(!conditionHolds(Op::Greater, QStringLiteral("张三"), QStringLiteral("-1")));
        QVERIFY(!conditionHolds(Op::Less, QStringLiteral("E001"), QStringLiteral("1")));
        QVERIFY(!conditionHolds(Op::Less, QString(), QStringLiteral("1")));

        const QStringList row{"2008-5", "001", "张三", "1234.4", "2000", "-765.6"};
        const auto cell = [&](int col) { return row.value(col); };
        QVERIFY(!rowPasses({}, cell));
        QVERIFY(!rowPasses({{2, Op::Equal, QStringLiteral(" \t")}, {3, Op::Greater, QString()}}, cell));
        QVERIFY(rowPasses({{2, Op::Equal, QStringLiteral("李四")}, {2, Op::Equal, QStringLiteral("张三")}}, cell));
        QVERIFY(rowPasses({{5, Op::Less, QStringLiteral("0")}, {3, Op::Greater, QString()}}, cell));
        QVERIFY(!rowPasses({{3, Op::Greater, QStringLiteral("2000")}, {4, Op::Less, QStringLiteral("2000")}}, cell));
    }
};

QTEST_GUILESS_MAIN(TestWageStatistics)
#include "test_wagestatistics.moc"
