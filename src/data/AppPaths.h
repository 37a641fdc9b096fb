#pragma once

#include <QString>

namespace kv {

// Where the program's files are. The data folder (appDir) holds the database, the key material,
// the backups and the exports; the share folder the read-only files of the installation. A
// portable copy has both in the program's own folder.
struct AppPaths {
    QString appDir;
    QString shareDir;

    QString database() const { return appDir + QStringLiteral("/data/data.mdb"); }
    QString dataDir() const { return appDir + QStringLiteral("/data"); }
    QString keyFile() const { return appDir + QStringLiteral("/kv.dat"); }
    QString backupDir() const { return appDir + QStringLiteral("/databak"); }
    QString helpIndex() const { return shareDir + QStringLiteral("/help/index.html"); }
    QString file(const QString& name) const { return appDir + u'/' + name; }
};

} // namespace kv
