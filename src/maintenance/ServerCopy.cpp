#include "maintenance/ServerCopy.h"

#include "data/Database.h"
#include "data/Engine.h"
#include "data/Schema.h"
#include "data/Session.h"
#include "data/Tables.h"
#include "data/UniqueNumbers.h"
#include "maintenance/FileCopy.h"

#include <QFile>

namespace kv {

namespace {
// Replaces the rows of the table in `to` by those in `from`, ids included, as fast as `to`
// takes whole tables (a server by COPY).
void copyTable(Database& from, Database& to, const QString& table)
{
    to.exec(QStringLiteral("DELETE FROM %1").arg(table));
    Statement rows = from.prepare(QStringLiteral("SELECT * FROM %1").arg(table));
    QStringList columns;
    for (int c = 0; c < rows.columnCount(); ++c)
        columns << rows.columnName(c);
    const std::unique_ptr<RowSink> sink = to.insertRows(table, columns);
    QVariantList values(columns.size());
    while (rows.next()) {
        for (int c = 0; c < columns.size(); ++c)
            values[c] = rows.value(c);
        sink->add(values);
    }
    sink->finish();
}

// Replaces the rows of every table of `to` by those of `from`, inside the transaction open on
// `to`. Numbers that `from` holds twice (data of an earlier version) come across as they are;
// the unique number indexes are made again where the rows allow.
void copyTables(Database& from, Database& to)
{
    dropUniqueNumberIndexesAbsentFrom(from, to);
    for (const TableDef& table : schemaTables())
        copyTable(from, to, QString::fromUtf16(table.name));
    makeUniqueNumberIndexes(to);
}
} // namespace

QString copyServerToFile(Database& server, const QString& path, const QString& key)
{
    const QString part = pendingCopyPath(path);
    QFile::remove(part);
    const PendingCopyClaim claim(part);
    try {
        {
            Database file(part, key, true);
            createSchema(file);
            // Every table as of one moment, whatever other clerks save meanwhile (inside a
            // maintenance transaction, as of it).
            Transaction reading(server, Access::Snapshot);
            Transaction tx(file);
            copyTables(server, file);
            tx.commit();
            reading.commit();
        }
        if (QFile::exists(path) && !QFile::remove(path))
            throw DbError(QStringLiteral("无法替换文件 %1").arg(path));
        if (!QFile::rename(part, path))
            throw DbError(QStringLiteral("无法写入文件 %1").arg(path));
    } catch (const DbError& e) {
        QFile::remove(part);
        return QStringLiteral("从服务器备份数据没有完成。\n%1").arg(e.userText());
    }
    return {};
}

void copyFileInto(const QString& path, const QString& key, Database& db)
{
    Database file(path, key);
    Transaction tx(db);
    requireRight(db, Right::RestoreClear);
    copyTables(file, db);
    tx.commit();
}

} // namespace kv
