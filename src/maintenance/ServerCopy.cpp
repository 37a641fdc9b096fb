#include "maintenance/ServerCopy.h"

#include "data/Database.h"
#include "data/Engine.h"
#include "data/Schema.h"
#include "data/Session.h"
#include "data/Tables.h"
#include "data/UniqueNumbers.h"
#include "maintenance/FileCopy.h"

#include <QFile>
#include <QHash>

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

// An entry of the log as a reader tells it from another: every column but the id.
QString entryKey(const Statement& rows, const QList<int>& columns)
{
    QStringList parts;
    for (const int c : columns)
        parts << (rows.isNull(c) ? QStringLiteral("\\N") : rows.text(c));
    return parts.join(QChar(0x1f));
}

// A log only grows: the entries of `to` stay, and those of `from` that `to` lacks are added after
// them, in their order, with ids of `to`.
void mergeLog(Database& from, Database& to, const QString& table)
{
    Statement rows = from.prepare(QStringLiteral("SELECT * FROM %1 ORDER BY id").arg(table));
    QStringList columns;
    QList<int> kept;
    for (int c = 0; c < rows.columnCount(); ++c) {
        if (rows.columnName(c).compare(QStringLiteral("id"), Qt::CaseInsensitive) == 0)
            continue;
        columns << rows.columnName(c);
        kept << c;
    }
    // Entries alike in every column (two logins in one second) are told apart by their number.
    QHash<QString, int> present;
    {
        Statement live = to.prepare(QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QStringLiteral(", ")), table));
        QList<int> all;
        for (int c = 0; c < columns.size(); ++c)
            all << c;
        while (live.next())
            ++present[entryKey(live, all)];
    }
    const std::unique_ptr<RowSink> sink = to.insertRows(table, columns);
    QVariantList values(columns.size());
    while (rows.next()) {
        if (int& left = present[entryKey(rows, kept)]; left > 0) {
            --left;
            continue;
        }
        for (int i = 0; i < kept.size(); ++i)
            values[i] = rows.value(kept.at(i));
        sink->add(values);
    }
    sink->finish();
}

// Replaces the rows of every table of `to` by those of `from`, inside the transaction open on
// `to`; the log keeps its entries and gains those of `from` (mergeLog). Numbers that `from` holds
// twice (data of an earlier version) come across as they are; the unique number indexes are made
// again where the rows allow.
void copyTables(Database& from, Database& to, bool keepLog)
{
    dropUniqueNumberIndexesAbsentFrom(from, to);
    for (const TableDef& table : schemaTables()) {
        const QString name = QString::fromUtf16(table.name);
        if (keepLog && table.role == TableRole::Log)
            mergeLog(from, to, name);
        else
            copyTable(from, to, name);
    }
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
            copyTables(server, file, false);
            tx.commit();
            reading.commit();
        }
        // A copy of the server is a backup: it never takes the place of another file.
        if (const QString error = placeCopy(part, path, Placement::KeepExisting); !error.isEmpty())
            throw DbError(error);
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
    copyTables(file, db, true);
    tx.commit();
}

} // namespace kv
