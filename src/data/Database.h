#pragma once

#include "data/Decimal.h"
#include "data/Error.h"
#include "data/Session.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

namespace kv {

class Clock;
class Engine;
class StatementEngine;
class RowSink;

// A prepared statement. Values are only ever bound, never joined into the SQL text.
class Statement {
public:
    explicit Statement(std::unique_ptr<StatementEngine> engine);
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    // Binds by position, starting at 1. A null QVariant binds NULL; integers, doubles and
    // everything else (as text) keep their type.
    Statement& bind(int index, const QVariant& value);
    Statement& bindAll(const QVariantList& values);

    // Steps once; true while a row is available. Throws DbError on failure.
    bool next();
    // Runs a statement that returns no rows.
    void run();
    void reset();

    int columnCount() const;
    QString columnName(int col) const;
    int columnIndex(const QString& name) const; // -1 when absent
    bool isNull(int col) const;
    QString text(int col) const; // null reads as ""
    // The bytes text() decodes, without making a QString of them; valid until the next step.
    QByteArrayView utf8(int col) const;
    double number(int col) const;  // null reads as 0
    qint64 integer(int col) const; // null reads as 0
    // A stored amount or quantity, rounded to Decimal::kPlaces; null reads as 0. Throws
    // InputError for a figure beyond the range.
    Decimal decimal(int col) const;
    QVariant value(int col) const; // null, qint64, double or QString

private:
    std::unique_ptr<StatementEngine> m_impl;
};

// One connection to the program's data: the single encrypted file (SQLCipher), or a PostgreSQL
// server shared by several clerks. Statements are written once, with ? placeholders; the engine
// speaks its own dialect. Besides SQL's own functions, statements sum amounts with
// decimal_sum(x): each value rounded to Decimal::kPlaces and added exactly, NULL for no values,
// read back with Statement::decimal (journals and monthly totals are summed with it).
class Database {
public:
    // Opens (creating when createIfMissing) the file with the given key and checks that the
    // key fits by reading the schema. Throws DbError on any failure.
    Database(const QString& path, const QString& key, bool createIfMissing = false);
    explicit Database(std::unique_ptr<Engine> engine);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Connects to a PostgreSQL server given by a libpq connection string or URI (the password
    // comes from libpq's own password file). Throws DbError naming host and cause.
    static std::unique_ptr<Database> openServer(const QString& connection);

    Statement prepare(const QString& sql);
    // Adds whole tables' rows as fast as the engine can (on the server by COPY); see RowSink.
    std::unique_ptr<RowSink> insertRows(const QString& table, const QStringList& columns);
    // Runs one statement with bound values.
    void exec(const QString& sql, const QVariantList& values = {});
    // Runs a script of statements without values (schema creation).
    void execScript(const QString& sql);
    // First column of the first row; a null QVariant for no row or a null value.
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    // Gives back the connection's cached pages; they are read again when needed.
    void releaseMemory();
    int changes() const;
    // Rows written through this connection since it was opened.
    qint64 totalChanges() const;
    // The engine opened the file read-only (file or file system not writable).
    bool isReadOnly() const;
    // The file's path; empty on a server.
    QString path() const { return m_path; }
    // Whether this connection is to a server shared with other clients.
    bool isServer() const;
    // The file's path or the server's host and database, for the user.
    QString location() const;

    // The statement that inserts a row or replaces the one with the same key: the first
    // `keyColumns` of `columns` form the key; one ? per column.
    QString upsertSql(const QString& table, const QStringList& columns, int keyColumns = 1) const;
    // Appended to a SELECT inside a transaction: the rows read stay as they are until it ends.
    QString lockClause() const;
    // Inside a transaction: holds the named lock until it ends, so that changes of one thing by
    // several clients come one after the other (shared: beside other shared holders only).
    void lock(const QString& name, bool shared = false);
    // Changes whenever the table's rows change through any connection; nothing when the engine
    // cannot tell without reading the table.
    std::optional<QString> changeStamp(const QString& table);
    // The names of the tables of the program's data, by name (on a server: of the program's
    // schema, whatever the role's search path).
    QStringList tables();
    // The names of the indexes on those tables.
    QStringList indexes();
    // Makes the place for the tables of new data (a server's schema); inside the transaction that
    // creates them.
    void createStore();
    // Whether this connection may make and upgrade the tables (a server clerk's role may not).
    bool mayChangeSchema();

    // Whether a Transaction is open on this connection.
    bool inTransaction() const { return m_depth > 0; }

    // The stamp with which this connection last replaced the data as a whole (markDataReplaced).
    const QString& ownReplacedStamp() const { return m_ownReplacedStamp; }
    void setOwnReplacedStamp(const QString& stamp) { m_ownReplacedStamp = stamp; }

    // Who the changes on this connection are made for: the operation log names the account, and
    // every change checks its rights (requireRight). Nobody until set.
    const Session& session() const { return m_session; }
    void setSession(const Session& session) { m_session = session; }

    // The program's clock (AppContext gives its own; the system's until set).
    void setClock(std::shared_ptr<const Clock> clock);
    // The time that stamps what is stored: on a server the server's, so that the entries of
    // every clerk's PC run on one clock; on the file the program's clock. Throws DbError.
    QDateTime now();

private:
    friend class Transaction;
    std::unique_ptr<Engine> m_engine;
    QString m_path;
    Session m_session;
    std::shared_ptr<const Clock> m_clock;
    int m_depth = 0; // open Transactions, the outermost first
    QString m_ownReplacedStamp;
};

// What a transaction does to the data as a whole. Ordinary work (saves, clearing a month, master
// changes, closing) goes on beside other work; maintenance (restore, clearing all data, schema
// upgrades) waits until the work under way has ended and keeps new work waiting until it ends.
// A snapshot reads every table as of one moment and writes nothing (a backup).
enum class Access { Work, Maintenance, Snapshot };

// Rolls back unless committed. A Transaction opened while another is open on the same connection
// is a part of it (a savepoint): its commit keeps its changes for the outer one to commit, its
// rollback undoes only its own changes. Maintenance cannot begin inside ordinary work.
class Transaction {
public:
    explicit Transaction(Database& db, Access access = Access::Work);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    void abandon() noexcept;

    Database& m_db;
    int m_level; // 1 for the outermost
    bool m_done = false;
};

// How often a change that crossed another clerk's change is tried in all.
inline constexpr int kConflictAttempts = 3;

// Runs `work`, a change that opens its own Transaction, again when it failed because it crossed
// another clerk's change (Cause::Conflict: a deadlock or a serialization failure the server broke
// up), up to kConflictAttempts times in all. Inside an open transaction it runs once: the whole
// transaction is what may be repeated.
template <typename Work>
auto retryingConflicts(Database& db, Work&& work) -> decltype(work())
{
    for (int attempt = 1;; ++attempt) {
        try {
            return work();
        } catch (const DbError& e) {
            if (e.cause() != Cause::Conflict || attempt >= kConflictAttempts || db.inTransaction())
                throw;
        }
    }
}

// The name of the lock that work shares and maintenance holds alone.
QString maintenanceLockName();

} // namespace kv
