#include "TestDb.h"
#include "data/Accounts.h"
#include "data/Database.h"
#include "data/Passwords.h"
#include "data/PgDialect.h"
#include "data/Schema.h"
#include "data/Tables.h"
#include "maintenance/ServerCopy.h"
#include "data/PgEngine.h"
#include "entry/MonthRecords.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

using namespace kv;

namespace {
QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList tablesIn(Database& db)
{
    return sorted(db.tables());
}

// The program's history and two versions after it: a table, then a column.
constexpr auto kAddTable = [](Database& db) {
    db.execScript(QStringLiteral("CREATE TABLE 月汇总 (工号 TEXT, 月份 TEXT)"));
};
constexpr auto kAddColumn = [](Database& db) {
    db.execScript(QStringLiteral("ALTER TABLE 月汇总 ADD COLUMN 金额 REAL"));
};

std::vector<SchemaStep> withTwoMore(void (*second)(Database&))
{
    std::vector<SchemaStep> steps(programSchema().begin(), programSchema().end());
    steps.push_back({latestVersion() + 1, kAddTable});
    steps.push_back({latestVersion() + 2, second});
    return steps;
}

SchemaSteps twoVersionsMore()
{
    static const std::vector<SchemaStep> steps = withTwoMore(kAddColumn);
    return steps;
}

// The second of the two fails half-way, after it has changed something.
SchemaSteps failingSecondMore()
{
    static const std::vector<SchemaStep> steps = withTwoMore([](Database& db) {
        kAddColumn(db);
        db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES (?)"), {QStringLiteral("升级中")});
        db.execScript(QStringLiteral("INSERT INTO no_such_table VALUES (1)"));
    });
    return steps;
}

QString notCompleted(int version)
{
    return QStringLiteral("第 %1 版没有完成").arg(version);
}
} // namespace

class TestDatabase : public QObject {
    Q_OBJECT
private slots:
    void newDatabaseHasTenTablesAndSuperAdmin()
    {
        TestApp app;
        // The file holds exactly the tables of the list that clearing and the tests go by.
        QStringList listed;
        for (const TableDef& table : schemaTables())
            listed << QString::fromUtf16(table.name);
        QCOMPARE(tablesIn(app.db()), sorted(listed));
        // Column order is part of the stored format: id first, then as the tables list them.
        Statement st = app.db().prepare(QStringLiteral("SELECT * FROM 员工"));
        QStringList cols;
        for (int i = 0; i < st.columnCount(); ++i)
            cols << st.columnName(i);
        QCOMPARE(cols.join(u','),
                 QStringLiteral("id,工号,姓名,性别,身份证号,车间,工种,上岗时间,备注,开户银行,银行卡号,发放方式,离职日期"));
        QCOMPARE(accountNames(app.db()), QStringList{QStringLiteral("admin")});
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT id FROM 管理员")).toInt(), 1);
    }

    void olderFilesAreUpgradedStepByStep()
    {
        TestApp app;
        Database& db = app.db();
        QCOMPARE(storedVersion(db), latestVersion());
        db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES (?)"), {QStringLiteral("一车间")});
        const QStringList v1Tables = tablesIn(db);

        // A file of today's version opens as it is.
        upgradeSchema(db);
        QCOMPARE(tablesIn(db), v1Tables);

        upgradeSchema(db, twoVersionsMore());
        QCOMPARE(storedVersion(db), latestVersion() + 2);
        Statement st = db.prepare(QStringLiteral("SELECT * FROM 月汇总"));
        QCOMPARE(st.columnCount(), 3);
        QCOMPARE(db.scalar(QStringLiteral("SELECT 车间 FROM 车间")).toString(), QStringLiteral("一车间"));
        // Steps already taken are not run again (the table exists: a second run would fail).
        upgradeSchema(db, twoVersionsMore());
        QCOMPARE(storedVersion(db), latestVersion() + 2);

        // A new file runs every step at once and ends where an upgraded one does.
        QTemporaryDir dir;
        Database fresh(dir.filePath(QStringLiteral("new.mdb")), QStringLiteral("k"), true);
        createSchema(fresh, twoVersionsMore());
        QCOMPARE(storedVersion(fresh), latestVersion() + 2);
        QCOMPARE(tablesIn(fresh), tablesIn(db));
    }

