#include "TestDb.h"
#include "data/Accounts.h"
#include "data/MonthlyTotals.h"
#include "data/OperationLog.h"
#include "data/Passwords.h"
#include "data/PgEngine.h"
#include "data/ServerSetup.h"
#include "entry/ClosedMonths.h"
#include "entry/MonthRecords.h"
#include "lists/AdminAccounts.h"
#include "maintenance/Backup.h"

#include <QDateTime>
#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <functional>

using namespace kv;

namespace {
MonthTexts month(const char* monthText, const char* day, const char* amount)
{
    return {monthText, "001", "张三", {{day, "外壳", "个", "1", amount, "", amount, ""}}, {}};
}

int count(Database& db, const QString& sql, const QVariantList& values = {})
{
    return db.scalar(sql, values).toInt();
}

// Login roles made by a test, and the roles a setup made for its schema, dropped at the end,
// after the test's schema.
class ServerRoles {
public:
    ~ServerRoles()
    {
        if (m_roles.isEmpty())
            return;
        try {
            auto db = Database::openServer(qEnvironmentVariable("KV_TEST_PG"));
            db->execScript(QStringLiteral("DROP OWNED BY %1 CASCADE; DROP ROLE %1").arg(m_roles.join(u',')));
        } catch (const DbError& e) {
            qWarning("roles %s left on the server: %s", qPrintable(m_roles.join(u',')), qPrintable(e.message()));
        }
    }
    void add(const QString& role) { m_roles.prepend(role); }

private:
    QStringList m_roles;
};

// Sets the test's server up for clerks and makes a login role in the clerk role; returns its
// connection.
QString setUpWithClerk(TestApp& app, ServerRoles& roles, const QString& login)
{
    const ServerSetup setup = setUpServer(app.ctx().server(), [] { return QStringLiteral("admin123"); });
    roles.add(setup.ownerRole);
    roles.add(setup.clerkRole);
    app.db().execScript(QStringLiteral("CREATE ROLE %1 LOGIN; GRANT %2 TO %1").arg(login, setup.clerkRole));
    roles.add(login);
    return app.ctx().server() + QStringLiteral(" user=") + login;
}

// A statement that the server refuses the clerk's role outright, whatever the program would do.
void expectDenied(Database& db, const QString& sql, const QVariantList& values = {})
{
    try {
        db.exec(sql, values);
        QFAIL(qPrintable("not refused by the server: " + sql));
    } catch (const DbError& e) {
        QVERIFY2(e.cause() == Cause::PermissionDenied, qPrintable(e.message()));
        QVERIFY2(e.userText().contains(QStringLiteral("没有这项权限")), qPrintable(e.userText()));
    }
}

// A change the server's own function or trigger refuses, read as the program's refusal.
void expectRefused(const std::function<void()>& change, const QString& says)
{
    try {
        change();
        QFAIL(qPrintable("not refused: " + says));
    } catch (const InputError& e) {
        QVERIFY2(e.message() == says, qPrintable(e.message()));
    }
}

// Every row of every table of the test's schema as the owner reads it, table by table.
QStringList everyRow(Database& owner)
{
    QStringList rows;
    for (const QString& table : owner.tables()) {
        Statement st = owner.prepare(QStringLiteral("SELECT t::text FROM %1 t ORDER BY 1").arg(table));
        while (st.next())
            rows << table + u' ' + st.text(0);
    }
    return rows;
}

// A statement the server must refuse in some way: refused by a right, a check, a trigger or a
// function that does not exist for the clerk.
void expectAnyRefusal(Database& db, const QString& sql, const QVariantList& values = {})
{
    try {
        db.scalar(sql, values);
    } catch (const Error&) {
        return;
    }
    QFAIL(qPrintable("not refused by the server: " + sql));
}
} // namespace

