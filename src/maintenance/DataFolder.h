#pragma once

#include "data/Database.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace kv {

class AppContext;
struct AppPaths;

// What getting the data folder ready at start did.
struct StartupOutcome {
    // Another copy of the program held the data folder longer than this one waited.
    bool busy = false;
    // Why the key material or the database could not be made, for the user; empty when made or
    // there already.
    QString error;
    // Why the data file could not be given the present key (it keeps opening with its old one,
    // and the next start tries again); empty when it has it.
    QString keyError;
    // The copy of the data taken before the data file was given the present key, when it was.
    QString keySafetyCopy;
    // Copies in the backup folder that were still under the key of earlier versions and are now
    // under the present one (the safety copy above among them); the user is told once.
    QStringList rekeyedCopies;
    // Why a copy under the old key could not be given the present one (the next start tries
    // again); empty when none is left.
    QString copiesKeyError;
    // The data file as the start opened it under the present key, for the program to go on with
    // (AppContext::adoptConnection) instead of reading kv.dat and opening the file again; null
    // when it did not open so.
    std::unique_ptr<Database> opened;
};

// The lock file in the data folder that a start holds while it gets the folder ready.
inline constexpr auto kStartLockFile = u".kelvaro-start.lock";

// What a second start says when the first holds the data folder too long.
inline constexpr auto kFolderBusyMessage = u"程序正在另一个窗口中初始化数据";

// How long a start waits for another one to finish with the data folder.
inline constexpr int kStartupWaitMs = 60000;

// Gets the data folder ready, under a lock file in it, so that two copies of the program
// starting at once do it one after the other (one kv.dat, one database under its key):
//  - makes the data and backup folders and takes every other account's access to the folder
//    and its files away (folders 0700, kv.dat, data.mdb and backups 0600);
//  - removes the pending copies that interrupted backups and restores left behind;
//  - on a first start (neither kv.dat nor a database) writes new key material, and makes the
//    database where it is missing and the key material can be read;
//  - gives a data file made under the key of earlier versions the present key, after a safety
//    copy ("换密钥前-…bak");
//  - once the data file has the present key, gives it to every backup and safety copy still
//    under the old one, so that nothing in the folder opens with the old password; the data
//    file remembers that this was done, so later starts do not try every backup again.
// Waits at most waitMs for another start; then reports itself busy and does nothing.
StartupOutcome prepareDataFolder(const AppContext& ctx, int waitMs = kStartupWaitMs);

// Takes group and other accounts' access away from the data folder, its data and backup
// folders, kv.dat, the data file and the backups; the owner's own rights stay as they were.
void restrictToOwner(const AppPaths& paths);

} // namespace kv
