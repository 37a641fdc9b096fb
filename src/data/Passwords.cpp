#include "data/Passwords.h"

#include "data/Database.h"

#include <QStringList>

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

namespace {
constexpr auto kCheckKind = "argon2id";

// The Argon2id hash of the password under the salt and limits, 32 bytes.
QByteArray passwordDigest(const QString& password, const QByteArray& salt, quint64 ops, size_t mem)
{
    ensureSodium();
    const QByteArray utf8 = password.toUtf8();
    QByteArray out(32, Qt::Uninitialized);
    if (salt.size() != crypto_pwhash_SALTBYTES ||
        crypto_pwhash(reinterpret_cast<unsigned char*>(out.data()), quint64(out.size()), utf8.constData(),
                      quint64(utf8.size()), reinterpret_cast<const unsigned char*>(salt.constData()), ops, mem,
                      crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw DbError(QStringLiteral("内存不足，无法核对密码"));
    return out;
}

QByteArray sha256(const QByteArray& bytes)
{
    QByteArray out(crypto_hash_sha256_BYTES, Qt::Uninitialized);
    crypto_hash_sha256(reinterpret_cast<unsigned char*>(out.data()),
                       reinterpret_cast<const unsigned char*>(bytes.constData()), quint64(bytes.size()));
    return out;
}
} // namespace

QString makePasswordCheck(const QString& password)
{
    ensureSodium();
    QByteArray salt(crypto_pwhash_SALTBYTES, Qt::Uninitialized);
    randombytes_buf(salt.data(), size_t(salt.size()));
    const quint64 ops = crypto_pwhash_OPSLIMIT_INTERACTIVE;
    const size_t mem = crypto_pwhash_MEMLIMIT_INTERACTIVE;
    // kind$ops$memory$salt$digest: the server compares the last part with the SHA-256 of a proof.
    return QStringLiteral("%1$%2$%3$%4$%5")
        .arg(QLatin1String(kCheckKind))
        .arg(ops)
        .arg(mem)
        .arg(QString::fromLatin1(salt.toHex()),
             QString::fromLatin1(sha256(passwordDigest(password, salt, ops, mem)).toHex()));
}

std::optional<QString> passwordProof(const QString& check, const QString& password)
{
    const QStringList parts = check.split(u'$');
    if (parts.size() != 5 || parts.at(0) != QLatin1String(kCheckKind))
        return std::nullopt;
    bool opsOk = false, memOk = false;
    const quint64 ops = parts.at(1).toULongLong(&opsOk);
    const quint64 mem = parts.at(2).toULongLong(&memOk);
    const QByteArray salt = QByteArray::fromHex(parts.at(3).toLatin1());
    // Limits far beyond the program's own are no check value of the program.
    if (!opsOk || !memOk || ops < crypto_pwhash_OPSLIMIT_MIN || ops > 64 || mem < crypto_pwhash_MEMLIMIT_MIN ||
        mem > (quint64(1) << 30) || salt.size() != crypto_pwhash_SALTBYTES)
        return std::nullopt;
    return QString::fromLatin1(passwordDigest(password, salt, ops, size_t(mem)).toHex());
}

} // namespace kv
