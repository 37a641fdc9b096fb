#pragma once

#include <QString>

#include <memory>

namespace kv {

class Database;

// What kv.dat yields: the key of the database and its backups, or why kv.dat cannot be used.
struct DatabaseKeys {
    // The key of every file made now: a 256-bit key hashed from the whole of kv.dat, given to
    // the engine as raw key text (x'…'), so that it carries all of kv.dat's randomness.
    QString key;
    // The password files of earlier versions were made with: six characters of kv.dat
    // alternated with five fixed ones. Such files still open with it and are re-keyed.
    QString legacyKey;
    // Why kv.dat cannot be read (missing, no permission, a folder, too short); empty when it can.
    QString error;

    bool readable() const { return error.isEmpty(); }
};

// Reads kv.dat once and derives both keys from it.
DatabaseKeys readKeyFile(const QString& keyFilePath);

// The database key from kv.dat; empty when kv.dat cannot be read (an empty key opens nothing
// and creates nothing).
QString dbPass(const QString& keyFilePath);

// Writes new key material from a cryptographic random source: 64 random letters and digits as
// UTF-16LE text, readable by its owner only. Every installation gets its own, so a database
// opens only beside its own key file. Returns why it could not be written, empty on success.
QString createKeyFile(const QString& keyFilePath);

// Opens a database file with the present key, or with the key of earlier versions when it was
// made with that (`oldKey` then tells so). Throws the present key's DbError when neither fits.
std::unique_ptr<Database> openWithKeys(const QString& path, const DatabaseKeys& keys, bool* oldKey = nullptr);

// Opens the program's data file as openWithKeys does. A file that a compaction cut short left
// longer than its pages by whole pages is first cut to its pages (trimSurplusPages), so that an
// interrupted restore or clearing never locks the data away. Throws DbError.
std::unique_ptr<Database> openDataFile(const QString& path, const DatabaseKeys& keys, bool* oldKey = nullptr);

// Gives a database file of an earlier version's key the present one, in place; for copies the
// program owns (staged restores, the re-keyed copy of the data file). Throws DbError.
void rekeyDatabaseFile(const QString& path, const DatabaseKeys& keys);

} // namespace kv
