#pragma once

#include <QString>

namespace kv {

// Files beside the program, relative to the application directory.
struct AppPaths {
    QString appDir;

    QString database() const { return appDir + QStringLiteral("/data/data.mdb"); }
    QString dataDir() const { return appDir + QStringLiteral("/data"); }
    QString keyFile() const { return appDir + QStringLiteral("/kv.dat"); }
    QString backupDir() const { return appDir + QStringLiteral("/databak"); }
    QString helpIndex() const { return appDir + QStringLiteral("/help/index.html"); }
    QString file(const QString& name) const { return appDir + u'/' + name; }
};

// The database password: six characters of kv.dat (read as UTF-16LE text) alternated with five
// characters held here, 11 in all. An unreadable or short key file yields a wrong password, so
// the connection fails instead of the program.
QString dbPass(const QString& keyFilePath);

} // namespace kv
