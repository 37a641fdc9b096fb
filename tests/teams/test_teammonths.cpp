#include "TestDb.h"
#include "data/Database.h"
#include "entry/ClosedMonths.h"
#include "entry/MonthRecords.h"
#include "stats/WageStatistics.h"
#include "stats/WorkerYear.h"
#include "teams/TeamMonths.h"
#include "teams/Teams.h"

#include <QRandomGenerator>
#include <QTest>

using namespace kv;
using kv::testing::money;

namespace {
const YearMonth kMay{2008, 5};

void addEmployee(Database& db, const QString& no, const QString& name)
{
    db.exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名, 车间, 工种) VALUES (?, ?, '压烫车间', '压烫')"), {no, name});
}

qint64 addTeam(Database& db, const QString& name = QStringLiteral("压烫组"))
{
    return Teams(db).save({0, QStringLiteral("B01"), name, QStringLiteral("压烫车间"), SplitRule::DaysByRate, {}});
}

// The hand-worked team of three: 1,250 pieces at 6.8321 (8,540.13) by 26, 24.5 and 20 days at
// 180, 200 and 160 a day.
TeamMonthSheet handSheet(qint64 teamId)
{
    TeamMonthSheet s;
    s.teamId = teamId;
    s.monthText = QStringLiteral("2008-5");
    s.lines = {{QDate(2008, 5, 6), QStringLiteral("C1"), QStringLiteral("衬衫压烫"), QStringLiteral("件"),
                money("1000"), money("6.8321")},
               {QDate(2008, 5, 20), QStringLiteral("C1"), QStringLiteral("衬衫压烫"), QStringLiteral("件"),
                money("250"), money("6.8321")}};
    s.members = {{"001", {}, money("26"), money("180"), {}},
                 {"002", {}, money("24.5"), money("200"), {}},
                 {"003", {}, money("20"), money("160"), {}}};
    return s;
}

Decimal stored(Database& db, const QString& sql, const QVariantList& values = {})
{
    Statement st = db.prepare(sql);
    st.bindAll(values);
    return st.next() ? st.decimal(0) : Decimal();
}

Decimal summaryProduction(Database& db, const QString& no)
{
    return stored(db, QStringLiteral("SELECT 生产金额 FROM 员工工资 WHERE 工号 = ? AND 月份 = '2008-5'"), {no});
}

Decimal monthlyTotal(Database& db, const QString& no)
{
    return stored(db, QStringLiteral("SELECT 生产金额 FROM 月度合计 WHERE 工号 = ? AND 月份 = '2008-05'"), {no});
}

Decimal shareLine(Database& db, const QString& no)
{
    return stored(db, QStringLiteral("SELECT decimal_sum(金额) FROM 工资流水 WHERE 工号 = ? AND 来源 = '集体'"), {no});
}

bool refusedWith(const std::function<void()>& change, const QString& text)
{
    try {
        change();
    } catch (const InputError& e) {
        if (e.message() == text)
            return true;
        qWarning() << "refused with" << e.message();
        return false;
    }
    return false;
}

int sourcedRow(const MonthTexts& sheet)
{
    for (int i = 0; i < sheet.production.size(); ++i)
        if (!sheet.production.at(i).value(PSource).isEmpty())
            return i;
    return -1;
}

// A member's own sheet as the entry window loads it and hands it back to the save.
MonthTexts ownSheet(MonthRecords& records, const QString& no, const QString& name)
{
    return {QStringLiteral("2008-5"),
            no,
            name,
            records.loadProduction(no, kMay),
            records.loadDeductions(no, kMay),
            records.version(no, QStringLiteral("2008-5"))};
}
} // namespace

