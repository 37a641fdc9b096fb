#pragma once

#include <QString>

namespace kv {

class Database;

// Writes every table of the server's data into a new encrypted data file at `path` under `key`,
// the format of the local backups, as one consistent reading of the server (inside the transaction
// open on `server`, else in one of its own); the file appears whole once the copy is complete,
// and never in the place of an existing one (the copy then fails). Returns why it could not, empty on success.
QString copyServerToFile(Database& server, const QString& path, const QString& key);

// Replaces the rows of every table of the data open in `db` (a server or another file) by those of
// the encrypted data file at `path`, but for the operation log, which keeps its entries and gains
// those of the file it lacks; in one transaction (a part of the one open on `db`): a failure
// leaves the data as they were. The file must have been checked and brought to the program's
// schema version. Throws DbError.
void copyFileInto(const QString& path, const QString& key, Database& db);

} // namespace kv
