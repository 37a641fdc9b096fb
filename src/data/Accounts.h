#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace kv {

class Database;

// Account names of 管理员 in ascending id.
QStringList accountNames(Database& db);

// The stored account name when account and password (both cleaned) match a row; account names
// and passwords compare case-sensitively.
std::optional<QString> checkLogin(Database& db, const QString& account, const QString& password);

// True when the account is the super administrator's (id 1), named as the login names it.
bool isSuperAdministrator(Database& db, const QString& account);
// True when the password (cleaned) is the super administrator's.
bool superAdministratorPasswordFits(Database& db, const QString& password);

} // namespace kv