class TestTeamMonths : public QObject {
    Q_OBJECT
private slots:
    // The shares are lines of each member's month: in his summary and monthly totals beside his
    // own lines; his own sheet keeps them through a save of his lines, and refuses to change or
    // drop them.
    void sharesAreLinesOfTheMembersMonths()
    {
        TestApp app;
        Database& db = app.db();
        for (const auto& [no, name] : {std::pair("001", "张三"), {"002", "李四"}, {"003", "王五"}})
            addEmployee(db, no, name);
        MonthRecords records(db);
        records.saveMonth(readMonthSheet({QStringLiteral("2008-5"),
                                          "002",
                                          "李四",
                                          {{"2008-5-3", "外壳", "个", "10", "", "", "1.5"}},
                                          {{"2008-5-4", "罚款", "20"}}}));
        const MonthTexts loadedBefore = ownSheet(records, "002", "李四");

        TeamMonths months(db);
        const qint64 version = months.save(handSheet(addTeam(db)));
        QCOMPARE(version, 1);
        QCOMPARE(shareLine(db, "001"), money("3127.37"));
        QCOMPARE(shareLine(db, "002"), money("3274.39"));
        QCOMPARE(shareLine(db, "003"), money("2138.37"));
        QCOMPARE(summaryProduction(db, "002"), money("3289.39"));
        QCOMPARE(monthlyTotal(db, "002"), money("3289.39"));
        QCOMPARE(stored(db, QStringLiteral("SELECT 实发工资 FROM 员工工资 WHERE 工号 = '002'")), money("3269.39"));
        QCOMPARE(summaryProduction(db, "001") + summaryProduction(db, "002") + summaryProduction(db, "003"),
                 money("8540.13") + money("15"));
        // A member who had no month before gets his summary under his name.
        QCOMPARE(storedRow(db, "SELECT 姓名 FROM 员工工资 WHERE 工号 = '003'"), QStringLiteral("王五"));
        QCOMPARE(storedRow(db, "SELECT 产品, 数量, 工价, 金额 FROM 工资流水 WHERE 工号 = '002' AND 来源 = '集体'"),
                 QStringLiteral("集体计件 压烫组|1|3274.39|3274.39"));
        // The month's statistics, read from the journals or from the monthly totals, and the
        // worker's year give the same figures.
        const DateRange may = dateRange(QDate(2008, 5, 1), QDate(2008, 5, 31));
        for (const QList<EmployeeWage>& run :
             {WageStatistics(db).fromJournals(may), WageStatistics(db).compute(PeriodKind::Month, may)}) {
            QCOMPARE(run.size(), 3);
            QCOMPARE(run.at(1).production, money("3289.39"));
            QCOMPARE(run.at(1).netPay(), money("3269.39"));
            QCOMPARE(run.at(2).production, money("2138.37"));
        }
        const QList<WorkerYear> years = workerYears(db, 2008, {WageStatistics(db).fromJournals(may).at(1).id});
        QCOMPARE(years.at(0).months.at(4).production, money("3289.39"));

        // The sheet loaded before the team's save is another version now.
        QVERIFY(refusedWith([&] { records.saveMonth(readMonthSheet(loadedBefore)); },
                            QString::fromUtf16(kMonthChangedText)));

        // Saved again with a line of his own added: the share stays, once.
        MonthTexts again = ownSheet(records, "002", "李四");
        QCOMPARE(again.production.at(sourcedRow(again)).at(PSource), QStringLiteral("集体"));
        again.production.append({"2008-5-9", "外壳", "个", "2", "", "", "1.5"});
        records.saveMonth(readMonthSheet(again));
        QCOMPARE(shareLine(db, "002"), money("3274.39"));
        QCOMPARE(summaryProduction(db, "002"), money("3292.39"));
        QCOMPARE(monthlyTotal(db, "002"), money("3292.39"));

        // Changing the share's figure, or dropping its line, on his sheet is refused; nothing changes.
        MonthTexts changed = ownSheet(records, "002", "李四");
        changed.production[sourcedRow(changed)][PPrice] = QStringLiteral("5000");
        QVERIFY(refusedWith([&] { records.saveMonth(readMonthSheet(changed)); }, QString::fromUtf16(kSourcedLineText)));
        MonthTexts dropped = ownSheet(records, "002", "李四");
        dropped.production.removeAt(sourcedRow(dropped));
        QVERIFY(refusedWith([&] { records.saveMonth(readMonthSheet(dropped)); }, QString::fromUtf16(kSourcedLineText)));
        // A typed line that claims to be a share is no way in either.
        MonthTexts forged = ownSheet(records, "001", "张三");
        forged.production.append({"2008-5-9", "外壳", "个", "2", "", "", "1.5", "", "", "", "集体"});
        QVERIFY(refusedWith([&] { records.saveMonth(readMonthSheet(forged)); }, QString::fromUtf16(kSourcedLineText)));
        QVERIFY(records.repriceMonth("002", "2008-5") == 0);
        QVERIFY_THROWS_EXCEPTION(InputError, records.deleteMonth("002", "2008-5"));
        QCOMPARE(summaryProduction(db, "002"), money("3292.39"));
        QCOMPARE(records.loadProduction("002", kMay).size(), 3);
    }

