#include "data/OutputFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStringList>

#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace kv {

namespace {
QMutex g_lock;
QStringList g_privateFolders; // absolute, clean, ending in '/'

// The folder as compared: its real path where it exists, with a slash at the end.
QString folderKey(const QString& folder)
{
    const QFileInfo info(folder);
    const QString path = info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());
    return path.endsWith(u'/') ? path : path + u'/';
}
} // namespace

void addPrivateFolder(const QString& folder)
{
    const QString key = folderKey(folder);
    const QMutexLocker locker(&g_lock);
    if (!g_privateFolders.contains(key))
        g_privateFolders << key;
}

bool isPrivatePlace(const QString& path)
{
    const QString dir = folderKey(QFileInfo(path).absolutePath());
    const QMutexLocker locker(&g_lock);
    for (const QString& folder : std::as_const(g_privateFolders))
        if (dir.startsWith(folder))
            return true;
    return false;
}

QString temporaryNameFor(const QString& target)
{
    const QFileInfo info(target);
    return info.absoluteDir().filePath(
        QStringLiteral(".%1.%2.part").arg(info.fileName()).arg(QCoreApplication::applicationPid()));
}

bool createOutputFile(const QString& temporary, const QString& target, QString* error)
{
    // Created with its permissions at once: a file made readable first and narrowed afterwards
    // could be opened by another user in between.
    const mode_t mode = isPrivatePlace(target) ? 0600 : 0666; // the umask narrows the latter
    const QByteArray name = QFile::encodeName(temporary);
    ::unlink(name.constData());
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
        if (error)
            *error = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    ::close(fd);
    return true;
}

bool replaceWithOutput(const QString& temporary, const QString& target, QString* error)
{
    std::error_code failed;
    std::filesystem::rename(
        std::filesystem::path(QFile::encodeName(temporary).toStdString()),
        std::filesystem::path(QFile::encodeName(QFileInfo(target).absoluteFilePath()).toStdString()), failed);
    if (!failed)
        return true;
    QFile::remove(temporary);
    if (error)
        *error = QStringLiteral("文件可能正被其他程序打开。(%1)").arg(QString::fromLocal8Bit(failed.message().c_str()));
    return false;
}

bool writeOutputFile(const QString& target, const QByteArray& bytes, QString* error)
{
    const QString temporary = temporaryNameFor(target);
    if (!createOutputFile(temporary, target, error))
        return false;
    QFile file(temporary);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() &&
                         file.flush() && ::fsync(file.handle()) == 0;
    const QString reason = file.errorString();
    file.close();
    if (!written) {
        QFile::remove(temporary);
        if (error)
            *error = reason;
        return false;
    }
    return replaceWithOutput(temporary, target, error);
}

} // namespace kv
