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

// The database password: six characters of kv.dat (read as UTF-16LE text) alternated with five
// characters held here, 11 in all. An unreadable or short key file yields a wrong password, so
// the connection fails instead of the program.
QString dbPass(const QString& keyFilePath);

// Writes new key material from a cryptographic random source: 64 random letters and digits as
// UTF-16LE text. Every installation gets its own, so a database opens only beside its own key
// file. Returns why it could not be written, empty on success.
QString createKeyFile(const QString& keyFilePath);

} // namespace kv