    void failedStepLeavesTheFileAtTheVersionBefore()
    {
        TestApp app;
        Database& db = app.db();
        try {
            upgradeSchema(db, failingSecondMore());
            QFAIL("the third step should have failed");
        } catch (const DbError& e) {
            QVERIFY(e.message().contains(notCompleted(latestVersion() + 2)));
            QVERIFY(e.message().contains(QStringLiteral("第 %1 版").arg(latestVersion() + 1)));
            QVERIFY(e.message().contains(QStringLiteral("no_such_table")));
        }
        // Step 2 stays done; nothing of step 3 is left behind.
        QCOMPARE(storedVersion(db), latestVersion() + 1);
        QCOMPARE(db.prepare(QStringLiteral("SELECT * FROM 月汇总")).columnCount(), 2);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM 车间")).toInt(), 0);

        // Opening the file through the program's connection tries again and says why it failed.
        app.ctx().setSchema(failingSecondMore());
        QString error;
        bool refused = false;
        QVERIFY(!app.ctx().reconnect(&error, &refused));
        QVERIFY(refused);
        QVERIFY(error.contains(notCompleted(latestVersion() + 2)));
        QVERIFY(!app.ctx().isConnected());
        app.ctx().setSchema(twoVersionsMore());
        QVERIFY(app.ctx().reconnect());
        QCOMPARE(storedVersion(app.db()), latestVersion() + 2);
    }

    void newerFileIsRefusedAndLeftAlone()
    {
        if (TestApp::onServer())
            QSKIP("about the data file");
        TestApp app;
        const int newer = latestVersion() + 1;
        app.db().exec(QStringLiteral("UPDATE kelvaro_meta SET value = ? WHERE key = 'schema_version'"), {newer});
        app.ctx().disconnect();
        QFile file(app.ctx().paths().database());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        QString error;
        bool refused = false;
        QVERIFY(!app.ctx().reconnect(&error, &refused));
        QVERIFY(refused);
        QVERIFY(error.startsWith(QStringLiteral("数据文件来自更新的版本")));
        QVERIFY(error.contains(QString::number(newer)));
        QVERIFY(!app.ctx().isConnected());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);

        // A file that cannot be opened at all is not "refused": the caller shows the usual warning.
        QFile::remove(app.ctx().paths().keyFile());
        QVERIFY(!app.ctx().reconnect(&error, &refused));
        QVERIFY(!refused);

