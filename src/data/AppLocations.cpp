#include "data/AppLocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kv {

bool isPortableCopy(const QString& programDir)
{
    return QFileInfo::exists(programDir + u'/' + QString::fromUtf16(kPortableMarker));
}

AppPaths locateAppPaths(const QString& programDir, const QString& appDirOption, const QString& userDataDir)
{
    const bool portable = isPortableCopy(programDir);
    const QString shareDir =
        portable ? programDir : QDir::cleanPath(programDir + QStringLiteral("/" KELVARO_SHARE_FROM_BIN));
    QString dataDir = portable ? programDir : userDataDir;
    if (!appDirOption.isEmpty())
        dataDir = appDirOption;
    return AppPaths{QDir(dataDir).absolutePath(), QDir(shareDir).absolutePath()};
}

bool makeDataFolder(const AppPaths& paths)
{
    return QDir().mkpath(paths.dataDir()) && QDir().mkpath(paths.backupDir());
}

QString configuredServer(const AppPaths& paths, const QString& serverOption)
{
    if (!serverOption.isEmpty())
        return serverOption;
    QFile file(paths.file(QString::fromUtf16(kServerConfig)));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    while (!file.atEnd()) {
        QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (!line.isEmpty() && !line.startsWith(u'#'))
            return line;
    }
    return {};
}

} // namespace kv
