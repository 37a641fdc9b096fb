#include "data/PgEngine.h"

#include "data/Error.h"
#include "data/PgDialect.h"
#include "data/PqLibrary.h"

#include <libpq-fe.h>

#include <QHash>
#include <QUrl>

#include <optional>
#include <utility>
#include <vector>

namespace kv {

namespace {
void clearResult(PGresult* result)
{
    pq().PQclear(result);
}
// Type numbers of the server's built-in types that the reads tell apart.
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701, kNumeric = 1700,
              kText = 25;

using ResultPtr = std::unique_ptr<PGresult, decltype(&clearResult)>;

ResultPtr own(PGresult* result)
{
    return ResultPtr(result, &clearResult);
}

// The program's cause for the server's error class.
Cause causeOf(const PGresult* result)
{
    const char* state = result ? pq().PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    if (!state)
        return Cause::Unknown;
    const QByteArray s(state);
    if (s == "53100")
        return Cause::DiskFull;
    if (s == "25006")
        return Cause::ReadOnly;
    if (s == "42501" || s.startsWith("28"))
        return Cause::PermissionDenied;
    if (s == "40P01" || s == "40001")
        return Cause::Conflict;
    if (s == "55P03" || s == "57014" || s == "53300")
        return Cause::Busy;
    if (s == "23505")
        return Cause::Duplicate;
    if (s.startsWith("23"))
        return Cause::Constraint;
    if (s == "XX001" || s == "XX002")
        return Cause::Damaged;
    if (s.startsWith("08") || s == "57P01" || s == "57P02" || s == "57P03")
        return Cause::ConnectionLost;
    return Cause::Unknown;
}

constexpr auto kDefaultSchema = "kelvaro";

QString trimmed(const char* message)
{
    return QString::fromUtf8(message).trimmed();
}

class PgEngine;

class PgStatement final : public StatementEngine {
public:
    PgStatement(PgEngine& engine, QByteArray name, PgStatementText text, qint64 generation)
        : m_engine(engine), m_name(std::move(name)), m_generation(generation), m_text(std::move(text)),
          m_values(m_text.parameters)
    {
    }
    ~PgStatement() override;
    PgStatement(const PgStatement&) = delete;
    PgStatement& operator=(const PgStatement&) = delete;

    void bind(int index, const QVariant& value) override
    {
        if (index < 1 || index > int(m_values.size()))
            throw DbError(QStringLiteral("column index out of range"));
        if (!value.isValid() || value.isNull()) {
            m_values[index - 1].reset();
            return;
        }
        switch (value.metaType().id()) {
        case QMetaType::Bool: m_values[index - 1] = QByteArray(value.toBool() ? "1" : "0"); break;
        case QMetaType::Double:
        case QMetaType::Float: m_values[index - 1] = QByteArray::number(value.toDouble(), 'g', 17); break;
        default: m_values[index - 1] = value.toString().toUtf8();
        }
    }

    bool next() override;

    void reset() override
    {
        m_result.reset();
        m_row = -1;
        for (auto& v : m_values)
            v.reset();
    }

    int columnCount() override { return pq().PQnfields(shape()); }
    QString columnName(int col) override { return QString::fromUtf8(pq().PQfname(shape(), col)); }
    bool isNull(int col) const override { return !m_result || pq().PQgetisnull(m_result.get(), m_row, col); }

    QString text(int col) const override
    {
        if (isNull(col))
            return {};
        const char* p = pq().PQgetvalue(m_result.get(), m_row, col);
        if (pq().PQftype(m_result.get(), col) == kBool)
            return QString::fromLatin1(p[0] == 't' ? "1" : "0");
        return textOfUtf8(p, pq().PQgetlength(m_result.get(), m_row, col));
    }

    QByteArrayView utf8(int col) const override
    {
        if (isNull(col))
            return {};
        const char* p = pq().PQgetvalue(m_result.get(), m_row, col);
        if (pq().PQftype(m_result.get(), col) == kBool)
            return p[0] == 't' ? QByteArrayView("1") : QByteArrayView("0");
        return {p, pq().PQgetlength(m_result.get(), m_row, col)};
    }

