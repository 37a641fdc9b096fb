#pragma once

#include "lists/ListEntry.h"

#include <optional>

namespace kv {

class Database;

// The super administrator: may be renamed and given a new password, never deleted.
inline constexpr qint64 kSuperAdminId = 1;

// Maintains the accounts that may log in (table 管理员). Names and passwords are cleaned as the
// login cleans them; passwords are kept only as password hashes.
class AdminAccounts {
public:
    explicit AdminAccounts(Database& db) : m_db(db) {}

    // Account names in ascending id.
    QList<ListEntry> entries();
    ListChange add(const QString& typedName, const QString& typedPassword);
    // Renames the account; its password changes only when a new one is given.
    ListChange change(qint64 id, const QString& typedName, const std::optional<QString>& typedPassword);
    ListChange remove(qint64 id);

private:
    Database& m_db;
};

} // namespace kv
