#include "CrashRounds.h"

#include "data/Accounts.h"
#include "data/AppContext.h"
#include "data/Database.h"
#include "data/KeyFile.h"
#include "data/Schema.h"
#include "maintenance/Backup.h"
#include "maintenance/ClearData.h"
#include "maintenance/DataFolder.h"
#include "maintenance/Integrity.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

namespace {
using namespace kv;

const QString kRestoredBackup = QStringLiteral("2008-5-1.bak");

// The data before the operation: employees and production lines. Restore goes back to the
// backup's smaller figures, clearing to none.
struct Figures {
    int employees;
    int lines;
};

Figures before(int lines)
{
    return {qMax(1, lines / 40), lines};
}

Figures inBackup(int lines)
{
    return {qMax(1, lines / 120), lines / 3};
}

QString fingerprint(Database& db)
{
    return QStringLiteral("%1 employees, %2 lines")
        .arg(db.scalar(QStringLiteral("SELECT count(*) FROM 员工")).toLongLong())
        .arg(db.scalar(QStringLiteral("SELECT count(*) FROM 工资流水")).toLongLong());
}

QString fingerprintOf(int employees, int lines)
{
    return QStringLiteral("%1 employees, %2 lines").arg(employees).arg(lines);
}

void fill(Database& db, int employees, int lines)
{
    Transaction tx(db);
    db.execScript(
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                       "INSERT INTO 员工 (工号, 姓名, 车间) SELECT printf('E%05d', i), '工人' || i, '一车间' FROM n")
            .arg(employees));
    db.execScript(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                 "INSERT INTO 工资流水 (工号, 日期, 产品, 数量, 工价, 金额, 备注) "
                                 "SELECT printf('E%05d', i % %2 + 1), '2008-05-02', '外壳', 10, 1.5, 15, "
                                 "printf('%0120d', i) FROM n")
                      .arg(lines)
                      .arg(employees));
    tx.commit();
}

void makeData(const QString& path, const QString& key, int employees, int lines)
{
    QFile::remove(path);
    createDatabaseIfMissing(path, key);
    Database db(path, key);
    fill(db, employees, lines);
}

void copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + path.mid(from.size());
        if (it.fileInfo().isDir())
            QDir().mkpath(target);
        else
            QFile::copy(path, target);
    }
}

// The application directory each round starts from, made once per operation.
QString prepareTemplate(CrashOp op, const QString& workDir, int lines)
{
    const QString dir = workDir + QStringLiteral("/template-") + crashOpName(op);
    QDir(dir).removeRecursively();
    QDir().mkpath(dir + QStringLiteral("/databak"));
    QDir().mkpath(dir + QStringLiteral("/data"));
    QFile::copy(QStringLiteral(KV_SOURCE_DIR "/tests/support/kv.dat"), dir + QStringLiteral("/kv.dat"));
    const AppPaths paths{dir, dir};
    const DatabaseKeys keys = readKeyFile(paths.keyFile());
    const QString key = op == CrashOp::Rekey ? keys.legacyKey : keys.key;
    if (op == CrashOp::Restore) {
        makeData(paths.database(), key, inBackup(lines).employees, inBackup(lines).lines);
        QFile::copy(paths.database(), QDir(paths.backupDir()).filePath(kRestoredBackup));
    }
    makeData(paths.database(), key, before(lines).employees, before(lines).lines);
    if (op == CrashOp::Rekey) {
        // An earlier version's installation: data and every copy under the short password.
        for (const char* name : {"2008-5-1.bak", "换密钥前-2008-05-01-120000.bak"})
            QFile::copy(paths.database(), QDir(paths.backupDir()).filePath(QString::fromUtf8(name)));
    }
    return dir;
}

