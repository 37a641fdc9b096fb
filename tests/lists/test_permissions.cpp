#include "TestDb.h"
#include "data/Accounts.h"
#include "data/FactoryName.h"
#include "data/OperationLog.h"
#include "data/Schema.h"
#include "data/Tables.h"
#include "entry/ClosedMonths.h"
#include "entry/MonthRecords.h"
#include "lists/AdminAccounts.h"
#include "lists/CodeList.h"
#include "maintenance/Backup.h"
#include "maintenance/ClearData.h"
#include "master/MasterRecords.h"

#include <QTest>

#include <functional>

using namespace kv;

namespace {
MonthTexts may(const char* amount)
{
    return {"2008-5", "001", "张三", {{"2008-5-2", "外壳", "个", "1", amount, "", amount, ""}}, {}};
}

const Rights kEveryRight = Rights::fromInt(0x7f);

int count(Database& db, const QString& table)
{
    return db.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toInt();
}

qint64 idOf(Database& db, const QString& account)
{
    return db.scalar("SELECT id FROM 管理员 WHERE 账号 = ?", {account}).toLongLong();
}

// The change is refused as input (not as a database failure) with a text holding `says`.
void expectRefused(const std::function<void()>& change, const QString& says)
{
    try {
        change();
        QFAIL(qPrintable("not refused: " + says));
    } catch (const InputError& e) {
        QVERIFY2(e.message().contains(says), qPrintable(e.message()));
    }
}
} // namespace

class TestPermissions : public QObject {
    Q_OBJECT
private slots:
    // What a clerk with the rights of a new account may not do is refused by the core itself,
    // whatever window or program calls it, and leaves the data as they were.
    void aClerkIsRefusedEveryChangeOutsideItsRights()
    {
        TestApp app;
        Database& db = app.db();
        AdminAccounts owner(db);
        QCOMPARE(owner.add("clerk", "c1"), ListChange::Done);
        QCOMPARE(owner.rights(idOf(db, "clerk")), std::optional<Rights>(newAccountRights()));
        MonthRecords(db).saveMonth(readMonthSheet(may("15")));
        QCOMPARE(ClosedMonths(db).close("2008-4", "t"), ClosedMonths::Outcome::Done);

        app.logInAs("clerk");
        QVERIFY(!app.ctx().session().isSuperAdministrator());
        AdminAccounts accounts(db);
        // The super administrator, by id: neither its name nor its password.
        expectRefused([&] { accounts.change(kSuperAdministratorId, "admin", QString("mine")); }, "超级管理员");
        expectRefused([&] { accounts.change(kSuperAdministratorId, "clerk2", std::nullopt); }, "超级管理员");
        QCOMPARE(checkLogin(db, "admin", "admin123"), std::optional<QString>("admin"));
        // Other accounts and rights, its own included.
        expectRefused([&] { accounts.add("helper", "h"); }, "账号管理");
        expectRefused([&] { accounts.change(idOf(db, "clerk"), AccountChange{"clerk", {}, {}, kEveryRight}); },
                      "超级管理员");
        QCOMPARE(accounts.rights(idOf(db, "clerk")), std::optional<Rights>(newAccountRights()));
        // Months: neither closed nor reopened, not even with the super administrator's password.
        QCOMPARE(ClosedMonths(db).close("2008-5", "t"), ClosedMonths::Outcome::NotAllowed);
        QCOMPARE(ClosedMonths(db).reopen("2008-4", "admin123"), ClosedMonths::Outcome::NotSuperAdministrator);
        QCOMPARE(ClosedMonths(db).months(), QStringList{"2008-4"});
        // Clearing and restoring throw away closed months: refused before anything is touched.
        expectRefused([&] { clearAllData(db); }, "恢复与清空");
        QCOMPARE(count(db, "员工工资"), 1);
        QCOMPARE(restoreDatabase(app.ctx(), "2008-5-17.bak").error, refusalText(Right::RestoreClear));
        QVERIFY(app.ctx().isConnected());

        // Its own password only with the old one.
        const qint64 clerk = idOf(db, "clerk");
        expectRefused([&] { accounts.change(clerk, "clerk", QString("new")); }, "原密码不正确");
        expectRefused([&] { accounts.change(clerk, AccountChange{"clerk", QString("new"), QString("c2"), {}}); },
                      "原密码不正确");
        QCOMPARE(accounts.change(clerk, AccountChange{"clerk", QString("new"), QString(" c1 "), {}}),
                 ListChange::Done);
        QCOMPARE(checkLogin(db, "clerk", "new"), std::optional<QString>("clerk"));

        // What it may do, it does, until the super administrator takes the right away on another
        // connection: the next change finds out without a new login.
        QVERIFY(MonthRecords(db).saveMonth(readMonthSheet(may("20"))) > 0);
        auto other = app.connect();
        other->setSession(*accountSession(*other, kSuperAdministratorId));
        QCOMPARE(AdminAccounts(*other).change(clerk, AccountChange{"clerk", {}, {}, Right::Statistics | Right::Backup}),
                 ListChange::Done);
        expectRefused([&] { MonthRecords(db).saveMonth(readMonthSheet(may("99"))); }, "工资录入");
        expectRefused([&] { MonthRecords(db).deleteMonth("001", "2008-5"); }, "工资录入");
        expectRefused([&] { MasterRecords(db, MasterKind::Employee).save(0, {"002", "李四"}); }, "基础资料");
        expectRefused([&] { CodeList(db, CodeListKind::Workshop).add("三车间"); }, "基础资料");
        expectRefused([&] { setFactoryName(db, "某厂"); }, "基础资料");
        QCOMPARE(db.scalar("SELECT 生产金额 FROM 员工工资").toDouble(), 20.0);
        QCOMPARE(count(db, "员工"), 0);
        QCOMPARE(count(db, "车间"), 0);
        QCOMPARE(factoryName(db), QString());
        // The log says who granted and took what, naming both accounts by id.
        const LogEntry rights = OperationLog(db).entries({{2, "修改权限"}}).value(0);
        QCOMPARE(rights.target, QString("clerk：收回 工资录入、基础资料"));
        QCOMPARE(rights.accountId, QString("1"));
        QCOMPARE(OperationLog(db).entries({{4, QString::number(clerk)}}).value(0).action, QString("保存工资"));

        // A deleted account's session changes nothing either, and nobody's never did.
        QCOMPARE(AdminAccounts(*other).remove(clerk), ListChange::Done);
        other.reset();
        expectRefused([&] { MasterRecords(db, MasterKind::Employee).save(0, {"002", "李四"}); }, "基础资料");
        db.setSession(Session());
        expectRefused([&] { MonthRecords(db).saveMonth(readMonthSheet(may("1"))); }, "工资录入");
        QCOMPARE(db.scalar("SELECT 生产金额 FROM 员工工资").toDouble(), 20.0);
    }