class TestServerRoles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!TestApp::onServer())
            QSKIP("roles are the server's");
    }

    // A clerk's role works through the program as before, and whatever it tries around the
    // program with plain SQL on the log, the accounts and closed months the server itself
    // refuses, leaving the data as they were.
    void aClerkWorksThroughTheProgramAndIsRefusedAroundIt()
    {
        ServerRoles roles;
        TestApp app;
        Database& owner = app.db();
        AdminAccounts(owner).add("clerk", "c1", newAccountRights() | Right::CloseMonths);
        owner.exec("INSERT INTO 员工 (工号, 姓名) VALUES ('001', '张三')");
        MonthRecords(owner).saveMonth(readMonthSheet(month("2008-4", "2008-4-2", "15")));
        QCOMPARE(ClosedMonths(owner).close("2008-4", "t"), ClosedMonths::Outcome::Done);

        const QString login = QStringLiteral("%1_c1").arg(serverSchema(app.ctx().server()));
        auto clerk = Database::openServer(setUpWithClerk(app, roles, login));
        QVERIFY(throughServerFunctions(*clerk));
        QVERIFY(!throughServerFunctions(owner));
        const auto session = logIn(*clerk, "clerk", "c1");
        QVERIFY(session);
        clerk->setSession(*session);

        // Within the program: an open month saved, logged; the closed one refused by the program.
        MonthRecords(*clerk).saveMonth(readMonthSheet(month("2008-5", "2008-5-3", "20")));
        QCOMPARE(count(*clerk, "SELECT count(*) FROM 工资流水 WHERE 日期 >= '2008-05-01'"), 1);
        expectRefused([&] { MonthRecords(*clerk).saveMonth(readMonthSheet(month("2008-4", "2008-4-2", "99"))); },
                      QString::fromUtf16(kMonthClosedText));

        const int logged = count(*clerk, "SELECT count(*) FROM 操作日志");
        const QString adminHash = owner.scalar("SELECT 密码 FROM 管理员 WHERE id = 1").toString();
        // Around it: the log only grows, the accounts and closed months stay.
        expectDenied(*clerk, "DELETE FROM 操作日志");
        expectDenied(*clerk, "UPDATE 操作日志 SET 内容 = ?", {"x"});
        expectDenied(*clerk, "UPDATE 管理员 SET 密码 = ? WHERE id = 1", {hashPassword("mine")});
        expectDenied(*clerk, "INSERT INTO 管理员 (账号, 密码) VALUES (?, ?)", {"mine", hashPassword("mine")});
        expectDenied(*clerk, "DELETE FROM 月结");
        expectDenied(*clerk, "UPDATE 月结 SET 月份 = '2008-3'");
        expectDenied(*clerk, "UPDATE 月度合计 SET 生产金额 = 0 WHERE 月份 = '2008-04'");
        // What the closed month paid: neither rewritten nor removed, nor added to.
        expectDenied(*clerk, "UPDATE 月结明细 SET 取整后实发 = 0");
        expectDenied(*clerk, "DELETE FROM 月结明细");
        expectRefused(
            [&] {
                clerk->exec(
                    "INSERT INTO 月结明细 (月份, 员工ID, 工号, 姓名, 生产金额) VALUES ('2008-4', 9, '009', '某', 1)");
            },
            QString::fromUtf16(kMonthClosedText));
        QCOMPARE(count(owner, "SELECT count(*) FROM 月结明细 WHERE 月份 = '2008-4' AND 工号 = '001' AND 生产金额 = 15"),
                 1);
        QCOMPARE(count(owner, "SELECT count(*) FROM 月结明细"), 1);
        // Lines and sums of the closed month, by every way in, and a line moved into it.
        const QString closed = QString::fromUtf16(kMonthClosedText);
        for (
            const char* sql :
            {"INSERT INTO 工资流水 (工号, 日期, 产品, 数量, 工价, 金额) VALUES ('001', '2008-04-09', '外壳', 1, 9, 9)",
             "UPDATE 工资流水 SET 金额 = 0 WHERE 日期 < '2008-05-01'", "DELETE FROM 工资流水 WHERE 日期 < '2008-05-01'",
             "UPDATE 工资流水 SET 日期 = '2008-04-30' WHERE 日期 >= '2008-05-01'",
             "DELETE FROM 员工工资 WHERE 月份 = '2008-4'",
             "INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES ('001', '2008-04-09', '罚款', 5)",
             "INSERT INTO 班组月 (班组id, 月份, 分配方式) VALUES (1, '2008-4', '天数')",
             "INSERT INTO 班组产量 (班组月id, 日期, 产品, 数量, 工价, 金额) VALUES (1, '2008-04-09', '压烫', 1, 1, 1)"})
            expectRefused([&] { clerk->exec(QString::fromUtf8(sql)); }, closed);
        // The server's functions without the password's proof: the clerk's own proof does not
        // reach the super administrator, a made-up one reaches nobody.
        const QString check = makePasswordCheck("mine");
        expectRefused(
            [&] {
                clerk->scalar("SELECT kelvaro_account_write(?, ?, 1, NULL, ?, ?, NULL, false)",
                              {session->accountId(), session->passwordProof(), hashPassword("mine"), check});
            },
            "只有超级管理员才能修改超级管理员！");
        expectRefused(
            [&] {
                clerk->scalar(
                    "SELECT kelvaro_account_write(1, ?, 1, NULL, ?, ?, NULL, false)",
                    {QString::fromLatin1(QByteArray::fromBase64(adminHash.section(u'$', -1).toLatin1()).toHex()),
                     hashPassword("mine"), check});
            },
            "账号密码核对不上，没有做任何修改。请重新登录后再试。");
        expectRefused([&] { clerk->scalar("SELECT kelvaro_reopen_month(?, '2008-4')", {session->passwordProof()}); },
                      "超级管理员密码不正确！");
        QCOMPARE(count(owner, "SELECT count(*) FROM 操作日志"), logged);
        QCOMPARE(owner.scalar("SELECT 密码 FROM 管理员 WHERE id = 1").toString(), adminHash);
        QVERIFY(ClosedMonths(owner).isClosed("2008-4"));
        QCOMPARE(count(owner, "SELECT count(*) FROM 工资流水 WHERE 日期 < '2008-05-01' AND 金额 = 15"), 1);
        QCOMPARE(count(owner, "SELECT count(*) FROM 月度合计 WHERE 月份 = '2008-04' AND 生产金额 = 15"), 1);

        // The program's own ways still work for the clerk: its own password with the old one,
        // closing a month it may close; the super administrator's at a clerk's seat: accounts and
        // reopening.
        const qint64 clerkId = session->accountId();
        expectRefused(
            [&] {
                AdminAccounts(*clerk).change(clerkId, AccountChange{"clerk", "c2", "wrong", {}});
            },
            "原密码不正确！");
        QCOMPARE(AdminAccounts(*clerk).change(clerkId, AccountChange{"clerk", "c2", "c1", {}}), ListChange::Done);
        QVERIFY(logIn(*clerk, "clerk", "c2"));
        QVERIFY(!logIn(*clerk, "clerk", "c1"));
        QCOMPARE(ClosedMonths(*clerk).close("2008-5", "t"), ClosedMonths::Outcome::Done);
        expectRefused([&] { MonthRecords(*clerk).deleteMonth("001", "2008-5"); }, closed);

        clerk->setSession(*logIn(*clerk, "admin", "admin123"));
        QCOMPARE(ClosedMonths(*clerk).reopen("2008-4", "wrong"), ClosedMonths::Outcome::WrongPassword);
        QCOMPARE(ClosedMonths(*clerk).reopen("2008-4", "admin123"), ClosedMonths::Outcome::Done);
        // Reopened through the server's function, the month's snapshot goes; the clerk's close of
        // 2008-5 took its own.
        QCOMPARE(count(owner, "SELECT count(*) FROM 月结明细 WHERE 月份 = '2008-4'"), 0);
        QCOMPARE(count(owner, "SELECT count(*) FROM 月结明细 WHERE 月份 = '2008-5' AND 生产金额 = 20"), 1);
        MonthRecords(*clerk).deleteMonth("001", "2008-4");
        AdminAccounts admin(*clerk);
        QCOMPARE(admin.add("helper", "h", Rights(Right::WageEntry)), ListChange::Done);
        const qint64 helper = owner.scalar("SELECT id FROM 管理员 WHERE 账号 = 'helper'").toLongLong();
        QCOMPARE(admin.rights(helper), std::optional<Rights>(Right::WageEntry));
        QCOMPARE(admin.change(helper, AccountChange{"helper2", "h2", {}, newAccountRights()}), ListChange::Done);
        QVERIFY(checkLogin(owner, "helper2", "h2"));
        QCOMPARE(admin.remove(helper), ListChange::Done);
        QCOMPARE(accountNames(owner), QStringList({"admin", "clerk"}));
        QStringList actions;
        for (const LogEntry& entry : OperationLog(owner).entries())
            actions << entry.action;
        QCOMPARE(actions.constFirst(), QStringLiteral("删除账号"));
        for (const char* action : {"新增账号", "修改权限", "修改账号", "反结账", "结账"})
            QVERIFY2(actions.mid(0, actions.size() - logged).contains(QString::fromUtf8(action)), action);
    }

    // Everything a clerk's role could try with psql around the program, as that role: every
    // statement is refused, and the owner reads every row of every table back unchanged.
    void everyAttackAroundTheProgramLeavesEveryFact()
    {
        ServerRoles roles;
        TestApp app;
        Database& owner = app.db();
        owner.execScript("INSERT INTO 员工 (工号, 姓名) VALUES ('E01', '张三'), ('E02', '李四'); "
                         "INSERT INTO 产品工价 (产品编号, 产品说明, 工价) VALUES ('P1', '外壳', 1.5); "
                         "INSERT INTO 扣减项目 (扣减项目编号, 扣减项目说明, 扣减金额) VALUES ('D1', '罚款', 5)");
        AdminAccounts(owner).add("clerk", "c1", newAccountRights());
        AdminAccounts(owner).add("old", "o1", newAccountRights());
        owner.exec("UPDATE 管理员 SET 校验 = NULL WHERE 账号 = 'old'");
        MonthRecords(owner).saveMonth(readMonthSheet(month("2026-12", "2026-12-3", "15")));
        MonthRecords(owner).saveMonth(readMonthSheet(month("2027-2", "2027-2-3", "20")));
        owner.execScript(
            "INSERT INTO 菲票 (票号, 数量, 领取工号, 领取月份) VALUES ('0000000014', 10, '001', '2026-12'); "
            "UPDATE 工资流水 SET 菲票号 = '0000000014', 工号 = 'E01', 产品编号 = 'P1' "
            "WHERE 日期 < '2027-01-01'; UPDATE 工资流水 SET 工号 = 'E02' WHERE 日期 >= '2027-01-01'; "
            "UPDATE 员工工资 SET 工号 = 'E01' WHERE 月份 = '2026-12'; "
            "UPDATE 员工工资 SET 工号 = 'E02' WHERE 月份 = '2027-2'; "
            "UPDATE 菲票 SET 领取工号 = 'E01'; DELETE FROM 月度合计");
        owner.execScript("INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额, 扣减项目编号) "
                         "VALUES ('E02', '2027-02-04', '罚款', 5, 'D1'); "
                         "UPDATE 员工工资 SET 扣减 = 5, 实发工资 = 15 WHERE 月份 = '2027-2'");
        rebuildMonthlyTotals(owner);
        QCOMPARE(ClosedMonths(owner).close("2026-12", "t"), ClosedMonths::Outcome::Done);

        const QString login = QStringLiteral("%1_c3").arg(serverSchema(app.ctx().server()));
        auto clerk = Database::openServer(setUpWithClerk(app, roles, login));
        const auto session = logIn(*clerk, "clerk", "c1");
        QVERIFY(session);
        clerk->setSession(*session);
        const QString proof = session->passwordProof();
        const qint64 oldId = owner.scalar("SELECT id FROM 管理员 WHERE 账号 = 'old'").toLongLong();
        // An account without a check value is not let in, nor acts through a function.
        expectRefused(
            [&] { logIn(*clerk, "old", "o1"); },
            "这个账号还没有密码校验值，在服务器上还不能用它登录。请让超级管理员在程序中重新设置这个账号的密码。");
        const QStringList before = everyRow(owner);

        const QString line =
            "INSERT INTO 工资流水 (工号, 日期, 产品, 数量, 工价, 金额) VALUES ('E01', %1, '外壳', 1, 1300, 1300)";
        for (const char* day : {"'2027-01-00'", "'2027-1-5'", "'2027-02-30'", "'2026-12'", "' 2027-01-05'"})
            expectAnyRefusal(*clerk, line.arg(QString::fromUtf8(day)));
        expectAnyRefusal(*clerk,
                         "INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES ('E01', '2027-01', '罚款', 1)");
        expectAnyRefusal(*clerk, "INSERT INTO 员工工资 (月份, 工号, 姓名) VALUES ('2027-01', 'E01', '张三')");
        for (const char* sql : {
                 "UPDATE kelvaro_meta SET value = '999' WHERE key = 'schema_version'",
                 "DELETE FROM kelvaro_meta",
                 "INSERT INTO 操作日志 (时间, 账号, 账号ID, 操作, 内容) VALUES ('2027-02-01 08:00:00', 'admin', 1, "
                 "'结账', 'x')",
                 "INSERT INTO 月结 (月份, 结账时间, 账号) VALUES ('2027-2', 't', 'admin')",
                 "UPDATE 月度合计 SET 生产金额 = 99999",
                 "DELETE FROM 月度合计",
                 "UPDATE 员工 SET 工号 = 'E01x' WHERE 工号 = 'E01'",
                 "DELETE FROM 员工 WHERE 工号 = 'E01'",
                 "UPDATE 员工 SET 工号 = 'E02x' WHERE 工号 = 'E02'",
                 "UPDATE 产品工价 SET 产品编号 = 'P1x'",
                 "DELETE FROM 产品工价",
                 "UPDATE 扣减项目 SET 扣减项目编号 = 'D1x'",
                 "DELETE FROM 扣减项目",
                 "UPDATE 菲票 SET 领取工号 = NULL, 领取月份 = NULL",
                 "DELETE FROM 菲票",
                 "UPDATE 工资流水 SET 日期 = '2027-01-00' WHERE 日期 >= '2027-02-01'",
                 "TRUNCATE 工资流水",
                 "UPDATE 管理员 SET 权限 = 127 WHERE 账号 = 'clerk'",
             })
            expectAnyRefusal(*clerk, QString::fromUtf8(sql));
        // The functions, with the clerk's own proof where another's is needed, or none.
        expectAnyRefusal(*clerk, "SELECT kelvaro_account_check(1, ?)", {makePasswordCheck("mine")});
        expectAnyRefusal(*clerk, "SELECT kelvaro_log(1, ?, '结账', 'x')", {proof});
        expectAnyRefusal(*clerk, "SELECT kelvaro_log(NULL, NULL, '登录', 'admin')");
        expectAnyRefusal(*clerk, "SELECT kelvaro_log(?, NULL, '登录', 'x')", {oldId});
        expectAnyRefusal(*clerk, "SELECT kelvaro_close_month(?, ?, '2027-2')", {session->accountId(), proof});
        expectAnyRefusal(*clerk, "SELECT kelvaro_reopen_month(?, '2026-12')", {proof});
        expectAnyRefusal(*clerk, "SELECT kelvaro_setting(?, ?, 'schema_version', '999')",
                         {session->accountId(), proof});
        expectAnyRefusal(*clerk, "SELECT kelvaro_account_write(?, ?, ?, NULL, NULL, NULL, 127, false)",
                         {session->accountId(), proof, session->accountId()});
        expectAnyRefusal(*clerk, "SELECT kelvaro_account_write(?, '', ?, NULL, ?, ?, NULL, false)",
                         {oldId, oldId, hashPassword("x"), makePasswordCheck("x")});
        // Sums written by hand are the journals' again; no row changed.
        clerk->exec("UPDATE 员工工资 SET 生产金额 = 99999, 实发工资 = 99999 WHERE 月份 = '2027-2'");
        QCOMPARE(everyRow(owner), before);

        // What the program does stays open to the clerk: a leaving employee's other columns
        // change, an unnamed number may be changed, and its log entry names the clerk at the
        // server's time.
        clerk->exec("UPDATE 员工 SET 备注 = '离职' WHERE 工号 = 'E01'");
        clerk->exec("INSERT INTO 员工 (工号, 姓名) VALUES ('E03', '王五')");
        clerk->exec("UPDATE 员工 SET 工号 = 'E04' WHERE 工号 = 'E03'");
        OperationLog(*clerk).recordAlone("修改员工", "E03 → E04");
        QCOMPARE(count(owner, "SELECT count(*) FROM 员工 WHERE 工号 = 'E04' OR 备注 = '离职'"), 2);
        const LogEntry last = OperationLog(owner).entries().constFirst();
        QCOMPARE(last.account, QStringLiteral("clerk"));
        QCOMPARE(last.accountId, QString::number(session->accountId()));
        QVERIFY(qAbs(QDateTime::fromString(last.time, "yyyy-MM-dd HH:mm:ss").secsTo(QDateTime::currentDateTime())) <
                600);

        // The super administrator sets the old account's password again in the program: it works.
        clerk->setSession(*logIn(*clerk, "admin", "admin123"));
        QCOMPARE(AdminAccounts(*clerk).change(oldId, AccountChange{"old", "o2", {}, {}}), ListChange::Done);
        clerk->setSession(*logIn(*clerk, "old", "o2"));
        OperationLog(*clerk).recordAlone("登录");
        QCOMPARE(OperationLog(owner).entries().constFirst().account, QStringLiteral("old"));
    }

    // Whatever a clerk's role writes straight into the journals and the pay rows, 月度合计 and
    // 员工工资 hold the sums of the lines afterwards, as the owner reads them.
    void totalsFollowTheJournalsWhoeverWrites()
    {
        ServerRoles roles;
        TestApp app;
        Database& owner = app.db();
        const QString login = QStringLiteral("%1_c4").arg(serverSchema(app.ctx().server()));
        auto clerk = Database::openServer(setUpWithClerk(app, roles, login));
        clerk->setSession(*logIn(*clerk, "admin", "admin123"));
        MonthRecords(*clerk).saveMonth(readMonthSheet(month("2027-1", "2027-1-3", "15")));

        QRandomGenerator random(38);
        const QStringList employees{"001", "002", "003"};
        const auto day = [&] {
            return QStringLiteral("2027-%1-%2")
                .arg(random.bounded(1, 4), 2, 10, QLatin1Char('0'))
                .arg(random.bounded(1, 29), 2, 10, QLatin1Char('0'));
        };
        const auto amount = [&] { return double(random.bounded(-500, 100000)) / 100; };
        const auto anyId = [&](const char* table) {
            return clerk->scalar(
                QStringLiteral("SELECT id FROM %1 ORDER BY random() LIMIT 1").arg(QString::fromUtf8(table)));
        };
        for (int i = 0; i < 300; ++i) {
            const QString no = employees.at(random.bounded(employees.size()));
            switch (random.bounded(9)) {
            case 0:
            case 1:
                clerk->exec("INSERT INTO 工资流水 (工号, 日期, 产品, 金额) VALUES (?, ?, '外壳', ?)",
                            {no, day(), amount()});
                break;
            case 2:
                clerk->exec("INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES (?, ?, '罚款', ?)",
                            {no, day(), amount()});
                break;
            case 3: clerk->exec("UPDATE 工资流水 SET 金额 = ? WHERE id = ?", {amount(), anyId("工资流水")}); break;
            case 4:
                clerk->exec("UPDATE 工资流水 SET 日期 = ?, 工号 = ? WHERE id = ?", {day(), no, anyId("工资流水")});
                break;
            case 5: clerk->exec("DELETE FROM 扣减流水 WHERE id = ?", {anyId("扣减流水")}); break;
            case 6:
                clerk->exec("UPDATE 扣减流水 SET 工号 = ?, 扣减金额 = ? WHERE id = ?",
                            {no, amount(), anyId("扣减流水")});
                break;
            case 7:
                clerk->exec(
                    "INSERT INTO 员工工资 (月份, 工号, 姓名, 生产金额, 扣减, 实发工资) VALUES (?, ?, 'x', ?, ?, ?)",
                    {QStringLiteral("2027-%1").arg(random.bounded(1, 4)), no, amount(), amount(), amount()});
                break;
            default:
                clerk->exec("UPDATE 员工工资 SET 生产金额 = ?, 实发工资 = ? WHERE id = ?",
                            {amount(), amount(), anyId("员工工资")});
            }
        }
        MonthRecords(*clerk).saveMonth(readMonthSheet(month("2027-2", "2027-2-9", "7.25")));

        const auto rows = [&](const char* sql) {
            QStringList out;
            Statement st = owner.prepare(QString::fromUtf8(sql));
            while (st.next())
                out << QStringLiteral("%1 %2 %3 %4")
                           .arg(st.text(0), st.text(1), st.decimal(2).plainText(), st.decimal(3).plainText());
            return out;
        };
        const QStringList kept = rows("SELECT 月份, 工号, 生产金额, 扣减 FROM 月度合计 ORDER BY 1, 2");
        QVERIFY(kept.size() >= 6);
        QCOMPARE(
            kept,
            rows("SELECT m, 工号, coalesce(decimal_sum(p), 0), coalesce(decimal_sum(d), 0) FROM ("
                 "SELECT substr(日期, 1, 7) AS m, 工号, 金额 AS p, NULL AS d FROM 工资流水 UNION ALL "
                 "SELECT substr(日期, 1, 7), 工号, NULL, 扣减金额 FROM 扣减流水) AS l GROUP BY m, 工号 ORDER BY 1, 2"));
        Statement pay = owner.prepare("SELECT 月份, 工号, 生产金额, 扣减, 实发工资 FROM 员工工资");
        int payRows = 0;
        while (pay.next()) {
            const YearMonth m = *parseMonthText(pay.text(0));
            const QVariantList bounds{pay.text(1), isoDate(m.firstDay()), isoDate(m.nextFirstDay())};
            const auto sum = [&](const char* sql) {
                Statement st = owner.prepare(QString::fromUtf8(sql));
                st.bindAll(bounds);
                return st.next() ? st.decimal(0) : Decimal();
            };
            const Decimal p = sum("SELECT decimal_sum(金额) FROM 工资流水 WHERE 工号 = ? AND 日期 >= ? AND 日期 < ?");
            const Decimal d =
                sum("SELECT decimal_sum(扣减金额) FROM 扣减流水 WHERE 工号 = ? AND 日期 >= ? AND 日期 < ?");
            QCOMPARE(pay.decimal(2), p);
            QCOMPARE(pay.decimal(3), d);
            QCOMPARE(pay.decimal(4), p - d);
            ++payRows;
        }
        QVERIFY(payRows >= 2);
    }

    // A database set up from scratch has no default password; its clerk, added by --add-clerk,
    // reaches no other database's schema, and no clerk of another reaches it.
    void twoDatabasesShareNoClerk()
    {
        ServerRoles roles;
        TestApp app;
        const QString base = qEnvironmentVariable("KV_TEST_PG");
        const QString other = QStringLiteral("kvt_other_%1").arg(QCoreApplication::applicationPid());
        app.db().execScript(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(other));
        app.db().execScript(QStringLiteral("CREATE DATABASE %1").arg(other));
        struct DropDatabase {
            Database& db;
            QString name;
            ~DropDatabase()
            {
                try {
                    db.execScript(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
                } catch (const DbError& e) {
                    qWarning("database %s left on the server: %s", qPrintable(name), qPrintable(e.message()));
                }
            }
        } dropLater{app.db(), other};
        const QString otherConnection = base + QStringLiteral(" dbname=") + other;

        QVERIFY_THROWS_EXCEPTION(InputError, setUpServer(otherConnection, [] { return QString(); }));
        const ServerSetup setup = setUpServer(otherConnection, [] { return QStringLiteral("s3cret"); });
        roles.add(setup.ownerRole);
        roles.add(setup.clerkRole);
        QVERIFY(setup.created);
        QVERIFY(setup.clerkRole.startsWith(other + u'_'));
        QVERIFY(setup.accountsWithoutCheck.isEmpty());
        auto superuser = Database::openServer(otherConnection);
        QVERIFY(!checkLogin(*superuser, "admin", "admin123"));
        QVERIFY(checkLogin(*superuser, "admin", "s3cret"));

        const QString li = QStringLiteral("kvt_li_%1").arg(QCoreApplication::applicationPid());
        QVERIFY_THROWS_EXCEPTION(InputError, addClerk(otherConnection, li, [] { return QString(); }));
        QVERIFY(addClerk(otherConnection, li, [] { return QStringLiteral("li-secret"); }).contains(setup.clerkRole));
        roles.add(li);
        QCOMPARE(count(app.db(), "SELECT count(*) FROM pg_roles WHERE rolname = ? AND rolcanlogin", {li}), 1);
        auto liThere = Database::openServer(otherConnection + QStringLiteral(" user=") + li);
        liThere->setSession(*logIn(*liThere, "admin", "s3cret"));
        MonthRecords(*liThere).saveMonth(readMonthSheet(month("2027-2", "2027-2-3", "20")));
        QCOMPARE(count(*superuser, "SELECT count(*) FROM 工资流水"), 1);

        // The test's own database, set up too, with a clerk of its own: neither reaches the other.
        const QString wang = QStringLiteral("%1_wang").arg(serverSchema(app.ctx().server()));
        auto wangHere = Database::openServer(setUpWithClerk(app, roles, wang));
        QVERIFY(setUpServer(app.ctx().server(), {}).clerkRole != setup.clerkRole);
        auto liHere = Database::openServer(app.ctx().server() + QStringLiteral(" user=") + li);
        QVERIFY_THROWS_EXCEPTION(DbError, liHere->exec("INSERT INTO 员工 (工号, 姓名) VALUES ('X1', 'x')"));
        QVERIFY_THROWS_EXCEPTION(DbError, liHere->scalar("SELECT count(*) FROM 管理员"));
        auto wangThere = Database::openServer(otherConnection + QStringLiteral(" user=") + wang);
        QVERIFY_THROWS_EXCEPTION(DbError, wangThere->scalar("SELECT count(*) FROM 管理员"));
        QCOMPARE(count(app.db(), "SELECT count(*) FROM 员工"), 0);
        QCOMPARE(count(*wangHere, "SELECT count(*) FROM 管理员"), 1);
    }

    // A second setup changes nothing that a clerk relies on; a clerk's role neither makes nor
    // upgrades the tables, and says who must; a clerk's own schema does not take the data.
    void setupAgainAndWhatAClerkMayNotDo()
    {
        ServerRoles roles;
        TestApp app;
        const QString schema = serverSchema(app.ctx().server());
        const QString login = schema + QStringLiteral("_c2");
        // A clerk role of an earlier setup, named after the schema only, with a member.
        const QString former = schema + QStringLiteral("_clerk"), formerMember = schema + QStringLiteral("_old");
        app.db().execScript(
            QStringLiteral("CREATE ROLE %1 NOLOGIN; CREATE ROLE %2 LOGIN; GRANT %1 TO %2; "
                           "GRANT USAGE ON SCHEMA %3 TO %1; GRANT SELECT ON ALL TABLES IN SCHEMA %3 TO %1")
                .arg(former, formerMember, schema));
        roles.add(former);
        roles.add(formerMember);
        const QString clerkConnection = setUpWithClerk(app, roles, login);
        const ServerSetup again = setUpServer(app.ctx().server(), {});
        QCOMPARE(again.formerClerkRole, former);
        QCOMPARE(again.formerClerkMembers, QStringList{formerMember});
        QVERIFY(setupReport(again).contains(formerMember));
        auto formerClerk = Database::openServer(app.ctx().server() + QStringLiteral(" user=") + formerMember);
        QVERIFY_THROWS_EXCEPTION(DbError, formerClerk->scalar("SELECT count(*) FROM 管理员"));
        QVERIFY(!again.created);
        QCOMPARE(again.version, latestVersion());
        QVERIFY(again.accountsWithoutCheck.isEmpty());

        // The clerk's role has a schema of its own, first in its search path.
        app.db().execScript(QStringLiteral("CREATE SCHEMA %1 AUTHORIZATION %1").arg(login));
        auto clerk = Database::openServer(clerkConnection);
        clerk->setSession(*logIn(*clerk, "admin", "admin123"));
        MonthRecords(*clerk).saveMonth(readMonthSheet(month("2008-5", "2008-5-3", "20")));
        QCOMPARE(count(app.db(), "SELECT count(*) FROM 工资流水"), 1);
        QCOMPARE(count(app.db(), "SELECT count(*) FROM pg_tables WHERE schemaname = ?", {login}), 0);
        QVERIFY(!clerk->mayChangeSchema());

        // Data of the version before the accounts' check values: the clerk's program is told the
        // owner must upgrade them.
        constexpr int beforeChecks = 12;
        dropBundleTickets(app.db());
        dropAccountChecks(app.db());
        app.db().exec("UPDATE kelvaro_meta SET value = ? WHERE key = 'schema_version'", {beforeChecks});
        try {
            upgradeSchema(*clerk);
            QFAIL("a clerk upgraded the data");
        } catch (const DbError& e) {
            QCOMPARE(e.cause(), Cause::PermissionDenied);
            QVERIFY2(e.message().contains("kelvaro --setup-server"), qPrintable(e.message()));
        }
        QCOMPARE(storedVersion(app.db()), beforeChecks);
        // The owner's setup upgrades them, and the clerk works on.
        QCOMPARE(setUpServer(app.ctx().server(), [] { return QStringLiteral("admin123"); }).version, latestVersion());
        upgradeSchema(*clerk);
        // The super administrator's check value was made anew from the password the owner typed:
        // the clerk logs in again and works on.
        expectRefused([&] { MonthRecords(*clerk).deleteMonth("001", "2008-5"); },
                      "账号密码核对不上，没有做任何修改。请重新登录后再试。");
        clerk->setSession(*logIn(*clerk, "admin", "admin123"));
        MonthRecords(*clerk).deleteMonth("001", "2008-5");

        // No data at all in the schema the clerk's connection names: it does not make them.
        AppContext empty(app.dir());
        empty.setServer(clerkConnection + QStringLiteral(" schema=") + login + QStringLiteral("_none"));
        QString error;
        QVERIFY(!empty.reconnect(&error));
        QVERIFY2(error.contains("还没有建立") && error.contains("kelvaro --setup-server"), qPrintable(error));

        // A restore the server would refuse the clerk is refused first, in the program's words,
        // with no safety copy written and nothing changed.
        AppContext clerkApp(app.dir());
        clerkApp.setServer(clerkConnection);
        QVERIFY(clerkApp.reconnect(&error));
        clerkApp.conn().setSession(*logIn(clerkApp.conn(), "admin", "admin123"));
        QVERIFY(backupDatabase(app.ctx()).ok);
        const QStringList backups = QDir(app.ctx().paths().backupDir()).entryList(QDir::Files);
        const int rows = count(app.db(), "SELECT count(*) FROM 操作日志");
        const CopyOutcome restored = restoreDatabase(clerkApp, backups.constFirst());
        QVERIFY(!restored.ok);
        QVERIFY2(restored.error.startsWith("恢复数据需要数据库所有者的权限"), qPrintable(restored.error));
        QVERIFY2(!restored.error.contains(QRegularExpression("[A-Za-z]{4}")), qPrintable(restored.error));
        QCOMPARE(QDir(app.ctx().paths().backupDir()).entryList(QDir::Files), backups);
        QCOMPARE(count(app.db(), "SELECT count(*) FROM 操作日志"), rows);
    }
};

QTEST_GUILESS_MAIN(TestServerRoles)
#include "test_serverroles.moc"
