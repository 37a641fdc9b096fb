#pragma once

#include <QString>

namespace kv {
struct DatabaseKeys;
}

namespace kv {

// What reading a database file through, every page of it, found.
struct FileVerdict {
    enum class State {
        Sound,    // every page reads back whole and the file is a database of this program
        Damaged,  // a page is missing, cut short or changed
        OtherKey, // not even the first page opens with this key: another kv.dat (or damage there)
        NotOurs,  // a sound database, but not one of this program
    };
    State state = State::Sound;
    QString detail;      // the engine's findings, for the second line of a message
    bool oldKey = false; // the file opened with the key of earlier versions, not the present one

    bool sound() const { return state == State::Sound; }
};

// Opens the file with `key` and checks every page (the engine's integrity check, which also
// verifies each page's authentication code) and that the file is exactly its pages long.
// Nothing is written to the file.
FileVerdict inspectDatabaseFile(const QString& path, const QString& key);
// The same with the present key, or the key of earlier versions where the file was made with that.
FileVerdict inspectDatabaseFile(const QString& path, const DatabaseKeys& keys);

// Rewrites a sound database file that has free pages (space left by deleted rows) without
// them, so that every page of it is one the integrity check reads. Throws DbError.
void compactDatabaseFile(const QString& path, const DatabaseKeys& keys);

} // namespace kv
