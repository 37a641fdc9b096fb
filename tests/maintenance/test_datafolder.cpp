#include "FixedClock.h"
#include "TestDb.h"
#include "data/Accounts.h"
#include "data/KeyFile.h"
#include "data/Schema.h"
#include "maintenance/Backup.h"
#include "maintenance/BackupFiles.h"
#include "maintenance/DataFolder.h"
#include "maintenance/FileCopy.h"
#include "maintenance/Integrity.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QTest>

#include <thread>
#include <vector>

#include <unistd.h>

using namespace kv;

namespace {
QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void touch(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("left over");
}

int modeOf(const QString& path)
{
    return int(QFile::permissions(path) & 0x7077); // owner, group and other digits as Qt holds them
}

// Qt's permission bits are hex digits: 0x6000 is read and write for the owner.
constexpr int kOwnerRw = 0x6000;
constexpr int kOwnerAll = 0x7000;

// A data file as earlier versions made it: under the short password built from kv.dat.
void makeOldKeyFile(const QString& path, const DatabaseKeys& keys, const QString& employee)
{
    QFile::remove(path);
    createDatabaseIfMissing(path, keys.legacyKey);
    Database db(path, keys.legacyKey);
    db.exec("INSERT INTO 员工 (工号, 姓名, 车间) VALUES (?, ?, ?)", {"001", employee, "一车间"});
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

bool opensWith(const QString& path, const QString& key)
{
    try {
        Database db(path, key);
        return true;
    } catch (const DbError&) {
        return false;
    }
}
} // namespace

class TestDataFolder : public QObject {
    Q_OBJECT
private slots:
    // Starts racing on a fresh folder end with one kv.dat and one database that opens under it.
    void firstStartsAtOnceMakeOneKeyAndOneDatabase()
    {
        for (int round = 0; round < 8; ++round) {
            QTemporaryDir dir;
            const AppContext ctx(dir.path());
            std::vector<StartupOutcome> outcomes(4);
            std::vector<std::thread> starts;
            for (auto& outcome : outcomes)
                starts.emplace_back([&ctx, &outcome] { outcome = prepareDataFolder(ctx); });
            for (auto& start : starts)
                start.join();
            for (const StartupOutcome& outcome : outcomes)
                QVERIFY2(outcome.error.isEmpty() && !outcome.busy, qPrintable(outcome.error));
            QVERIFY2(opensWith(ctx.paths().database(), dbPass(ctx.paths().keyFile())),
                     qPrintable(QString::number(round)));
        }

        // A start that finds another one at work too long says so and makes nothing.
        QTemporaryDir dir;
        const AppContext ctx(dir.path());
        QLockFile other(ctx.paths().file(QString::fromUtf16(kStartLockFile)));
        QVERIFY(other.tryLock(0));
        const StartupOutcome busy = prepareDataFolder(ctx, 0);
        QVERIFY(busy.busy);
        QCOMPARE(busy.error, QStringLiteral("程序正在另一个窗口中初始化数据"));
        QVERIFY(!QFile::exists(ctx.paths().keyFile()));
        QVERIFY(!QFile::exists(ctx.paths().database()));
        other.unlock();
        QVERIFY(!prepareDataFolder(ctx, 0).busy);
        QVERIFY(QFile::exists(ctx.paths().database()));
    }

    // Other accounts on the computer get nothing: new files and folders are the owner's, old
    // ones lose what others could do with them; the owner's own rights stay.
    void dataFolderIsClosedToOtherAccounts()
    {
        QTemporaryDir dir;
        const AppContext ctx(dir.path());
        QVERIFY(prepareDataFolder(ctx).error.isEmpty());
        const AppPaths& paths = ctx.paths();
        for (const QString& folder : {paths.appDir, paths.dataDir(), paths.backupDir()})
            QCOMPARE(modeOf(folder), kOwnerAll);
        QCOMPARE(modeOf(paths.keyFile()), kOwnerRw);
        QCOMPARE(modeOf(paths.database()), kOwnerRw);

        // Files of an earlier version, open to everyone; a backup the owner made read-only.
        const QFileDevice::Permissions open =
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        const QString oldBackup = QDir(paths.backupDir()).filePath("2008-5-16.bak");
        const QString readOnly = QDir(paths.backupDir()).filePath("2008-5-15.bak");
        QVERIFY(QFile::copy(paths.database(), oldBackup) && QFile::copy(paths.database(), readOnly));
        for (const QString& file : {paths.keyFile(), paths.database(), oldBackup})
            QVERIFY(QFile::setPermissions(file, open));
        QVERIFY(QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadOther));
        QVERIFY(QFile::setPermissions(paths.appDir,
                                      open | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther));
        QVERIFY(prepareDataFolder(ctx).error.isEmpty());
        QCOMPARE(modeOf(paths.appDir), kOwnerAll);
        for (const QString& file : {paths.keyFile(), paths.database(), oldBackup})
            QCOMPARE(modeOf(file), kOwnerRw);
        QCOMPARE(modeOf(readOnly), 0x4000);

