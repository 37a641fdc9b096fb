#include "maintenance/Backup.h"

#include "data/Accounts.h"
#include "data/AppContext.h"
#include "data/Database.h"
#include "data/KeyFile.h"
#include "data/OperationLog.h"
#include "data/Schema.h"
#include "data/Session.h"
#include "maintenance/FileCopy.h"
#include "maintenance/Integrity.h"
#include "maintenance/ServerCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>
#include <memory>

namespace kv {

namespace {
void reopen(AppContext& ctx, CopyOutcome& outcome)
{
    QString error;
    if (!ctx.reconnect(&error))
        outcome.reconnectError = error;
}

// A backup that took place goes into the log. The copy is done either way, so a log that cannot be
// written does not undo it.
void logCopy(AppContext& ctx, const CopyOutcome& outcome, const QString& action)
{
    if (!outcome.ok || !ctx.isConnected())
        return;
    try {
        OperationLog(ctx.conn()).recordAlone(action, QFileInfo(outcome.path).fileName());
    } catch (const DbError&) {
    }
}

// Why the account may not do what needs the right; empty when it may. With the connection open
// the rights are read as stored now; without it (a file that no longer opens, the very case a
// restore is for) the rights it logged in with decide.
QString rightRefusal(AppContext& ctx, Right right)
{
    if (!ctx.isConnected())
        return ctx.session().may(right) ? QString() : refusalText(right);
    try {
        requireRight(ctx.conn(), right);
    } catch (const Error& e) {
        return e.message();
    }
    return {};
}

QString backupPath(const AppPaths& paths, const QString& name)
{
    return QDir::cleanPath(QFileInfo(paths.backupDir()).absoluteFilePath() + u'/' + name);
}

// Why the backup folder cannot take a copy, empty when it can.
QString missingBackupDir(const AppPaths& paths)
{
    if (QFileInfo(paths.backupDir()).isDir())
        return {};
    return QStringLiteral("备份文件夹 %1 不存在。").arg(QDir::toNativeSeparators(paths.backupDir()));
}

// Why a backup copy cannot serve as the database, empty when it can. A copy made under the key
// of an earlier version gets the present key, and one of an older schema version is upgraded,
// here, before it takes the place of the database, so that a step that fails leaves the data
// as they were. The copy is compacted too: free pages of a backup, which no check reads, never
// reach the data.
QString notRestorable(const QString& copy, const DatabaseKeys& keys, SchemaSteps schema)
{
    const FileVerdict verdict = inspectDatabaseFile(copy, keys);
    switch (verdict.state) {
    case FileVerdict::State::Sound: break;
    case FileVerdict::State::Damaged:
        return QStringLiteral("所选备份已损坏（有的页缺失或被改动），不能用来恢复。\n%1").arg(verdict.detail);
    case FileVerdict::State::OtherKey:
        return QStringLiteral("所选备份不能用现在的 kv.dat 打开：它属于另一个 kv.dat（另一套安装的密钥文件），"
                              "或者它已损坏。\n%1")
            .arg(verdict.detail);
    case FileVerdict::State::NotOurs: return QStringLiteral("所选文件不是本系统的数据备份。");
    }
    try {
        if (verdict.oldKey)
            rekeyDatabaseFile(copy, keys);
        compactDatabaseFile(copy, keys);
        Database db(copy, keys.key);
        upgradeSchema(db, schema);
    } catch (const DbError& e) {
        return e.message();
    }
    return {};
}

// Why a copy of the present database must not replace a backup, empty when it may. A sound
// copy is compacted, so that the backup holds no page the integrity check does not read.
QString notBackupWorthy(const QString& copy, const DatabaseKeys& keys)
{
    const FileVerdict verdict = inspectDatabaseFile(copy, keys);
    if (!verdict.sound())
        return QStringLiteral("当前数据文件已损坏，没有用它替换今天的备份，原有的备份保持原样。请从备份恢复数据。\n%1")
            .arg(verdict.detail);
    try {
        compactDatabaseFile(copy, keys);
    } catch (const DbError& e) {
        return e.userText();
    }
    return {};
}

// A safety copy is compacted where it can be; one of damaged data is kept as it was copied,
// since it may be all there is of them.
QString compactedWherePossible(const QString& copy, const DatabaseKeys& keys)
{
    try {
        if (inspectDatabaseFile(copy, keys).sound())
            compactDatabaseFile(copy, keys);
    } catch (const DbError&) {
    }
    return {};
}

// Writes a new copy into the backup folder under `name`, numbered when a file has that name
// (unusedBackupPath); another copy of the program taking the same name meanwhile gets the next
// number. `write` copies to the path it is given, never over an existing file. `path` is set to
// the copy written (or last tried).
QString writeNewCopy(AppContext& ctx, const QString& name, QString& path,
                     const std::function<QString(const QString&)>& write)
{
    constexpr int kAttempts = 3;
    QString error;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        path = unusedBackupPath(ctx.paths(), name);
        error = write(path);
        if (error.isEmpty() || !QFileInfo::exists(path))
            return error;
    }
    return error;
}

// Writes the safety copy with the connection already closed.
CopyOutcome writeSafetyCopy(AppContext& ctx, SafetyKind kind)
{
    CopyOutcome outcome;
    outcome.error = missingBackupDir(ctx.paths());
    if (!outcome.error.isEmpty())
        return outcome;
    const DatabaseKeys keys = readKeyFile(ctx.paths().keyFile());
    outcome.error = writeNewCopy(ctx, safetyCopyName(kind, ctx.clock().now()), outcome.path, [&](const QString& path) {
        return ctx.usesServer() ? copyServerToFile(ctx.conn(), path, keys.key)
                                : copyReplacing(
                                      ctx.paths().database(), path,
                                      [&](const QString& copy) { return compactedWherePossible(copy, keys); },
                                      Placement::KeepExisting);
    });
    outcome.ok = outcome.error.isEmpty();
    if (outcome.ok)
        pruneSafetyCopies(ctx.paths(), kind);
    return outcome;
}
} // namespace

