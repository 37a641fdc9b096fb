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

// Whether this connection changes accounts and reopens months only through the server's own
// functions (ServerSetup.h): a clerk's role on a server set up for clerks, which may not write
// 管理员 or delete from 月结 itself.
bool throughServerFunctions(Database& db);
// Why this connection may not replace the data as a whole (what: "恢复数据", "清空数据"): a clerk's
// role on a server, which the server would refuse; empty where it may. Asked before anything is
// written, a safety copy included.
QString ownerOnlyRefusal(Database& db, const QString& what);
// The proof of the account's password for the server's functions (Passwords.h), from its stored
// check value; an account without one gets it now, once. Throws InputError when the account has
// no check value that can be read.
QString accountProof(Database& db, qint64 id, const QString& password);

} // namespace kv