QStringList acceptedStates(CrashOp op, int lines)
{
    const QString was = fingerprintOf(before(lines).employees, before(lines).lines);
    switch (op) {
    case CrashOp::Restore: return {was, fingerprintOf(inBackup(lines).employees, inBackup(lines).lines)};
    case CrashOp::Clear: return {was, fingerprintOf(0, 0)};
    case CrashOp::Backup:
    case CrashOp::Rekey: break;
    }
    return {was};
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

// Starts the program on the folder as a user would after the kill: the folder made ready, the
// data opened and read through. Returns what was wrong, empty when all is well.
QString startAndCheck(CrashOp op, const QString& dir, int lines)
{
    AppContext ctx(dir);
    const StartupOutcome prepared = prepareDataFolder(ctx, 5000);
    if (prepared.busy || !prepared.error.isEmpty() || !prepared.keyError.isEmpty())
        return QStringLiteral("start: %1 %2").arg(prepared.error, prepared.keyError);
    QString error;
    if (!ctx.reconnect(&error))
        return QStringLiteral("the data did not open: ") + error;
    try {
        Database& db = ctx.conn();
        const QString integrity = db.scalar(QStringLiteral("PRAGMA integrity_check")).toString();
        if (integrity != QStringLiteral("ok"))
            return QStringLiteral("integrity: ") + integrity;
        const QString state = fingerprint(db);
        if (!acceptedStates(op, lines).contains(state))
            return QStringLiteral("the data are neither before nor after: ") + state;
    } catch (const Error& e) {
        return QStringLiteral("reading the data: ") + e.userText();
    }
    ctx.disconnect();
    const DatabaseKeys keys = readKeyFile(ctx.paths().keyFile());
    const QDir backups(ctx.paths().backupDir());
    for (const QString& name : backups.entryList({QStringLiteral("*.bak")}, QDir::Files)) {
        const QString path = backups.filePath(name);
        // A backup or safety copy that is there is whole: copies appear by a rename only.
        if (op == CrashOp::Backup && !inspectDatabaseFile(path, keys).sound())
            return QStringLiteral("backup %1 is not whole").arg(name);
    }
    if (op == CrashOp::Rekey) {
        // Every file of the folder, the engine's journals and pending copies among them.
        QDirIterator every(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (every.hasNext()) {
            const QString path = every.next();
            if (opensWith(path, keys.legacyKey))
                return QStringLiteral("%1 still opens with the old password").arg(QDir(dir).relativeFilePath(path));
        }
    }
    return {};
}

struct WorkerRun {
    bool finished = false; // ran to its end before the kill
    qint64 operationUs = 0;
    QString failure;
};

// Runs the worker on `dir`; kills it `killAfterUs` after it starts the operation (never when
// negative).
WorkerRun runWorker(const QString& worker, CrashOp op, const QString& dir, qint64 killAfterUs)
{
    WorkerRun run;
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(worker, {crashOpName(op), dir});
    if (!process.waitForStarted(30000)) {
        run.failure = QStringLiteral("the worker did not start: ") + process.errorString();
        return run;
    }
    // The operation starts when the worker says so; process start-up is not part of the window.
    QByteArray said;
    while (!said.contains("go\n") && process.waitForReadyRead(60000))
        said += process.readAllStandardOutput();
    if (!said.contains("go\n")) {
        process.kill();
        process.waitForFinished();
        run.failure =
            QStringLiteral("the worker never began: ") + QString::fromLocal8Bit(process.readAllStandardError());
        return run;
    }
    QElapsedTimer timer;
    timer.start();
    if (killAfterUs >= 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(killAfterUs));
        process.kill();
    }
    process.waitForFinished(120000);
    run.operationUs = timer.nsecsElapsed() / 1000;
    said += process.readAllStandardOutput();
    run.finished = said.contains("done\n");
    if (killAfterUs < 0 && !run.finished)
        run.failure = QStringLiteral("the worker failed: ") + QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}
} // namespace

QString crashOpName(CrashOp op)
{
    switch (op) {
    case CrashOp::Backup: return QStringLiteral("backup");
    case CrashOp::Restore: return QStringLiteral("restore");
    case CrashOp::Clear: return QStringLiteral("clear");
    case CrashOp::Rekey: break;
    }
    return QStringLiteral("rekey");
}

CrashReport runCrashRounds(const QString& worker, CrashOp op, int rounds, quint32 seed, const QString& workDir,
                           int lines)
{
    CrashReport report;
    const QString templateDir = prepareTemplate(op, workDir, lines);
    // Once uninterrupted: how long the operation takes, and that it works at all.
    const QString calibration = workDir + QStringLiteral("/calibration");
    QDir(calibration).removeRecursively();
    copyFolder(templateDir, calibration);
    const WorkerRun whole = runWorker(worker, op, calibration, -1);
    if (!whole.failure.isEmpty()) {
        report.failures << whole.failure;
        return report;
    }
    report.operationUs = whole.operationUs;
    if (const QString after = startAndCheck(op, calibration, lines); !after.isEmpty())
        report.failures << QStringLiteral("uninterrupted: ") + after;

    std::mt19937 random(seed);
    std::uniform_int_distribution<qint64> moment(0, whole.operationUs);
    for (int round = 0; round < rounds; ++round) {
        const QString dir = workDir + QStringLiteral("/round");
        QDir(dir).removeRecursively();
        copyFolder(templateDir, dir);
        const qint64 at = moment(random);
        const WorkerRun run = runWorker(worker, op, dir, at);
        ++report.rounds;
        if (!run.failure.isEmpty()) {
            report.failures << QStringLiteral("round %1: %2").arg(round).arg(run.failure);
            continue;
        }
        if (!run.finished)
            ++report.killed;
        if (const QString after = startAndCheck(op, dir, lines); !after.isEmpty())
            report.failures << QStringLiteral("round %1, killed %2 µs in: %3").arg(round).arg(at).arg(after);
    }
    return report;
}

int runCrashWorker(const QString& op, const QString& appDir)
{
    AppContext ctx(appDir);
    const auto say = [](const char* word) {
        std::fputs(word, stdout);
        std::fflush(stdout);
    };
    if (op == crashOpName(CrashOp::Rekey)) {
        say("go\n");
        const StartupOutcome outcome = prepareDataFolder(ctx);
        if (!outcome.error.isEmpty() || !outcome.keyError.isEmpty() || !outcome.copiesKeyError.isEmpty())
            return 1;
        say("done\n");
        return 0;
    }
    QString error;
    if (!ctx.reconnect(&error))
        return 2;
    if (const auto owner = accountSession(ctx.conn(), kSuperAdministratorId))
        ctx.setSession(*owner);
    say("go\n");
    try {
        if (op == crashOpName(CrashOp::Backup)) {
            if (!backupDatabase(ctx).ok)
                return 1;
        } else if (op == crashOpName(CrashOp::Restore)) {
            if (!restoreDatabase(ctx, kRestoredBackup).ok)
                return 1;
        } else if (op == crashOpName(CrashOp::Clear)) {
            if (!makeSafetyCopy(ctx, SafetyKind::BeforeClear).ok)
                return 1;
            clearAllData(ctx.conn());
        } else {
            return 3;
        }
    } catch (const Error&) {
        return 1;
    }
    say("done\n");
    return 0;
}
