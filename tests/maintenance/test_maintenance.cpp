#include "TestDb.h"
#include "data/MonthlyTotals.h"
#include "data/Passwords.h"
#include "data/Schema.h"
#include "data/Tables.h"
#include "maintenance/Backup.h"
#include "maintenance/ClearData.h"
#include "maintenance/FileCopy.h"
#include "maintenance/Integrity.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace kv;

namespace {
const QStringList kBusinessTables = tableNames(TableRole::Data);

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

qint64 count(Database& db, const QString& table)
{
    return db.scalar(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table)).toLongLong();
}

void addEmployee(Database& db, const QString& number, const QString& name)
{
    db.exec("INSERT INTO 员工 (工号, 姓名, 车间) VALUES (?, ?, ?)", {number, name, "一车间"});
}

// A row in every table and a second account, as a factory's database has after some use.
void seedEveryTable(Database& db)
{
    addEmployee(db, "001", "张三");
    db.exec("INSERT INTO 产品工价 (产品编号, 产品说明, 计量单位, 工价) VALUES ('C001', '外壳', '件', 1.5)");
    db.exec("INSERT INTO 工价历史 (产品ID, 工价, 生效日期) SELECT id, 工价, '1900-01-01' FROM 产品工价");
    db.exec("INSERT INTO 扣减项目 (扣减项目编号, 扣减项目说明, 扣减金额) VALUES ('K001', '迟到', 20)");
    db.exec(
        "INSERT INTO 工资流水 (工号, 日期, 产品, 数量, 工价, 金额) VALUES ('001', '2008-05-02', '外壳', 10, 1.5, 15)");
    db.exec("INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES ('001', '2008-05-03', '迟到', 20)");
    rebuildMonthlyTotals(db);
    db.exec("INSERT INTO 员工工资 (月份, 工号, 姓名, 生产金额, 扣减, 实发工资) VALUES ('2008-5', '001', '张三', 15, "
            "20, -5)");
    db.exec("INSERT INTO 车间 (车间) VALUES ('一车间')");
    db.exec("INSERT INTO 工种 (工种) VALUES ('装配')");
    db.exec("INSERT INTO 计量单位 (计量单位) VALUES ('件')");
    db.exec("INSERT INTO 月结 (月份, 结账时间, 账号) VALUES ('2008-4', '2008-05-10 09:00:00', 'admin')");
    db.exec("INSERT INTO 月结明细 (月份, 员工ID, 工号, 姓名, 生产金额, 扣减, 实发工资, 取整后实发) "
            "VALUES ('2008-4', 1, '001', '张三', 0, 0, 0, 0)");
    db.exec("INSERT INTO 操作日志 (时间, 账号, 操作) VALUES ('2008-05-10 09:00:00', 'admin', '登录')");
    db.exec("INSERT INTO 生产单 (单号, 款号, 日期) VALUES ('S1', '款A', '2008-05-02')");
    db.exec("INSERT INTO 生产单工序 (生产单id, 序号, 产品编号, 产品说明, 计量单位, 工价) VALUES (1, 1, 'C001', '外壳', "
            "'件', 1.5)");
    db.exec("INSERT INTO 扎 (生产单id, 扎号, 数量) VALUES (1, 1, 10)");
    db.exec("INSERT INTO 菲票 (票号, 生产单id, 扎id, 工序id, 数量) VALUES ('0000000014', 1, 1, 1, 10)");
    db.exec("INSERT INTO 班组 (班组编号, 班组名称, 车间) VALUES ('B01', '压烫组', '一车间')");
    db.exec("INSERT INTO 班组成员 (班组id, 工号, 日工资, 加入日期) VALUES (1, '001', 180, '2008-01-01')");
    db.exec("INSERT INTO 班组月 (班组id, 月份, 分配方式, 合计) VALUES (1, '2008-5', '日工资', 15)");
    db.exec(
        "INSERT INTO 班组产量 (班组月id, 日期, 产品, 数量, 工价, 金额) VALUES (1, '2008-05-02', '外壳', 10, 1.5, 15)");
    db.exec("INSERT INTO 班组出勤 (班组月id, 工号, 姓名, 天数, 日工资, 份额) VALUES (1, '001', '张三', 1, 180, 15)");
    db.exec("INSERT INTO 计时工价 (工种, 计量单位, 工价, 生效日期) VALUES ('装配', '小时', 20, '2008-01-01')");
    db.exec("INSERT INTO 停用编号 (类别, 编号, 名称, 原因) VALUES ('员工', '000', '王二', '已删除')");
    db.exec("INSERT INTO 管理员 (账号, 密码) VALUES (?, ?)", {"会计", hashPassword("x")});
    db.exec("INSERT INTO 管理员 (账号, 密码) VALUES (?, ?)", {"出纳", hashPassword("y")});
}