    double number(int col) const override
    {
        if (isNull(col))
            return 0;
        return QByteArray(pq().PQgetvalue(m_result.get(), m_row, col)).toDouble();
    }

    qint64 integer(int col) const override
    {
        if (isNull(col))
            return 0;
        const QByteArray raw(pq().PQgetvalue(m_result.get(), m_row, col));
        bool ok = false;
        const qint64 whole = raw.toLongLong(&ok);
        if (ok)
            return whole;
        if (raw == "t" || raw == "f")
            return raw == "t";
        return qint64(raw.toDouble());
    }

    QVariant value(int col) const override
    {
        if (isNull(col))
            return QVariant();
        switch (pq().PQftype(m_result.get(), col)) {
        case kBool:
        case kInt2:
        case kInt4:
        case kInt8:
        case kOid: return QVariant(integer(col));
        case kFloat4:
        case kFloat8: return QVariant(number(col));
        case kNumeric: {
            const QByteArray raw(pq().PQgetvalue(m_result.get(), m_row, col));
            bool ok = false;
            const qint64 whole = raw.toLongLong(&ok);
            return ok ? QVariant(whole) : QVariant(raw.toDouble());
        }
        default: return QVariant(text(col));
        }
    }

private:
    // The result, or the statement's description before it ran: the names of its columns.
    const PGresult* shape();
    // Prepares the statement again on a connection opened anew since it was prepared.
    void followReconnect();
    // Runs the statement with its bound values.
    ResultPtr execute();

    PgEngine& m_engine;
    QByteArray m_name;
    qint64 m_generation = 0; // of the connection the statement was prepared on
    PgStatementText m_text;
    std::vector<std::optional<QByteArray>> m_values;
    ResultPtr m_result{nullptr, &clearResult};
    ResultPtr m_described{nullptr, &clearResult};
    int m_row = -1;
};

class PgEngine final : public Engine {
public:
    PgEngine(const QString& libpqConnection, const QString& schema)
        : m_connection(libpqConnection), m_schema(schema), m_server(serverName(libpqConnection))
    {
        m_conn = pq().PQconnectdb(m_connection.toUtf8().constData());
        if (pq().PQstatus(m_conn) != CONNECTION_OK) {
            const QString cause = QString::fromUtf8(pq().PQerrorMessage(m_conn)).simplified();
            pq().PQfinish(m_conn);
            m_conn = nullptr;
            throw DbError(cause, Cause::CannotOpen, EngineKind::Server, m_server);
        }
        try {
            setUp();
        } catch (...) {
            pq().PQfinish(m_conn);
            throw;
        }
    }
    ~PgEngine() override { pq().PQfinish(m_conn); }
    PgEngine(const PgEngine&) = delete;
    PgEngine& operator=(const PgEngine&) = delete;

    EngineKind kind() const override { return EngineKind::Server; }

    std::unique_ptr<StatementEngine> prepare(const QString& sql) override
    {
        ensureOpen();
        PgStatementText text = toPgDialect(sql);
        const QByteArray name = "kv_" + QByteArray::number(++m_statements);
        prepareNamed(name, text);
        return std::make_unique<PgStatement>(*this, name, std::move(text), m_generation);
    }

