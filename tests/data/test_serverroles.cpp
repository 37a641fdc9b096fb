#include "TestDb.h"
#include "data/Accounts.h"
#include "data/OperationLog.h"
#include "data/Passwords.h"
#include "data/PgEngine.h"
#include "data/ServerSetup.h"
#include "entry/ClosedMonths.h"
#include "entry/MonthRecords.h"
#include "lists/AdminAccounts.h"

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
        // Lines and sums of the closed month, by every way in, and a line moved into it.
        const QString closed = QString::fromUtf16(kMonthClosedText);
        for (const char* sql :
             {"INSERT INTO 工资流水 (工号, 日期, 产品, 数量, 工价, 金额) VALUES ('001', '2008-04-09', '外壳', 1, 9, 9)",
              "UPDATE 工资流水 SET 金额 = 0 WHERE 日期 < '2008-05-01'",
              "DELETE FROM 工资流水 WHERE 日期 < '2008-05-01'",
              "UPDATE 工资流水 SET 日期 = '2008-04-30' WHERE 日期 >= '2008-05-01'",
              "DELETE FROM 员工工资 WHERE 月份 = '2008-4'",
              "INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES ('001', '2008-04-09', '罚款', 5)"})
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

    // A second setup changes nothing that a clerk relies on; a clerk's role neither makes nor
    // upgrades the tables, and says who must; a clerk's own schema does not take the data.
    void setupAgainAndWhatAClerkMayNotDo()
    {
        ServerRoles roles;
        TestApp app;
        const QString schema = serverSchema(app.ctx().server());
        const QString login = schema + QStringLiteral("_c2");
        const QString clerkConnection = setUpWithClerk(app, roles, login);
        const ServerSetup again = setUpServer(app.ctx().server(), {});
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
    }
};

QTEST_GUILESS_MAIN(TestServerRoles)
#include "test_serverroles.moc"
