#include "data/Passwords.h"

#include "data/Database.h"

#include <sodium.h>

namespace kv {

namespace {
void ensureSodium()
{
    if (sodium_init() < 0)
        throw DbError(QStringLiteral("密码库初始化失败"));
}
} // namespace

QString hashPassword(const QString& password)
{
    ensureSodium();
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, utf8.constData(), quint64(utf8.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw DbError(QStringLiteral("内存不足，无法保存密码"));
    return QString::fromLatin1(out);
}

bool verifyPassword(const QString& hash, const QString& password)
{
    ensureSodium();
    const QByteArray h = hash.toLatin1();
    if (h.isEmpty() || h.size() >= crypto_pwhash_STRBYTES)
        return false;
    const QByteArray utf8 = password.toUtf8();
    return crypto_pwhash_str_verify(h.constData(), utf8.constData(), quint64(utf8.size())) == 0;
}

} // namespace kv
