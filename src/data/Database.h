#pragma once

#include "data/Error.h"

#include <QString>
#include <QVariant>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace kv {

class Database;

// A prepared statement. Values are only ever bound, never joined into the SQL text.
class Statement {
public:
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
    QString text(int col) const;   // null reads as ""
    double number(int col) const;  // null reads as 0
    qint64 integer(int col) const; // null reads as 0
    QVariant value(int col) const; // null, qint64, double or QString

private:
    friend class Database;
    Statement(sqlite3* db, sqlite3_stmt* stmt);
    void fail(int rc) const;

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

// Single-file encrypted SQL database (SQLCipher). Owns one connection. Besides SQL's own
// functions, its statements can sum amounts with compensated_sum(x), which adds without losing
// the low digits (journals and monthly totals are summed with it).
class Database {
public:
    // Opens (creating when createIfMissing) the file with the given key and checks that the
    // key fits by reading the schema. Throws DbError on any failure.
    Database(const QString& path, const QString& key, bool createIfMissing = false);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    Statement prepare(const QString& sql);
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
    QString path() const { return m_path; }

    // The account the changes on this connection are made for; the operation log names it.
    const QString& actor() const { return m_actor; }
    void setActor(const QString& account) { m_actor = account; }

private:
    friend class Transaction;
    sqlite3* m_db = nullptr;
    QString m_path;
    QString m_actor;
};

// Rolls back unless committed; nested use is not supported.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Database& m_db;
    bool m_done = false;
};

} // namespace kv
