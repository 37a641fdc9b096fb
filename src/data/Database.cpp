#include "data/Database.h"

#include <QFileInfo>
#include <QStringDecoder>

#include <sqlcipher/sqlite3.h>

#include <cmath>

namespace kv {

namespace {
// 4096-byte cipher pages read and write measurably faster than the 1024 default; the size
// must be given at creation and at every open.
constexpr auto kPageSizePragma = "PRAGMA cipher_page_size = 4096;";

// compensated_sum(x): the sum of the values that are not null, NULL when there are none. It adds
// with Neumaier's compensation, so that thousands of cent amounts come to the double nearest their
// exact sum in whatever order they are read: a year summed line by line and the same year summed
// month by month show the same decimal text. (SQLite's own sum() loses the low digits as it goes.)
struct CompensatedSum {
    double sum;
    double compensation;
    bool any;
};

void compensatedSumStep(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    auto* acc = static_cast<CompensatedSum*>(sqlite3_aggregate_context(ctx, sizeof(CompensatedSum)));
    if (!acc) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    const double x = sqlite3_value_double(argv[0]);
    const double t = acc->sum + x;
    acc->compensation += std::fabs(acc->sum) >= std::fabs(x) ? (acc->sum - t) + x : (x - t) + acc->sum;
    acc->sum = t;
    acc->any = true;
}

void compensatedSumFinal(sqlite3_context* ctx)
{
    const auto* acc = static_cast<CompensatedSum*>(sqlite3_aggregate_context(ctx, 0));
    if (acc && acc->any)
        sqlite3_result_double(ctx, acc->sum + acc->compensation);
    else
        sqlite3_result_null(ctx);
}

QString dbMessage(sqlite3* db, int rc)
{
    if (db)
        return QString::fromUtf8(sqlite3_errmsg(db));
    return QString::fromUtf8(sqlite3_errstr(rc));
}
} // namespace

// ---- Statement ----

Statement::Statement(sqlite3* db, sqlite3_stmt* stmt) : m_db(db), m_stmt(stmt) {}

Statement::Statement(Statement&& other) noexcept : m_db(other.m_db), m_stmt(other.m_stmt)
{
    other.m_stmt = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_db = other.m_db;
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::fail(int rc) const
{
    throw DbError(dbMessage(m_db, rc), rc);
}

Statement& Statement::bind(int index, const QVariant& value)
{
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(m_stmt, index);
    } else {
        switch (value.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Bool: rc = sqlite3_bind_int64(m_stmt, index, value.toLongLong()); break;
        case QMetaType::Double:
        case QMetaType::Float: rc = sqlite3_bind_double(m_stmt, index, value.toDouble()); break;
        default: {
            const QByteArray utf8 = value.toString().toUtf8();
            rc = sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
        }
    }
    if (rc != SQLITE_OK)
        fail(rc);
    return *this;
}

Statement& Statement::bindAll(const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values.at(i));
    return *this;
}

bool Statement::next()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail(rc);
    return false;
}

void Statement::run()
{
    while (next()) {
    }
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int col) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, col));
}

int Statement::columnIndex(const QString& name) const
{
    for (int i = 0; i < columnCount(); ++i)
        if (columnName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool Statement::isNull(int col) const
{
    return sqlite3_column_type(m_stmt, col) == SQLITE_NULL;
}

QString Statement::text(int col) const
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
    if (!p)
        return {};
    const int n = sqlite3_column_bytes(m_stmt, col);
    // fromUtf8 drops a leading byte order mark; a stored U+FEFF is part of the text.
    if (n >= 3 && p[0] == '\xEF' && p[1] == '\xBB' && p[2] == '\xBF') {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        return decoder(QByteArrayView(p, n));
    }
    return QString::fromUtf8(p, n);
}

double Statement::number(int col) const
{
    return sqlite3_column_double(m_stmt, col);
}

qint64 Statement::integer(int col) const
{
    return sqlite3_column_int64(m_stmt, col);
}

QVariant Statement::value(int col) const
{
    switch (sqlite3_column_type(m_stmt, col)) {
    case SQLITE_NULL: return QVariant();
    case SQLITE_INTEGER: return QVariant(integer(col));
    case SQLITE_FLOAT: return QVariant(number(col));
    default: return QVariant(text(col));
    }
}

// ---- Database ----

Database::Database(const QString& path, const QString& key, bool createIfMissing) : m_path(path)
{
    if (!createIfMissing && !QFileInfo::exists(path))
        throw DbError(QStringLiteral("数据库文件不存在：%1").arg(path), SQLITE_CANTOPEN);
    // The engine would take an empty file for a new, empty database; here it is a damaged one.
    if (!createIfMissing && QFileInfo(path).size() == 0)
        throw DbError(QStringLiteral("%1 是空文件（0 字节）").arg(path), SQLITE_NOTADB);
    const int flags = SQLITE_OPEN_READWRITE | (createIfMissing ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = dbMessage(m_db, rc);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw DbError(msg, rc);
    }
    try {
        const QByteArray k = key.toUtf8();
        rc = sqlite3_key(m_db, k.constData(), int(k.size()));
        if (rc != SQLITE_OK)
            throw DbError(dbMessage(m_db, rc), rc);
        execScript(QString::fromLatin1(kPageSizePragma));
        // A wrong key or a damaged file shows at the first read.
        scalar(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        execScript(QStringLiteral("PRAGMA foreign_keys = OFF; PRAGMA busy_timeout = 2000;"));
        rc = sqlite3_create_function_v2(m_db, "compensated_sum", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                        nullptr, compensatedSumStep, compensatedSumFinal, nullptr);
        if (rc != SQLITE_OK)
            throw DbError(dbMessage(m_db, rc), rc);
    } catch (...) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw;
    }
}

Database::~Database()
{
    sqlite3_close(m_db);
}

Statement Database::prepare(const QString& sql)
{
    sqlite3_stmt* stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &stmt, nullptr);
    if (rc != SQLITE_OK)
        throw DbError(dbMessage(m_db, rc), rc);
    return Statement(m_db, stmt);
}

void Database::exec(const QString& sql, const QVariantList& values)
{
    prepare(sql).bindAll(values).run();
}

void Database::execScript(const QString& sql)
{
    char* err = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : dbMessage(m_db, rc);
        sqlite3_free(err);
        throw DbError(msg, rc);
    }
}

QVariant Database::scalar(const QString& sql, const QVariantList& values)
{
    Statement st = prepare(sql);
    st.bindAll(values);
    return st.next() ? st.value(0) : QVariant();
}

void Database::releaseMemory()
{
    sqlite3_db_release_memory(m_db);
}

int Database::changes() const
{
    return sqlite3_changes(m_db);
}

qint64 Database::totalChanges() const
{
    return sqlite3_total_changes(m_db);
}

bool Database::isReadOnly() const
{
    return sqlite3_db_readonly(m_db, "main") == 1;
}

// ---- Transaction ----

Transaction::Transaction(Database& db) : m_db(db)
{
    m_db.execScript(QStringLiteral("BEGIN IMMEDIATE"));
}

Transaction::~Transaction()
{
    if (!m_done)
        sqlite3_exec(m_db.m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    m_db.execScript(QStringLiteral("COMMIT"));
    m_done = true;
}

} // namespace kv
