#pragma once

#include "data/Session.h"
#include "lists/ListEntry.h"

#include <optional>

namespace kv {

class Database;

// The super administrator: may be renamed and given a new password, never deleted.
inline constexpr qint64 kSuperAdminId = kSuperAdministratorId;

// The refusal of a name another account has.
inline constexpr auto kAccountExistsText = u"该账号已存在！";

// What a change of an account brings: the name and, when they change, the password and rights.
struct AccountChange {
    QString typedName;
    std::optional<QString> typedPassword; // none: the password stays
    std::optional<QString> oldPassword;   // asked when an account changes its own password
    std::optional<Rights> rights;         // none: the rights stay
};

// Maintains the accounts that may log in (table 管理员). Names and passwords are cleaned as the
// login cleans them; passwords are kept only as password hashes; no two accounts have the same
// name, letter case counting, nor names a reader cannot tell apart. Every change checks the connection's session:
// - an account changes its own name and password, the password only with the old one;
// - other accounts need the right to manage accounts (Right::Accounts), and only accounts whose
//   rights it holds itself, so that nobody takes over an account that may do more;
// - only the super administrator changes the super administrator and grants or takes rights.
// Refusals are InputError with the reason.
class AdminAccounts {
public:
    explicit AdminAccounts(Database& db) : m_db(db) {}

    // Account names in ascending id.
    QList<ListEntry> entries();
    // The stored rights of the account; none when it is gone.
    std::optional<Rights> rights(qint64 id);

    // A new account starts with newAccountRights() unless rights are given.
    ListChange add(const QString& typedName, const QString& typedPassword,
                   const std::optional<Rights>& rights = std::nullopt);
    ListChange change(qint64 id, const AccountChange& change);
    // Renames the account; its password changes only when a new one is given.
    ListChange change(qint64 id, const QString& typedName, const std::optional<QString>& typedPassword);
    ListChange remove(qint64 id);

private:
    // Refuses a change of another account that the session may not make.
    void requireManaging(qint64 id);
    // Refuses a typed name with a character that does not show, one another account has, and
    // one that looks like another account's (LookAlikeNames.h).
    void requireFreeName(const QString& typed, qint64 id);
    // Stores and logs the rights when they differ from the stored ones.
    void writeRights(qint64 id, const QString& name, Rights before, Rights after);

    Database& m_db;
};

// Why the session may not change that account at all (the window disables its commands), empty
// when it may change at least something of it.
QString accountChangeRefusal(const Session& session, qint64 id, Rights rightsOfAccount);

} // namespace kv
