#include "TestDb.h"
#include "data/Database.h"
#include "entry/ClosedMonths.h"
#include "entry/EmployeeFinder.h"
#include "entry/MonthRecords.h"
#include "entry/WageSlip.h"
#include "teams/TimeWages.h"

#include <QTest>

using namespace kv;
using kv::testing::money;

namespace {
const YearMonth kMay{2008, 5};

Decimal monthlyTotal(Database& db, const QString& no)
{
    Statement st = db.prepare(QStringLiteral("SELECT 生产金额 FROM 月度合计 WHERE 工号 = ? AND 月份 = '2008-05'"));
    st.bindAll({no});
    return st.next() ? st.decimal(0) : Decimal();
}

QString refusal(const std::function<void()>& change)
{
    try {
        change();
    } catch (const InputError& e) {
        return e.message();
    }
    return {};
}
} // namespace

class TestTimeWages : public QObject {
    Q_OBJECT
private slots:
    // Time lines take the rate in force on their dates, the employee's own before his job
    // type's; they count in his month beside his own pieces, stay through a save of his sheet and
    // show apart on his slip. A line without any rate, a closed month and a stale sheet are
    // refused with nothing written.
    void timeLinesTakeTheRateInForceAndCountInTheMonth()
    {
        TestApp app;
        Database& db = app.db();
        db.exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名, 车间, 工种) VALUES ('001', '张三', '一车间', '压烫'), "
                               "('002', '李四', '一车间', '压烫'), ('003', '王五', '二车间', '包装')"));
        TimeWages time(db);
        time.setRate({QStringLiteral("压烫"), {}, QStringLiteral("小时"), money("20"), QDate(2008, 1, 1)});
        time.setRate({QStringLiteral("压烫"), {}, QStringLiteral("小时"), money("25"), QDate(2008, 5, 15)});
        time.setRate({{}, QStringLiteral("002"), QStringLiteral("小时"), money("30"), QDate(2008, 5, 1)});
        // The same day again replaces the rate rather than adding a second one.
        time.setRate({QStringLiteral("压烫"), {}, QStringLiteral("小时"), money("22"), QDate(2008, 5, 15)});
        QCOMPARE(time.rates().size(), 3);
        QVERIFY(!refusal([&] {
                     time.setRate({QStringLiteral("压烫"), QStringLiteral("001"), QStringLiteral("小时"), money("1"),
                                   QDate(2008, 1, 1)});
                 }).isEmpty());
        QVERIFY(!refusal([&] {
                     time.setRate({QStringLiteral("压烫"), {}, QStringLiteral("周"), money("1"), QDate(2008, 1, 1)});
                 }).isEmpty());

        MonthRecords records(db);
        records.saveMonth(readMonthSheet(
            {QStringLiteral("2008-5"), "001", "张三", {{"2008-5-3", "外壳", "个", "10", "", "", "1.5"}}, {}}));
        time.saveLines("001", "2008-5",
                       {{QDate(2008, 5, 10), QStringLiteral("试工"), QStringLiteral("小时"), money("8"), {}},
                        {QDate(2008, 5, 20), QStringLiteral("修机"), QStringLiteral("小时"), money("4.5"), {}}});
        time.saveLines("002", "2008-5",
                       {{QDate(2008, 5, 20), QStringLiteral("培训"), QStringLiteral("小时"), money("2.5"), {}}});
        QCOMPARE(time.lines("001", kMay).at(0).rate, money("20"));
        QCOMPARE(time.lines("001", kMay).at(1).rate, money("22"));
        QCOMPARE(time.lines("002", kMay).at(0).rate, money("30"));
        QCOMPARE(monthlyTotal(db, "001"), money("15") + money("160") + money("99"));
        QCOMPARE(monthlyTotal(db, "002"), money("75"));

        // His own sheet saved again keeps the time lines once; the slip shows the parts.
        MonthTexts own{QStringLiteral("2008-5"),        "001", "张三", records.loadProduction("001", kMay), {},
                       records.version("001", "2008-5")};
        records.saveMonth(readMonthSheet(own));
        QCOMPARE(monthlyTotal(db, "001"), money("274"));
        const WageSlip slip = WageSlips(db).slip(*EmployeeFinder(db).byNumber("001"), kMay);
        QCOMPARE(slip.timeTotal, money("259"));
        QCOMPARE(slip.pieceTotal(), money("15"));
        QVERIFY(productionTotalText(slip).contains(QStringLiteral("计时 259.00")));

        // No rate for days of his job type: refused, his lines as they were.
        const QString noRate = refusal([&] {
            time.saveLines("003", "2008-5",
                           {{QDate(2008, 5, 2), QStringLiteral("待料"), QStringLiteral("天"), money("1"), {}}});
        });
        QVERIFY2(noRate.contains(QStringLiteral("没有按天的计时工价")), qPrintable(noRate));
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM 工资流水 WHERE 工号 = '003'")).toInt(), 0);
        // A sheet loaded before another save is refused.
        QCOMPARE(refusal([&] { time.saveLines("002", "2008-5", {}, 1); }), QString::fromUtf16(kMonthChangedText));
        QCOMPARE(monthlyTotal(db, "002"), money("75"));

        QCOMPARE(ClosedMonths(db).close(QStringLiteral("2008-5"), QStringLiteral("t")), ClosedMonths::Outcome::Done);
        QCOMPARE(refusal([&] { time.saveLines("002", "2008-5", {}); }), QString::fromUtf16(kMonthClosedText));
        QCOMPARE(monthlyTotal(db, "002"), money("75"));

        // Clearing all time lines of an open month takes them out of the month.
        time.saveLines("001", "2008-6",
                       {{QDate(2008, 6, 1), QStringLiteral("培训"), QStringLiteral("小时"), money("1"), {}}});
        time.saveLines("001", "2008-6", {});
        QCOMPARE(
            db.scalar(QStringLiteral("SELECT count(*) FROM 员工工资 WHERE 工号 = '001' AND 月份 = '2008-6'")).toInt(),
            0);
    }
};

QTEST_GUILESS_MAIN(TestTimeWages)
#include "test_timewages.moc"
