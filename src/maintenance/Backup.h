#pragma once

#include "maintenance/BackupFiles.h"

#include <QString>

namespace kv {

class AppContext;

// What a backup, a restore or a safety copy did.
struct CopyOutcome {
    bool ok = false;
    QString path;           // the backup file written or read
    QString safetyCopy;     // the copy of the data taken first (restore), empty when none
    QString error;          // why the operation did not take place, for the user
    QString reconnectError; // the shared connection could not be opened again afterwards
};

// Copies the database file into the backup folder as today's backup; a day that has a backup
// already gets the next numbered one ("2008-5-17 (2).bak"), never replacing a backup. The file
// stays encrypted: a backup is no easier to read than the database. The copy is read through,
// every page, before it is put in place: a damaged database never becomes a backup. It is then
// compacted (no free pages, which no check reads), so that every page of a backup is one its
// check reads. The shared connection is closed during the copy and opened again afterwards, also
// when the copy fails. Needs the right to back up (Right::Backup).
CopyOutcome backupDatabase(AppContext& ctx);

// Takes a safety copy of the database ("恢复前-…", "清空前-…") in the backup folder and keeps
// the newest few of its kind. Closes the connection during the copy and opens it again.
CopyOutcome makeSafetyCopy(AppContext& ctx, SafetyKind kind);

// Replaces the data with those of the named file of the backup folder. The backup is read
// through, every page, and must be a database of this program that opens with the present key or
// the one earlier versions built from the same kv.dat; a backup of a newer schema version is
// refused, one of an older version is upgraded on its way in. Then, in one maintenance
// transaction on the open connection (saves under way end first, other clerks' saves wait), a
// safety copy of the present data is taken and every table's rows are replaced by the backup's.
// Anything that fails leaves the data as they were. Other clerks' connections stay open and see
// the restored data at once. Needs the right to restore and
// clear (Right::RestoreClear).
CopyOutcome restoreDatabase(AppContext& ctx, const QString& backupName);

// On a normal exit: when the data changed during this run, the backup folder exists and today
// has no backup yet, makes today's backup (never over a file of that name). Returns true when it
// made one.
bool backupOnExit(AppContext& ctx);

} // namespace kv