    // Names are told apart exactly; the schema holds them apart too, whatever writes the table.
    // An account manager changes only accounts that may do no more than it may.
    void namesAreUniqueAndManagersStayWithinTheirOwnRights()
    {
        TestApp app;
        Database& db = app.db();
        AdminAccounts owner(db);
        QCOMPARE(owner.add("会计", "x"), ListChange::Done);
        QCOMPARE(owner.add("Clerk", "x"), ListChange::Done);
        QCOMPARE(owner.add("clerk", "x"), ListChange::Done);
        expectRefused([&] { owner.add(" 会计\t", "y"); }, QString::fromUtf16(kAccountExistsText));
        expectRefused([&] { owner.add("admin", "y"); }, QString::fromUtf16(kAccountExistsText));
        expectRefused([&] { owner.change(idOf(db, "Clerk"), "clerk", std::nullopt); },
                      QString::fromUtf16(kAccountExistsText));
        QVERIFY_THROWS_EXCEPTION(DbError, db.exec("INSERT INTO 管理员 (账号, 密码, 权限) VALUES ('会计', 'z', 0)"));
        QCOMPARE(accountNames(db), (QStringList{"admin", "会计", "Clerk", "clerk"}));

        QCOMPARE(owner.add("经理", "m", newAccountRights() | Right::Accounts), ListChange::Done);
        QCOMPARE(owner.change(idOf(db, "会计"), AccountChange{"会计", {}, {}, Rights(Right::Statistics | Right::RestoreClear)}),
                 ListChange::Done);
        app.logInAs("经理");
        AdminAccounts manager(db);
        QCOMPARE(manager.add("出纳", "p"), ListChange::Done);
        QCOMPARE(manager.rights(idOf(db, "出纳")), std::optional<Rights>(newAccountRights()));
        QCOMPARE(manager.change(idOf(db, "出纳"), "出纳员", QString("q")), ListChange::Done);
        QCOMPARE(checkLogin(db, "出纳员", "q"), std::optional<QString>("出纳员"));
        // 会计 may restore, which the manager may not: not its password, not its deletion.
        expectRefused([&] { manager.change(idOf(db, "会计"), "会计", QString("taken")); }, "权限多");
        expectRefused([&] { manager.remove(idOf(db, "会计")); }, "权限多");
        QCOMPARE(checkLogin(db, "会计", "x"), std::optional<QString>("会计"));
        QCOMPARE(manager.remove(kSuperAdministratorId), ListChange::Protected);
        expectRefused([&] { manager.change(idOf(db, "出纳员"), AccountChange{"出纳员", {}, {}, kEveryRight}); }, "超级管理员");
        QCOMPARE(accountChangeRefusal(app.ctx().session(), idOf(db, "会计"), *manager.rights(idOf(db, "会计"))),
                 QString("不能修改比自己权限多的账号！"));
        QCOMPARE(accountChangeRefusal(app.ctx().session(), idOf(db, "出纳员"), newAccountRights()), QString());
    }

