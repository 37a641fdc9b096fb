#include "data/AppPaths.h"

#include <QFile>

#include <array>

namespace kv {

namespace {
constexpr std::array<int, 6> kPositions{7, 19, 3, 42, 28, 55};
constexpr std::array<char16_t, 5> kFixed{u'q', u'7', u'J', u'%', u'e'};
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

} // namespace kv