QString key(TestApp& app)
{
    return dbPass(app.ctx().paths().keyFile());
}

// Enough lines that the file spans a few dozen pages, every one of them in use.
void seedManyLines(Database& db)
{
    db.execScript("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) "
                  "INSERT INTO 工资流水 (工号, 日期, 产品, 备注) "
                  "SELECT 'E' || i, '2008-05-01', '外壳', printf('%0150d', i) FROM n");
}

// The database file's bytes, read with the connection closed.
QByteArray liveBytes(TestApp& app)
{
    app.ctx().disconnect();
    const QByteArray bytes = bytesOf(app.ctx().paths().database());
    app.ctx().reconnect();
    return bytes;
}

// Makes the file at `path` unusable for writing by putting a link to the always-full device
// where the copy is written, as a full disk would.
bool fillsUp(const QString& path)
{
    return QFile::exists("/dev/full") && QFile::link("/dev/full", pendingCopyPath(path));
}
} // namespace

class TestMaintenance : public QObject {
    Q_OBJECT
private slots:
    void backupIsTheDatabaseFileNamedByTheDay()
    {
        TestApp app;
        addEmployee(app.db(), "001", "张三");
        // The file as it stands when the backup begins; the backup's log entry comes after it.
        app.ctx().disconnect();
        const QByteArray atBackup = bytesOf(app.ctx().paths().database());
        QVERIFY(app.ctx().reconnect());
        const CopyOutcome first = backupDatabase(app.ctx());
        QVERIFY2(first.ok, qPrintable(first.error));
        QCOMPARE(first.path, QDir(app.dir()).absoluteFilePath("databak/2008-5-17.bak"));
        QCOMPARE(bytesOf(first.path), atBackup);
        QVERIFY(app.ctx().isConnected());

        // A second backup the same day keeps the first and takes the next number; so does one
        // made after clearing, which never takes the place of the day's full backup.
        addEmployee(app.db(), "002", "李四");
        const CopyOutcome second = backupDatabase(app.ctx());
        QVERIFY2(second.ok, qPrintable(second.error));
        QCOMPARE(second.path, QDir(app.dir()).absoluteFilePath("databak/2008-5-17 (2).bak"));
        clearAllData(app.db());
        const CopyOutcome third = backupDatabase(app.ctx());
        QCOMPARE(third.path, QDir(app.dir()).absoluteFilePath("databak/2008-5-17 (3).bak"));
        QCOMPARE(backupFiles(app.ctx().paths()),
                 (QStringList{"2008-5-17 (3).bak", "2008-5-17 (2).bak", "2008-5-17.bak"}));
        QCOMPARE(bytesOf(first.path), atBackup);
        QCOMPARE(employeeNames(*std::make_unique<Database>(second.path, key(app))), (QStringList{"张三", "李四"}));
        QVERIFY(employeeNames(*std::make_unique<Database>(third.path, key(app))).isEmpty());

        app.clock().set(QDate(2008, 12, 1));
        QCOMPARE(backupDatabase(app.ctx()).path, QDir(app.dir()).absoluteFilePath("databak/2008-12-1.bak"));
        QCOMPARE(backupFiles(app.ctx().paths()).first(), QString("2008-12-1.bak"));
        addEmployee(app.db(), "003", "王五"); // the connection works again
        QCOMPARE(count(app.db(), "员工"), 1);
    }