    // Prepares the statement under `name` on the connection as it is now.
    void prepareNamed(const QByteArray& name, const PgStatementText& text)
    {
        const QByteArray sql = text.sql.toUtf8();
        // A value whose type the statement does not give (? IS NULL) is taken as text: the server
        // refuses the statement, naming the value, and it is prepared again with that value as
        // text. Inside a transaction the refusal would end the transaction, so a statement not
        // prepared before is tried under a savepoint, rolled back to for the next try. Any other
        // refusal ends the transaction as a failing statement does.
        const auto known = m_parameterTypes.constFind(sql);
        std::vector<Oid> types = known != m_parameterTypes.cend() ? *known : std::vector<Oid>(text.parameters, 0);
        const bool guarded = m_inTransaction && known == m_parameterTypes.cend();
        if (guarded)
            run("SAVEPOINT kv_prepare");
        bool reopened = false;
        for (;;) {
            auto result =
                own(pq().PQprepare(m_conn, name.constData(), sql.constData(), int(types.size()), types.data()));
            if (pq().PQresultStatus(result.get()) == PGRES_COMMAND_OK)
                break;
            if (pq().PQstatus(m_conn) != CONNECTION_OK && !m_inTransaction && !reopened) {
                // The connection broke off while idle (the server restarted): preparing changes
                // nothing, so it is done again on a connection opened anew.
                reopen();
                reopened = true;
                continue;
            }
            const char* state = pq().PQresultErrorField(result.get(), PG_DIAG_SQLSTATE);
            const int untyped = state && QByteArray(state) == "42P18" ? untypedParameter(result.get()) : -1;
            if (untyped < 1 || untyped > int(types.size()) || types[untyped - 1] != 0 || (m_inTransaction && !guarded))
                fail(result.get());
            types[untyped - 1] = kText;
            if (guarded)
                run("ROLLBACK TO SAVEPOINT kv_prepare");
        }
        if (guarded)
            run("RELEASE SAVEPOINT kv_prepare");
        // Texts made with a varying number of values could fill it without end.
        constexpr qsizetype kTypesKept = 2000;
        if (m_parameterTypes.size() >= kTypesKept)
            m_parameterTypes.clear();
        m_parameterTypes.emplace(sql, std::move(types));
    }

    void execScript(const QString& sql) override
    {
        ensureOpen();
        followPendingIds();
        run(toPgDialect(sql).sql.toUtf8());
    }

    void begin(bool snapshot) override
    {
        const QByteArray sql = snapshot ? "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY" : "BEGIN";
        ensureOpen();
        auto result = own(pq().PQexec(m_conn, sql.constData()));
        if (pq().PQresultStatus(result.get()) != PGRES_COMMAND_OK && pq().PQstatus(m_conn) != CONNECTION_OK) {
            // The server went away since the last action (restarted): nothing was begun yet, so
            // the connection is opened anew and the transaction begun on it.
            reopen();
            result = own(pq().PQexec(m_conn, sql.constData()));
        }
        if (pq().PQresultStatus(result.get()) != PGRES_COMMAND_OK)
            fail(result.get());
        m_inTransaction = true;
    }

    void commit() override
    {
        ensureOpen();
        followPendingIds();
        auto result = own(pq().PQexec(m_conn, "COMMIT"));
        if (pq().PQresultStatus(result.get()) != PGRES_COMMAND_OK)
            fail(result.get());
        m_inTransaction = false;
        // A transaction in which a statement failed ends in a rollback, without an error.
        if (QByteArray(pq().PQcmdStatus(result.get())) == "ROLLBACK")
            throw DbError(QStringLiteral("事务中有语句失败，所有改动都已撤销。"), Cause::Unknown, EngineKind::Server,
                          m_server);
        dropFinished();
    }

    void rollback() noexcept override
    {
        m_pendingIdTables.clear();
        m_inTransaction = false;
        if (m_cut) {
            // The server ended the transaction with the connection: nothing of it was kept.
            m_cut = false;
            return;
        }
        if (pq().PQstatus(m_conn) == CONNECTION_OK)
            pq().PQclear(pq().PQexec(m_conn, "ROLLBACK"));
        dropFinished();
    }

    void releaseMemory() override {}
    int changes() const override { return m_changes; }
    qint64 totalChanges() const override { return m_totalChanges; }
    bool isReadOnly() const override { return false; }

