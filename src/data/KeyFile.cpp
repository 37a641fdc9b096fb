#include "data/KeyFile.h"

#include "data/Database.h"
#include "data/SqlCipherEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sodium.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace kv {

namespace {
constexpr std::array<int, 6> kPositions{7, 19, 3, 42, 28, 55};
constexpr std::array<char16_t, 5> kFixed{u'q', u'7', u'J', u'%', u'e'};

// Letters and digits pass through the password build and the engine's key unchanged.
constexpr char16_t kAlphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int kKeyChars = 64;
// Less than this is not key material of this program: a key hashed from it would be weak.
constexpr qsizetype kShortestKeyFile = 32;
// Keeps the database key apart from any other hash of the same file.
constexpr char kKeyContext[] = "kelvaro database key 1";

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Why kv.dat could not be read, in the user's terms.
QString unreadable(const QString& path, int errorNumber)
{
    QString reason;
    if (QFileInfo(path).isDir())
        reason = QStringLiteral("它是一个文件夹，不是文件");
    else if (errorNumber == EACCES || errorNumber == EPERM)
        reason = QStringLiteral("没有读取它的权限（请检查它的所有者和权限：它应属于运行本程序的用户并且可读）");
    else
        reason = QStringLiteral("读取出错（%1）").arg(QString::fromLocal8Bit(std::strerror(errorNumber)));
    return QStringLiteral("密钥文件 %1 不能读取：%2。").arg(shown(path), reason);
}

QString legacyPassword(const QByteArray& bytes)
{
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    QString pass;
    for (size_t i = 0; i < kPositions.size(); ++i) {
        if (kPositions[i] < text.size())
            pass += text.at(kPositions[i]);
        if (i < kFixed.size())
            pass += QChar(kFixed[i]);
    }
    return pass;
}

QString rawKey(const QByteArray& bytes)
{
    std::array<unsigned char, 32> hash{};
    crypto_generichash(hash.data(), hash.size(), reinterpret_cast<const unsigned char*>(bytes.constData()),
                       size_t(bytes.size()), reinterpret_cast<const unsigned char*>(kKeyContext),
                       sizeof(kKeyContext) - 1);
    QByteArray hex = QByteArray(reinterpret_cast<const char*>(hash.data()), qsizetype(hash.size())).toHex().toUpper();
    sodium_memzero(hash.data(), hash.size());
    QString key = QStringLiteral("x'") + QString::fromLatin1(hex) + u'\'';
    sodium_memzero(hex.data(), size_t(hex.size()));
    return key;
}
} // namespace

DatabaseKeys readKeyFile(const QString& keyFilePath)
{
    DatabaseKeys keys;
    if (!QFileInfo::exists(keyFilePath)) {
        keys.error = QStringLiteral("找不到密钥文件 %1。").arg(shown(keyFilePath));
        return keys;
    }
    QFile file(keyFilePath);
    errno = 0;
    if (QFileInfo(keyFilePath).isDir() || !file.open(QIODevice::ReadOnly)) {
        keys.error = unreadable(keyFilePath, errno);
        return keys;
    }
    errno = 0;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        keys.error = unreadable(keyFilePath, errno);
        return keys;
    }
    if (bytes.size() < kShortestKeyFile) {
        keys.error = QStringLiteral("密钥文件 %1 只有 %2 字节，不是本程序的密钥文件。")
                         .arg(shown(keyFilePath))
                         .arg(bytes.size());
        return keys;
    }
    if (sodium_init() < 0) {
        keys.error = QStringLiteral("随机数和散列函数库不可用。");
        return keys;
    }
    keys.key = rawKey(bytes);
    keys.legacyKey = legacyPassword(bytes);
    sodium_memzero(bytes.data(), size_t(bytes.size()));
    return keys;
}

QString dbPass(const QString& keyFilePath)
{
    return readKeyFile(keyFilePath).key;
}

QString createKeyFile(const QString& keyFilePath)
{
    if (sodium_init() < 0)
        return QStringLiteral("随机数来源不可用。");
    const uint32_t letters = uint32_t(std::size(kAlphabet) - 1);
    QString text;
    for (int i = 0; i < kKeyChars; ++i)
        text += QChar(kAlphabet[randombytes_uniform(letters)]);

    // UTF-16LE, as readKeyFile reads it; written whole or not at all, for its owner's eyes only.
    QByteArray bytes;
    for (const QChar c : std::as_const(text)) {
        bytes += char(c.unicode() & 0xff);
        bytes += char(c.unicode() >> 8);
    }
    QSaveFile file(keyFilePath);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return {};
}

std::unique_ptr<Database> openWithKeys(const QString& path, const DatabaseKeys& keys, bool* oldKey)
{
    if (oldKey)
        *oldKey = false;
    try {
        return std::make_unique<Database>(path, keys.key);
    } catch (const DbError& e) {
        if (keys.legacyKey.isEmpty() || !isWrongKey(e))
            throw;
        try {
            auto db = std::make_unique<Database>(path, keys.legacyKey);
            if (oldKey)
                *oldKey = true;
            return db;
        } catch (const DbError&) {
            throw e;
        }
    }
}

std::unique_ptr<Database> openDataFile(const QString& path, const DatabaseKeys& keys, bool* oldKey)
{
    try {
        return openWithKeys(path, keys, oldKey);
    } catch (const DbError& e) {
        if (e.cause() != Cause::Overlong)
            throw;
        bool trimmed = false;
        for (const QString& key : {keys.key, keys.legacyKey}) {
            if (trimmed || key.isEmpty())
                continue;
            try {
                trimmed = trimSurplusPages(path, key);
            } catch (const DbError& wrong) {
                if (!isWrongKey(wrong))
                    throw;
            }
        }
        if (!trimmed)
            throw;
        return openWithKeys(path, keys, oldKey);
    }
}

void rekeyDatabaseFile(const QString& path, const DatabaseKeys& keys)
{
    rekeyFile(path, keys.legacyKey, keys.key);
}

} // namespace kv
