#include "data/PgEngine.h"

#include "data/Error.h"
#include "data/PgDialect.h"

#include <libpq-fe.h>
#include <sqlcipher/sqlite3.h>

#include <optional>
#include <utility>
#include <vector>

namespace kv {

namespace {
// Type numbers of the server's built-in types that the reads tell apart.
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701, kNumeric = 1700,
              kText = 25;

using ResultPtr = std::unique_ptr<PGresult, decltype(&PQclear)>;

ResultPtr own(PGresult* result)
{
    return ResultPtr(result, &PQclear);
}

// The result code whose cause the user is told (see dbFailureCause) for the server's error class.
int codeOf(const PGresult* result)
{
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    if (!state)
        return SQLITE_IOERR;
    const QByteArray s(state);
    if (s == "53100")
        return SQLITE_FULL;
    if (s == "25006" || s.startsWith("42501"))
        return SQLITE_READONLY;
    if (s == "40P01" || s == "55P03" || s == "40001")
        return SQLITE_BUSY;
    return SQLITE_ERROR;
}

QString trimmed(const char* message)
{
    return QString::fromUtf8(message).trimmed();
}

class PgEngine;

class PgStatement final : public StatementEngine {
public:
    PgStatement(PgEngine& engine, QByteArray name, PgStatementText text)
        : m_engine(engine), m_name(std::move(name)), m_text(std::move(text)), m_values(m_text.parameters)
    {
    }
    ~PgStatement() override;
    PgStatement(const PgStatement&) = delete;
    PgStatement& operator=(const PgStatement&) = delete;