        // Backups and safety copies are written for the owner only.
        FixedClock clock(QDate(2008, 5, 17));
        AppContext app(paths, std::make_shared<FixedClock>(clock));
        QVERIFY(app.reconnect());
        app.setSession(*accountSession(app.conn(), kSuperAdministratorId));
        const CopyOutcome backup = backupDatabase(app);
        QVERIFY2(backup.ok, qPrintable(backup.error));
        QCOMPARE(modeOf(backup.path), kOwnerRw);
        const CopyOutcome safety = makeSafetyCopy(app, SafetyKind::BeforeClear);
        QCOMPARE(modeOf(safety.path), kOwnerRw);
    }

    // Copies cut short by a crash are removed at start; one another copy of the program is
    // writing right now, and files that are not the program's, stay.
    void leftoverPendingCopiesAreRemovedAtStart()
    {
        TestApp app;
        const AppPaths& paths = app.ctx().paths();
        const QString backups = paths.backupDir() + u'/';
        const QStringList leftovers{pendingCopyPath(paths.database()), backups + "2008-5-16.bak.part",
                                    backups + "恢复前-2008-05-16-093000.bak.part"};
        for (const QString& file : leftovers)
            touch(file);
        const QString working = backups + "2008-5-17.bak.part";
        const QString foreign = backups + "notes.part";
        touch(working);
        touch(foreign);
        const PendingCopyClaim writing(working);

        QVERIFY(prepareDataFolder(app.ctx()).error.isEmpty());
        for (const QString& file : leftovers)
            QVERIFY2(!QFile::exists(file), qPrintable(file));
        QVERIFY(QFile::exists(working));
        QVERIFY(QFile::exists(foreign));
        QVERIFY(QFile::exists(paths.database()));
    }

