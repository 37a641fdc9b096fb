#include "TestDb.h"
#include "data/Database.h"
#include "data/MonthlyTotals.h"
#include "data/PaySnapshot.h"
#include "data/Schema.h"
#include "data/Tables.h"
#include "entry/ClosedMonths.h"
#include "entry/WageSlip.h"
#include "lists/CodeList.h"
#include "stats/BankTransfer.h"
#include "stats/CashBreakdown.h"
#include "stats/ChartData.h"
#include "stats/WageStatistics.h"
#include "stats/WorkerYear.h"

#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

using namespace kv;
using Unit = NetPayRounding::Unit;
using Mode = NetPayRounding::Mode;

namespace {
const YearMonth kOctober{2026, 10};

// Four workers; 赵六 has no line in October. Amounts of three places, so that rounding works.
void seed(Database& db)
{
    for (const char* workshop : {"一车间", "二车间", "三车间"})
        db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES (?)"), {QString::fromUtf8(workshop)});
    const char* const staff[][7] = {
        {"001", "张三", "一车间", "裁剪", "工商银行", "6222021234567890128", ""},
        {"002", "李四", "二车间", "缝纫", "", "", "现金"},
        {"003", "吴十", "一车间", "缝纫", "农业银行", "6228481234567890", "银行"},
        {"004", "赵六", "二车间", "整烫", "", "", ""},
    };
    for (const auto& s : staff)
        db.exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名, 车间, 工种, 开户银行, 银行卡号, 发放方式) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?)"),
                {QString::fromUtf8(s[0]), QString::fromUtf8(s[1]), QString::fromUtf8(s[2]), QString::fromUtf8(s[3]),
                 QString::fromUtf8(s[4]), QString::fromUtf8(s[5]), QString::fromUtf8(s[6])});
    const char* const lines[][3] = {
        {"001", "2026-10-05", "1234.567"}, {"001", "2026-10-20", "800.125"}, {"002", "2026-10-05", "310.85"},
        {"003", "2026-10-06", "2987.333"}, {"001", "2026-11-03", "99.5"},    {"003", "2026-11-04", "120.07"},
        {"004", "2026-11-04", "55"},
    };
    for (const auto& l : lines)
        db.exec(QStringLiteral("INSERT INTO 工资流水 (工号, 日期, 产品, 金额) VALUES (?, ?, '外壳', ?)"),
                {QString::fromUtf8(l[0]), QString::fromUtf8(l[1]), QString::fromUtf8(l[2]).toDouble()});
    db.exec(QStringLiteral(
        "INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES ('003', '2026-10-28', '罚款', 12.345)"));
    db.exec(QStringLiteral(
        "INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES ('002', '2026-10-28', '餐费', 0.4)"));
    rebuildMonthlyTotals(db);
}

QString row(const EmployeeWage& w)
{
    return QStringList{QString::number(w.id),
                       w.number,
                       w.name,
                       w.workshop,
                       w.production.plainText(),
                       w.deductions.plainText(),
                       w.netPay().plainText(),
                       w.paid.plainText()}
        .join(u'|');
}

QList<EmployeeWage> statistics(Database& db, PeriodKind kind, const QString& period, QString* out)
{
    WageStatistics run(db);
    const QList<EmployeeWage> rows = orderByWorkshop(run.compute(kind, readPeriod(kind, period).range),
                                                     CodeList(db, CodeListKind::Workshop).names());
    *out += period + u' ' + run.rounding().text() + u'\n';
    for (const EmployeeWage& w : rows)
        *out += row(w) + u'\n';
    return rows;
}

