#include "TestDb.h"
#include "data/Accounts.h"
#include "data/Database.h"
#include "data/Passwords.h"
#include "data/Schema.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

class TestDatabase : public QObject {
    Q_OBJECT
private slots:
    void newDatabaseHasTenTablesAndSuperAdmin()
    {
        TestApp app;
        const QStringList tables{QStringLiteral("员工"),     QStringLiteral("产品工价"), QStringLiteral("扣减项目"),
                                 QStringLiteral("工资流水"), QStringLiteral("扣减流水"), QStringLiteral("员工工资"),
                                 QStringLiteral("管理员"),   QStringLiteral("车间"),     QStringLiteral("工种"),
                                 QStringLiteral("计量单位")};
        for (const QString& t : tables)
            QCOMPARE(
                app.db()
                    .scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?"), {t})
                    .toInt(),
                1);
        // Column order is part of the stored format: id first, then as the tables list them.
        Statement st = app.db().prepare(QStringLiteral("SELECT * FROM 员工"));
        QStringList cols;
        for (int i = 0; i < st.columnCount(); ++i)
            cols << st.columnName(i);
        QCOMPARE(cols.join(u','), QStringLiteral("id,工号,姓名,性别,身份证号,车间,工种,上岗时间,备注"));
        QCOMPARE(accountNames(app.db()), QStringList{QStringLiteral("admin")});
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT id FROM 管理员")).toInt(), 1);
    }

    void awkwardTextIsStoredExactly()
    {
        TestApp app;
        const QString nasty = QStringLiteral("O'Brien 100% \\ \"x\"\n第二行 '; DROP TABLE 员工; --");
        app.db().exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名) VALUES (?, ?)"), {QStringLiteral("E1"), nasty});
        QCOMPARE(
            app.db().scalar(QStringLiteral("SELECT 姓名 FROM 员工 WHERE 工号=?"), {QStringLiteral("E1")}).toString(),
            nasty);
        // LIKE with a bound pattern finds the literal text too.
        QCOMPARE(
            app.db()
                .scalar(QStringLiteral("SELECT count(*) FROM 员工 WHERE 姓名 LIKE ?"), {QStringLiteral("%O'Brien%")})
                .toInt(),
            1);
    }

    void typedReads()
    {
        TestApp app;
        app.db().exec(QStringLiteral("INSERT INTO 产品工价 (产品编号, 工价) VALUES (?, ?)"),
                      {QStringLiteral("P1"), 1.25});
        Statement st = app.db().prepare(QStringLiteral("SELECT 产品编号, 工价, 备注 FROM 产品工价"));
        QVERIFY(st.next());
        QCOMPARE(st.text(0), QStringLiteral("P1"));
        QCOMPARE(st.number(1), 1.25);
        QVERIFY(st.isNull(2));
        QCOMPARE(st.text(2), QString());
        QCOMPARE(st.columnIndex(QStringLiteral("工价")), 1);
        QVERIFY(!st.next());
        QVERIFY(app.db().scalar(QStringLiteral("SELECT max(id) FROM 员工")).isNull());
    }

    void transactionRollsBackUnlessCommitted()
    {
        TestApp app;
        try {
            Transaction tx(app.db());
            app.db().exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES (?)"), {QStringLiteral("一车间")});
            app.db().exec(QStringLiteral("INSERT INTO no_such_table VALUES (1)"));
            tx.commit();
            QFAIL("the bad statement should have thrown");
        } catch (const DbError& e) {
            QVERIFY(e.message().contains(QStringLiteral("no_such_table")));
        }
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT count(*) FROM 车间")).toInt(), 0);

        {
            Transaction tx(app.db());
            app.db().exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES (?)"), {QStringLiteral("二车间")});
            tx.commit();
        }
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT count(*) FROM 车间")).toInt(), 1);
    }

    void wrongKeyDamagedFileAndMissingKeyFileFailCleanly()
    {
        TestApp app;
        const QString path = app.ctx().paths().database();
        QVERIFY_THROWS_EXCEPTION(DbError, Database(path, QStringLiteral("not the key")));

        QFile::remove(app.ctx().paths().keyFile());
        QString error;
        QVERIFY(!app.ctx().reconnect(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!app.ctx().isConnected());
        QVERIFY_THROWS_EXCEPTION(DbError, app.ctx().conn());

        QTemporaryDir dir;
        const QString junk = dir.filePath(QStringLiteral("junk.mdb"));
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
        f.close();
        QVERIFY_THROWS_EXCEPTION(DbError, Database(junk, dbPass(app.ctx().paths().keyFile())));
        QVERIFY_THROWS_EXCEPTION(DbError, Database(dir.filePath(QStringLiteral("absent.mdb")), QStringLiteral("k")));
    }

    void fileIsEncryptedAndOpensWithDerivedKey()
    {
        TestApp app;
        const QString key = dbPass(app.ctx().paths().keyFile());
        QCOMPARE(key.size(), 11);
        QFile f(app.ctx().paths().database());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(!f.read(16).startsWith("SQLite format 3"));
        f.close();

        const QString sqlcipher = QStandardPaths::findExecutable(QStringLiteral("sqlcipher"));
        if (sqlcipher.isEmpty())
            QSKIP("sqlcipher command-line tool not installed");
        QProcess p;
        p.start(sqlcipher, {app.ctx().paths().database()});
        QVERIFY(p.waitForStarted());
        p.write(QStringLiteral("PRAGMA key = '%1';\nPRAGMA cipher_page_size = 4096;\nSELECT 账号 FROM 管理员;\n")
                    .arg(key)
                    .toUtf8());
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished());
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).contains(QStringLiteral("admin")));
    }

    void passwordsAreHashedAndCaseSensitive()
    {
        TestApp app;
        const QString stored = app.db().scalar(QStringLiteral("SELECT 密码 FROM 管理员 WHERE id=1")).toString();
        QVERIFY(stored != QStringLiteral("admin123"));
        QVERIFY(verifyPassword(stored, QStringLiteral("admin123")));
        QVERIFY(!verifyPassword(stored, QStringLiteral("ADMIN123")));
        QVERIFY(!verifyPassword(QStringLiteral("garbage"), QStringLiteral("admin123")));

        QCOMPARE(checkLogin(app.db(), QStringLiteral(" \tadmin\t "), QStringLiteral(" admin123\t")),
                 std::optional<QString>(QStringLiteral("admin")));
        QVERIFY(!checkLogin(app.db(), QStringLiteral("Admin"), QStringLiteral("admin123")));
        QVERIFY(!checkLogin(app.db(), QStringLiteral("admin"), QStringLiteral("Admin123")));
        QVERIFY(!checkLogin(app.db(), QString(), QString()));
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"