    QString upsertSql(const QString& table, const QStringList& columns, int keyColumns) const override
    {
        QStringList marks, updates;
        for (int i = 0; i < columns.size(); ++i) {
            marks << QStringLiteral("?");
            if (i >= keyColumns)
                updates << QStringLiteral("%1 = EXCLUDED.%1").arg(columns.at(i));
        }
        return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT (%4) DO %5")
            .arg(table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")),
                 columns.mid(0, keyColumns).join(QStringLiteral(", ")),
                 updates.isEmpty() ? QStringLiteral("NOTHING")
                                   : QStringLiteral("UPDATE SET ") + updates.join(QStringLiteral(", ")));
    }

    std::optional<QString> changeStamp(const QString&) override { return std::nullopt; }
    QString lockClause() const override { return QStringLiteral(" FOR UPDATE"); }

    void lock(const QString& name, bool shared) override
    {
        // Locks are of the database; the schema in the name keeps those of two schemas apart.
        auto st = prepare(shared ? QStringLiteral("SELECT pg_advisory_xact_lock_shared(hashtext(? || ?))")
                                 : QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(? || ?))"));
        st->bind(1, m_schema + u' ');
        st->bind(2, name);
        st->next();
    }

    // The tables of the program's schema only: which schema a role's own search path names
    // first never decides where the data are.
    QStringList tables() override
    {
        QStringList names;
        auto st = prepare(QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = ? "
                                         "AND table_type = 'BASE TABLE' ORDER BY table_name"));
        st->bind(1, m_schema);
        while (st->next())
            names << st->text(0);
        return names;
    }

    QStringList indexes() override
    {
        QStringList names;
        auto st = prepare(QStringLiteral("SELECT indexname FROM pg_indexes WHERE schemaname = ? ORDER BY indexname"));
        st->bind(1, m_schema);
        while (st->next())
            names << st->text(0);
        return names;
    }

    // Made only where missing: a role that may not create schemas can still fill one made for it.
    void createStore() override
    {
        auto st = prepare(QStringLiteral("SELECT count(*) FROM pg_namespace WHERE nspname = ?"));
        st->bind(1, m_schema);
        if (st->next() && st->integer(0) == 0)
            execScript(QStringLiteral("CREATE SCHEMA ") + quotedSchema());
    }

    bool mayChangeSchema() override
    {
        auto st = prepare(QStringLiteral(
            "SELECT CASE WHEN n.oid IS NULL THEN has_database_privilege(current_database(), 'CREATE') "
            "ELSE has_schema_privilege(n.oid, 'CREATE') AND (m.oid IS NULL OR pg_has_role(m.relowner, 'USAGE')) END "
            "FROM (SELECT 1) AS one LEFT JOIN pg_namespace n ON n.nspname = ? "
            "LEFT JOIN pg_class m ON m.relnamespace = n.oid AND m.relname = 'kelvaro_meta'"));
        st->bind(1, m_schema);
        return st->next() && st->integer(0) != 0;
    }

    QString location() const override { return m_server; }

    std::unique_ptr<RowSink> insertRows(const QString& table, const QStringList& columns) override;

    PGconn* conn() const { return m_conn; }
    qint64 generation() const { return m_generation; }
    bool inTransaction() const { return m_inTransaction; }

    [[noreturn]] void fail(const PGresult* result)
    {
        // The server's own words without its "ERROR:" prefix, and its detail when it gives one.
        const char* primary = result ? pq().PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        const char* detail = result ? pq().PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL) : nullptr;
        QString text = trimmed(primary ? primary : pq().PQerrorMessage(m_conn));
        // The program's own functions and triggers on the server refuse with its own words, as
        // the program would: a refusal, not a failure of the database.
        const char* state = result ? pq().PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        if (state && QByteArray(state) == kRefusalState)
            throw InputError(text);
        if (detail)
            text += u'\n' + trimmed(detail);
        Cause cause = causeOf(result);
        if (pq().PQstatus(m_conn) != CONNECTION_OK || cause == Cause::ConnectionLost) {
            // Whatever the transaction did is gone with the connection; it is reopened at the
            // next action, once the transaction has been given up.
            cause = Cause::ConnectionLost;
            text = QStringLiteral("数据库服务器 %1：%2").arg(m_server, text);
            if (m_inTransaction)
                m_cut = true;
        }
        throw DbError(text, cause, EngineKind::Server, m_server);
    }