    // Saving the month again with a member taken out takes his share out of his month and spreads
    // the pay over the others; a stale version and a closed month are refused, and a closed month
    // keeps its shares when the team's members change afterwards.
    void savingAgainMovesSharesAndClosedMonthsKeepThem()
    {
        TestApp app;
        Database& db = app.db();
        for (const auto& [no, name] : {std::pair("001", "张三"), {"002", "李四"}, {"003", "王五"}})
            addEmployee(db, no, name);
        const qint64 team = addTeam(db);
        TeamMonths months(db);
        months.save(handSheet(team));

        TeamMonthSheet two = handSheet(team);
        two.members.removeLast();
        two.loadedVersion = 1;
        QCOMPARE(months.save(two), 2);
        QCOMPARE(shareLine(db, "003"), money("0"));
        QCOMPARE(stored(db, QStringLiteral("SELECT count(*) FROM 员工工资 WHERE 工号 = '003'")), money("0"));
        QCOMPARE(stored(db, QStringLiteral("SELECT count(*) FROM 月度合计 WHERE 工号 = '003'")), money("0"));
        QCOMPARE(shareLine(db, "001") + shareLine(db, "002"), money("8540.13"));
        const TeamMonth loaded = months.load(team, kMay);
        QCOMPARE(loaded.members.size(), 2);
        QCOMPARE(loaded.lines.size(), 2);
        QCOMPARE(loaded.shares.at(0) + loaded.shares.at(1), money("8540.13"));
        QCOMPARE(loaded.members.at(1).name, QStringLiteral("李四"));

        two.loadedVersion = 1; // another clerk's save came between
        QVERIFY(refusedWith([&] { months.save(two); },
                            QStringLiteral("该班组本月数据已被其他用户修改，请重新载入后再保存。")));

        QCOMPARE(ClosedMonths(db).close(QStringLiteral("2008-5"), QStringLiteral("t")), ClosedMonths::Outcome::Done);
        TeamMonthSheet three = handSheet(team);
        QVERIFY(refusedWith([&] { months.save(three); }, QString::fromUtf16(kMonthClosedText)));
        QVERIFY(
            refusedWith([&] { months.remove(team, QStringLiteral("2008-5")); }, QString::fromUtf16(kMonthClosedText)));
        Teams(db).setMembers(team, {{"003", {}, money("150"), {}, QDate(2008, 1, 1)}});
        QCOMPARE(shareLine(db, "001") + shareLine(db, "002"), money("8540.13"));
        QCOMPARE(months.load(team, kMay).members.size(), 2);
    }