        // Nor is a file without a version a file of this program.
        QTemporaryDir dir;
        Database bare(dir.filePath(QStringLiteral("bare.mdb")), QStringLiteral("k"), true);
        bare.execScript(QStringLiteral("CREATE TABLE kelvaro_meta (key TEXT PRIMARY KEY, value TEXT)"));
        QVERIFY_THROWS_EXCEPTION(DbError, upgradeSchema(bare));
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
        // Read as bytes, it is the same text before decoding; a leading byte order mark is part of it.
        const QString marked = QChar(0xFEFF) + nasty;
        app.db().exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名) VALUES (?, ?)"), {QStringLiteral("E2"), marked});
        Statement st = app.db().prepare(QStringLiteral("SELECT 姓名 FROM 员工 ORDER BY 工号"));
        for (const QString& text : {nasty, marked}) {
            QVERIFY(st.next());
            QCOMPARE(st.utf8(0).toByteArray(), text.toUtf8());
            QCOMPARE(st.text(0), text);
        }
    }

    // A file's tables copied whole into the data (a restore into the server goes this way):
    // every text as typed, nulls apart from empty texts, doubles to the last bit, ids kept and
    // followed; a copy that fails leaves the data as they were.
    void wholeTablesCopyExactly()
    {
        TestApp app;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("source.mdb"));
        const QString key = dbPass(app.ctx().paths().keyFile());
        const QStringList awkward{QStringLiteral("\\N"), QStringLiteral("a\tb"), QStringLiteral("行一\n行二\r\n"),
                                  QStringLiteral("C:\\工资\\"), QStringLiteral("\uFEFF前"), QStringLiteral("😀 O'Brien \"x\""),
                                  QString()};
        {
            Database file(path, key, true);
            createSchema(file);
            for (int i = 0; i < awkward.size(); ++i)
                file.exec(QStringLiteral("INSERT INTO 员工 (id, 工号, 姓名, 备注) VALUES (?, ?, ?, ?)"),
                          {5 + 4 * i, QStringLiteral("E%1").arg(i), awkward.at(i),
                           i % 2 ? QVariant() : QVariant(QString())});
            file.exec(QStringLiteral("INSERT INTO 产品工价 (产品编号, 工价) VALUES (?, ?), (?, ?)"),
                      {QStringLiteral("P1"), 0.1 + 0.2, QStringLiteral("P2"), 1e-7});
        }
        const auto rowsOf = [](Database& db, const QString& sql) {
            QStringList rows;
            Statement st = db.prepare(sql);
            while (st.next()) {
                QStringList cells;
                for (int c = 0; c < st.columnCount(); ++c)
                    cells << (st.isNull(c) ? QStringLiteral("<null>") : st.value(c).toString());
                rows << cells.join(u'|');
            }
            return rows;
        };
        const QString employees = QStringLiteral("SELECT id, 工号, 姓名, 备注 FROM 员工 ORDER BY id");
        QStringList expected;
        {
            Database file(path, key);
            expected = rowsOf(file, employees);
        }
        {
            Transaction tx(app.db());
            copyFileInto(path, key, app.db());
            tx.commit();
        }
        QCOMPARE(rowsOf(app.db(), employees), expected);
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT 工价 FROM 产品工价 WHERE 产品编号 = 'P1'")).toDouble(), 0.1 + 0.2);
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT 工价 FROM 产品工价 WHERE 产品编号 = 'P2'")).toDouble(), 1e-7);
        app.db().exec(QStringLiteral("INSERT INTO 员工 (工号) VALUES ('new')"));
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT id FROM 员工 WHERE 工号 = 'new'")).toInt(), 5 + 4 * 6 + 1);

        // A table refused half-way through the copy: nothing of it stays, the tables before it
        // included.
        failInserts(app.db(), QStringLiteral("kv_refuse_products"), QStringLiteral("产品工价"),
                    QStringLiteral("refused"));
        app.db().exec(QStringLiteral("DELETE FROM 员工 WHERE 工号 <> 'new'"));
        QVERIFY_THROWS_EXCEPTION(DbError, [&] {
            Transaction tx(app.db());
            copyFileInto(path, key, app.db());
            tx.commit();
        }());
        liftFailure(app.db(), QStringLiteral("kv_refuse_products"), QStringLiteral("产品工价"));
        QCOMPARE(employeeNames(app.db()), QStringList{QString()});
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT count(*) FROM 产品工价")).toInt(), 2);
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
        QCOMPARE(st.decimal(1), *Decimal::parse(QStringLiteral("1.25")));
        QVERIFY(st.isNull(2));
        QCOMPARE(st.text(2), QString());
        QVERIFY(st.utf8(2).isEmpty());
        QCOMPARE(st.decimal(2), Decimal());
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

    // What the features rely on, alike on both engines.
    void enginesAgreeOnIdsUpsertsLikeAndSums()
    {
        TestApp app;
        Database& db = app.db();
        // An id given by an insert moves the counter past it; ids are never given twice.
        db.exec(QStringLiteral("INSERT INTO 车间 (id, 车间) VALUES (?, ?)"), {41, QStringLiteral("甲")});
        db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES (?)"), {QStringLiteral("乙")});
        QCOMPARE(db.scalar(QStringLiteral("SELECT id FROM 车间 WHERE 车间 = ?"), {QStringLiteral("乙")}).toInt(), 42);
        db.exec(QStringLiteral("DELETE FROM 车间 WHERE id = 42"));
        db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES (?)"), {QStringLiteral("丙")});
        QCOMPARE(db.scalar(QStringLiteral("SELECT id FROM 车间 WHERE 车间 = ?"), {QStringLiteral("丙")}).toInt(), 43);
        // Inside a transaction, as a restore copies a table: many given ids, then a row without
        // one in the same transaction and one after it.
        {
            Transaction tx(db);
            Statement given = db.prepare(QStringLiteral("INSERT INTO 车间 (id, 车间) VALUES (?, ?)"));
            for (int id = 100; id < 110; ++id) {
                given.bindAll({id, QStringLiteral("复制")}).run();
                given.reset();
            }
            db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES (?)"), {QStringLiteral("丁")});
            tx.commit();
        }
        db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES (?)"), {QStringLiteral("戊")});
        QCOMPARE(db.scalar(QStringLiteral("SELECT id FROM 车间 WHERE 车间 = ?"), {QStringLiteral("丁")}).toInt(), 110);
        QCOMPARE(db.scalar(QStringLiteral("SELECT id FROM 车间 WHERE 车间 = ?"), {QStringLiteral("戊")}).toInt(), 111);

        // An upsert replaces the row of the same key and adds one for a new key.
        const QString put =
            db.upsertSql(QStringLiteral("kelvaro_meta"), {QStringLiteral("key"), QStringLiteral("value")});
        db.exec(put, {QStringLiteral("k"), QStringLiteral("1")});
        db.exec(put, {QStringLiteral("k"), QStringLiteral("2")});
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) || '/' || max(value) FROM kelvaro_meta WHERE key = 'k'"))
                     .toString(),
                 QStringLiteral("1/2"));

        // LIKE ignores the case of A-Z only; an escaped wildcard is a literal; a ? inside quotes
        // is text, not a value.
        for (const char* name : {"Abc 50%", "abc 500", "Äbc", "äbc?"})
            db.exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名, 备注) VALUES (?, ?, 'x')"),
                    {QString::fromUtf8(name), QString::fromUtf8(name)});
        const auto likeCount = [&](const char* pattern) {
            return db
                .scalar(QStringLiteral("SELECT count(*) FROM 员工 WHERE 姓名 LIKE ? ESCAPE '\\'"),
                        {QString::fromUtf8(pattern)})
                .toInt();
        };
        QCOMPARE(likeCount("ABC%"), 2);
        QCOMPARE(likeCount("%50\\%"), 1);
        QCOMPARE(likeCount("äbc%"), 1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM 员工 WHERE 姓名 = 'äbc?' AND 备注 = ?"),
                           {QStringLiteral("x")})
                     .toInt(),
                 1);

        // Text sorts by code point; sums of cents come to their cents; total() of nothing is 0.
        QCOMPARE(db.scalar(QStringLiteral("SELECT min(姓名) FROM 员工 WHERE 备注 = 'x'")).toString(),
                 QStringLiteral("Abc 50%"));
        {
            Transaction tx(db);
            Statement insert =
                db.prepare(QStringLiteral("INSERT INTO 扣减流水 (工号, 日期, 扣减金额) VALUES ('x', '2008-05-01', ?)"));
            for (int i = 0; i < 1000; ++i) {
                insert.bind(1, 0.1).run();
                insert.reset();
            }
            tx.commit();
        }
        QCOMPARE(db.scalar(QStringLiteral("SELECT decimal_sum(扣减金额) FROM 扣减流水")).toDouble(), 100.0);
        QCOMPARE(db.scalar(QStringLiteral("SELECT total(扣减金额) FROM 扣减流水 WHERE 工号 = 'y'")).toDouble(), 0.0);
        QVERIFY(db.scalar(QStringLiteral("SELECT decimal_sum(扣减金额) FROM 扣减流水 WHERE 工号 = 'y'")).isNull());

        // A sum's digits are those of the exact decimal, whatever its sign and places, and read
        // back the same from the sum, a REAL, an integer and a text.
        for (const char* amounts : {"-0.000001", "0.1,-0.1", "12.5,-0.005", "-999999999.999999,0.000009",
                                    "100000000,3,0.25", "-7"}) {
            Decimal exact;
            db.exec(QStringLiteral("DELETE FROM 扣减流水 WHERE 工号 = 'z'"));
            for (const QString& amount : QString::fromLatin1(amounts).split(u',')) {
                exact += *Decimal::parse(amount);
                db.exec(QStringLiteral("INSERT INTO 扣减流水 (工号, 日期, 扣减金额) VALUES ('z', '2008-05-01', ?)"),
                        {amount.toDouble()});
            }
            Statement sum = db.prepare(QStringLiteral(
                "SELECT decimal_sum(扣减金额), max(扣减金额), CAST(min(扣减金额) AS INTEGER), '  ' || decimal_sum(扣减金额) "
                "FROM 扣减流水 WHERE 工号 = 'z'"));
            QVERIFY(sum.next());
            QCOMPARE(Decimal::fromStoredText(sum.text(0)), exact);
            if (!db.isServer()) // the file's own function writes the plain digits
                QCOMPARE(sum.text(0), exact.plainText());
            QCOMPARE(sum.decimal(0), exact);
            QCOMPARE(sum.decimal(3), exact);
            Statement each = db.prepare(QStringLiteral("SELECT 扣减金额 FROM 扣减流水 WHERE 工号 = 'z'"));
            Decimal max;
            for (bool first = true; each.next(); first = false)
                max = first ? each.decimal(0) : std::max(max, each.decimal(0));
            QCOMPARE(sum.decimal(1), max);
            QCOMPARE(sum.decimal(2), Decimal::fromInteger(sum.integer(2)));
        }

        // A sum beyond the figures the program holds is an error, never a wrapped number: each
        // amount alone fits, the two together do not.
        db.exec(QStringLiteral("DELETE FROM 扣减流水 WHERE 工号 = 'z'"));
        for (int i = 0; i < 2; ++i)
            db.exec(QStringLiteral("INSERT INTO 扣减流水 (工号, 日期, 扣减金额) VALUES ('z', '2008-05-01', ?)"), {5e12});
        const auto overflowingSum = [&] {
            Statement sum = db.prepare(QStringLiteral("SELECT decimal_sum(扣减金额) FROM 扣减流水 WHERE 工号 = 'z'"));
            return sum.next() ? sum.decimal(0) : Decimal();
        };
        QVERIFY_THROWS_EXCEPTION(Error, overflowingSum());
        db.exec(QStringLiteral("DELETE FROM 扣减流水 WHERE 工号 = 'z'"));
        QVERIFY(db.scalar(QStringLiteral("SELECT count(*) FROM 扣减流水")).toInt() > 0);
    }

    // A statement that fails inside a transaction undoes the whole transaction, also when the
    // caller goes on and commits, and the connection stays usable.
    void failedStatementInATransactionUndoesItAll()
    {
        TestApp app;
        Database& db = app.db();
        {
            Transaction tx(db);
            db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES ('一')"));
            QVERIFY_THROWS_EXCEPTION(DbError, db.exec(QStringLiteral("INSERT INTO no_such_table VALUES (1)")));
            try {
                tx.commit();
                // The file engine keeps what was done before the failed statement; the caller
                // decides. The server cannot: it must say that nothing was kept.
                QVERIFY(!db.isServer());
            } catch (const DbError&) {
                QVERIFY(db.isServer());
            }
        }
        const int kept = db.isServer() ? 0 : 1;
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM 车间")).toInt(), kept);
        db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES ('二')"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM 车间")).toInt(), kept + 1);
    }

    // A value the statement gives no type to (? IS NULL) is read as text, also inside a
    // transaction, where the server's first refusal of the statement must not end the transaction.
    void valueWithoutTypeIsTextInsideATransaction()
    {
        TestApp app;
        Database& db = app.db();
        for (const QString& workshop : {QStringLiteral("一"), QStringLiteral("二")}) {
            Transaction tx(db);
            db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES (?)"), {workshop});
            QCOMPARE(db.scalar(QStringLiteral("SELECT CASE WHEN ? IS NULL THEN '' ELSE ? END"), {workshop, workshop})
                         .toString(),
                     workshop);
            db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES (?)"), {workshop + u'a'});
            tx.commit();
        }
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM 车间")).toInt(), 4);
    }

    // A transaction opened inside another is a part of it: its commit keeps its rows for the outer
    // one to decide on, its rollback undoes only its own rows, and the outer rollback undoes all.
    void nestedTransactionsArePartsOfTheOuterOne()
    {
        TestApp app;
        Database& db = app.db();
        const auto workshops = [&] {
            QStringList names;
            Statement st = db.prepare(QStringLiteral("SELECT 车间 FROM 车间 ORDER BY 车间"));
            while (st.next())
                names << st.text(0);
            return names;
        };
        const auto add = [&](const char* name) {
            db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES (?)"), {QString::fromUtf8(name)});
        };
        std::unique_ptr<Database> other = app.connect();
        {
            Transaction outer(db);
            add("一");
            {
                Transaction inner(db);
                add("二");
                inner.commit();
            }
            // The inner commit did not end the outer transaction: nobody else sees the rows yet.
            QCOMPARE(other->scalar(QStringLiteral("SELECT count(*) FROM 车间")).toInt(), 0);
            {
                Transaction cancelled(db);
                add("三");
            }
            QVERIFY(db.inTransaction());
            // A failing statement inside a part is undone with the part; the outer one goes on.
            try {
                Transaction failing(db);
                add("四");
                db.exec(QStringLiteral("INSERT INTO no_such_table VALUES (1)"));
                failing.commit();
                QFAIL("the statement should have failed");
            } catch (const DbError&) {
            }
            add("五");
            outer.commit();
        }
        QCOMPARE(workshops(), (QStringList{"一", "二", "五"}));
        QVERIFY(!db.inTransaction());
        {
            Transaction outer(db);
            Transaction inner(db);
            add("六");
            inner.commit();
            // Maintenance never starts half-way through other work.
            QVERIFY_THROWS_EXCEPTION(DbError, Transaction(db, Access::Maintenance));
        }
        QCOMPARE(workshops(), (QStringList{"一", "二", "五"}));
    }

    // The program's tables are in the schema the connection settings name, whatever schema the
    // role's own search path puts first; a schema with tables of something else is not filled.
    void theNamedSchemaHoldsTheDataWhateverTheSearchPath()
    {
        if (!TestApp::onServer())
            QSKIP("about the server");
        TestApp app;
        app.db().exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名) VALUES ('001', '张三')"));
        const QString base = qEnvironmentVariable("KV_TEST_PG");
        const QString schema = serverSchema(app.ctx().server());
        const QString trap = schema + QStringLiteral("_own");
        Database::openServer(base)->execScript(
            QStringLiteral("CREATE SCHEMA %1; CREATE TABLE %1.员工 (工号 TEXT, 姓名 TEXT); "
                           "INSERT INTO %1.员工 VALUES ('999', '别处')")
                .arg(trap));
        const auto cleanUp = qScopeGuard(
            [&] { Database::openServer(base)->execScript(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(trap)); });

        // A role whose search path names its own schema first still reads the program's schema.
        const QString ownPath = base + QStringLiteral(" options='-csearch_path=%1' schema=%2").arg(trap, schema);
        std::unique_ptr<Database> clerk = Database::openServer(ownPath);
        QCOMPARE(clerk->scalar(QStringLiteral("SELECT 姓名 FROM 员工")).toString(), QStringLiteral("张三"));
        QVERIFY(clerk->tables().contains(QStringLiteral("kelvaro_meta")));

        // A schema with a table of something else is neither taken for new data nor filled.
        AppContext other(app.dir());
        other.setServer(base + QStringLiteral(" schema=") + trap);
        QString error;
        QVERIFY(!other.reconnect(&error));
        QVERIFY2(error.contains(QStringLiteral("不是本系统的数据")), qPrintable(error));
        QCOMPARE(Database::openServer(base)
                     ->scalar(QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE table_schema = ?"),
                              {trap})
                     .toInt(),
                 1);
    }

    // A connection cut in the middle of a save reports the save as not done and keeps none of it;
    // the next save opens the connection anew. One cut while idle is reopened at the next action.
    void aLostConnectionIsReopenedAndACutSaveKeepsNothing()
    {
        if (!TestApp::onServer())
            QSKIP("about the server");
        TestApp app;
        Database& db = app.db();
        std::unique_ptr<Database> admin = Database::openServer(qEnvironmentVariable("KV_TEST_PG"));
        const auto cut = [&] {
            const QVariant pid = db.scalar(QStringLiteral("SELECT pg_backend_pid()"));
            admin->exec(QStringLiteral("SELECT pg_terminate_backend(CAST(? AS integer))"), {pid.toString()});
        };
        const auto count = [&] { return db.scalar(QStringLiteral("SELECT count(*) FROM 车间")).toInt(); };
        try {
            Transaction tx(db);
            db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES ('一')"));
            cut();
            db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES ('二')"));
            tx.commit();
            QFAIL("the save should have been refused");
        } catch (const DbError& e) {
            QCOMPARE(e.cause(), Cause::ConnectionLost);
            QVERIFY2(e.userText().startsWith(
                         QStringLiteral("与数据库服务器的连接已断开，本次保存未完成，请重新保存。\n数据库服务器 ")),
                     qPrintable(e.userText()));
        }
        QCOMPARE(count(), 0);
        {
            Transaction tx(db);
            db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES ('三')"));
            tx.commit();
        }
        QCOMPARE(count(), 1);

        // Cut while idle (the server restarted between two actions): reading and saving go on.
        cut();
        QCOMPARE(count(), 1);
        cut();
        {
            Transaction tx(db);
            db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES ('四')"));
            tx.commit();
        }
        QCOMPARE(count(), 2);
    }

    // Failures name their cause in the program's words, with the server's text after it; a save
    // that crossed another clerk's change is tried again, a bounded number of times.
    void serverFailuresNameTheirCauseAndConflictsAreRetried()
    {
        if (!TestApp::onServer())
            QSKIP("about the server");
        TestApp app;
        Database& db = app.db();
        const QString role = serverSchema(app.ctx().server()) + QStringLiteral("_reader");
        db.execScript(QStringLiteral("CREATE ROLE %1 NOLOGIN; GRANT USAGE ON SCHEMA %2 TO %1")
                          .arg(role, serverSchema(app.ctx().server())));
        const auto dropRole = qScopeGuard([&] {
            db.execScript(QStringLiteral("RESET ROLE; DROP OWNED BY %1; DROP ROLE %1").arg(role));
        });
        db.execScript(QStringLiteral("SET ROLE %1").arg(role));
        try {
            db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES ('一')"));
            QFAIL("the role may not write");
        } catch (const DbError& e) {
            QVERIFY2(e.cause() == Cause::PermissionDenied, qPrintable(e.message()));
            QVERIFY2(e.userText().startsWith(QStringLiteral("数据库服务器 ") + db.location()), qPrintable(e.userText()));
            QVERIFY(e.userText().contains(QStringLiteral("没有这项权限")));
            QVERIFY(e.userText().endsWith(e.message()));
            QVERIFY(!e.userText().contains(QStringLiteral("文件")));
        }
        db.execScript(QStringLiteral("RESET ROLE"));

        // The first two tries of a save meet a serialization failure, the third goes through.
        db.execScript(QStringLiteral(
            "CREATE SEQUENCE tries; CREATE FUNCTION crossed() RETURNS trigger LANGUAGE plpgsql AS $body$ BEGIN "
            "IF nextval('tries') <= 2 THEN RAISE EXCEPTION 'crossed' USING ERRCODE = 'serialization_failure'; "
            "END IF; RETURN NEW; END $body$; "
            "CREATE TRIGGER crossed BEFORE INSERT ON 员工工资 FOR EACH ROW EXECUTE FUNCTION crossed()"));
        MonthRecords records(db);
        const MonthTexts sheet{QStringLiteral("2008-5"), QStringLiteral("001"), QStringLiteral("张三"),
                               {{"2008-5-3", "外壳", "个", "2", "", "", "1.5", ""}}, {}};
        records.saveMonth(readMonthSheet(sheet));
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM 员工工资")).toInt(), 1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM 工资流水")).toInt(), 1);
        // Crossing every time: given up after the bounded tries, nothing kept, the cause named.
        db.execScript(QStringLiteral(
            "CREATE OR REPLACE FUNCTION crossed() RETURNS trigger LANGUAGE plpgsql AS $body$ BEGIN "
            "PERFORM nextval('tries'); RAISE EXCEPTION 'crossed' USING ERRCODE = 'serialization_failure'; END $body$"));
        try {
            records.saveMonth(readMonthSheet(sheet));
            QFAIL("the save should have been given up");
        } catch (const DbError& e) {
            QCOMPARE(e.cause(), Cause::Conflict);
            QVERIFY2(e.userText().startsWith(QStringLiteral("另一位操作员同时在改同样的数据")), qPrintable(e.userText()));
        }
        QCOMPARE(db.scalar(QStringLiteral("SELECT nextval('tries')")).toInt(), 3 + kConflictAttempts + 1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM 工资流水")).toInt(), 1);
    }

    void serverThatCannotBeReachedIsNamed()
    {
        TestApp app;
        AppContext ctx(app.dir());
        ctx.setServer(QStringLiteral("host=/nonexistent/kelvaro port=5999 dbname=工资 connect_timeout=2"));
        QString error;
        QVERIFY(!ctx.reconnect(&error));
        QVERIFY2(error.startsWith(QStringLiteral("无法连接数据库服务器 /nonexistent/kelvaro:5999/工资")),
                 qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("No such file")), qPrintable(error));
        QVERIFY(!ctx.isConnected());
        // No silent fallback: the file beside it is not opened instead.
        QVERIFY_THROWS_EXCEPTION(DbError, ctx.conn());
    }

    void programSqlReadsAsServerSql()
    {
        const PgStatementText t = toPgDialect(
            QStringLiteral("SELECT '?', \"a?\", decimal_sum(金额), total(x) FROM t WHERE n LIKE ? AND m = ?"));
        QCOMPARE(t.sql,
                 QStringLiteral("SELECT '?', \"a?\", sum(round((金额)::numeric, 6)), coalesce(sum((x)::float8), 0) "
                                "FROM t WHERE n ILIKE $1 AND m = $2"));
        QCOMPARE(t.parameters, 2);
        QCOMPARE(toPgDialect(QStringLiteral("SELECT 'it''s ?' || ?")).sql, QStringLiteral("SELECT 'it''s ?' || $1"));
        QCOMPARE(
            toPgDialect(QStringLiteral("CREATE TABLE x (id INTEGER PRIMARY KEY AUTOINCREMENT, a REAL, b TEXT)")).sql,
            QStringLiteral("CREATE TABLE x (id BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, "
                           "a DOUBLE PRECISION, b TEXT COLLATE \"C\")"));
        // Type names are left alone outside table definitions (a column may be called text).
        QCOMPARE(toPgDialect(QStringLiteral("SELECT text FROM real")).sql, QStringLiteral("SELECT text FROM real"));
        QCOMPARE(toPgDialect(QStringLiteral(" insert into 员工 (id, 工号) VALUES (?, ?)")).explicitIdTable,
                 QStringLiteral("员工"));
        QVERIFY(toPgDialect(QStringLiteral("INSERT INTO 员工 (idx) VALUES (1)")).explicitIdTable.isEmpty());
    }

    void wrongKeyDamagedFileAndMissingKeyFileFailCleanly()
    {
        if (TestApp::onServer())
            QSKIP("about the data file");
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

    void failuresAreNamedInChineseWithTheEnginesText()
    {
        if (TestApp::onServer())
            QSKIP("about the data file");
        TestApp app;
        Database& db = app.db();
        const auto failure = [&](const QString& sql) -> DbError {
            try {
                db.exec(sql, {QString(20000, QChar(u'x'))});
            } catch (const DbError& e) {
                return e;
            }
            return DbError(QStringLiteral("no failure"));
        };
        const QString insert = QStringLiteral("INSERT INTO 员工 (备注) VALUES (?)");

        // The disk is full: the file may not grow by a single page.
        db.execScript(QStringLiteral("PRAGMA max_page_count = ") +
                      db.scalar(QStringLiteral("PRAGMA page_count")).toString());
        DbError full = failure(insert);
        QVERIFY2(full.userText().startsWith(QStringLiteral("磁盘空间不足，")), qPrintable(full.userText()));
        QCOMPARE(full.userText().split(u'\n').last(), full.message()); // the engine's own text follows
        QVERIFY(!full.message().isEmpty());
        db.execScript(QStringLiteral("PRAGMA max_page_count = 1073741823"));

        db.execScript(QStringLiteral("PRAGMA query_only = 1"));
        QVERIFY(failure(insert).userText().contains(QStringLiteral("只读")));
        db.execScript(QStringLiteral("PRAGMA query_only = 0"));

        // Another program holds the file.
        {
            Database other(app.ctx().paths().database(), dbPass(app.ctx().paths().keyFile()));
            other.execScript(QStringLiteral("BEGIN EXCLUSIVE"));
            db.execScript(QStringLiteral("PRAGMA busy_timeout = 0"));
            QVERIFY(failure(insert).userText().contains(QStringLiteral("另一个程序")));
        }

        // A page in the middle of the file is changed behind the program's back.
        db.execScript(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                                     "INSERT INTO 工资流水 (备注) SELECT printf('%0300d', i) FROM n"));
        app.ctx().disconnect();
        QFile file(app.ctx().paths().database());
        QVERIFY(file.open(QIODevice::ReadWrite));
        // Every bit of the byte flipped, so that it surely differs from what was there.
        const qint64 at = file.size() - 5 * 4096 + 100;
        char byte = 0;
        QVERIFY(file.seek(at) && file.getChar(&byte));
        QVERIFY(file.seek(at) && file.putChar(static_cast<char>(~byte)));
        file.close();
        QVERIFY(app.ctx().reconnect());
        try {
            app.db().scalar(QStringLiteral("SELECT sum(length(备注)) FROM 工资流水"));
            QFAIL("the damaged page should have been noticed");
        } catch (const Error& e) {
            QCOMPARE(e.kind(), Error::Kind::Database);
            QVERIFY2(e.userText().startsWith(QStringLiteral("数据文件已损坏，请从备份恢复")), qPrintable(e.userText()));
        }

        const InputError input(QStringLiteral("工价不是数字：贵"));
        QCOMPARE(input.kind(), Error::Kind::Input);
        QCOMPARE(input.userText(), QStringLiteral("工价不是数字：贵"));
    }

    void fileIsEncryptedAndOpensWithDerivedKey()
    {
        if (TestApp::onServer())
            QSKIP("about the data file");
        TestApp app;
        // A raw 256-bit key: the engine takes it as it is, with no password to guess.
        const QString key = dbPass(app.ctx().paths().keyFile());
        QVERIFY2(QRegularExpression(QStringLiteral("^x'[0-9A-F]{64}'$")).match(key).hasMatch(), qPrintable(key));
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
        p.write(QStringLiteral("PRAGMA key = \"%1\";\nPRAGMA cipher_page_size = 4096;\nSELECT 账号 FROM 管理员;\n")
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