    // Before each action: a connection that broke off is opened anew, unless a transaction was
    // cut with it and has not been given up yet (its statements must not go on without it).
    void ensureOpen()
    {
        if (m_cut)
            throw DbError(QStringLiteral("数据库服务器 %1：连接在事务中途断开。").arg(m_server), Cause::ConnectionLost,
                          EngineKind::Server, m_server);
        if (pq().PQstatus(m_conn) != CONNECTION_OK)
            reopen();
    }

    // Opens the connection anew with the same settings. Statements prepared before are prepared
    // again when next run.
    void reopen()
    {
        pq().PQreset(m_conn);
        if (pq().PQstatus(m_conn) != CONNECTION_OK)
            throw DbError(QStringLiteral("数据库服务器 %1：%2")
                              .arg(m_server, QString::fromUtf8(pq().PQerrorMessage(m_conn)).simplified()),
                          Cause::ConnectionLost, EngineKind::Server, m_server);
        ++m_generation;
        m_toDrop.clear();
        m_pendingIdTables.clear();
        m_inTransaction = false;
        setUp();
    }

    void counted(qint64 rows)
    {
        m_changes = int(rows);
        m_totalChanges += rows;
    }

    // An insert gave its rows their own ids. Inside a transaction the table's identity is moved
    // past them once, before the next statement of another kind or the commit, so that copying a
    // million lines pays for it once and not per line; outside one, at once.
    void noteExplicitIds(const QString& table)
    {
        if (pq().PQtransactionStatus(m_conn) != PQTRANS_INTRANS)
            followExplicitIds(table);
        else if (!m_pendingIdTables.contains(table))
            m_pendingIdTables << table;
    }

    void followPendingIds()
    {
        const QStringList tables = std::exchange(m_pendingIdTables, {});
        for (const QString& table : tables)
            followExplicitIds(table);
    }

    // Moves the table's identity past the ids that an insert gave itself, as the file engine's
    // AUTOINCREMENT does, so that the next row without an id gets a new one.
    void followExplicitIds(const QString& table)
    {
        const QByteArray name = table.toUtf8();
        const QByteArray sql = "SELECT setval(s, m) FROM (SELECT pg_get_serial_sequence($1, 'id')::regclass AS s, "
                               "(SELECT max(id) FROM " +
                               name + ") AS m) x WHERE m > coalesce(pg_sequence_last_value(s), 0)";
        const char* values[] = {name.constData()};
        auto result = own(pq().PQexecParams(m_conn, sql.constData(), 1, nullptr, values, nullptr, nullptr, 0));
        if (pq().PQresultStatus(result.get()) != PGRES_TUPLES_OK)
            fail(result.get());
    }