    // kv.dat that is there but cannot be read is named with its cause; the data file is not
    // called damaged.
    void unreadableKeyFileIsNamedNotTakenForDamage()
    {
        TestApp app;
        const QString keyFile = app.ctx().paths().keyFile();
        const QByteArray material = bytesOf(keyFile);
        app.ctx().disconnect();

        QVERIFY(QFile::remove(keyFile));
        QVERIFY(QDir().mkdir(keyFile));
        QVERIFY(prepareDataFolder(app.ctx()).error.isEmpty());
        QString error;
        QVERIFY(!app.ctx().reconnect(&error));
        QVERIFY2(error.contains("密钥文件") && error.contains("不能读取") && error.contains("文件夹"),
                 qPrintable(error));
        QVERIFY2(!error.contains("损坏"), qPrintable(error));
        QVERIFY(QDir().rmdir(keyFile));

        QFile key(keyFile);
        QVERIFY(key.open(QIODevice::WriteOnly));
        key.write(material);
        key.close();
        if (::geteuid() != 0) { // the super-user reads a file of mode 000 all the same
            QVERIFY(QFile::setPermissions(keyFile, {}));
            QVERIFY(!app.ctx().reconnect(&error));
            QVERIFY2(error.contains("没有读取它的权限") && !error.contains("损坏"), qPrintable(error));
            QVERIFY(QFile::setPermissions(keyFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        }
        QVERIFY2(app.ctx().reconnect(&error), qPrintable(error));
    }

    // A kv.dat of another installation, or one byte short, is named as the cause with what to do,
    // not taken for damaged data; a data file whose first page is damaged, beside a backup that
    // opens with the same kv.dat, is called damaged.
    void aKeyFileThatDoesNotFitTheDataIsNamed()
    {
        TestApp app;
        const AppPaths& paths = app.ctx().paths();
        QVERIFY(backupDatabase(app.ctx()).ok);
        const QByteArray material = bytesOf(paths.keyFile());
        QTemporaryDir elsewhere;
        QVERIFY(createKeyFile(elsewhere.filePath("kv.dat")).isEmpty());
        app.ctx().disconnect();
        QString error;
        for (const QByteArray& other : {material.chopped(1), bytesOf(elsewhere.filePath("kv.dat"))}) {
            writeBytes(paths.keyFile(), other);
            QVERIFY(!app.ctx().reconnect(&error));
            QVERIFY2(error.startsWith("密钥文件") && error.contains("不配套") && error.contains("放回"),
                     qPrintable(error));
            QVERIFY2(!error.contains("已损坏"), qPrintable(error));
        }
        writeBytes(paths.keyFile(), material);
        QByteArray data = bytesOf(paths.database());
        data[200] = char(data[200] ^ 0x5a);
        writeBytes(paths.database(), data);
        QVERIFY(!app.ctx().reconnect(&error));
        QVERIFY2(error.startsWith("数据文件") && error.contains("已损坏") && error.contains("2008-5-17.bak"),
                 qPrintable(error));
    }

    // A data file cut short opens no more: its length is held against its page count.
    void dataFileCutShortIsRefusedAsDamaged()
    {
        TestApp app;
        app.db().exec("INSERT INTO 员工 (工号, 姓名, 车间) VALUES ('001', '张三', '一车间')");
        app.ctx().disconnect();
        const QString path = app.ctx().paths().database();
        const qint64 length = QFileInfo(path).size();
        QVERIFY(QFile::resize(path, length - 100));
        QString error;
        QVERIFY(!app.ctx().reconnect(&error));
        QVERIFY2(error.startsWith("数据文件已损坏，请从备份恢复。"), qPrintable(error));
        QCOMPARE(inspectDatabaseFile(path, dbPass(app.ctx().paths().keyFile())).state, FileVerdict::State::Damaged);
        // Bytes beyond the last page that make no whole page are named as what they are, with
        // what to do; nothing is cut.
        QVERIFY(QFile::resize(path, length + 100));
        QVERIFY(!app.ctx().reconnect(&error));
        QVERIFY2(error.startsWith("数据文件") && error.contains("比其中的数据长") && error.contains("复制一份留底"),
                 qPrintable(error));
        QVERIFY2(!error.startsWith("数据文件已损坏"), qPrintable(error));
        QCOMPARE(QFileInfo(path).size(), length + 100);
    }

    // A compaction (after a restore or a clearing) cut short after its commit, before the file
    // was shortened, leaves its new pages followed by the tail of the old file. The next start
    // opens the data, cut to their pages; a check of the file as a backup writes nothing.
    void aCompactionCutShortBeforeTheFileShrankStillOpens()
    {
        TestApp app;
        app.db().execScript("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                            "INSERT INTO 工资流水 (工号, 日期, 产品, 备注) "
                            "SELECT 'E' || i, '2008-05-01', '外壳', printf('%0150d', i) FROM n");
        app.db().exec("DELETE FROM 工资流水 WHERE id > 300");
        app.ctx().disconnect();
        const QString path = app.ctx().paths().database();
        const QString key = dbPass(app.ctx().paths().keyFile());
        const QByteArray before = bytesOf(path);
        {
            Database db(path, key);
            db.execScript("VACUUM");
        }
        const QByteArray compacted = bytesOf(path);
        QVERIFY(compacted.size() < before.size() / 2);
        const QByteArray cutShort = compacted + before.mid(compacted.size());
        writeBytes(path, cutShort);

        QCOMPARE(inspectDatabaseFile(path, key).state, FileVerdict::State::Damaged);
        QCOMPARE(bytesOf(path), cutShort);
        QString error;
        QVERIFY2(app.ctx().reconnect(&error), qPrintable(error));
        QCOMPARE(app.db().scalar("SELECT count(*) FROM 工资流水").toInt(), 300);
        app.ctx().disconnect();
        QCOMPARE(bytesOf(path), compacted);

        // The same tail behind pages that do not read whole is cut from nothing: damaged.
        QByteArray damaged = cutShort;
        const qsizetype inside = compacted.size() - 4096 + 1000;
        damaged[inside] = char(damaged[inside] ^ 0x5a);
        writeBytes(path, damaged);
        QVERIFY(!app.ctx().reconnect(&error));
        QVERIFY2(error.startsWith("数据文件已损坏"), qPrintable(error));
        QCOMPARE(bytesOf(path), damaged);
    }

    // The key takes in the whole of kv.dat: one character the old password never read changes it.
    void keyDependsOnEveryCharacterOfTheKeyFile()
    {
        TestApp app;
        const QString keyFile = app.ctx().paths().keyFile();
        const DatabaseKeys before = readKeyFile(keyFile);
        QByteArray material = bytesOf(keyFile);
        material[0] = material[0] == 'A' ? 'B' : 'A'; // character 0 is none of the old password's six
        QFile key(keyFile);
        QVERIFY(key.open(QIODevice::WriteOnly | QIODevice::Truncate));
        key.write(material);
        key.close();
        const DatabaseKeys after = readKeyFile(keyFile);
        QCOMPARE(after.legacyKey, before.legacyKey);
        QVERIFY(after.key != before.key);
        app.ctx().disconnect();
        QString error;
        QVERIFY(!app.ctx().reconnect(&error));
    }

    // An installation of an earlier version keeps its data: the file opens with its old key, and
    // the next start gives it the new one after a safety copy, once.
    void oldKeyInstallationIsRekeyedAfterASafetyCopy()
    {
        TestApp app;
        const AppPaths& paths = app.ctx().paths();
        const DatabaseKeys keys = readKeyFile(paths.keyFile());
        app.ctx().disconnect();
        makeOldKeyFile(paths.database(), keys, "老王");
        QVERIFY(app.ctx().reconnect()); // still opens before the upgrade
        app.ctx().disconnect();

        const StartupOutcome upgraded = prepareDataFolder(app.ctx());
        QVERIFY2(upgraded.keyError.isEmpty(), qPrintable(upgraded.keyError));
        QVERIFY(QFileInfo(upgraded.keySafetyCopy).fileName().startsWith("换密钥前-"));
        // The safety copy itself is given the new key once the data have it.
        QVERIFY(upgraded.rekeyedCopies.contains(upgraded.keySafetyCopy));
        QVERIFY(!opensWith(upgraded.keySafetyCopy, keys.legacyKey));
        QCOMPARE(employeeNames(*std::make_unique<Database>(upgraded.keySafetyCopy, keys.key)), QStringList{"老王"});
        QVERIFY(!opensWith(paths.database(), keys.legacyKey));
        Database db(paths.database(), keys.key);
        QCOMPARE(employeeNames(db), QStringList{"老王"});
        QVERIFY(!QFile::exists(pendingCopyPath(paths.database())));

        const StartupOutcome again = prepareDataFolder(app.ctx());
        QVERIFY(again.keySafetyCopy.isEmpty() && again.keyError.isEmpty() && again.rekeyedCopies.isEmpty());
    }

    // After the key change no file in the folder opens with the old password: backups and safety
    // copies of the old key are given the new one (their time of writing kept), the journal of a
    // re-key cut short is removed, other installations' files and other files stay as they are.
    // The same for an installation whose data an earlier version re-keyed, leaving the copies.
    void noFileOpensWithTheOldPasswordAfterTheKeyChange()
    {
        TestApp app;
        const AppPaths& paths = app.ctx().paths();
        const DatabaseKeys keys = readKeyFile(paths.keyFile());
        const QDir backups(paths.backupDir());
        app.ctx().disconnect();
        makeOldKeyFile(paths.database(), keys, "老王");
        const QStringList oldCopies{"2008-5-1.bak", "2008-5-2 (2).bak", "恢复前-2008-05-01-120000.bak"};
        for (const QString& name : oldCopies)
            QVERIFY(QFile::copy(paths.database(), backups.filePath(name)));
        const QDateTime written(QDate(2008, 5, 1), QTime(18, 0));
        {
            QFile f(backups.filePath("2008-5-1.bak"));
            QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(written, QFileDevice::FileModificationTime));
        }
        {
            Database other(backups.filePath("other.bak"), "another-installation", true);
            createSchema(other);
        }
        const QByteArray foreign = bytesOf(backups.filePath("other.bak"));
        touch(backups.filePath("notes.bak"));
        // A re-key of a copy cut short: its pending file and the engine's journal of it.
        touch(pendingCopyPath(backups.filePath("2008-5-2 (2).bak")));
        QVERIFY(QFile::copy(paths.database(), pendingCopyPath(backups.filePath("2008-5-2 (2).bak")) + "-journal"));

        const StartupOutcome outcome = prepareDataFolder(app.ctx());
        QVERIFY2(outcome.keyError.isEmpty() && outcome.copiesKeyError.isEmpty(),
                 qPrintable(outcome.keyError + outcome.copiesKeyError));
        QCOMPARE(outcome.rekeyedCopies.size(), oldCopies.size() + 1); // and the safety copy of the data
        QDirIterator every(paths.appDir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        int tried = 0;
        while (every.hasNext()) {
            const QString file = every.next();
            QVERIFY2(!opensWith(file, keys.legacyKey), qPrintable(file));
            ++tried;
        }
        QVERIFY(tried >= 8);
        for (const QString& name : oldCopies)
            QCOMPARE(employeeNames(*std::make_unique<Database>(backups.filePath(name), keys.key)), QStringList{"老王"});
        QCOMPARE(QFileInfo(backups.filePath("2008-5-1.bak")).lastModified(), written);
        QCOMPARE(bytesOf(backups.filePath("other.bak")), foreign);
        QCOMPARE(bytesOf(backups.filePath("notes.bak")), QByteArray("left over"));
        QVERIFY(prepareDataFolder(app.ctx()).rekeyedCopies.isEmpty()); // told once

        // Data re-keyed by an earlier version, which left its copies under the old key.
        TestApp earlier;
        const AppPaths& earlierPaths = earlier.ctx().paths();
        makeOldKeyFile(QDir(earlierPaths.backupDir()).filePath("2008-4-30.bak"), keys, "旧备份");
        const StartupOutcome swept = prepareDataFolder(earlier.ctx());
        QCOMPARE(swept.rekeyedCopies.size(), 1);
        QVERIFY(!opensWith(QDir(earlierPaths.backupDir()).filePath("2008-4-30.bak"), keys.legacyKey));
        QVERIFY(earlier.ctx().reconnect());
    }

    // The key change on a disk that fills up at any step says that the disk is full, never that
    // the data are damaged; the data keep opening with the old key until a start with room. A
    // restore short of room says so as well and leaves the data as they were.
    void aKeyChangeOrRestoreOnAFullDiskSaysTheDiskIsFull()
    {
        if (::geteuid() != 0)
            QSKIP("needs a small file system of its own, which only the super-user mounts");
        QTemporaryDir mountPoint;
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=4m", "tmpfs", mountPoint.path()}) != 0)
            QSKIP("no tmpfs to stand in for a small disk");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {mountPoint.path()}); });
        const QString dir = mountPoint.path() + "/app";
        layOutAppDir(dir);
        const AppContext ctx(dir);
        const DatabaseKeys keys = readKeyFile(ctx.paths().keyFile());
        QDir().mkpath(ctx.paths().dataDir());
        makeOldKeyFile(ctx.paths().database(), keys, "老王");
        {
            Database db(ctx.paths().database(), keys.legacyKey);
            db.execScript("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500) "
                          "INSERT INTO 工资流水 (工号, 日期, 产品, 备注) SELECT 'E' || i, '2008-05-01', '外壳', "
                          "printf('%0150d', i) FROM n");
        }
        const qint64 size = QFileInfo(ctx.paths().database()).size();
        QVERIFY(size > 200 * 1024);
        const QString filler = mountPoint.path() + "/filler";
        int fullAt = 0;
        // Room for less than the safety copy, for it but not the re-keyed copy, for both but not
        // the engine's journal of the re-key.
        for (const double room : {0.5, 1.5, 2.5}) {
            QFile::remove(filler);
            for (const QString& name : QDir(ctx.paths().backupDir()).entryList(QDir::Files))
                QFile::remove(ctx.paths().backupDir() + u'/' + name);
            const qint64 free = QStorageInfo(mountPoint.path()).bytesAvailable();
            const qint64 keep = qint64(room * double(size));
            QVERIFY(free > keep);
            QFile fill(filler);
            QVERIFY(fill.open(QIODevice::WriteOnly));
            QVERIFY(fill.write(QByteArray(free - keep, 'f')) > 0);
            fill.close();
            const StartupOutcome outcome = prepareDataFolder(ctx);
            if (outcome.keyError.isEmpty())
                continue; // the step fitted after all (the file system's own blocks)
            ++fullAt;
            QVERIFY2(outcome.keyError.contains("磁盘空间不足"), qPrintable(outcome.keyError));
            QVERIFY2(!outcome.keyError.contains("损坏"), qPrintable(outcome.keyError));
            QVERIFY(opensWith(ctx.paths().database(), keys.legacyKey));
            QVERIFY(!QFile::exists(pendingCopyPath(ctx.paths().database())));
        }
        QVERIFY(fullAt >= 2);
        QFile::remove(filler);
        const StartupOutcome roomy = prepareDataFolder(ctx);
        QVERIFY2(roomy.keyError.isEmpty(), qPrintable(roomy.keyError));
        QVERIFY(opensWith(ctx.paths().database(), keys.key));

