#pragma once

#include <QString>

namespace kv {

class Database;

// The factory's name ("单位名称"): the first line of wage slips and prints. Kept in the
// database's key/value table, so that it travels with backups; empty until set.
inline constexpr int kFactoryNameMaxLength = 40;

// Throws DbError when the table cannot be read.
QString factoryName(Database& db);

// Why the typed name cannot be stored, in Chinese for the user; empty when it can.
QString factoryNameProblem(const QString& typed);

// Stores the cleaned name (an empty one clears it) and logs the change. Needs the right to keep
// master data (InputError otherwise). Throws DbError.
void setFactoryName(Database& db, const QString& typed);

} // namespace kv
