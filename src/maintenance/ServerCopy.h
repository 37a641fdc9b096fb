#pragma once

#include <QString>

namespace kv {

class Database;

// Writes every table of the server's data into a new encrypted data file at `path` under `key`,
// the format of the local backups, as one consistent reading of the server; an existing file there
// is replaced only once the copy is complete. Returns why it could not, empty on success.
QString copyServerToFile(Database& server, const QString& path, const QString& key);

// Replaces every table of the server's data by the rows of the encrypted data file at `path`,
// in one transaction: a failure leaves the server's data as they were. The file must have been
// checked and brought to the program's schema version. Returns why it could not, empty on success.
QString copyFileToServer(const QString& path, const QString& key, Database& server);

} // namespace kv