// Everything the program shows of October from the data: the month's and a day's statistics
// grouped by workshop, the charts, each slip, the bank sheet and its file, the cash envelopes
// and October in the 年度汇总.
QString octoberAsShown(Database& db)
{
    QString out;
    const QList<EmployeeWage> month = statistics(db, PeriodKind::Month, QStringLiteral("2026-10"), &out);
    statistics(db, PeriodKind::Day, QStringLiteral("2026-10-5"), &out);
    const ChartData charts = chartData(db, PeriodKind::Month, readPeriod(PeriodKind::Month, "2026-10").range);
    for (const QList<NamedAmount>* list : {&charts.workshops, &charts.topEmployees})
        for (const NamedAmount& a : *list)
            out += a.name + u' ' + a.amount.plainText() + u'\n';
    out += charts.trend.last().month + u' ' + charts.trend.last().production.plainText() + u'\n';

    QList<PayDue> dues;
    QList<ShownPay> pays;
    QList<qint64> ids;
    WageSlips slips(db);
    for (const EmployeeWage& w : month) {
        dues.append({w.id, w.number, w.name, w.netPay()});
        pays.append({w.number, w.name, w.netPay()});
        ids << w.id;
        const std::optional<WageSlip> slip = slips.slipOf(w.id, kOctober);
        if (!slip) {
            out += QStringLiteral("no slip %1\n").arg(w.id);
            continue;
        }
        out += QStringList{slip->employee.number,
                           slip->employee.name,
                           slip->employee.workshopLine(),
                           slip->productionTotal.plainText(),
                           slip->deductionTotal.plainText(),
                           slip->paidNetPay().plainText(),
                           slip->rounding.text()}
                   .join(u'|') +
               u'\n';
        for (const LineTexts& line : slip->production + slip->deductions)
            out += line.join(u',') + u'\n';
    }

    const TransferSheet sheet = monthTransferSheet(db, dues, kOctober);
    for (const QList<Payment>* list : {&sheet.transfers, &sheet.cash})
        for (const Payment& p : *list)
            out +=
                QStringList{p.number, p.name, p.bank, p.card, p.netPay.plainText(), p.amount.plainText()}.join(u'|') +
                u'\n';
    out += (sheet.notPaid + sheet.withoutCard + sheet.gone).join(u',') + u'\n';
    out += QString::fromUtf8(transferCsv(sheet, QStringLiteral("十月工资")));

    const CashBreakdown cash = breakDownCash(pays, cashDenominations(db, kOctober), monthRounding(db, kOctober));
    out += denominationsText(cash.denominations) + u'\n';
    for (const CashEnvelope& e : cash.envelopes) {
        QStringList counts;
        for (const qint64 c : e.counts)
            counts << QString::number(c);
        out += e.name + u' ' + e.paid.plainText() + u' ' + counts.join(u',') + u'\n';
    }

    for (const WorkerYear& y : workerYears(db, 2026, ids)) {
        const WorkerMonth& m = y.months.at(9);
        out += QStringList{QString::number(y.id),    m.number,          m.name, m.production.plainText(),
                           m.deductions.plainText(), m.paid.plainText()}
                   .join(u'|') +
               u'\n';
    }
    return out;
}
} // namespace

