#include "TestDb.h"
#include "data/Database.h"
#include "data/NetPayRounding.h"
#include "data/OperationLog.h"
#include "entry/MonthRecords.h"
#include "entry/WageSlip.h"
#include "lists/AdminAccounts.h"

#include <QRandomGenerator>
#include <QTest>

using namespace kv;
using kv::testing::money;
using Unit = NetPayRounding::Unit;
using Mode = NetPayRounding::Mode;

namespace {
// The model: the amount's digits as a text, cut at the unit's place, the last kept digit raised
// when the first one dropped is 5 or more (四舍五入), the sign put back afterwards.
QString modelRounding(Decimal value, int keptPlaces, Mode mode)
{
    const bool negative = value.isNegative();
    QString digits = QString::number(negative ? -value.units() : value.units()).rightJustified(7, u'0');
    const int dropped = Decimal::kPlaces - keptPlaces;
    const QString kept = digits.left(digits.size() - dropped);
    const bool up = mode == Mode::HalfUp && digits.at(digits.size() - dropped).digitValue() >= 5;
    qint64 result = kept.toLongLong() + (up ? 1 : 0);
    for (int i = 0; i < dropped; ++i)
        result *= 10;
    return Decimal::fromUnits(negative ? -result : result).plainText();
}
} // namespace

class TestNetPayRounding : public QObject {
    Q_OBJECT
private slots:
    // Rounding over random net pays, negative ones included, matches the digit model, and the
    // rounded pays of a sheet add up to the exact pays plus the differences, to the cent.
    void roundingMatchesTheModelAndAddsUp()
    {
        const auto rounded = [](Unit unit, Mode mode, const char* net) { return NetPayRounding{unit, mode}.apply(money(net)); };
        QCOMPARE(rounded(Unit::Jiao, Mode::HalfUp, "-12.35"), money("-12.4"));
        QCOMPARE(rounded(Unit::Jiao, Mode::Drop, "-12.35"), money("-12.3"));
        QCOMPARE(rounded(Unit::Yuan, Mode::HalfUp, "-0.5"), money("-1"));
        QCOMPARE(rounded(Unit::Yuan, Mode::HalfUp, "-0.499999"), money("0"));
        QCOMPARE(rounded(Unit::Fen, Mode::HalfUp, "0.004999"), money("0"));
        QCOMPARE(rounded(Unit::Fen, Mode::HalfUp, "1234.565"), money("1234.57"));
        QCOMPARE(rounded(Unit::Yuan, Mode::Drop, "99.99") - money("99.99"), money("-0.99"));
        QCOMPARE(rounded(Unit::None, Mode::HalfUp, "-1.234567"), money("-1.234567"));

        QRandomGenerator random(27);
        const std::pair<Unit, int> units[] = {{Unit::Fen, 2}, {Unit::Jiao, 1}, {Unit::Yuan, 0}};
        for (const auto& [unit, places] : units) {
            for (const Mode mode : {Mode::HalfUp, Mode::Drop}) {
                const NetPayRounding rounding{unit, mode};
                Decimal exact;
                Decimal paid;
                Decimal differences;
                for (int i = 0; i < 2000; ++i) {
                    // Up to a million yuan either way, with up to six places.
                    const Decimal net = Decimal::fromUnits(qint64(random.bounded(2'000'000'000'000.0)) - 1'000'000'000'000);
                    const Decimal paidOut = rounding.apply(net);
                    QCOMPARE(paidOut.plainText(), modelRounding(net, places, mode));
                    QVERIFY(paidOut.places() <= places);
                    exact += net;
                    paid += paidOut;
                    differences += rounding.difference(net);
                }
                QCOMPARE(paid, exact + differences);
            }
        }
    }

    // The setting travels with the data: every clerk's slips round alike; it needs the right to
    // close months and is logged; an unknown stored value pays the exact figures.
    void theSettingIsKeptWithTheDataAndReachesTheSlips()
    {
        TestApp app;
        Database& db = app.db();
        QVERIFY(netPayRounding(db).isNone());
        setNetPayRounding(db, {Unit::Jiao, Mode::Drop});
        const NetPayRounding jiaoDropped{Unit::Jiao, Mode::Drop};
        QVERIFY(netPayRounding(*app.connect()) == jiaoDropped);
        int logged = 0;
        for (const LogEntry& e : OperationLog(db).entries())
            logged += e.action == QStringLiteral("实发工资取整") && e.target == QStringLiteral("不取整 → 取整到角（舍去）");
        QCOMPARE(logged, 1);

        db.exec("INSERT INTO 员工 (工号, 姓名) VALUES ('001', '张三')");
        MonthRecords(db).saveMonth(readMonthSheet(
            {"2008-5", "001", "张三", {{"2008-5-3", "外壳", "个", "3", "", "", "1.2345", ""}}, {{"2008-5-4", "罚款", "10"}}}));
        WageSlips slips(db);
        const WageSlip slip = slips.slip(*EmployeeFinder(db).byNumber(QStringLiteral("001")), {2008, 5});
        QCOMPARE(slip.netPay(), money("-6.2965"));
        QCOMPARE(slip.paidNetPay(), money("-6.2"));
        // Stored figures stay exact.
        QCOMPARE(db.scalar("SELECT 实发工资 FROM 员工工资").toDouble(), -6.2965);

        AdminAccounts accounts(db);
        accounts.add("clerk", "c1");
        accounts.change(db.scalar("SELECT id FROM 管理员 WHERE 账号 = 'clerk'").toLongLong(),
                        AccountChange{"clerk", {}, {}, Right::WageEntry | Right::MasterData});
        app.logInAs("clerk");
        // Keeping master data is not enough: the rounding decides what is paid out.
        QVERIFY_THROWS_EXCEPTION(InputError, setNetPayRounding(db, {}));
        QVERIFY(netPayRounding(db) == jiaoDropped);

        db.exec("UPDATE kelvaro_meta SET value = 'hao half-up' WHERE key = 'net_pay_rounding'");
        QVERIFY(netPayRounding(db).isNone());
    }
};

QTEST_GUILESS_MAIN(TestNetPayRounding)
#include "test_netpayrounding.moc"