    // A login names its account by id and rights; a failed one is logged by the name typed,
    // never the password, for nobody.
    void loginsAreLoggedWithoutPasswords()
    {
        TestApp app;
        Database& db = app.db();
        db.setSession(Session());
        QCOMPARE(logIn(db, "admin", "secret-guess"), std::nullopt);
        const LogEntry failed = OperationLog(db).entries().value(0);
        QCOMPARE(failed.action, QString("登录失败"));
        QCOMPARE(failed.target, QString("admin"));
        QCOMPARE(failed.account + failed.accountId, QString());
        QCOMPARE(OperationLog(db).entries({{3, "secret"}}).size(), 0);
        const auto session = logIn(db, " admin ", "admin123");
        QVERIFY(session);
        QCOMPARE(session->accountId(), kSuperAdministratorId);
        QVERIFY(session->isSuperAdministrator());
        // The account filter is exact, letter case included.
        db.setSession(*session);
        OperationLog(db).recordAlone("登录");
        QCOMPARE(OperationLog(db).entries({{1, "admin"}}).size(), 1);
        QCOMPARE(OperationLog(db).entries({{1, "Admin"}}).size(), 0);
        QCOMPARE(OperationLog(db).entries({{1, "adm"}}).size(), 0);
    }

    // A file from before rights: every account keeps what it could do then, except the super
    // administrator's own powers, and a second account of one name is renamed after its id; the
    // summary rows of one month under two spellings become one.
    void anUpgradedFileKeepsWhatItsAccountsCouldDo()
    {
        TestApp app;
        Database& db = app.db();
        // The accounts, the log and the summaries as version 5 had them.
        for (const char* step :
             {"DROP INDEX 管理员_账号", "ALTER TABLE 管理员 RENAME TO 管理员_later",
              "CREATE TABLE 管理员 (id INTEGER PRIMARY KEY AUTOINCREMENT, 账号 TEXT, 密码 TEXT)",
              "INSERT INTO 管理员 SELECT id, 账号, 密码 FROM 管理员_later", "DROP TABLE 管理员_later",
              "DROP TABLE 操作日志",
              "CREATE TABLE 操作日志 (id INTEGER PRIMARY KEY AUTOINCREMENT, 时间 TEXT, 账号 TEXT, 操作 TEXT, 内容 TEXT)"})
            db.execScript(step);
        dropLineItemNumbers(db);
        for (const TableDef& table : schemaTables())
            if (table.since > 5)
                db.execScript(QStringLiteral("DROP TABLE IF EXISTS %1").arg(QString::fromUtf16(table.name)));
        const QString hash = db.scalar("SELECT 密码 FROM 管理员 WHERE id = 1").toString();
        db.exec("INSERT INTO 管理员 (id, 账号, 密码) VALUES (2, 'admin', ?), (3, '会计', ?), (4, '会计', ?)",
                {hash, hash, hash});
        db.exec("INSERT INTO 员工工资 (月份, 工号, 姓名, 生产金额, 扣减, 实发工资) VALUES "
                "('2008-5', '001', '张三', 10, 0, 10), ('2008-05', '001', '张三', 12, 0, 12), "
                "('2008-06', '002', '李四', 5, 1, 4)");
        db.exec("UPDATE kelvaro_meta SET value = '5' WHERE key = 'schema_version'");
        upgradeSchema(db);
        QCOMPARE(storedVersion(db), latestVersion());

        QCOMPARE(accountNames(db), (QStringList{"admin", "admin（2）", "会计", "会计（4）"}));
        for (const qint64 id : {2, 3, 4}) {
            const auto session = accountSession(db, id);
            QCOMPARE(session->rights(), upgradedAccountRights());
            QVERIFY(!session->may(Right::CloseMonths));
            QVERIFY(session->may(Right::RestoreClear) && session->may(Right::Accounts));
        }
        // The second "admin" logs in under its new name, and is no super administrator.
        QCOMPARE(logIn(db, "admin（2）", "admin123")->isSuperAdministrator(), false);
        QCOMPARE(OperationLog(db).entries({{2, "修改账号"}}).size(), 2);
        QVERIFY_THROWS_EXCEPTION(DbError, db.exec("INSERT INTO 管理员 (账号, 密码) VALUES ('会计', 'z')"));

        Statement st = db.prepare("SELECT 月份, 工号, 生产金额 FROM 员工工资 ORDER BY 工号");
        QStringList rows;
        while (st.next())
            rows << st.text(0) + u' ' + st.text(1) + u' ' + QString::number(st.number(2));
        QCOMPARE(rows, (QStringList{"2008-5 001 12", "2008-6 002 5"}));
    }
};

QTEST_GUILESS_MAIN(TestPermissions)
#include "test_permissions.moc"
