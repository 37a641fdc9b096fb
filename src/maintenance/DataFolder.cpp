#include "maintenance/DataFolder.h"

#include "data/AppContext.h"
#include "data/AppLocations.h"
#include "data/KeyFile.h"
#include "data/Schema.h"
#include "maintenance/BackupFiles.h"
#include "maintenance/FileCopy.h"

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

void removeLeftoverCopies(const AppPaths& paths)
{
    removeLeftoverCopy(pendingCopyPath(paths.database()));
    const QDir backups(paths.backupDir());
    for (const QString& name : backups.entryList({QStringLiteral("*.bak.part")}, QDir::Files | QDir::Hidden))
        removeLeftoverCopy(backups.filePath(name));
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
QString giveThePresentKey(const AppContext& ctx, const DatabaseKeys& keys, QString* safetyCopy)
{
    const AppPaths& paths = ctx.paths();
    bool oldKey = false;
    try {
        openWithKeys(paths.database(), keys, &oldKey);
    } catch (const DbError&) {
        return {}; // a file that does not open is reported when the program connects
    }
    if (!oldKey)
        return {};
    const QString copy =
        QDir(paths.backupDir()).filePath(safetyCopyName(SafetyKind::BeforeKeyChange, ctx.clock().now()));
    if (const QString error = copyReplacing(paths.database(), copy); !error.isEmpty())
        return QStringLiteral("没能先为现有数据保存一份安全副本。\n%1").arg(error);
    pruneSafetyCopies(paths, SafetyKind::BeforeKeyChange);
    *safetyCopy = copy;
    return copyReplacing(paths.database(), paths.database(), [&](const QString& part) {
        try {
            rekeyDatabaseFile(part, keys);
            Database check(part, keys.key);
        } catch (const DbError& e) {
            return e.userText();
        }
        return QString();
    });
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
    outcome.keyError = giveThePresentKey(ctx, keys, &outcome.keySafetyCopy);
    return outcome;
}

} // namespace kv
