#pragma once

#include <QString>

#include <span>

namespace kv {

class Database;

// The account and password of the super administrator (id 1) in a new database.
inline constexpr auto kDefaultAccount = u"admin";
inline constexpr auto kDefaultPassword = u"admin123";

// One step of the schema's history: `apply` turns a file of version `version - 1` into one of
// `version`. It runs inside a transaction that also records the new version.
struct SchemaStep {
    int version;
    void (*apply)(Database& db);
};
using SchemaSteps = std::span<const SchemaStep>;

// The program's steps, oldest first; the first one makes the tables of a new file.
SchemaSteps programSchema();
// The version the given steps lead to.
int latestVersion(SchemaSteps steps = programSchema());

// The schema version stored in the file. Throws DbError when the file has none, which means it
// is no data file of this program.
int storedVersion(Database& db);

// Runs every step on an empty file in one transaction: a new file of the latest version.
void createSchema(Database& db, SchemaSteps steps = programSchema());

// Brings the file to the latest version, one step after the other, each in its own
// transaction: a step that fails leaves the file as the step found it, and DbError says so. A
// file of a newer version than the steps know is refused with DbError and left alone.
void upgradeSchema(Database& db, SchemaSteps steps = programSchema());

// Notes in the data that they were replaced as a whole (restored, cleared), inside the maintenance
// transaction that did it: windows of other clerks that show the data from before reload them.
void markDataReplaced(Database& db);
// Changes whenever the data are replaced as a whole; read it when the data are shown and compare.
QString dataReplacedStamp(Database& db);

// Creates an encrypted database at `path` when no file is there yet. Returns true when it
// created one. Throws DbError when the file cannot be made.
bool createDatabaseIfMissing(const QString& path, const QString& key);

} // namespace kv
