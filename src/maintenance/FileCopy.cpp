#include "maintenance/FileCopy.h"

#include <QDir>
#include <QFile>

#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace kv {

namespace {
constexpr qint64 kChunk = qint64(1) << 20;

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

bool syncToDisk(QFile& file)
{
    if (!file.flush())
        return false;
#ifdef Q_OS_UNIX
    return ::fsync(file.handle()) == 0;
#else
    return true;
#endif
}

// Writes the whole of `in` to `out`; an error text, empty on success.
QString copyBytes(QFile& in, QFile& out)
{
    QByteArray buffer(kChunk, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), kChunk);
        if (n < 0)
            return QStringLiteral("无法读取文件 %1：%2").arg(shown(in.fileName()), in.errorString());
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n)
            return QStringLiteral("无法写入文件 %1：%2").arg(shown(out.fileName()), out.errorString());
    }
    if (!syncToDisk(out))
        return QStringLiteral("无法写入文件 %1：%2").arg(shown(out.fileName()), out.errorString());
    if (out.size() != in.size())
        return QStringLiteral("文件 %1 复制不完整。").arg(shown(in.fileName()));
    return {};
}
} // namespace

QString pendingCopyPath(const QString& to)
{
    return to + QStringLiteral(".part");
}

QString copyReplacing(const QString& from, const QString& to, const CopyCheck& check)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("无法读取文件 %1：%2").arg(shown(from), in.errorString());

    const QString part = pendingCopyPath(to);
    QFile::remove(part); // left over from an interrupted copy
    QFile out(part);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("无法写入文件 %1：%2").arg(shown(part), out.errorString());

    QString error = copyBytes(in, out);
    out.close();
    in.close();
    if (error.isEmpty() && check)
        error = check(part);
    if (error.isEmpty()) {
        // One rename replaces the target; QFile::rename would refuse an existing one.
        std::error_code ec;
        std::filesystem::rename(std::filesystem::path(part.toStdU16String()),
                                std::filesystem::path(to.toStdU16String()), ec);
        if (ec)
            error = QStringLiteral("无法替换文件 %1：%2").arg(shown(to), QString::fromLocal8Bit(ec.message()));
    }
    if (!error.isEmpty())
        QFile::remove(part);
    return error;
}

} // namespace kv