    // A save that fails inside the database leaves the team month and every member's month as
    // they were; so does a member who is no employee, found before anything is written.
    void aFailedSaveChangesNothing()
    {
        TestApp app;
        Database& db = app.db();
        for (const auto& [no, name] : {std::pair("001", "张三"), {"002", "李四"}, {"003", "王五"}})
            addEmployee(db, no, name);
        const qint64 team = addTeam(db);
        TeamMonths months(db);
        TeamMonthSheet first = handSheet(team);
        first.members.removeLast();
        months.save(first);
        const Decimal before1 = summaryProduction(db, "001");

        failInserts(db, "abort_third_share", "工资流水", "disk full", "NEW.来源 = '集体' AND NEW.工号 = '003'");
        TeamMonthSheet all = handSheet(team);
        all.loadedVersion = 1;
        QVERIFY_THROWS_EXCEPTION(DbError, months.save(all));
        liftFailure(db, "abort_third_share", "工资流水");
        QCOMPARE(summaryProduction(db, "001"), before1);
        QCOMPARE(months.load(team, kMay).version, 1);
        QCOMPARE(months.load(team, kMay).members.size(), 2);
        QCOMPARE(stored(db, QStringLiteral("SELECT count(*) FROM 工资流水 WHERE 工号 = '003'")), money("0"));

        all.members.append({"999", {}, money("1"), money("1"), {}});
        QVERIFY(refusedWith([&] { months.save(all); }, QStringLiteral("没有工号为 999 的员工。")));
        all.members.removeLast();
        all.lines.first().date = QDate(2008, 6, 1);
        QVERIFY_THROWS_EXCEPTION(InputError, months.save(all));
        QCOMPARE(months.load(team, kMay).version, 1);

        // Removing the month takes the shares out of both members' months.
        months.remove(team, QStringLiteral("2008-5"), 1);
        QCOMPARE(stored(db, QStringLiteral("SELECT count(*) FROM 工资流水")), money("0"));
        QCOMPARE(stored(db, QStringLiteral("SELECT count(*) FROM 员工工资")), money("0"));
        QCOMPARE(months.load(team, kMay).id, 0);
    }

    // Random teams stored through the database: the members' shares as their months hold them add
    // up to the team's total to the 分, each within one 分 of total × weight ÷ Σ weight.
    void storedRandomSplitsAddUp()
    {
        TestApp app;
        Database& db = app.db();
        for (int i = 1; i <= 40; ++i)
            addEmployee(db, QString::number(i), QStringLiteral("工%1").arg(i));
        const qint64 team = addTeam(db);
        TeamMonths months(db);
        QRandomGenerator rng(42);
        std::optional<qint64> version;
        for (int run = 0; run < 12; ++run) {
            TeamMonthSheet s;
            s.teamId = team;
            s.monthText = QStringLiteral("2008-5");
            s.loadedVersion = version.value_or(0);
            s.lines = {{QDate(2008, 5, 1 + int(rng.bounded(31))),
                        {},
                        QStringLiteral("装配"),
                        QStringLiteral("件"),
                        Decimal::fromUnits(qint64(1 + rng.bounded(500000)) * 10'000),
                        Decimal::fromUnits(qint64(1 + rng.bounded(99999)) * 100)}};
            const int n = 1 + int(rng.bounded(40));
            for (int i = 1; i <= n; ++i)
                s.members.append({QString::number(i),
                                  {},
                                  Decimal::fromUnits(qint64(1 + rng.bounded(3100)) * 10'000),
                                  Decimal::fromUnits(qint64(8000 + rng.bounded(40000)) * 10'000),
                                  {}});
            version = months.save(s);
            const Decimal total = roundToFen(s.lines.first().amount());
            Decimal sum;
            Decimal weightSum;
            for (const TeamAttendance& m : s.members)
                weightSum += m.days * m.dayRate;
            for (const TeamAttendance& m : s.members) {
                const Decimal share = monthlyTotal(db, m.employeeNo);
                QCOMPARE(share, summaryProduction(db, m.employeeNo));
                sum += share;
                const __int128 paid = __int128(share.units()) * weightSum.units();
                const __int128 exact = __int128(total.units()) * (m.days * m.dayRate).units();
                const __int128 gap = paid > exact ? paid - exact : exact - paid;
                QVERIFY(gap < __int128(weightSum.units()) * 10'000);
            }
            QCOMPARE(sum, total);
            QCOMPARE(stored(db, QStringLiteral("SELECT decimal_sum(生产金额) FROM 月度合计")), total);
        }
    }
};

QTEST_GUILESS_MAIN(TestTeamMonths)
#include "test_teammonths.moc"