    // A statement is dropped from the server when it ends; inside a failed transaction the
    // server refuses that until the transaction ends.
    void drop(const QByteArray& name, qint64 generation) noexcept
    {
        if (generation != m_generation || pq().PQstatus(m_conn) != CONNECTION_OK)
            return; // gone with the connection it was prepared on
        if (pq().PQtransactionStatus(m_conn) == PQTRANS_INERROR) {
            m_toDrop.push_back(name);
            return;
        }
        pq().PQclear(pq().PQexec(m_conn, ("DEALLOCATE " + name).constData()));
    }

private:
    static int untypedParameter(const PGresult* result)
    {
        const QByteArray message(pq().PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
        const qsizetype at = message.indexOf('$');
        return at < 0 ? -1 : message.mid(at + 1).toInt();
    }

    QString quotedSchema() const
    {
        const QByteArray name = m_schema.toUtf8();
        char* quoted = pq().PQescapeIdentifier(m_conn, name.constData(), size_t(name.size()));
        QString out = quoted ? QString::fromUtf8(quoted) : QString();
        pq().PQfreemem(quoted);
        return out;
    }

    // The session as the program reads and writes: UTF-8, doubles exact, and every unqualified
    // name in the program's schema (the server's own catalog aside).
    void setUp()
    {
        pq().PQsetNoticeProcessor(
            m_conn, [](void*, const char*) {}, nullptr);
        if (pq().PQsetClientEncoding(m_conn, "UTF8") != 0)
            fail(nullptr);
        const QString schema = quotedSchema();
        if (schema.isEmpty())
            fail(nullptr);
        run(QStringLiteral("SET extra_float_digits = 3; SET standard_conforming_strings = on; SET search_path TO %1")
                .arg(schema)
                .toUtf8());
    }

    void run(const QByteArray& sql)
    {
        auto result = own(pq().PQexec(m_conn, sql.constData()));
        const auto status = pq().PQresultStatus(result.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            fail(result.get());
    }

    void dropFinished() noexcept
    {
        for (const QByteArray& name : m_toDrop)
            pq().PQclear(pq().PQexec(m_conn, ("DEALLOCATE " + name).constData()));
        m_toDrop.clear();
    }

    PGconn* m_conn = nullptr;
    QString m_connection; // for libpq, without the program's own settings
    QString m_schema;     // where the program's tables are
    QString m_server;     // host, port and database, for messages
    qint64 m_statements = 0;
    qint64 m_generation = 0; // connections opened anew since the first
    bool m_inTransaction = false;
    // The types the parameters of each statement text were prepared with (0: the server's choice).
    QHash<QByteArray, std::vector<Oid>> m_parameterTypes;
    bool m_cut = false; // the connection broke off inside a transaction not yet given up
    int m_changes = 0;
    qint64 m_totalChanges = 0;
    std::vector<QByteArray> m_toDrop;
    QStringList m_pendingIdTables; // tables whose identity must still follow ids given by inserts
};

PgStatement::~PgStatement()
{
    m_engine.drop(m_name, m_generation);
}

void PgStatement::followReconnect()
{
    if (m_generation == m_engine.generation())
        return;
    m_engine.prepareNamed(m_name, m_text);
    m_generation = m_engine.generation();
    m_described.reset();
}

ResultPtr PgStatement::execute()
{
    std::vector<const char*> values;
    values.reserve(m_values.size());
    for (const auto& v : m_values)
        values.push_back(v ? v->constData() : nullptr);
    return own(pq().PQexecPrepared(m_engine.conn(), m_name.constData(), int(values.size()), values.data(), nullptr,
                                   nullptr, 0));
}

bool PgStatement::next()
{
    if (!m_result) {
        m_engine.ensureOpen();
        followReconnect();
        if (m_text.explicitIdTable.isEmpty())
            m_engine.followPendingIds();
        m_result = execute();
        auto status = pq().PQresultStatus(m_result.get());
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK && !m_engine.inTransaction() &&
            pq().PQstatus(m_engine.conn()) != CONNECTION_OK && m_text.readOnly) {
            // A reading outside a transaction met a connection that had broken off while idle
            // (the server restarted): it changes nothing, so it is simply read again.
            m_engine.reopen();
            followReconnect();
            m_result = execute();
            status = pq().PQresultStatus(m_result.get());
        }
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            ResultPtr failed = std::move(m_result);
            m_result.reset();
            m_engine.fail(failed.get());
        }
        if (status == PGRES_COMMAND_OK) {
            m_engine.counted(QByteArray(pq().PQcmdTuples(m_result.get())).toLongLong());
            if (!m_text.explicitIdTable.isEmpty())
                m_engine.noteExplicitIds(m_text.explicitIdTable);
        }
        m_row = -1;
    }
    if (m_row + 1 >= pq().PQntuples(m_result.get())) {
        m_row = pq().PQntuples(m_result.get());
        return false;
    }
    ++m_row;
    return true;
}

