#include "data/AppPaths.h"

#include <QFile>
#include <QSaveFile>

#include <sodium.h>

#include <array>

namespace kv {

namespace {
constexpr std::array<int, 6> kPositions{7, 19, 3, 42, 28, 55};
constexpr std::array<char16_t, 5> kFixed{u'q', u'7', u'J', u'%', u'e'};

// Letters and digits pass through the password build and the engine's key unchanged.
constexpr char16_t kAlphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int kKeyChars = 64;
} // namespace

QString dbPass(const QString& keyFilePath)
{
    QFile file(keyFilePath);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
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

QString createKeyFile(const QString& keyFilePath)
{
    if (sodium_init() < 0)
        return QStringLiteral("随机数来源不可用。");
    const uint32_t letters = uint32_t(std::size(kAlphabet) - 1);
    QString text;
    for (int i = 0; i < kKeyChars; ++i)
        text += QChar(kAlphabet[randombytes_uniform(letters)]);

    // UTF-16LE, as dbPass reads it; written whole or not at all.
    QByteArray bytes;
    for (const QChar c : std::as_const(text)) {
        bytes += char(c.unicode() & 0xff);
        bytes += char(c.unicode() >> 8);
    }
    QSaveFile file(keyFilePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return {};
}

} // namespace kv
