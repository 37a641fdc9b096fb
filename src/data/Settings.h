#pragma once

#include <QString>

namespace kv {

class Database;

// Stores one of the program's settings (factory name, net pay rounding, …) in kelvaro_meta, inside
// the caller's transaction, after the caller has checked the account's right: directly where the
// connection may write the table, otherwise through the server's function, which checks the
// acting account by its password's proof and keeps the schema's own entries to the owner.
void storeSetting(Database& db, const QString& key, const QString& value);

} // namespace kv