const PGresult* PgStatement::shape()
{
    if (m_result)
        return m_result.get();
    if (!m_described) {
        m_engine.ensureOpen();
        followReconnect();
        m_described = own(pq().PQdescribePrepared(m_engine.conn(), m_name.constData()));
        if (pq().PQresultStatus(m_described.get()) != PGRES_COMMAND_OK) {
            ResultPtr failed = std::move(m_described);
            m_described.reset();
            m_engine.fail(failed.get());
        }
    }
    return m_described.get();
}

// The program's own setting in a connection string: `schema=NAME` (or ?schema=NAME in a URI),
// which libpq does not know, taken out of it.
struct ServerSetting {
    QString libpq;
    QString schema = QString::fromLatin1(kDefaultSchema);
};

ServerSetting splitSetting(const QString& connection)
{
    ServerSetting setting;
    const QString text = connection.trimmed();
    if (text.startsWith(QLatin1String("postgresql://")) || text.startsWith(QLatin1String("postgres://"))) {
        const qsizetype query = text.indexOf(u'?');
        if (query < 0) {
            setting.libpq = text;
            return setting;
        }
        QStringList kept;
        for (const QString& pair : text.mid(query + 1).split(u'&', Qt::SkipEmptyParts)) {
            if (pair.startsWith(QLatin1String("schema=")))
                setting.schema = QUrl::fromPercentEncoding(pair.mid(7).toUtf8());
            else
                kept << pair;
        }
        setting.libpq = text.left(query) + (kept.isEmpty() ? QString() : u'?' + kept.join(u'&'));
        return setting;
    }
    // keyword = value pairs; a value is bare or in single quotes with backslash escapes.
    qsizetype i = 0;
    QStringList kept;
    while (i < text.size()) {
        while (i < text.size() && text.at(i).isSpace())
            ++i;
        const qsizetype start = i;
        while (i < text.size() && text.at(i) != u'=' && !text.at(i).isSpace())
            ++i;
        const QString key = text.mid(start, i - start);
        while (i < text.size() && text.at(i).isSpace())
            ++i;
        if (i < text.size() && text.at(i) == u'=')
            ++i;
        while (i < text.size() && text.at(i).isSpace())
            ++i;
        QString value;
        if (i < text.size() && text.at(i) == u'\'') {
            ++i;
            while (i < text.size() && text.at(i) != u'\'') {
                if (text.at(i) == u'\\' && i + 1 < text.size())
                    ++i;
                value += text.at(i++);
            }
            ++i;
        } else {
            while (i < text.size() && !text.at(i).isSpace())
                value += text.at(i++);
        }
        const QString pair = text.mid(start, i - start);
        if (key == QLatin1String("schema"))
            setting.schema = value;
        else if (!key.isEmpty())
            kept << pair;
    }
    setting.libpq = kept.join(u' ');
    return setting;
}
// Rows sent by COPY in its text format: a whole table in one statement, at the server's own
// loading speed, instead of a statement per row.
class PgCopy final : public RowSink {
public:
    PgCopy(PgEngine& engine, const QString& table, const QStringList& columns)
        : m_engine(engine), m_table(table), m_hasIds(columns.contains(QStringLiteral("id")))
    {
        m_engine.ensureOpen();
        m_engine.followPendingIds();
        const QByteArray sql =
            QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table, columns.join(QStringLiteral(", "))).toUtf8();
        auto result = own(pq().PQexec(m_engine.conn(), sql.constData()));
        if (pq().PQresultStatus(result.get()) != PGRES_COPY_IN)
            m_engine.fail(result.get());
        m_copying = true;
    }

    ~PgCopy() override
    {
        if (!m_copying)
            return;
        // Given up half-way: the server ends the COPY with an error and the transaction fails.
        pq().PQputCopyEnd(m_engine.conn(), "stopped");
        while (PGresult* r = pq().PQgetResult(m_engine.conn()))
            pq().PQclear(r);
    }
    PgCopy(const PgCopy&) = delete;
    PgCopy& operator=(const PgCopy&) = delete;

    void add(const QVariantList& values) override
    {
        for (qsizetype c = 0; c < values.size(); ++c) {
            if (c > 0)
                m_buffer += '\t';
            appendField(values.at(c));
        }
        m_buffer += '\n';
        if (m_buffer.size() >= kChunk)
            flush();
    }

    void finish() override
    {
        flush();
        m_copying = false;
        if (pq().PQputCopyEnd(m_engine.conn(), nullptr) != 1)
            m_engine.fail(nullptr);
        auto result = own(pq().PQgetResult(m_engine.conn()));
        while (PGresult* more = pq().PQgetResult(m_engine.conn()))
            pq().PQclear(more);
        if (pq().PQresultStatus(result.get()) != PGRES_COMMAND_OK)
            m_engine.fail(result.get());
        m_engine.counted(QByteArray(pq().PQcmdTuples(result.get())).toLongLong());
        if (m_hasIds)
            m_engine.noteExplicitIds(m_table);
    }

