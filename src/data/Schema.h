#pragma once

#include <QString>

namespace kv {

class Database;

// The account and password of the super administrator (id 1) in a new database.
inline constexpr auto kDefaultAccount = u"admin";
inline constexpr auto kDefaultPassword = u"admin123";

// Creates the ten tables, their indexes and the super administrator in one transaction.
void createSchema(Database& db);

// Creates an encrypted database at `path` when no file is there yet. Returns true when it
// created one. Throws DbError when the file cannot be made.
bool createDatabaseIfMissing(const QString& path, const QString& key);

} // namespace kv