class TestClosedMonthPay : public QObject {
    Q_OBJECT
private slots:
    // A closed month shows what it paid, whatever happens later to its workers' records and to
    // the settings of paying out; the open month beside it follows them. Reopened and closed
    // again, the month is paid as the data stand then.
    void aClosedMonthStaysAsItWasPaid()
    {
        TestApp app(QDate(2026, 11, 5));
        Database& db = app.db();
        seed(db);
        setNetPayRounding(db, {Unit::Jiao, Mode::HalfUp});
        setCashDenominations(db, "100 50 10 1 0.5");

        // Closing stores the month as the statistics showed it: the workers with lines.
        QString open;
        QStringList paidBefore;
        for (const EmployeeWage& w : statistics(db, PeriodKind::Month, "2026-10", &open))
            if (!w.production.isZero() || !w.deductions.isZero())
                paidBefore << row(w);
        QCOMPARE(ClosedMonths(db).close("2026-10", "2026-11-05 10:00:00"), ClosedMonths::Outcome::Done);
        const QString paid = octoberAsShown(db);
        QVERIFY2(paid.startsWith(QStringLiteral("2026-10 取整到角（四舍五入）\n") + paidBefore.join(u'\n') + u'\n'),
                 qPrintable(paid));
        QVERIFY(!paid.contains(QStringLiteral("赵六")) && !paid.contains(QStringLiteral("no slip")));
        QVERIFY(paid.contains(QStringLiteral("吴十|所在车间：一车间  工种：缝纫|2987.333|12.345|2975|取整到角")));

        // Renamed, moved, paid by another card, rounded and paid in notes otherwise, and 003
        // removed with his number given to somebody new: October is shown as it was paid.
        const QString news[] = {
            "UPDATE 员工 SET 姓名 = '张三丰' WHERE 工号 = '001'",
            "UPDATE 员工 SET 车间 = '三车间', 工种 = '包装' WHERE 工号 = '001'",
            "UPDATE 员工 SET 银行卡号 = '6212261234567891', 发放方式 = '现金' WHERE 工号 = '003'",
            "DELETE FROM 员工 WHERE 工号 = '003'",
            "INSERT INTO 员工 (工号, 姓名, 车间) VALUES ('003', '李雷', '二车间')",
        };
        for (const QString& change : news) {
            db.exec(change);
            QCOMPARE(octoberAsShown(db), paid);
        }
        setNetPayRounding(db, {Unit::Yuan, Mode::Drop});
        setCashDenominations(db, "20 5");
        QCOMPARE(octoberAsShown(*app.connect()), paid);

        // November is open: it reads the employees and the settings as they are now.
        QString november;
        statistics(db, PeriodKind::Month, "2026-11", &november);
        QVERIFY2(november.contains(QStringLiteral("|003|李雷|二车间|120.07|0|120.07|120\n")), qPrintable(november));
        QVERIFY(november.contains(QStringLiteral("|001|张三丰|三车间|99.5|0|99.5|99\n")));
        // A quarter with both: the closed month's pay goes to the worker it paid, by id, and 吴十,
        // no longer stored, keeps a row of his own, named as October paid him.
        QString quarter;
        const QList<EmployeeWage> q = statistics(db, PeriodKind::Quarter, "2026-4", &quarter);
        QCOMPARE(q.size(), 5);
        QVERIFY2(quarter.contains(QStringLiteral("|003|吴十|一车间|2987.333|12.345|2974.988|2975\n")),
                 qPrintable(quarter));
        QVERIFY(quarter.contains(QStringLiteral("|001|张三丰|三车间|2134.192|0|2134.192|2133.7\n")));
        QCOMPARE(quarter.section(u'\n', 0, 0), QStringLiteral("2026-4 按各月的取整设置"));

        // Reopened, October is read live again (李雷 now holds 003's lines); closed again, the
        // new snapshot pays it as the data and settings stand.
        QCOMPARE(ClosedMonths(db).reopen("2026-10", "admin123"), ClosedMonths::Outcome::Done);
        QCOMPARE(db.scalar("SELECT count(*) FROM 月结明细").toInt(), 0);
        QCOMPARE(ClosedMonths(db).close("2026-10", "2026-11-06 09:00:00"), ClosedMonths::Outcome::Done);
        const QString again = octoberAsShown(db);
        QVERIFY(again != paid);
        QVERIFY2(again.contains(QStringLiteral("|003|李雷|二车间|2987.333|12.345|2974.988|2974\n")), qPrintable(again));
        QVERIFY(!again.contains(QStringLiteral("吴十")));
        QVERIFY(again.startsWith(QStringLiteral("2026-10 取整到元（舍去）\n")));
        QCOMPARE(denominationsText(cashDenominations(db, kOctober)), QStringLiteral("20 5"));
        db.exec("UPDATE 员工 SET 姓名 = '韩梅梅' WHERE 工号 = '003'");
        QCOMPARE(octoberAsShown(db), again);
    }

    // A file whose months were closed before closing kept what they paid gets the snapshot
    // when it is upgraded, from its data and settings as they stand.
    void monthsClosedBeforeGetTheirSnapshotOnUpgrade()
    {
        QTemporaryDir dir;
        Database old(dir.filePath(QStringLiteral("old.mdb")), QStringLiteral("k"), true);
        // The data as the version before the one that keeps what closed months paid left them.
        int snapshotSince = 0;
        for (const TableDef& def : schemaTables())
            if (QString::fromUtf16(def.name) == QStringLiteral("月结明细"))
                snapshotSince = def.since;
        const SchemaSteps steps = programSchema();
        const auto first = std::find_if(steps.begin(), steps.end(),
                                        [&](const SchemaStep& step) { return step.version == snapshotSince; });
        createSchema(old, steps.first(std::size_t(first - steps.begin())));
        seed(old);
        old.exec("INSERT INTO kelvaro_meta (key, value) VALUES ('net_pay_rounding', 'yuan half-up')");
        old.exec("INSERT INTO 月结 (月份, 结账时间, 账号) VALUES ('2026-10', '2026-11-01 08:00:00', 'admin')");
        upgradeSchema(old);
        QCOMPARE(storedVersion(old), latestVersion());
        const std::optional<PaidMonth> october = paidMonth(old, kOctober);
        QVERIFY(october && october->rounding == (NetPayRounding{Unit::Yuan, Mode::HalfUp}));
        QStringList workers;
        for (const PaidWorker& w : october->workers)
            workers << w.number + w.name + u' ' + w.netPay().plainText() + u' ' + w.paid.plainText();
        QCOMPARE(workers.join(u','), QStringLiteral("001张三 2034.692 2035,002李四 310.45 310,003吴十 2974.988 2975"));
        QVERIFY(!paidMonth(old, {2026, 11}));
    }
};

QTEST_GUILESS_MAIN(TestClosedMonthPay)
#include "test_closedmonthpay.moc"