private:
    static constexpr qsizetype kChunk = 1 << 20;

    void flush()
    {
        if (m_buffer.isEmpty())
            return;
        if (pq().PQputCopyData(m_engine.conn(), m_buffer.constData(), int(m_buffer.size())) != 1) {
            m_copying = false;
            m_engine.fail(nullptr);
        }
        m_buffer.clear();
    }

    // A value as a statement would bind it, in COPY's text form: \N for null, and a backslash,
    // TAB, newline or carriage return inside a text escaped.
    void appendField(const QVariant& value)
    {
        if (!value.isValid() || value.isNull()) {
            m_buffer += "\\N";
            return;
        }
        switch (value.metaType().id()) {
        case QMetaType::Bool: m_buffer += value.toBool() ? '1' : '0'; return;
        case QMetaType::Double:
        case QMetaType::Float: m_buffer += QByteArray::number(value.toDouble(), 'g', 17); return;
        default: break;
        }
        const QByteArray text = value.toString().toUtf8();
        for (const char ch : text) {
            switch (ch) {
            case '\\': m_buffer += "\\\\"; break;
            case '\t': m_buffer += "\\t"; break;
            case '\n': m_buffer += "\\n"; break;
            case '\r': m_buffer += "\\r"; break;
            default: m_buffer += ch;
            }
        }
    }

    PgEngine& m_engine;
    QString m_table;
    bool m_hasIds;
    bool m_copying = false;
    QByteArray m_buffer;
};

std::unique_ptr<RowSink> PgEngine::insertRows(const QString& table, const QStringList& columns)
{
    return std::make_unique<PgCopy>(*this, table, columns);
}

} // namespace

std::unique_ptr<Engine> openServerEngine(const QString& connection)
{
    const ServerSetting setting = splitSetting(connection);
    if (setting.schema.isEmpty())
        throw DbError(QStringLiteral("连接设置中的 schema 是空的。"), Cause::CannotOpen, EngineKind::Server,
                      serverName(connection));
    return std::make_unique<PgEngine>(setting.libpq, setting.schema);
}

QString serverSchema(const QString& connection)
{
    return splitSetting(connection).schema;
}

QString serverName(const QString& connection)
{
    // Named in messages, also in the one telling that the client library is missing.
    const PqFunctions* f = loadPq(nullptr);
    PQconninfoOption* options =
        f ? f->PQconninfoParse(splitSetting(connection).libpq.toUtf8().constData(), nullptr) : nullptr;
    if (!options)
        return connection;
    QString host, port, db;
    for (PQconninfoOption* o = options; o->keyword; ++o) {
        const QByteArray key(o->keyword);
        const QString value = o->val ? QString::fromUtf8(o->val) : QString();
        if (key == "host" || (key == "hostaddr" && host.isEmpty()))
            host = value;
        else if (key == "port")
            port = value;
        else if (key == "dbname")
            db = value;
    }
    f->PQconninfoFree(options);
    if (host.isEmpty())
        host = QStringLiteral("localhost");
    return host + (port.isEmpty() ? QString() : u':' + port) + (db.isEmpty() ? QString() : u'/' + db);
}

} // namespace kv
