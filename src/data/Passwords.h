#pragma once

#include <QString>

namespace kv {

// Account passwords are kept as libsodium password hashes, never as typed.
QString hashPassword(const QString& password);
bool verifyPassword(const QString& hash, const QString& password);

} // namespace kv