namespace {
CopyOutcome writeBackup(AppContext& ctx)
{
    CopyOutcome outcome;
    const QString name = backupFileName(ctx.clock().today());
    outcome.path = backupPath(ctx.paths(), name);
    if (ctx.usesServer()) {
        // The server's data come home as the same encrypted file that local backups are.
        outcome.error = missingBackupDir(ctx.paths());
        if (outcome.error.isEmpty())
            outcome.error = writeNewCopy(ctx, name, outcome.path, [&](const QString& path) {
                return copyServerToFile(ctx.conn(), path, dbPass(ctx.paths().keyFile()));
            });
        outcome.ok = outcome.error.isEmpty();
        logCopy(ctx, outcome, QStringLiteral("数据备份"));
        return outcome;
    }
    outcome.error = missingBackupDir(ctx.paths());
    if (!outcome.error.isEmpty())
        return outcome;
    const DatabaseKeys keys = readKeyFile(ctx.paths().keyFile());
    ctx.disconnect();
    outcome.error = writeNewCopy(ctx, name, outcome.path, [&](const QString& path) {
        return copyReplacing(
            ctx.paths().database(), path, [&](const QString& copy) { return notBackupWorthy(copy, keys); },
            Placement::KeepExisting);
    });
    outcome.ok = outcome.error.isEmpty();
    reopen(ctx, outcome);
    logCopy(ctx, outcome, QStringLiteral("数据备份"));
    return outcome;
}
} // namespace

CopyOutcome backupDatabase(AppContext& ctx)
{
    CopyOutcome outcome;
    outcome.error = rightRefusal(ctx, Right::Backup);
    if (!outcome.error.isEmpty())
        return outcome;
    return writeBackup(ctx);
}

