#pragma once

#include "data/Session.h"

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

// The login: the session of the account when account and password fit, as checkLogin compares
// them. A failed attempt is written to the operation log with the name typed, never the password.
std::optional<Session> logIn(Database& db, const QString& account, const QString& password);

// The session of the stored account with this id, with its rights as stored; none when there is
// no such account.
std::optional<Session> accountSession(Database& db, qint64 id);

// True when the password (cleaned) is the super administrator's.
bool superAdministratorPasswordFits(Database& db, const QString& password);

} // namespace kv
