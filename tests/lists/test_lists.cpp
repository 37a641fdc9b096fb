#include "TestDb.h"
#include "data/Accounts.h"
#include "data/Passwords.h"
#include "data/Schema.h"
#include "lists/AdminAccounts.h"
#include "lists/CodeList.h"

#include <QTest>

using namespace kv;

namespace {
// Quotes, LIKE wildcards and a backslash: stored as typed, spaces and TABs around them cleaned.
const QString kTypedName = " \t O'Brien \"一\"车间 %_\\ \t";
const QString kStoredName = "O'Brien \"一\"车间 %_\\";

QStringList names(const QList<ListEntry>& entries)
{
    QStringList out;
    for (const ListEntry& e : entries)
        out << e.name;
    return out;
}

QString storedPassword(Database& db, qint64 id)
{
    return db.scalar("SELECT 密码 FROM 管理员 WHERE id = ?", {id}).toString();
}
} // namespace

class TestLists : public QObject {
    Q_OBJECT
private slots:
    void codeListsKeepNamesAsTyped_data()
    {
        QTest::addColumn<CodeListKind>("kind");
        QTest::addColumn<QString>("table");
        QTest::newRow("workshops") << CodeListKind::Workshop << "车间";
        QTest::newRow("job types") << CodeListKind::JobType << "工种";
        QTest::newRow("units") << CodeListKind::Unit << "计量单位";
    }

    void codeListsKeepNamesAsTyped()
    {
        QFETCH(CodeListKind, kind);
        QFETCH(QString, table);
        TestApp app;
        QCOMPARE(codeListTable(kind), table);
        CodeList list(app.db(), kind);
        QCOMPARE(list.add(kTypedName), ListChange::Done);
        QCOMPARE(list.add("第二"), ListChange::Done);
        QCOMPARE(list.add("第二"), ListChange::Done); // listed twice, as typed
        QCOMPARE(list.add(" \t\t "), ListChange::EmptyName);
        QCOMPARE(names(list.entries()), (QStringList{kStoredName, "第二", "第二"}));
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT \"%1\" FROM \"%1\" ORDER BY id").arg(table)).toString(),
                 kStoredName);
        // Only its own table grows.
        const qint64 total = app.db()
                                 .scalar("SELECT (SELECT count(*) FROM 车间) + (SELECT count(*) FROM 工种) + "
                                         "(SELECT count(*) FROM 计量单位)")
                                 .toLongLong();
        QCOMPARE(total, 3);
    }

    void renameAndDeleteKeepTheOrderAndTheEmployees()
    {
        TestApp app;
        Database& db = app.db();
        CodeList list(db, CodeListKind::Workshop);
        list.add("一车间");
        list.add("二车间");
        list.add("三车间");
        db.exec("INSERT INTO 员工 (工号, 姓名, 车间) VALUES ('001', '张三', '一车间')");
        const QList<ListEntry> before = list.entries();

        QCOMPARE(list.rename(before.at(0).id, kTypedName), ListChange::Done);
        QCOMPARE(list.rename(before.at(1).id, "\t "), ListChange::EmptyName);
        QCOMPARE(list.rename(9999, "x"), ListChange::Missing);
        QCOMPARE(list.entries(), (QList<ListEntry>{{before.at(0).id, kStoredName}, before.at(1), before.at(2)}));

        QCOMPARE(list.remove(before.at(1).id), ListChange::Done);
        QCOMPARE(list.remove(before.at(1).id), ListChange::Missing);
        QCOMPARE(names(list.entries()), (QStringList{kStoredName, "三车间"}));
        // Employees keep the name they were saved with.
        QCOMPARE(db.scalar("SELECT 车间 FROM 员工").toString(), QString("一车间"));
    }

    void accountsKeepNamesAsTypedAndPasswordsHashed()
    {
        TestApp app;
        Database& db = app.db();
        AdminAccounts accounts(db);
        QCOMPARE(accounts.add(kTypedName, " p'w%\\\t "), ListChange::Done);
        QCOMPARE(accounts.add("\t", "x"), ListChange::EmptyName);
        QCOMPARE(accounts.add("无密码", ""), ListChange::Done);
        const QList<ListEntry> list = accounts.entries();
        QCOMPARE(names(list), (QStringList{QString::fromUtf16(kDefaultAccount), kStoredName, "无密码"}));
        QCOMPARE(accountNames(db), names(list));

        const QString hash = storedPassword(db, list.at(1).id);
        QVERIFY(hash.startsWith("$argon2"));
        QVERIFY(!hash.contains("p'w"));
        QVERIFY(verifyPassword(hash, "p'w%\\"));
        QCOMPARE(checkLogin(db, kTypedName, "p'w%\\"), std::optional<QString>(kStoredName));
        QCOMPARE(checkLogin(db, "无密码", ""), std::optional<QString>("无密码"));
        QCOMPARE(checkLogin(db, "无密码", "x"), std::nullopt);
    }

    void changingAnAccountKeepsItsPasswordUnlessANewOneIsGiven()
    {
        TestApp app;
        Database& db = app.db();
        AdminAccounts accounts(db);
        accounts.add("会计", "old");
        const qint64 id = accounts.entries().at(1).id;

        QCOMPARE(accounts.change(id, " 主办会计 ", std::nullopt), ListChange::Done);
        QCOMPARE(checkLogin(db, "主办会计", "old"), std::optional<QString>("主办会计"));

        QCOMPARE(accounts.change(id, "主办会计", QString(" new'\t")), ListChange::Done);
        QCOMPARE(checkLogin(db, "主办会计", "old"), std::nullopt);
        QCOMPARE(checkLogin(db, "主办会计", "new'"), std::optional<QString>("主办会计"));

        QCOMPARE(accounts.change(id, " \t", QString("z")), ListChange::EmptyName);
        QCOMPARE(accounts.change(9999, "x", std::nullopt), ListChange::Missing);
        QCOMPARE(checkLogin(db, "主办会计", "new'"), std::optional<QString>("主办会计"));
    }

    void theSuperAdministratorIsNeverDeleted()
    {
        TestApp app;
        Database& db = app.db();
        AdminAccounts accounts(db);
        accounts.add("会计", "x");
        const qint64 other = accounts.entries().at(1).id;

        QCOMPARE(accounts.remove(kSuperAdminId), ListChange::Protected);
        // Renaming it and giving it a new password are allowed, the password with the old one.
        QCOMPARE(accounts.change(kSuperAdminId, AccountChange{"老板", QString("boss"), QString("admin123"), {}}),
                 ListChange::Done);
        QCOMPARE(checkLogin(db, "老板", "boss"), std::optional<QString>("老板"));

        QCOMPARE(accounts.remove(other), ListChange::Done);
        QCOMPARE(accounts.remove(other), ListChange::Missing);
        QCOMPARE(accounts.entries(), (QList<ListEntry>{{kSuperAdminId, "老板"}}));
    }
};

QTEST_GUILESS_MAIN(TestLists)
#include "test_lists.moc"
