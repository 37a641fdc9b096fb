#include "maintenance/DataFolder.h"

#include "data/AppContext.h"
#include "data/AppLocations.h"
#include "data/Database.h"
#include "data/KeyFile.h"
#include "data/Schema.h"
#include "maintenance/BackupFiles.h"
#include "maintenance/FileCopy.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace kv {

namespace {
constexpr QFileDevice::Permissions kOwnerOnly =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                             QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

void keepToOwner(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists() && (info.permissions() & kOthers))
        QFile::setPermissions(path, info.permissions() & kOwnerOnly);
}

// A pending copy cut short, and the engine's journal of it when the cut came while it was being
// re-keyed (the journal holds pages under the old key).
void removeLeftover(const QString& part)
{
    const QString journal = part + QStringLiteral("-journal");
    if (removeLeftoverCopy(part) || !QFileInfo::exists(part))
        QFile::remove(journal);
}

void removeLeftoverCopies(const AppPaths& paths)
{
    removeLeftover(pendingCopyPath(paths.database()));
    const QDir backups(paths.backupDir());
    for (const QString& name : backups.entryList({QStringLiteral("*.bak.part")}, QDir::Files | QDir::Hidden))
        removeLeftover(backups.filePath(name));
    for (const QString& name : backups.entryList({QStringLiteral("*.bak.part-journal")}, QDir::Files | QDir::Hidden))
        if (!QFileInfo::exists(backups.filePath(name.chopped(8))))
            QFile::remove(backups.filePath(name));
}

// Gives the copy at `part` the present key; why it could not, empty when it has it. The engine
// rewrites every page under a journal as large as the file: a re-key that ran out of room may
// end with a file that opens with neither key, so it is opened again to prove the key, and a
// failure on a disk without room says so.
QString rekeyedInPlace(const QString& part, const DatabaseKeys& keys)
{
    const qint64 size = QFileInfo(part).size();
    try {
        rekeyDatabaseFile(part, keys);
        Database check(part, keys.key);
    } catch (const DbError& e) {
        const QString full = lackOfRoom(part, 2 * size);
        return full.isEmpty() ? e.userText() : full + u'\n' + e.message();
    }
    return {};
}

// Set in the data file once no copy in the backup folder is under the key of earlier versions.
constexpr auto kCopiesUnderPresentKey = u"copies_under_present_key";

// Gives the present key to the copy at `path` when it opens with the old one, in a re-keyed copy
// that takes its place in one rename (its time of writing kept, which orders a day's backups).
// Returns whether it had the old key; throws DbError, or Error with the copy's failure.
bool giveCopyThePresentKey(const QString& path, const DatabaseKeys& keys)
{
    try {
        Database probe(path, keys.legacyKey);
    } catch (const DbError&) {
        return false; // the present key, another installation's, or no database
    }
    const QDateTime written = QFileInfo(path).lastModified();
    const QString error = copyReplacing(path, path, [&](const QString& part) {
        if (QString failed = rekeyedInPlace(part, keys); !failed.isEmpty())
            return failed;
        QFile file(part);
        if (file.open(QIODevice::ReadWrite))
            file.setFileTime(written, QFileDevice::FileModificationTime);
        return QString();
    });
    if (!error.isEmpty())
        throw DbError(QStringLiteral("备份 %1 没能换用新的密钥：%2").arg(QDir::toNativeSeparators(path), error));
    return true;
}

// Every copy in the backup folder still under the old key gets the present one; done once per
// data file (kCopiesUnderPresentKey), again after a cut-short run.
void giveCopiesThePresentKey(const AppPaths& paths, const DatabaseKeys& keys, StartupOutcome& outcome)
{
    if (keys.legacyKey.isEmpty())
        return;
    std::unique_ptr<Database> data;
    try {
        data = openDataFile(paths.database(), keys);
    } catch (const DbError&) {
        return; // data that do not open are reported when the program connects
    }
    try {
        const QVariant done = data->scalar(QStringLiteral("SELECT value FROM kelvaro_meta WHERE key = ?"),
                                           {QString::fromUtf16(kCopiesUnderPresentKey)});
        if (!done.isNull())
            return;
        const QDir backups(paths.backupDir());
        for (const QString& name : backups.entryList({QStringLiteral("*.bak")}, QDir::Files | QDir::Hidden))
            if (giveCopyThePresentKey(backups.filePath(name), keys))
                outcome.rekeyedCopies << backups.filePath(name);
        try {
            data->exec(data->upsertSql(QStringLiteral("kelvaro_meta"), {QStringLiteral("key"), QStringLiteral("value")}),
                       {QString::fromUtf16(kCopiesUnderPresentKey), QStringLiteral("1")});
        } catch (const DbError&) {
            // Data that take no writes (read-only) are looked through again at the next start.
        }
    } catch (const Error& e) {
        outcome.copiesKeyError = e.userText();
    }
}