    void backupIsUnreadableWithoutTheKey()
    {
        TestApp app;
        addEmployee(app.db(), "001", "保密的名字");
        const CopyOutcome outcome = backupDatabase(app.ctx());
        QVERIFY(outcome.ok);
        const QByteArray bytes = bytesOf(outcome.path);
        QVERIFY(bytes.size() > 4096);
        QVERIFY(!bytes.startsWith("SQLite format 3"));
        QVERIFY(!bytes.contains(QStringLiteral("保密的名字").toUtf8()));
        QVERIFY(!bytes.contains("CREATE TABLE"));
        QVERIFY_THROWS_EXCEPTION(DbError, Database(outcome.path, "wrong-key-1"));
        QVERIFY_THROWS_EXCEPTION(DbError, Database(outcome.path, QString()));
        Database withKey(outcome.path, key(app));
        QCOMPARE(employeeNames(withKey), QStringList{"保密的名字"});
    }

    void failedBackupIsReportedAndReconnects()
    {
        TestApp app;
        const QString bak = app.dir() + "/databak/2008-5-17.bak";
        QVERIFY(backupDatabase(app.ctx()).ok);
        const QByteArray earlier = bytesOf(bak);
        addEmployee(app.db(), "001", "张三");

        // The copy cannot be written: the earlier backup of the day stays whole.
        QVERIFY(QDir().mkpath(pendingCopyPath(app.dir() + "/databak/2008-5-17 (2).bak") + "/blocked"));
        CopyOutcome outcome = backupDatabase(app.ctx());
        QVERIFY(!outcome.ok);
        QVERIFY(!outcome.error.isEmpty());
        QCOMPARE(bytesOf(bak), earlier);
        QVERIFY(app.ctx().isConnected());
        QCOMPARE(count(app.db(), "员工"), 1);

        // No backup folder: nothing is written, and the folder is not made behind the user's back.
        QVERIFY(QDir(app.dir() + "/databak").removeRecursively());
        outcome = backupDatabase(app.ctx());
        QVERIFY(!outcome.ok);
        QVERIFY(outcome.error.contains("databak"));
        QVERIFY(!QFileInfo::exists(app.dir() + "/databak"));
        QVERIFY(app.ctx().isConnected());
        QVERIFY(outcome.reconnectError.isEmpty());
    }

    void backupListHoldsBakFilesNewestFirst()
    {
        TestApp app;
        const QString dir = app.dir() + "/databak/";
        for (const char* name :
             {"2008-12-1.bak", "2008-5-9.bak", "notes.txt", "old.BAK", "2008-5-17.bak", "x.bak.part"})
            writeFile(dir + name, "x");
        QVERIFY(QDir().mkpath(dir + "folder.bak"));
        QCOMPARE(backupFiles(app.ctx().paths()),
                 (QStringList{"2008-12-1.bak", "2008-5-17.bak", "2008-5-9.bak", "old.BAK"}));
        QVERIFY(QDir(dir).removeRecursively());
        QVERIFY(backupFiles(app.ctx().paths()).isEmpty());
    }

    void restoreBringsBackTheBackedUpData()
    {
        TestApp app;
        addEmployee(app.db(), "001", "张三");
        QVERIFY(backupDatabase(app.ctx()).ok);
        app.db().exec("DELETE FROM 员工");
        addEmployee(app.db(), "002", "李四");

        const CopyOutcome outcome = restoreDatabase(app.ctx(), "2008-5-17.bak");
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QVERIFY(app.ctx().isConnected());
        QCOMPARE(employeeNames(app.db()), QStringList{"张三"});
        QVERIFY(!QFileInfo::exists(pendingCopyPath(app.ctx().paths().database())));
        // The backup itself is left as it was, ready for another restore.
        QVERIFY(QFileInfo::exists(app.dir() + "/databak/2008-5-17.bak"));
    }

