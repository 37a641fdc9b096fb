#include "TestDb.h"
#include "data/Database.h"
#include "data/LookAlikeNames.h"
#include "lists/AdminAccounts.h"
#include "master/MasterRecords.h"

#include <QTest>

using namespace kv;

namespace {
// The refusal of an add or rename, or "" when it went through.
template <class F> QString refusalOf(F change)
{
    try {
        change();
        return {};
    } catch (const InputError& e) {
        return e.message();
    }
}

QStringList accountNames(Database& db)
{
    QStringList names;
    for (const ListEntry& e : AdminAccounts(db).entries())
        names << e.name;
    return names;
}
} // namespace

class TestLookAlikes : public QObject {
    Q_OBJECT
private slots:
    // Names that show as "admin" in the accounts list are refused, as a new account and as a
    // rename, whoever asks; what is stored stays as it was. Names that only resemble it pass.
    void accountNamesThatLookTheSameAreRefused()
    {
        TestApp app;
        Database& db = app.db();
        AdminAccounts accounts(db);
        QCOMPARE(accounts.add("clerk", "c1"), ListChange::Done);
        const qint64 clerk = db.scalar("SELECT id FROM 管理员 WHERE 账号 = 'clerk'").toLongLong();
        const QString sameLook = QStringLiteral("该账号与 admin 看起来一样，请换一个");
        const std::pair<QString, QString> cases[] = {
            {QStringLiteral("admin\u200B"), QStringLiteral("账号中有看不见的字符（U+200B），请删去后重新输入。")},
            {QStringLiteral("ad\u00ADmin"), QStringLiteral("账号中有看不见的字符（U+00AD），请删去后重新输入。")},
            {QStringLiteral("\u202Eadmin"), QStringLiteral("账号中有看不见的字符（U+202E），请删去后重新输入。")},
            {QStringLiteral("admin\u00A0"), sameLook},
            {QStringLiteral("ａｄｍｉｎ"), sameLook},
            {QStringLiteral("\u0430dmin"), sameLook}, // Cyrillic а
            {QStringLiteral("adrnin"), sameLook},     // r and n side by side read as m
        };
        for (const auto& [typed, refusal] : cases) {
            QCOMPARE(refusalOf([&] { accounts.add(typed, "x"); }), refusal);
            QCOMPARE(refusalOf([&] { accounts.change(clerk, typed, std::nullopt); }), refusal);
        }
        // The clerk renaming himself is refused alike.
        app.logInAs("clerk");
        QCOMPARE(refusalOf([&] { AdminAccounts(db).change(clerk, QStringLiteral("ａｄｍｉｎ"), std::nullopt); }),
                 sameLook);
        QCOMPARE(accountNames(db), QStringList({"admin", "clerk"}));

        // The super administrator keeps his own name on a change; other names pass.
        app.logInAs("admin");
        QCOMPARE(refusalOf([&] { accounts.change(1, " admin ", std::nullopt); }), QString());
        QCOMPARE(refusalOf([&] { accounts.add("admin2", "x"); }), QString());
        QCOMPARE(refusalOf([&] { accounts.add("出纳", "x"); }), QString());
        QCOMPARE(refusalOf([&] { accounts.add("出纳\u200D", "x"); }),
                 QStringLiteral("账号中有看不见的字符（U+200D），请删去后重新输入。"));
        QCOMPARE(accountNames(db), QStringList({"admin", "clerk", "admin2", "出纳"}));
    }

    // Employees may share a name, so look-alikes are named for a question, not refused; a name
    // with a character that does not show is refused and nothing is stored.
    void employeeNamesThatLookTheSameAreNamed()
    {
        TestApp app;
        Database& db = app.db();
        MasterRecords employees(db, MasterKind::Employee);
        const auto values = [](const QString& number, const QString& name) {
            return QStringList{number, name, {}, {}, QStringLiteral("一车间"), QStringLiteral("装配"), {}, {}};
        };
        employees.save(0, values("001", QStringLiteral("Anna")));
        employees.save(0, values("002", QStringLiteral("吴十")));
        QCOMPARE(employees.lookAlikeNames(QStringLiteral("\u0410nna"), 0), QStringList{"Anna（工号 001）"});
        QCOMPARE(employees.lookAlikeNames(QStringLiteral("Ａｎｎａ"), 0), QStringList{"Anna（工号 001）"});
        QCOMPARE(employees.lookAlikeNames(QStringLiteral(" 吴十\u00A0"), 0), QStringList{"吴十（工号 002）"});
        QVERIFY(employees
                    .lookAlikeNames(QStringLiteral("吴十"),
                                    db.scalar("SELECT id FROM 员工 WHERE 工号 = '002'").toLongLong())
                    .isEmpty());
        QVERIFY(employees.lookAlikeNames(QStringLiteral("吴士"), 0).isEmpty());
        QCOMPARE(refusalOf([&] { employees.save(0, values("003", QStringLiteral("吴\u200B十"))); }),
                 QStringLiteral("姓名中有看不见的字符（U+200B），请删去后重新输入。"));
        QCOMPARE(db.scalar("SELECT count(*) FROM 员工").toInt(), 2);
        QVERIFY(namesLookAlike(QStringLiteral("ｐａｙ"), QStringLiteral("pay")));
        QVERIFY(!namesLookAlike(QStringLiteral("pay"), QStringLiteral("pat")));
    }
};

QTEST_GUILESS_MAIN(TestLookAlikes)
#include "test_lookalikes.moc"