// A new installation gets key material of its own; beside an existing database a new key would
// only lock the data away (the connection message then names the missing file).
QString makeKeyMaterial(const AppPaths& paths)
{
    if (QFileInfo::exists(paths.keyFile()) || QFileInfo::exists(paths.database()))
        return {};
    if (const QString error = createKeyFile(paths.keyFile()); !error.isEmpty())
        return QStringLiteral("无法生成密钥文件 %1：%2").arg(QDir::toNativeSeparators(paths.keyFile()), error);
    return {};
}

// A data file made under the key of an earlier version: a safety copy first, then a re-keyed
// copy takes its place in one rename, so that the file is at every moment whole under one key.
// A file already under the present key is handed on in *opened.
QString giveThePresentKey(const AppContext& ctx, const DatabaseKeys& keys, QString* safetyCopy,
                          std::unique_ptr<Database>* opened)
{
    const AppPaths& paths = ctx.paths();
    bool oldKey = false;
    try {
        std::unique_ptr<Database> db = openDataFile(paths.database(), keys, &oldKey);
        if (!oldKey) {
            *opened = std::move(db);
            return {};
        }
    } catch (const DbError&) {
        return {}; // a file that does not open is reported when the program connects
    }
    const QString copy = unusedBackupPath(paths, safetyCopyName(SafetyKind::BeforeKeyChange, ctx.clock().now()));
    if (const QString error = copyReplacing(paths.database(), copy, {}, Placement::KeepExisting); !error.isEmpty())
        return QStringLiteral("没能先为现有数据保存一份安全副本。\n%1").arg(error);
    pruneSafetyCopies(paths, SafetyKind::BeforeKeyChange);
    *safetyCopy = copy;
    return copyReplacing(paths.database(), paths.database(),
                         [&](const QString& part) { return rekeyedInPlace(part, keys); });
}
} // namespace

void restrictToOwner(const AppPaths& paths)
{
    for (const QString& path : {paths.appDir, paths.dataDir(), paths.backupDir(), paths.keyFile(), paths.database()})
        keepToOwner(path);
    const QDir backups(paths.backupDir());
    for (const QString& name : backups.entryList({QStringLiteral("*.bak")}, QDir::Files | QDir::Hidden))
        keepToOwner(backups.filePath(name));
}

StartupOutcome prepareDataFolder(const AppContext& ctx, int waitMs)
{
    StartupOutcome outcome;
    const AppPaths& paths = ctx.paths();
    // The lock lives in the data folder, which must be there first; one that cannot be made
    // shows when the database is created.
    QDir().mkpath(paths.appDir);
    QLockFile lock(paths.file(QString::fromUtf16(kStartLockFile)));
    lock.setStaleLockTime(0); // a lock left by a process that died is taken over, one of a living process never
    if (!lock.tryLock(waitMs) && lock.error() == QLockFile::LockFailedError) {
        outcome.busy = true;
        outcome.error = QString::fromUtf16(kFolderBusyMessage);
        return outcome;
    }

    makeDataFolder(paths);
    restrictToOwner(paths);
    removeLeftoverCopies(paths);
    outcome.error = makeKeyMaterial(paths);
    if (!outcome.error.isEmpty() || ctx.usesServer())
        return outcome; // the server's tables are made at the first connect; the key serves its backups

    const DatabaseKeys keys = readKeyFile(paths.keyFile());
    if (!keys.readable())
        return outcome; // never a database under a wrong key; the connection names kv.dat
    try {
        createDatabaseIfMissing(paths.database(), keys.key);
    } catch (const DbError& e) {
        outcome.error = e.message();
        return outcome;
    }
    outcome.keyError = giveThePresentKey(ctx, keys, &outcome.keySafetyCopy, &outcome.opened);
    if (outcome.keyError.isEmpty())
        giveCopiesThePresentKey(paths, keys, outcome);
    return outcome;
}

} // namespace kv