    void failedRestoreLeavesTheDataAsTheyWere_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("not a database") << "junk.bak";
        QTest::newRow("other password") << "other.bak";
        QTest::newRow("other program") << "plain.bak";
        QTest::newRow("copy cannot be written") << "good.bak";
        QTest::newRow("file gone") << "gone.bak";
    }

    void failedRestoreLeavesTheDataAsTheyWere()
    {
        QFETCH(QString, file);
        TestApp app;
        const QString dir = app.dir() + "/databak/";
        const QString database = app.ctx().paths().database();
        QVERIFY(backupDatabase(app.ctx()).ok);
        QVERIFY(QFile::copy(dir + "2008-5-17.bak", dir + "good.bak"));
        writeFile(dir + "junk.bak", QByteArray(8192, 'j'));
        {
            Database other(dir + "other.bak", "another-key", true);
            createSchema(other);
        }
        {
            Database plain(dir + "plain.bak", key(app), true);
            plain.execScript("CREATE TABLE t (x)");
        }
        if (file == "good.bak")
            QVERIFY(QDir().mkpath(pendingCopyPath(database) + "/blocked"));
        addEmployee(app.db(), "001", "备份之后");
        app.ctx().disconnect();
        const QByteArray before = bytesOf(database);
        app.ctx().reconnect();

        const CopyOutcome outcome = restoreDatabase(app.ctx(), file);
        QVERIFY(!outcome.ok);
        QVERIFY(!outcome.error.isEmpty());
        QVERIFY(outcome.reconnectError.isEmpty());
        QVERIFY(app.ctx().isConnected());
        QCOMPARE(employeeNames(app.db()), QStringList{"备份之后"});
        app.ctx().disconnect();
        QCOMPARE(bytesOf(database), before);
        if (file != "good.bak")
            QVERIFY(!QFileInfo::exists(pendingCopyPath(database)));
    }

    void restoreRefusesNewerBackupsAndUpgradesOlderOnes()
    {
        TestApp app;
        const QString dir = app.dir() + "/databak/";
        addEmployee(app.db(), "001", "张三");
        QVERIFY(backupDatabase(app.ctx()).ok);
        QVERIFY(QFile::copy(dir + "2008-5-17.bak", dir + "newer.bak"));
        {
            Database newer(dir + "newer.bak", key(app));
            newer.exec("UPDATE kelvaro_meta SET value = ? WHERE key = 'schema_version'", {latestVersion() + 1});
        }
        addEmployee(app.db(), "002", "李四");

        CopyOutcome outcome = restoreDatabase(app.ctx(), "newer.bak");
        QVERIFY(!outcome.ok);
        QVERIFY(outcome.error.startsWith("数据文件来自更新的版本"));
        QCOMPARE(employeeNames(app.db()), (QStringList{"张三", "李四"}));

        // The program learns a second version; the day's backup stays of the first.
        static const SchemaStep twoVersions[] = {
            programSchema().front(),
            {latestVersion() + 1, [](Database& db) { db.execScript("CREATE TABLE 新表 (x)"); }},
        };
        static const SchemaStep failingSecond[] = {
            programSchema().front(),
            {latestVersion() + 1,
             [](Database& db) {
                 db.execScript("DELETE FROM 员工");
                 db.execScript("SELECT * FROM no_such_table");
             }},
        };
        app.ctx().setSchema(twoVersions);
        QVERIFY(app.ctx().reconnect());
        QCOMPARE(storedVersion(app.db()), latestVersion() + 1);

        // An upgrade of the backup that fails keeps the data as they were.
        app.ctx().setSchema(failingSecond);
        outcome = restoreDatabase(app.ctx(), "2008-5-17.bak");
        QVERIFY(!outcome.ok);
        QVERIFY(outcome.error.contains("没有完成"));
        QCOMPARE(employeeNames(app.db()), (QStringList{"张三", "李四"}));

        app.ctx().setSchema(twoVersions);
        outcome = restoreDatabase(app.ctx(), "2008-5-17.bak");
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QVERIFY(outcome.reconnectError.isEmpty());
        QCOMPARE(employeeNames(app.db()), QStringList{"张三"});
        QCOMPARE(storedVersion(app.db()), latestVersion() + 1);
        QCOMPARE(count(app.db(), "新表"), 0);
    }

    void damagedBackupsAreNeverRestored()
    {
        TestApp app;
        seedManyLines(app.db());
        QVERIFY(backupDatabase(app.ctx()).ok);
        const QByteArray good = bytesOf(app.dir() + "/databak/2008-5-17.bak");
        QVERIFY(good.size() >= 20 * 4096);
        addEmployee(app.db(), "001", "备份之后");
        const QByteArray before = liveBytes(app);

        QList<QPair<QString, QByteArray>> damaged;
        for (const qsizetype length : {qsizetype(0), qsizetype(100), qsizetype(4096), qsizetype(4096 + 100),
                                       good.size() / 2, good.size() - 4096, good.size() - 100, good.size() - 1})
            damaged.append({QString("cut at %1").arg(length), good.left(length)});
        // Single bytes spread over the whole file: salt, page bodies, page ends with their codes.
        for (int i = 0; i < 24; ++i) {
            qsizetype offset = qMin(good.size() - 1, qsizetype(i) * good.size() / 24 + 37 * i);
            // The last 12 bytes of each page fill its reserved space after the authentication code:
            // nothing reads them, so a change there harms nothing and passes every check.
            if (offset % 4096 >= 4096 - 12)
                offset -= 16;
            QByteArray bytes = good;
            bytes[offset] = char(bytes[offset] ^ 0x5a);
            damaged.append({QString("byte %1 changed").arg(offset), bytes});
        }
        damaged.append({"junk appended", good + QByteArray(100, 'x')});

        for (const auto& [what, bytes] : damaged) {
            writeFile(app.dir() + "/databak/damaged.bak", bytes);
            const CopyOutcome outcome = restoreDatabase(app.ctx(), "damaged.bak");
            QVERIFY2(!outcome.ok, qPrintable(what));
            QVERIFY2(outcome.error.contains("损坏"), qPrintable(what + ": " + outcome.error));
            QVERIFY(outcome.safetyCopy.isEmpty());
            QVERIFY(app.ctx().isConnected());
        }
        QCOMPARE(liveBytes(app), before);
        // Refused before any safety copy was taken: only the good backup and the damaged file.
        QCOMPARE(backupFiles(app.ctx().paths()), (QStringList{"2008-5-17.bak", "damaged.bak"}));
        QCOMPARE(employeeNames(app.db()), QStringList{"备份之后"});

        // A backup of another installation is named as such.
        {
            Database other(app.dir() + "/databak/other.bak", "another-key", true);
            createSchema(other);
        }
        QVERIFY(restoreDatabase(app.ctx(), "other.bak").error.contains("另一个 kv.dat"));
    }

    // Backups hold no free pages (space of deleted rows), which no check reads: a byte changed
    // in any page of a backup is found. A backup of an earlier version that has them restores
    // compacted, so that a changed free page never reaches the data.
    void everyPageOfABackupIsRead()
    {
        TestApp app;
        seedManyLines(app.db());
        app.db().exec("DELETE FROM 工资流水 WHERE id > 20");
        QVERIFY(app.db().scalar("PRAGMA freelist_count").toInt() > 10);
        const CopyOutcome backup = backupDatabase(app.ctx());
        QVERIFY2(backup.ok, qPrintable(backup.error));
        const QByteArray made = bytesOf(backup.path);
        const QString probe = app.dir() + "/databak/probe.bak";
        const auto withPageChanged = [](QByteArray bytes, qsizetype page) {
            const qsizetype offset = page * 4096 + 1000;
            bytes[offset] = char(bytes[offset] ^ 0x5a);
            return bytes;
        };
        for (qsizetype page = 0; page < made.size() / 4096; ++page) {
            writeFile(probe, withPageChanged(made, page));
            QVERIFY2(!inspectDatabaseFile(probe, key(app)).sound(), qPrintable(QString("page %1").arg(page + 1)));
        }

        // The data file itself, copied byte for byte as backups once were, has free pages.
        const QByteArray earlier = liveBytes(app);
        qsizetype freePage = -1;
        for (qsizetype page = earlier.size() / 4096 - 1; page > 0 && freePage < 0; --page) {
            writeFile(probe, withPageChanged(earlier, page));
            if (inspectDatabaseFile(probe, key(app)).sound())
                freePage = page;
        }
        QVERIFY(freePage > 0);
        writeFile(app.dir() + "/databak/2008-5-1.bak", withPageChanged(earlier, freePage));
        const CopyOutcome restored = restoreDatabase(app.ctx(), "2008-5-1.bak");
        QVERIFY2(restored.ok, qPrintable(restored.error));
        QCOMPARE(app.db().scalar("PRAGMA freelist_count").toInt(), 0);
        QCOMPARE(count(app.db(), "工资流水"), 20);
        QVERIFY(liveBytes(app).size() < earlier.size());
    }

    void aDamagedDatabaseNeverReplacesTheDaysBackup()
    {
        TestApp app;
        seedManyLines(app.db());
        const QString bak = app.dir() + "/databak/2008-5-17.bak";
        QVERIFY(backupDatabase(app.ctx()).ok);
        const QByteArray earlier = bytesOf(bak);
        QCOMPARE(inspectDatabaseFile(bak, key(app)).state, FileVerdict::State::Sound);

        // A page in the middle of the live file goes bad; the connection still opens.
        app.ctx().disconnect();
        QByteArray bytes = bytesOf(app.ctx().paths().database());
        bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x01);
        writeFile(app.ctx().paths().database(), bytes);
        QVERIFY(app.ctx().reconnect());

        const CopyOutcome outcome = backupDatabase(app.ctx());
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.error.startsWith("当前数据文件已损坏"), qPrintable(outcome.error));
        QCOMPARE(bytesOf(bak), earlier);
        QVERIFY(!QFileInfo::exists(pendingCopyPath(bak)));
    }

    void restoreKeepsASafetyCopyOfThePresentData()
    {
        TestApp app;
        addEmployee(app.db(), "001", "张三");
        QVERIFY(backupDatabase(app.ctx()).ok);
        addEmployee(app.db(), "002", "备份之后");
        // Older safety copies of both kinds: of the restore kind only the newest ten stay.
        for (int day = 1; day <= 12; ++day)
            writeFile(app.dir() + QString("/databak/恢复前-2008-05-%1-120000.bak").arg(day, 2, 10, QChar('0')), "x");
        writeFile(app.dir() + "/databak/清空前-2008-05-01-120000.bak", "x");

        app.clock().set(QDateTime(QDate(2008, 5, 17), QTime(14, 5, 9)));
        const CopyOutcome outcome = restoreDatabase(app.ctx(), "2008-5-17.bak");
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QCOMPARE(outcome.safetyCopy, QDir(app.dir()).absoluteFilePath("databak/恢复前-2008-05-17-140509.bak"));
        QCOMPARE(employeeNames(app.db()), QStringList{"张三"});
        QCOMPARE(employeeNames(*std::make_unique<Database>(outcome.safetyCopy, key(app))),
                 (QStringList{"张三", "备份之后"}));

        const QStringList listed = backupFiles(app.ctx().paths());
        QCOMPARE(listed.first(), "恢复前-2008-05-17-140509.bak");
        QCOMPARE(listed.filter(QRegularExpression("^恢复前-")).size(), kSafetyCopiesKept);
        QVERIFY(!listed.contains("恢复前-2008-05-03-120000.bak"));
        QVERIFY(listed.contains("恢复前-2008-05-04-120000.bak"));
        QVERIFY(listed.contains("清空前-2008-05-01-120000.bak"));
        QVERIFY(listed.contains("2008-5-17.bak"));
    }

    void aSafetyCopyThatCannotBeWrittenStopsTheRestore()
    {
        TestApp app;
        QVERIFY(backupDatabase(app.ctx()).ok);
        addEmployee(app.db(), "001", "备份之后");
        const QByteArray before = liveBytes(app);
        const QString safety = app.dir() + "/databak/" + safetyCopyName(SafetyKind::BeforeRestore, app.clock().now());
        if (!fillsUp(safety))
            QSKIP("no /dev/full to stand in for a full disk");

        const CopyOutcome outcome = restoreDatabase(app.ctx(), "2008-5-17.bak");
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.error.contains("安全副本"), qPrintable(outcome.error));
        // The system's own cause is named, in Chinese first.
        QVERIFY2(outcome.error.contains("磁盘空间不足"), qPrintable(outcome.error));
        QVERIFY(!outcome.error.contains("Unknown error"));
        QCOMPARE(liveBytes(app), before);
        QCOMPARE(employeeNames(app.db()), QStringList{"备份之后"});
        QVERIFY(!QFileInfo::exists(safety));
    }

    void exitMakesTheDaysBackupOnlyAfterAChange()
    {
        TestApp app;
        const QString bak = app.dir() + "/databak/2008-5-17.bak";
        QVERIFY(!backupOnExit(app.ctx())); // nothing changed
        QVERIFY(!QFileInfo::exists(bak));

        addEmployee(app.db(), "001", "张三");
        app.ctx().reconnect(); // changes made through an earlier connection count too
        QVERIFY(backupOnExit(app.ctx()));
        QCOMPARE(employeeNames(*std::make_unique<Database>(bak, key(app))), QStringList{"张三"});

        // Today has its backup: a later exit leaves it alone (only a manual backup replaces it).
        addEmployee(app.db(), "002", "李四");
        QVERIFY(!backupOnExit(app.ctx()));
        QCOMPARE(employeeNames(*std::make_unique<Database>(bak, key(app))), QStringList{"张三"});

        // No backup folder: none is made behind the user's back.
        app.clock().set(QDate(2008, 5, 18));
        QVERIFY(QDir(app.dir() + "/databak").removeRecursively());
        QVERIFY(!backupOnExit(app.ctx()));
        QVERIFY(!QFileInfo::exists(app.dir() + "/databak"));
    }

    void clearingKeepsOnlyTheSuperAdministrator()
    {
        TestApp app;
        Database& db = app.db();
        seedEveryTable(db);
        db.execScript("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
                      "INSERT INTO 工资流水 (工号, 日期, 产品, 备注) "
                      "SELECT 'E' || i, '2008-05-01', '外壳', printf('%0200d', i) FROM n");
        const qint64 sizeBefore = QFileInfo(app.ctx().paths().database()).size();
        const QString adminHash = db.scalar("SELECT 密码 FROM 管理员 WHERE id = 1").toString();
        for (const QString& table : kBusinessTables)
            QVERIFY(count(db, table) > 0);

        clearAllData(db);
        // The freed pages are given back: the file shrinks.
        QVERIFY(QFileInfo(app.ctx().paths().database()).size() < sizeBefore / 4);
        // Every business table is empty; the log keeps its entry and adds who cleared.
        for (const QString& table : kBusinessTables)
            QCOMPARE(count(db, table), 0);
        QCOMPARE(db.scalar("SELECT group_concat(操作, ',') FROM (SELECT 操作 FROM 操作日志 ORDER BY id)").toString(),
                 QString("登录,清空数据"));
        Statement st = db.prepare("SELECT id, 账号, 密码 FROM 管理员");
        QVERIFY(st.next());
        QCOMPARE(st.integer(0), 1);
        QCOMPARE(st.text(1), QString::fromUtf16(kDefaultAccount));
        QCOMPARE(st.text(2), adminHash);
        QVERIFY(!st.next());
    }

    void failedClearingChangesNothing()
    {
        TestApp app;
        Database& db = app.db();
        seedEveryTable(db);
        // The last table refuses: everything removed before it must come back.
        db.execScript(QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON \"%1\" BEGIN SELECT RAISE(ABORT, 'table "
                                     "is locked'); END;")
                          .arg(kBusinessTables.last()));
        try {
            clearAllData(db);
            QFAIL("clearing should have failed");
        } catch (const DbError& e) {
            QVERIFY(e.message().contains("保持原样"));
            QVERIFY(e.message().contains("table is locked"));
        }
        for (const QString& table : kBusinessTables)
            QCOMPARE(count(db, table), 1);
        QCOMPARE(count(db, "管理员"), 3);
    }
};

QTEST_GUILESS_MAIN(TestMaintenance)
#include "test_maintenance.moc"
