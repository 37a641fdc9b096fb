#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

namespace kv {

class AppContext;
struct AppPaths;

// What a backup or a restore did.
struct CopyOutcome {
    bool ok = false;
    QString path;           // the backup file written or read
    QString error;          // why the operation did not take place, for the user
    QString reconnectError; // the shared connection could not be opened again afterwards
};

// "2008-5-17.bak": one backup per calendar day, named by the day.
QString backupFileName(const QDate& day);

// Copies the database file byte for byte into the backup folder as today's backup, replacing
// an earlier backup of the same day. The file stays encrypted: a backup is no easier to read
// than the database. The shared connection is closed during the copy and opened again
// afterwards, also when the copy fails; a failed copy leaves the earlier backup as it was.
CopyOutcome backupDatabase(AppContext& ctx);

// The backup files ("*.bak", any name) in the backup folder, in natural order of their names,
// so that day names come oldest first.
QStringList backupFiles(const AppPaths& paths);

// Replaces the database file with the named file of the backup folder. The copy is checked to
// be a database of this program that opens with its key before it takes the place of the
// database, so a failed copy or a wrong file leaves the data as they were. A backup of a newer
// schema version is refused; one of an older version is upgraded on its way in. The connection
// is closed during the copy and opened again afterwards in every case.
CopyOutcome restoreDatabase(AppContext& ctx, const QString& backupName);

} // namespace kv