    void bind(int index, const QVariant& value) override
    {
        if (index < 1 || index > int(m_values.size()))
            throw DbError(QStringLiteral("column index out of range"), SQLITE_RANGE);
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

    int columnCount() override { return PQnfields(shape()); }
    QString columnName(int col) override { return QString::fromUtf8(PQfname(shape(), col)); }
    bool isNull(int col) const override { return !m_result || PQgetisnull(m_result.get(), m_row, col); }

    QString text(int col) const override
    {
        if (isNull(col))
            return {};
        const char* p = PQgetvalue(m_result.get(), m_row, col);
        if (PQftype(m_result.get(), col) == kBool)
            return QString::fromLatin1(p[0] == 't' ? "1" : "0");
        return textOfUtf8(p, PQgetlength(m_result.get(), m_row, col));
    }

    double number(int col) const override
    {
        if (isNull(col))
            return 0;
        return QByteArray(PQgetvalue(m_result.get(), m_row, col)).toDouble();
    }

    qint64 integer(int col) const override
    {
        if (isNull(col))
            return 0;
        const QByteArray raw(PQgetvalue(m_result.get(), m_row, col));
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
        switch (PQftype(m_result.get(), col)) {
        case kBool:
        case kInt2:
        case kInt4:
        case kInt8:
        case kOid: return QVariant(integer(col));
        case kFloat4:
        case kFloat8: return QVariant(number(col));
        case kNumeric: {
            const QByteArray raw(PQgetvalue(m_result.get(), m_row, col));
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

    PgEngine& m_engine;
    QByteArray m_name;
    PgStatementText m_text;
    std::vector<std::optional<QByteArray>> m_values;
    ResultPtr m_result{nullptr, &PQclear};
    ResultPtr m_described{nullptr, &PQclear};
    int m_row = -1;
};

class PgEngine final : public Engine {
public:
    explicit PgEngine(const QString& connection)
    {
        m_conn = PQconnectdb(connection.toUtf8().constData());
        if (PQstatus(m_conn) != CONNECTION_OK) {
            const QString cause = QString::fromUtf8(PQerrorMessage(m_conn)).simplified();
            PQfinish(m_conn);
            m_conn = nullptr;
            throw DbError(QStringLiteral("无法连接数据库服务器 %1。\n%2").arg(serverName(connection), cause),
                          SQLITE_CANTOPEN);
        }
        PQsetNoticeProcessor(
            m_conn, [](void*, const char*) {}, nullptr);
        try {
            if (PQsetClientEncoding(m_conn, "UTF8") != 0)
                fail(nullptr);
            // Doubles read back exactly as they were written.
            execScript(QStringLiteral("SET extra_float_digits = 3; SET standard_conforming_strings = on"));
        } catch (...) {
            PQfinish(m_conn);
            throw;
        }
    }
    ~PgEngine() override { PQfinish(m_conn); }
    PgEngine(const PgEngine&) = delete;
    PgEngine& operator=(const PgEngine&) = delete;

    EngineKind kind() const override { return EngineKind::Server; }

    std::unique_ptr<StatementEngine> prepare(const QString& sql) override
    {
        PgStatementText text = toPgDialect(sql);
        const QByteArray name = "kv_" + QByteArray::number(++m_statements);
        // A value whose type the statement does not give (SELECT ?) is taken as text.
        std::vector<Oid> types(text.parameters, 0);
        for (;;) {
            auto result = own(
                PQprepare(m_conn, name.constData(), text.sql.toUtf8().constData(), int(types.size()), types.data()));
            if (PQresultStatus(result.get()) == PGRES_COMMAND_OK)
                break;
            const char* state = PQresultErrorField(result.get(), PG_DIAG_SQLSTATE);
            const int untyped = state && QByteArray(state) == "42P18" ? untypedParameter(result.get()) : -1;
            if (untyped < 1 || untyped > int(types.size()) || types[untyped - 1] != 0)
                fail(result.get());
            types[untyped - 1] = kText;
        }
        return std::make_unique<PgStatement>(*this, name, std::move(text));
    }

    void execScript(const QString& sql) override
    {
        followPendingIds();
        auto result = own(PQexec(m_conn, toPgDialect(sql).sql.toUtf8().constData()));
        const auto status = PQresultStatus(result.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            fail(result.get());
    }

    void begin() override { execScript(QStringLiteral("BEGIN")); }

    void commit() override
    {
        followPendingIds();
        auto result = own(PQexec(m_conn, "COMMIT"));
        if (PQresultStatus(result.get()) != PGRES_COMMAND_OK)
            fail(result.get());
        // A transaction in which a statement failed ends in a rollback, without an error.
        if (QByteArray(PQcmdStatus(result.get())) == "ROLLBACK")
            throw DbError(QStringLiteral("事务中有语句失败，所有改动都已撤销。"), SQLITE_ABORT);
        dropFinished();
    }

    void rollback() noexcept override
    {
        m_pendingIdTables.clear();
        PQclear(PQexec(m_conn, "ROLLBACK"));
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
        auto st = prepare(shared ? QStringLiteral("SELECT pg_advisory_xact_lock_shared(hashtext(current_schema() || ?))")
                                 : QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(current_schema() || ?))"));
        st->bind(1, name);
        st->next();
    }

    QStringList tables() override
    {
        QStringList names;
        auto st = prepare(QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = "
                                         "current_schema() AND table_type = 'BASE TABLE' ORDER BY table_name"));
        while (st->next())
            names << st->text(0);
        return names;
    }

    QString location() const override
    {
        return QStringLiteral("%1:%2/%3")
            .arg(QString::fromUtf8(PQhost(m_conn)), QString::fromUtf8(PQport(m_conn)), QString::fromUtf8(PQdb(m_conn)));
    }

    PGconn* conn() const { return m_conn; }

    [[noreturn]] void fail(const PGresult* result) const
    {
        // The server's own words without its "ERROR:" prefix, and its detail when it gives one.
        const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        const char* detail = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL) : nullptr;
        QString text = trimmed(primary ? primary : PQerrorMessage(m_conn));
        if (detail)
            text += u'\n' + trimmed(detail);
        int code = codeOf(result);
        if (PQstatus(m_conn) != CONNECTION_OK) {
            text = QStringLiteral("与数据库服务器 %1 的连接已断开。\n%2").arg(location(), text);
            code = SQLITE_IOERR;
        }
        throw DbError(text, code);
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
        if (PQtransactionStatus(m_conn) != PQTRANS_INTRANS)
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
        auto result = own(PQexecParams(m_conn, sql.constData(), 1, nullptr, values, nullptr, nullptr, 0));
        if (PQresultStatus(result.get()) != PGRES_TUPLES_OK)
            fail(result.get());
    }

    // A statement is dropped from the server when it ends; inside a failed transaction the
    // server refuses that until the transaction ends.
    void drop(const QByteArray& name) noexcept
    {
        if (PQtransactionStatus(m_conn) == PQTRANS_INERROR) {
            m_toDrop.push_back(name);
            return;
        }
        PQclear(PQexec(m_conn, ("DEALLOCATE " + name).constData()));
    }

private:
    static int untypedParameter(const PGresult* result)
    {
        const QByteArray message(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
        const int at = message.indexOf('$');
        return at < 0 ? -1 : message.mid(at + 1).toInt();
    }

    void dropFinished() noexcept
    {
        for (const QByteArray& name : m_toDrop)
            PQclear(PQexec(m_conn, ("DEALLOCATE " + name).constData()));
        m_toDrop.clear();
    }

    PGconn* m_conn = nullptr;
    qint64 m_statements = 0;
    int m_changes = 0;
    qint64 m_totalChanges = 0;
    std::vector<QByteArray> m_toDrop;
    QStringList m_pendingIdTables; // tables whose identity must still follow ids given by inserts
};

PgStatement::~PgStatement()
{
    m_engine.drop(m_name);
}

bool PgStatement::next()
{
    if (!m_result) {
        if (m_text.explicitIdTable.isEmpty())
            m_engine.followPendingIds();
        std::vector<const char*> values;
        values.reserve(m_values.size());
        for (const auto& v : m_values)
            values.push_back(v ? v->constData() : nullptr);
        m_result = own(PQexecPrepared(m_engine.conn(), m_name.constData(), int(values.size()), values.data(), nullptr,
                                      nullptr, 0));
        const auto status = PQresultStatus(m_result.get());
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            ResultPtr failed = std::move(m_result);
            m_result.reset();
            m_engine.fail(failed.get());
        }
        if (status == PGRES_COMMAND_OK) {
            m_engine.counted(QByteArray(PQcmdTuples(m_result.get())).toLongLong());
            if (!m_text.explicitIdTable.isEmpty())
                m_engine.noteExplicitIds(m_text.explicitIdTable);
        }
        m_row = -1;
    }
    if (m_row + 1 >= PQntuples(m_result.get())) {
        m_row = PQntuples(m_result.get());
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
        m_described = own(PQdescribePrepared(m_engine.conn(), m_name.constData()));
        if (PQresultStatus(m_described.get()) != PGRES_COMMAND_OK) {
            ResultPtr failed = std::move(m_described);
            m_described.reset();
            m_engine.fail(failed.get());
        }
    }
    return m_described.get();
}
} // namespace

std::unique_ptr<Engine> openServerEngine(const QString& connection)
{
    return std::make_unique<PgEngine>(connection);
}

QString serverName(const QString& connection)
{
    PQconninfoOption* options = PQconninfoParse(connection.toUtf8().constData(), nullptr);
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
    PQconninfoFree(options);
    if (host.isEmpty())
        host = QStringLiteral("localhost");
    return host + (port.isEmpty() ? QString() : u':' + port) + (db.isEmpty() ? QString() : u'/' + db);
}

} // namespace kv
