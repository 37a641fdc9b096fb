#include "data/AppContext.h"

#include "data/OutputFiles.h"
#include "data/UniqueNumbers.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace kv {

namespace {
// The first backup of the folder, newest first, that opens with one of the keys; empty when none.
QString backupOpeningWith(const AppPaths& paths, const DatabaseKeys& keys)
{
    constexpr int kBackupsTried = 5;
    const QFileInfoList backups =
        QDir(paths.backupDir()).entryInfoList({QStringLiteral("*.bak")}, QDir::Files, QDir::Time);
    for (qsizetype i = 0; i < backups.size() && i < kBackupsTried; ++i) {
        try {
            openWithKeys(backups.at(i).filePath(), keys);
            return backups.at(i).filePath();
        } catch (const DbError&) {
        }
    }
    return {};
}

// The data file does not open with the key: kv.dat is not the one of these data (another
// installation's, or changed), or the file's first page is damaged. A backup that opens with the
// same key tells the two apart.
QString wrongKeyFailure(const AppPaths& paths, const DatabaseKeys& keys, const DbError& e)
{
    const QString data = QDir::toNativeSeparators(paths.database());
    if (const QString backup = backupOpeningWith(paths, keys); !backup.isEmpty())
        return QStringLiteral("数据文件 %1 已损坏：它的开头一页读不出来。密钥文件 kv.dat 没有问题（它能打开备份 %2）。"
                              "请从备份恢复。\n%3")
            .arg(data, QDir::toNativeSeparators(backup), e.message());
    return QStringLiteral("密钥文件 %1 与数据文件 %2 不配套：数据文件用它打不开。kv.dat 可能来自另一套安装，"
                          "或者被改动过（哪怕少了一个字节）。请把与这份数据一起保存的 kv.dat 放回数据文件夹 %3，"
                          "然后重新启动程序。从备份恢复帮不上忙：备份也要用配套的 kv.dat 才能打开。\n%4")
        .arg(QDir::toNativeSeparators(paths.keyFile()), data, QDir::toNativeSeparators(paths.appDir), e.message());
}

// Why the database cannot be opened, for the user: the cause first, the engine's text after.
// A key file that is missing or cannot be read is named as such, not taken for damaged data.
QString connectionFailure(const AppPaths& paths, const DatabaseKeys& keys, const DbError& e)
{
    if (!QFileInfo::exists(paths.keyFile()))
        return QStringLiteral("找不到密钥文件 %1。没有它就打不开数据文件和任何备份。请把与备份一起保存的 kv.dat "
                              "复制到数据文件夹 %2，然后重新启动程序。\n%3")
            .arg(QDir::toNativeSeparators(paths.keyFile()), QDir::toNativeSeparators(paths.appDir), e.message());
    if (!keys.readable())
        return keys.error + QStringLiteral("没有它就打不开数据文件。数据文件本身没有因此受损；请让密钥文件可以读取，"
                                           "然后重新启动程序。");
    if (e.cause() == Cause::WrongKey)
        return wrongKeyFailure(paths, keys, e);
    return e.userText();
}
// Makes the unique number indexes that data with duplicates went without, once the duplicates are
// gone; says which numbers are still stored twice. A role that may not make the index leaves it
// to the next start of one that may.
QString keepNumbersApart(Database& db)
{
    QList<DuplicateNumbers> without = tablesWithoutUniqueNumbers(db);
    if (without.isEmpty())
        return {};
    try {
        Transaction tx(db, Access::Maintenance);
        without = makeUniqueNumberIndexes(db);
        tx.commit();
    } catch (const DbError&) {
        // kept as it was: the numbers are still checked by the program
    }
    return duplicateNumbersText(without);
}
} // namespace

AppContext::AppContext(const QString& appDir, std::shared_ptr<Clock> clock)
    : AppContext(AppPaths{appDir, appDir}, std::move(clock))
{
}

AppContext::AppContext(AppPaths paths, std::shared_ptr<Clock> clock)
    : m_paths(std::move(paths)), m_clock(std::move(clock))
{
    // Exports, bank files and prints into the data folder hold wages and card numbers.
    addPrivateFolder(m_paths.appDir);
}

bool AppContext::reconnect(QString* error, bool* fileRefused)
{
    if (std::exchange(m_keepNextReconnect, false) && m_conn)
        return true;
    disconnect();
    bool opened = false;
    const DatabaseKeys keys = usesServer() ? DatabaseKeys{} : readKeyFile(m_paths.keyFile());
    try {
        // A file of an earlier version's key still opens; the start-up gives it the present one.
        std::unique_ptr<Database> conn =
            usesServer() ? Database::openServer(m_server) : openDataFile(m_paths.database(), keys);
        opened = true;
        takeUp(*conn);
        m_conn = std::move(conn);
        return true;
    } catch (const DbError& e) {
        if (error)
            *error = opened ? e.message() : usesServer() ? e.userText() : connectionFailure(m_paths, keys, e);
        if (fileRefused)
            *fileRefused = opened;
        return false;
    }
}

void AppContext::takeUp(Database& conn)
{
    conn.setClock(m_clock);
    // Only a schema without any table is new: one with tables of something else is refused by
    // the version check rather than filled.
    if (usesServer() && conn.tables().isEmpty())
        createSchema(conn, m_schema);
    else
        upgradeSchema(conn, m_schema);
    m_duplicateNumbers = keepNumbersApart(conn);
    conn.setSession(m_session);
}

bool AppContext::adoptConnection(std::unique_ptr<Database> opened)
{
    disconnect();
    if (!opened || usesServer())
        return false;
    try {
        takeUp(*opened);
    } catch (const DbError&) {
        return false;
    }
    m_conn = std::move(opened);
    m_keepNextReconnect = true;
    return true;
}

void AppContext::setSession(const Session& session)
{
    m_session = session;
    if (m_conn)
        m_conn->setSession(session);
}

void AppContext::disconnect()
{
    if (m_conn && m_conn->totalChanges() > 0)
        m_changed = true;
    m_conn.reset();
}

bool AppContext::hasChanges() const
{
    return m_changed || (m_conn && m_conn->totalChanges() > 0);
}

QString dataNotWritable(const AppPaths& paths)
{
    const QFileInfo file(paths.database());
    const QFileInfo folder(paths.dataDir());
    if (!file.exists() || (file.isWritable() && folder.isWritable()))
        return {};
    return QStringLiteral("数据文件 %1 是只读的（或者它所在的文件夹不能写入），所做的任何修改都不能保存。"
                          "请检查文件和文件夹的写入权限，然后重新启动程序。")
        .arg(QDir::toNativeSeparators(file.absoluteFilePath()));
}

std::unique_ptr<Database> AppContext::openWorkConnection() const
{
    std::unique_ptr<Database> conn = usesServer() ? Database::openServer(m_server)
                                                  : openDataFile(m_paths.database(), readKeyFile(m_paths.keyFile()));
    conn->setSession(m_session);
    return conn;
}

Database& AppContext::conn()
{
    if (!m_conn)
        throw DbError(QStringLiteral("数据库未连接。"));
    return *m_conn;
}

} // namespace kv
