#include "maintenance/FileCopy.h"

#include "data/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <cerrno>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace kv {

namespace {
constexpr qint64 kChunk = qint64(1) << 20;

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The system's own cause of the last failure; Qt's text when the system left none.
QString cause(const QFile& file, int errorNumber)
{
    if (errorNumber != 0)
        return fileFailureCause(errorNumber);
    return file.errorString();
}

QString cannotRead(const QFile& file, int errorNumber)
{
    return QStringLiteral("无法读取文件 %1：%2").arg(shown(file.fileName()), cause(file, errorNumber));
}

QString cannotWrite(const QFile& file, int errorNumber)
{
    return QStringLiteral("无法写入文件 %1：%2").arg(shown(file.fileName()), cause(file, errorNumber));
}

// Whether the bytes written reached the disk; errno tells why not.
bool syncToDisk(QFile& file)
{
#ifdef Q_OS_UNIX
    return ::fsync(file.handle()) == 0;
#else
    return file.flush();
#endif
}

// Writes the whole of `in` to `out` (opened unbuffered, so a failing write reports at once and
// errno still holds its cause); an error text, empty on success.
QString copyBytes(QFile& in, QFile& out)
{
    QByteArray buffer(kChunk, Qt::Uninitialized);
    for (;;) {
        errno = 0;
        const qint64 n = in.read(buffer.data(), kChunk);
        if (n < 0)
            return cannotRead(in, errno);
        if (n == 0)
            break;
        errno = 0;
        if (out.write(buffer.constData(), n) != n)
            return cannotWrite(out, errno);
    }
    errno = 0;
    if (!syncToDisk(out))
        return cannotWrite(out, errno);
    if (out.size() != in.size())
        return QStringLiteral("文件 %1 复制不完整。").arg(shown(in.fileName()));
    return {};
}
} // namespace

QString lackOfRoom(const QString& path, qint64 needed)
{
    const QStorageInfo disk(QFileInfo(path).absolutePath());
    const qint64 room = disk.bytesAvailable();
    if (!disk.isValid() || room < 0 || room >= needed)
        return {};
    const auto mb = [](qint64 bytes) { return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1); };
    return QStringLiteral("磁盘空间不足：%1 所在的磁盘只剩 %2 MB，这一步要 %3 MB 左右。请腾出磁盘空间后再试。")
        .arg(shown(QFileInfo(path).absolutePath()), mb(room), mb(needed));
}

QString pendingCopyPath(const QString& to)
{
    return to + QStringLiteral(".part");
}

// An advisory lock on the pending file itself (flock, apart from the database engine's own
// record locks): it ends with the process, so a copy cut short by a crash is free to remove.
PendingCopyClaim::PendingCopyClaim(const QString& part)
{
#ifdef Q_OS_UNIX
    m_fd = ::open(QFile::encodeName(part).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
#else
    Q_UNUSED(part);
#endif
}

PendingCopyClaim::~PendingCopyClaim()
{
#ifdef Q_OS_UNIX
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}

bool removeLeftoverCopy(const QString& part)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(part).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    const bool removed = free && QFile::remove(part);
    ::close(fd);
    return removed;
#else
    return QFile::remove(part);
#endif
}

QString placeCopy(const QString& part, const QString& to, Placement placement)
{
#ifdef Q_OS_UNIX
    if (placement == Placement::KeepExisting) {
        const QByteArray source = QFile::encodeName(part);
        const QByteArray target = QFile::encodeName(to);
        if (::link(source.constData(), target.constData()) == 0) {
            ::unlink(source.constData());
            return {};
        }
        const int linkError = errno;
        if (linkError == EEXIST)
            return QStringLiteral("已经有文件 %1，没有覆盖它。").arg(shown(to));
        // A file system without links (a memory stick): a rename when nothing is in the way.
        if (QFileInfo::exists(to))
            return QStringLiteral("已经有文件 %1，没有覆盖它。").arg(shown(to));
    }
#else
    if (placement == Placement::KeepExisting && QFileInfo::exists(to))
        return QStringLiteral("已经有文件 %1，没有覆盖它。").arg(shown(to));
#endif
    // One rename replaces the target; QFile::rename would refuse an existing one.
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(part.toStdU16String()), std::filesystem::path(to.toStdU16String()),
                            ec);
    if (ec)
        return QStringLiteral("无法替换文件 %1：%2").arg(shown(to), fileFailureCause(ec.value()));
    return {};
}

QString copyBytesInto(const QString& from, const QString& to)
{
    QFile in(from);
    errno = 0;
    if (!in.open(QIODevice::ReadOnly))
        return cannotRead(in, errno);
    QFile out(to);
    errno = 0;
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return cannotWrite(out, errno);
    // Database and backups alike hold every wage: for their owner's eyes only.
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return copyBytes(in, out);
}

QString copyReplacing(const QString& from, const QString& to, const CopyCheck& check, Placement placement)
{
    // A file left over from an interrupted copy is overwritten.
    const QString part = pendingCopyPath(to);
    const PendingCopyClaim claim(part);
    QString error = copyBytesInto(from, part);
    if (error.isEmpty() && check)
        error = check(part);
    if (error.isEmpty())
        error = placeCopy(part, to, placement);
    if (!error.isEmpty())
        QFile::remove(part);
    return error;
}

} // namespace kv
