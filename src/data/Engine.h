#pragma once

#include "data/Decimal.h"
#include "data/Error.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

namespace kv {

// What an engine's prepared statement does; Statement forwards to it.
class StatementEngine {
public:
    virtual ~StatementEngine() = default;
    virtual void bind(int index, const QVariant& value) = 0;
    virtual bool next() = 0;
    virtual void reset() = 0;
    virtual int columnCount() = 0;
    virtual QString columnName(int col) = 0;
    virtual bool isNull(int col) const = 0;
    virtual QString text(int col) const = 0;
    // The text's UTF-8 bytes as the engine holds them, valid until the next step (see
    // Statement::utf8).
    virtual QByteArrayView utf8(int col) const = 0;
    virtual double number(int col) const = 0;
    virtual qint64 integer(int col) const = 0;
    virtual QVariant value(int col) const = 0;
    // A column holding a number or a sum of decimal_sum, as a Decimal, null as 0 (see
    // Statement::decimal).
    virtual Decimal decimal(int col) const { return Decimal::fromStoredText(text(col)); }
};

// Rows added to one table as fast as its engine takes them, for copying whole tables.
class RowSink {
public:
    virtual ~RowSink() = default;
    // One value per column, taken as a statement binds them. Throws DbError.
    virtual void add(const QVariantList& values) = 0;
    // Every row added is in the table (within the caller's transaction). Throws DbError. Rows
    // of a sink destroyed before it finished may or may not have been added: the caller's
    // transaction is then to be rolled back.
    virtual void finish() = 0;
};

// Text that an engine gives as UTF-8 bytes. Unlike QString::fromUtf8 it keeps a leading byte
// order mark: a stored U+FEFF is part of the text.
QString textOfUtf8(const char* bytes, int size);

// One open connection of one engine: the encrypted file or a PostgreSQL server. Statements
// reach it in the program's own SQL (with ? placeholders); each engine turns that into its
// dialect.
class Engine {
public:
    virtual ~Engine() = default;
    virtual EngineKind kind() const = 0;
    virtual std::unique_ptr<StatementEngine> prepare(const QString& sql) = 0;
    virtual void execScript(const QString& sql) = 0;
    // Begins a transaction that writes (holding what the engine needs for that), or with
    // `snapshot` one that reads every table as of one moment and writes nothing.
    virtual void begin(bool snapshot) = 0;
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;
    virtual void releaseMemory() = 0;
    virtual int changes() const = 0;
    virtual qint64 totalChanges() const = 0;
    virtual bool isReadOnly() const = 0;
    // The statement that writes a row or replaces the one with the same key (the first
    // `keyColumns` of `columns`), with one ? per column.
    virtual QString upsertSql(const QString& table, const QStringList& columns, int keyColumns) const = 0;
    // A number that changes whenever the table's rows change through any connection, when the
    // engine can tell this cheaply; nothing when the caller must read the table again.
    virtual std::optional<QString> changeStamp(const QString& table) = 0;
    // The row locking clause that keeps a row read in a transaction from being changed by another
    // connection until it ends ("" where the transaction already holds the write lock).
    virtual QString lockClause() const = 0;
    // The names of the tables of the program's data (for a server: in the program's schema).
    virtual QStringList tables() = 0;
    // The names of the indexes on those tables.
    virtual QStringList indexes() = 0;
    // Makes the place that the tables of new data go to (a server's schema); nothing for a file.
    virtual void createStore() = 0;
    // Whether this connection may make and upgrade the program's tables: for a server, whether
    // its role may create in the program's schema and owns the tables there (a clerk's role
    // does not; the database's owner sets the data up and upgrades them).
    virtual bool mayChangeSchema() = 0;
    // Holds a named lock until the transaction ends: writers of one name one after the other,
    // shared holders beside each other but not beside a writer. Nothing to do where the
    // transaction already holds the write lock of the whole database.
    virtual void lock(const QString& name, bool shared) = 0;
    // Where the data are, for the user: the file's path or the server's host and database.
    virtual QString location() const = 0;
    // A sink for rows of `table` with these columns (ids included): one prepared INSERT run per
    // row, unless the engine has a faster way.
    virtual std::unique_ptr<RowSink> insertRows(const QString& table, const QStringList& columns);
};

} // namespace kv
