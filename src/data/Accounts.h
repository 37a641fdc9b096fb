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

} // namespace kv
