#pragma once

#include <QString>

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
    QString detail; // the engine's findings, for the second line of a message

    bool sound() const { return state == State::Sound; }
};

// Opens the file with `key` and checks every page (the engine's integrity check, which also
// verifies each page's authentication code) and that the file is exactly its pages long.
// Nothing is written to the file.
FileVerdict inspectDatabaseFile(const QString& path, const QString& key);

} // namespace kv
