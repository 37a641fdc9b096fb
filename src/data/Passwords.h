#pragma once

#include <QString>

#include <optional>

namespace kv {

// Account passwords are kept as libsodium password hashes, never as typed.
QString hashPassword(const QString& password);
bool verifyPassword(const QString& hash, const QString& password);

// Besides its hash, an account keeps a check value (管理员.校验) by which a server tells, in its own
// functions, that a change of accounts comes from someone who knows the password: the check value
// holds a salt of its own and the SHA-256 of the password's Argon2id hash under that salt; the
// proof is that hash itself. Neither the check value nor the password hash (readable by every
// clerk, and in every backup) gives the proof without the password.
QString makePasswordCheck(const QString& password);
// The proof that the password fits the check value, as hexadecimal text; none for a check value
// that cannot be read.
std::optional<QString> passwordProof(const QString& check, const QString& password);

} // namespace kv