namespace {
// Puts the checked copy's rows in the place of the data, on the open connection, in one
// maintenance transaction: saves under way on any connection end first, later ones wait until it
// is done, and the safety copy is taken inside it, so that no save falls between the two. Returns
// why it did not, empty when it did.
QString replaceData(AppContext& ctx, const QString& staged, const DatabaseKeys& keys, CopyOutcome& outcome)
{
    try {
        Database& db = ctx.conn();
        Transaction tx(db, Access::Maintenance);
        const CopyOutcome safety = writeSafetyCopy(ctx, SafetyKind::BeforeRestore);
        if (!safety.ok)
            return QStringLiteral("没能先为现有数据保存一份安全副本，所以没有恢复。\n%1").arg(safety.error);
        outcome.safetyCopy = safety.path;
        copyFileInto(staged, keys.key, db);
        // The log kept its entries through the copy; the restore's own goes in with it.
        OperationLog(db).record(QStringLiteral("数据恢复"), QFileInfo(outcome.path).fileName());
        markDataReplaced(db);
        tx.commit();
    } catch (const DbError& e) {
        outcome.safetyCopy.clear();
        return QStringLiteral("恢复没有完成，现有的数据保持原样。\n%1").arg(e.userText());
    } catch (const InputError& e) { // the right was taken away meanwhile
        outcome.safetyCopy.clear();
        return e.message();
    }
    // The space of the rows replaced goes back to the system: the data hold no free page that no
    // check reads. The data are restored already; a file that stays large is no failure.
    try {
        ctx.conn().execScript(QStringLiteral("VACUUM"));
    } catch (const DbError&) {
    }
    return {};
}
} // namespace

CopyOutcome makeSafetyCopy(AppContext& ctx, SafetyKind kind)
{
    if (ctx.usesServer())
        return writeSafetyCopy(ctx, kind);
    ctx.disconnect();
    CopyOutcome outcome = writeSafetyCopy(ctx, kind);
    reopen(ctx, outcome);
    return outcome;
}

CopyOutcome restoreDatabase(AppContext& ctx, const QString& backupName)
{
    CopyOutcome outcome;
    outcome.error = rightRefusal(ctx, Right::RestoreClear);
    if (outcome.error.isEmpty() && ctx.isConnected())
        outcome.error = ownerOnlyRefusal(ctx.conn(), QStringLiteral("恢复数据"));
    if (!outcome.error.isEmpty())
        return outcome;
    outcome.path = backupPath(ctx.paths(), backupName);
    // The backup is checked and brought to the program's schema version as a copy beside the data
    // (beside the backups on a server), so that neither the backup nor the data change until
    // the copy has passed.
    const DatabaseKeys keys = readKeyFile(ctx.paths().keyFile());
    const QString staged = pendingCopyPath(ctx.usesServer() ? outcome.path : ctx.paths().database());
    const PendingCopyClaim claim(staged);
    if (const QString error = copyBytesInto(outcome.path, staged); !error.isEmpty()) {
        QFile::remove(staged);
        outcome.error = QStringLiteral("没能在 %1 旁边放一份所选备份的副本（恢复前先检查它）。\n%2")
                            .arg(QDir::toNativeSeparators(QFileInfo(staged).absolutePath()), error);
        return outcome;
    }
    outcome.error = notRestorable(staged, keys, ctx.schema());
    if (outcome.error.isEmpty())
        outcome.error = replaceData(ctx, staged, keys, outcome);
    QFile::remove(staged);
    outcome.ok = outcome.error.isEmpty();
    if (outcome.ok)
        ctx.markChanged();
    return outcome;
}

bool backupOnExit(AppContext& ctx)
{
    if (ctx.usesServer() || !ctx.hasChanges() || !missingBackupDir(ctx.paths()).isEmpty())
        return false;
    // One backup a day is made on the way out; a day that has one (made by hand or at an earlier
    // exit) keeps it, and no other is added.
    if (QFileInfo::exists(backupPath(ctx.paths(), backupFileName(ctx.clock().today()))))
        return false;
    // The day's safety net, whoever logged in: no right is asked.
    return writeBackup(ctx).ok;
}

} // namespace kv