        // A restore that finds no room at one of its steps says so too, and changes nothing.
        for (const QString& name : QDir(ctx.paths().backupDir()).entryList(QDir::Files))
            QFile::remove(ctx.paths().backupDir() + u'/' + name);
        AppContext app(ctx.paths(), std::make_shared<FixedClock>(QDate(2008, 5, 17)));
        QVERIFY(app.reconnect());
        app.setSession(*accountSession(app.conn(), kSuperAdministratorId));
        const CopyOutcome backup = backupDatabase(app);
        QVERIFY2(backup.ok, qPrintable(backup.error));
        app.conn().exec("DELETE FROM 工资流水 WHERE id > 10");
        int refused = 0;
        for (const double room : {0.5, 1.5, 2.5}) {
            QFile::remove(filler);
            const qint64 free = QStorageInfo(mountPoint.path()).bytesAvailable();
            const qint64 keep = qint64(room * double(size));
            if (free <= keep)
                continue;
            QFile fill(filler);
            QVERIFY(fill.open(QIODevice::WriteOnly));
            QVERIFY(fill.write(QByteArray(free - keep, 'f')) > 0);
            fill.close();
            const CopyOutcome restore = restoreDatabase(app, QFileInfo(backup.path).fileName());
            if (restore.ok)
                break;
            ++refused;
            QVERIFY2(restore.error.contains("磁盘空间不足") && !restore.error.contains("损坏"),
                     qPrintable(restore.error));
            QCOMPARE(app.conn().scalar("SELECT count(*) FROM 工资流水").toInt(), 10);
        }
        QVERIFY(refused >= 1);
    }

    // Backups made under the old key and under the new one both restore, and the data file is
    // under the new key afterwards either way.
    void backupsOfEitherKeyRestore()
    {
        TestApp app;
        const AppPaths& paths = app.ctx().paths();
        const DatabaseKeys keys = readKeyFile(paths.keyFile());
        app.db().exec("INSERT INTO 员工 (工号, 姓名, 车间) VALUES ('001', '新钥', '一车间')");
        const CopyOutcome made = backupDatabase(app.ctx());
        QVERIFY2(made.ok, qPrintable(made.error));
        makeOldKeyFile(QDir(paths.backupDir()).filePath("2008-5-1.bak"), keys, "旧钥");

        const CopyOutcome fromOld = restoreDatabase(app.ctx(), "2008-5-1.bak");
        QVERIFY2(fromOld.ok, qPrintable(fromOld.error));
        QCOMPARE(employeeNames(app.db()), QStringList{"旧钥"});
        QVERIFY(opensWith(paths.database(), keys.key));
        QVERIFY(opensWith(QDir(paths.backupDir()).filePath("2008-5-1.bak"), keys.legacyKey)); // left as it was

        const CopyOutcome fromNew = restoreDatabase(app.ctx(), QFileInfo(made.path).fileName());
        QVERIFY2(fromNew.ok, qPrintable(fromNew.error));
        QCOMPARE(employeeNames(app.db()), QStringList{"新钥"});
    }
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "test_datafolder.moc"
