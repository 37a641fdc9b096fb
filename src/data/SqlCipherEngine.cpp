#include "data/SqlCipherEngine.h"

#include "data/Decimal.h"
#include "data/Error.h"

#include <QFile>
#include <QFileInfo>

#include <sqlcipher/sqlite3.h>

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

namespace kv {

namespace {
// 4096-byte cipher pages read and write measurably faster than the 1024 default; the size
// must be given at creation and at every open.
constexpr auto kPageSizePragma = "PRAGMA cipher_page_size = 4096;";

// decimal_sum(x): the sum of the values that are not null, NULL when there are none. Each value
// is rounded to the places of a Decimal and added exactly, whatever the order of the rows: a year
// summed line by line and the same year summed month by month give the same digits. The sum comes
// back as its exact decimal text (SQLite's own sum() adds binary doubles and loses the low digits).
struct DecimalSum {
    qint64 units;
    bool any;
    bool failed;
};

// A value's text as the engine holds it (UTF-8), without a copy; null for a null value.
std::string_view utf8Of(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? std::string_view(p, std::size_t(sqlite3_value_bytes(v))) : std::string_view();
}

void decimalSumStep(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL)
        return;
    auto* acc = static_cast<DecimalSum*>(sqlite3_aggregate_context(ctx, sizeof(DecimalSum)));
    if (!acc) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    try {
        Decimal x;
        if (type == SQLITE_INTEGER)
            x = Decimal::fromInteger(sqlite3_value_int64(argv[0]));
        else if (type == SQLITE_FLOAT)
            x = Decimal::fromStoredDouble(sqlite3_value_double(argv[0]));
        else
            x = Decimal::fromStoredText(utf8Of(argv[0]));
        const std::optional<Decimal> sum = Decimal::checkedSum(Decimal::fromUnits(acc->units), x);
        if (sum)
            acc->units = sum->units();
        else
            acc->failed = true;
        acc->any = true;
    } catch (const Error&) {
        acc->failed = true;
    }
}

// The digits Decimal::plainText gives ("-12.5", "0"), written straight into a buffer: a year's
// statistics end some thousands of sums.
std::string_view plainDigits(qint64 units, std::array<char, 32>& buffer)
{
    char* out = buffer.data();
    char* const end = buffer.data() + buffer.size();
    const quint64 magnitude = units < 0 ? 0 - quint64(units) : quint64(units);
    if (units < 0)
        *out++ = '-';
    out = std::to_chars(out, end, magnitude / quint64(Decimal::kScale)).ptr;
    quint64 fraction = magnitude % quint64(Decimal::kScale);
    if (fraction != 0) {
        int places = Decimal::kPlaces;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --places;
        }
        *out++ = '.';
        char* const digits = out;
        out += places;
        for (char* p = out; p > digits; fraction /= 10)
            *--p = char('0' + fraction % 10);
    }
    return {buffer.data(), std::size_t(out - buffer.data())};
}

void decimalSumFinal(sqlite3_context* ctx)
{
    const auto* acc = static_cast<DecimalSum*>(sqlite3_aggregate_context(ctx, 0));
    if (acc && acc->failed) {
        sqlite3_result_error(ctx, "decimal_sum: sum out of range", -1);
    } else if (acc && acc->any) {
        std::array<char, 32> buffer{};
        const std::string_view digits = plainDigits(acc->units, buffer);
        sqlite3_result_text(ctx, digits.data(), int(digits.size()), SQLITE_TRANSIENT);
    } else {
        sqlite3_result_null(ctx);
    }
}

// What the user is told of a result code, in the program's own terms.
Cause causeOf(int rc)
{
    if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY)
        return Cause::Duplicate;
    switch (rc & 0xff) {
    case SQLITE_FULL: return Cause::DiskFull;
    case SQLITE_READONLY: return Cause::ReadOnly;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return Cause::Busy;
    case SQLITE_CORRUPT: return Cause::Damaged;
    case SQLITE_NOTADB: return Cause::WrongKey;
    case SQLITE_CANTOPEN: return Cause::CannotOpen;
    case SQLITE_IOERR: return Cause::IoError;
    case SQLITE_PERM:
    case SQLITE_AUTH: return Cause::PermissionDenied;
    case SQLITE_CONSTRAINT: return Cause::Constraint;
    default: return Cause::Unknown;
    }
}

DbError fileError(const QString& message, int rc, const QString& path)
{
    return DbError(message, causeOf(rc), EngineKind::File, path, rc);
}

QString dbMessage(sqlite3* db, int rc)
{
    if (db)
        return QString::fromUtf8(sqlite3_errmsg(db));
    return QString::fromUtf8(sqlite3_errstr(rc));
}

class SqlCipherStatement final : public StatementEngine {
public:
    SqlCipherStatement(sqlite3* db, sqlite3_stmt* stmt) : m_db(db), m_stmt(stmt) {}
    ~SqlCipherStatement() override { sqlite3_finalize(m_stmt); }
    SqlCipherStatement(const SqlCipherStatement&) = delete;
    SqlCipherStatement& operator=(const SqlCipherStatement&) = delete;

    void bind(int index, const QVariant& value) override
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
    }

    bool next() override
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        fail(rc);
        return false;
    }

    void reset() override
    {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }

    int columnCount() override { return sqlite3_column_count(m_stmt); }
    QString columnName(int col) override { return QString::fromUtf8(sqlite3_column_name(m_stmt, col)); }
    bool isNull(int col) const override { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }

    QString text(int col) const override
    {
        const std::string_view bytes = utf8Of(column(col));
        return bytes.data() ? textOfUtf8(bytes.data(), int(bytes.size())) : QString();
    }

    QByteArrayView utf8(int col) const override
    {
        const std::string_view bytes = utf8Of(column(col));
        return bytes.data() ? QByteArrayView(bytes.data(), qsizetype(bytes.size())) : QByteArrayView();
    }

    double number(int col) const override { return sqlite3_column_double(m_stmt, col); }
    qint64 integer(int col) const override { return sqlite3_column_int64(m_stmt, col); }

    // Read as the value is stored, without a QString between: a sum's digits, a REAL, an integer.
    Decimal decimal(int col) const override
    {
        sqlite3_value* v = column(col);
        switch (sqlite3_value_type(v)) {
        case SQLITE_NULL: return {};
        case SQLITE_INTEGER: return Decimal::fromInteger(sqlite3_value_int64(v));
        case SQLITE_FLOAT: return Decimal::fromStoredDouble(sqlite3_value_double(v));
        default: {
            const std::string_view bytes = utf8Of(v);
            return bytes.data() ? Decimal::fromStoredText(bytes) : Decimal();
        }
        }
    }

    QVariant value(int col) const override
    {
        sqlite3_value* v = column(col);
        switch (sqlite3_value_type(v)) {
        case SQLITE_NULL: return QVariant();
        case SQLITE_INTEGER: return QVariant(qint64(sqlite3_value_int64(v)));
        case SQLITE_FLOAT: return QVariant(sqlite3_value_double(v));
        default: return QVariant(text(col));
        }
    }

private:
    // The current row's value of a column: read through it, a value costs one call into the
    // engine (each call takes the connection's lock) where type, text and length would cost three.
    // The connection is never used by two threads at once, so the value stays as it is while read.
    sqlite3_value* column(int col) const { return sqlite3_column_value(m_stmt, col); }

    [[noreturn]] void fail(int rc) const
    {
        // The extended code tells a value stored twice from the other refusals of a constraint.
        if (const int extended = sqlite3_extended_errcode(m_db); (extended & 0xff) == (rc & 0xff))
            rc = extended;
        throw fileError(dbMessage(m_db, rc), rc, QString::fromUtf8(sqlite3_db_filename(m_db, "main")));
    }

    sqlite3* m_db;
    sqlite3_stmt* m_stmt;
};

class SqlCipherEngine final : public Engine {
public:
    // A file longer than its pages opens only with `lengthChecked` false, for trimSurplus.
    SqlCipherEngine(const QString& path, const QString& key, bool createIfMissing, bool lengthChecked = true)
        : m_path(path)
    {
        if (!createIfMissing && !QFileInfo::exists(path))
            throw fileError(QStringLiteral("数据库文件不存在：%1").arg(path), SQLITE_CANTOPEN, m_path);
        // The engine would take an empty file for a new, empty database; here it is a damaged one.
        if (!createIfMissing && QFileInfo(path).size() == 0)
            throw fileError(QStringLiteral("%1 是空文件（0 字节）").arg(path), SQLITE_CORRUPT, m_path);
        // Without a key the engine would read and write the file unencrypted.
        if (key.isEmpty())
            throw fileError(QStringLiteral("没有数据库密钥，不能打开 %1").arg(path), SQLITE_NOTADB, m_path);
        const bool creating = createIfMissing && !QFileInfo::exists(path);
        const int flags = SQLITE_OPEN_READWRITE | (createIfMissing ? SQLITE_OPEN_CREATE : 0);
        int rc = sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr);
        if (rc != SQLITE_OK) {
            const QString msg = dbMessage(m_db, rc);
            sqlite3_close(m_db);
            m_db = nullptr;
            throw fileError(msg, rc, m_path);
        }
        try {
            if (creating)
                QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            QByteArray k = key.toUtf8();
            rc = sqlite3_key(m_db, k.constData(), int(k.size()));
            k.fill('\0');
            if (rc != SQLITE_OK)
                throw fileError(dbMessage(m_db, rc), rc, m_path);
            execScript(QString::fromLatin1(kPageSizePragma));
            // A connection opened or a save begun waits for another connection's restore or
            // clearing under way rather than fail.
            execScript(QStringLiteral("PRAGMA busy_timeout = 30000"));
            // A wrong key or a damaged file shows at the first read.
            execScript(QStringLiteral("SELECT count(*) FROM sqlite_master"));
            if (lengthChecked)
                checkLength();
            execScript(QStringLiteral("PRAGMA foreign_keys = OFF"));
            rc = sqlite3_create_function_v2(m_db, "decimal_sum", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                            nullptr, decimalSumStep, decimalSumFinal, nullptr);
            if (rc != SQLITE_OK)
                throw fileError(dbMessage(m_db, rc), rc, m_path);
        } catch (...) {
            sqlite3_close(m_db);
            m_db = nullptr;
            throw;
        }
    }
    ~SqlCipherEngine() override { sqlite3_close(m_db); }
    SqlCipherEngine(const SqlCipherEngine&) = delete;
    SqlCipherEngine& operator=(const SqlCipherEngine&) = delete;

    EngineKind kind() const override { return EngineKind::File; }

    std::unique_ptr<StatementEngine> prepare(const QString& sql) override
    {
        sqlite3_stmt* stmt = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        const int rc = sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &stmt, nullptr);
        if (rc != SQLITE_OK)
            throw fileError(dbMessage(m_db, rc), rc, m_path);
        return std::make_unique<SqlCipherStatement>(m_db, stmt);
    }

    void execScript(const QString& sql) override
    {
        char* err = nullptr;
        const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err);
        if (rc != SQLITE_OK) {
            const QString msg = err ? QString::fromUtf8(err) : dbMessage(m_db, rc);
            sqlite3_free(err);
            throw fileError(msg, rc, m_path);
        }
    }

    // The write lock is taken at the start, so that a transaction never fails half-way for a
    // writer on another connection.
    void begin(bool snapshot) override { execScript(snapshot ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")); }
    void commit() override { execScript(QStringLiteral("COMMIT")); }
    void rollback() noexcept override { sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr); }
    void releaseMemory() override { sqlite3_db_release_memory(m_db); }
    int changes() const override { return sqlite3_changes(m_db); }
    qint64 totalChanges() const override { return sqlite3_total_changes(m_db); }
    bool isReadOnly() const override { return sqlite3_db_readonly(m_db, "main") == 1; }

    QString upsertSql(const QString& table, const QStringList& columns, int) const override
    {
        return QStringLiteral("INSERT OR REPLACE INTO %1 (%2) VALUES (%3)")
            .arg(table, columns.join(QStringLiteral(", ")), placeholders(int(columns.size())));
    }

    // Temporary triggers of this connection count every row changed; a new connection starts
    // its counters with a new random token, so that a stamp read over another connection never
    // matches.
    std::optional<QString> changeStamp(const QString& table) override
    {
        execScript(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS kv_table_changes "
                                  "(name TEXT PRIMARY KEY, token INTEGER, changes INTEGER)"));
        auto insert = prepare(QStringLiteral("INSERT OR IGNORE INTO temp.kv_table_changes VALUES (?, random(), 0)"));
        insert->bind(1, table);
        insert->next();
        if (changes() > 0) {
            for (const char* event : {"INSERT", "UPDATE", "DELETE"}) {
                const QString ev = QString::fromLatin1(event);
                execScript(QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS kv_%1_%2 AFTER %2 ON %1 BEGIN "
                                          "UPDATE kv_table_changes SET changes = changes + 1 WHERE name = '%1'; END")
                               .arg(table, ev));
            }
        }
        auto stamp = prepare(QStringLiteral("SELECT token, changes FROM temp.kv_table_changes WHERE name = ?"));
        stamp->bind(1, table);
        stamp->next();
        return stamp->text(0) + u'/' + stamp->text(1);
    }

    QString lockClause() const override { return {}; }
    void lock(const QString&, bool) override {}

    QStringList tables() override
    {
        QStringList names;
        auto st = prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                         "AND name <> 'sqlite_sequence' ORDER BY name"));
        while (st->next())
            names << st->text(0);
        return names;
    }
    QStringList indexes() override
    {
        QStringList names;
        auto st = prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' ORDER BY name"));
        while (st->next())
            names << st->text(0);
        return names;
    }
    void createStore() override {}
    bool mayChangeSchema() override { return true; }
    QString location() const override { return m_path; }

    void rekey(const QString& newKey)
    {
        QByteArray k = newKey.toUtf8();
        const int rc = sqlite3_rekey(m_db, k.constData(), int(k.size()));
        k.fill('\0');
        if (rc != SQLITE_OK)
            throw fileError(dbMessage(m_db, rc), rc, m_path);
        // Every page was rewritten; reading them all back under the new key proves it took.
        execScript(QStringLiteral("PRAGMA quick_check"));
    }

    // Cuts the file to its pages when it is longer by whole pages and every page within its count
    // reads whole (see trimSurplusPages); under an exclusive lock, so that no other connection
    // reads meanwhile. Returns whether it cut; throws DbError (damaged) when those pages do not
    // read whole.
    bool trimSurplus()
    {
        execScript(QStringLiteral("BEGIN EXCLUSIVE"));
        try {
            const qint64 pages = pragmaValue("page_count");
            const qint64 pageSize = pragmaValue("page_size");
            const qint64 surplus = QFileInfo(m_path).size() - pages * pageSize;
            bool whole = pages > 0 && pageSize > 0 && surplus > 0 && surplus % pageSize == 0;
            if (whole) {
                auto check = prepare(QStringLiteral("PRAGMA integrity_check"));
                QString finding = QStringLiteral("ok");
                while (finding == QStringLiteral("ok") && check->next())
                    finding = check->text(0);
                if (finding != QStringLiteral("ok"))
                    throw fileError(QStringLiteral("文件 %1 比它的 %2 页多出整页，而这些页里的数据有损坏：%3")
                                        .arg(m_path)
                                        .arg(pages)
                                        .arg(finding),
                                    SQLITE_CORRUPT, m_path);
            }
            if (whole) {
                sqlite3_file* file = nullptr;
                int rc = sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &file);
                if (rc == SQLITE_OK && file && file->pMethods)
                    rc = file->pMethods->xTruncate(file, pages * pageSize);
                if (rc == SQLITE_OK && file && file->pMethods)
                    rc = file->pMethods->xSync(file, SQLITE_SYNC_NORMAL);
                if (rc != SQLITE_OK)
                    throw fileError(QStringLiteral("无法把数据文件 %1 截到它的 %2 页：%3")
                                        .arg(m_path)
                                        .arg(pages)
                                        .arg(QString::fromUtf8(sqlite3_errstr(rc))),
                                    rc, m_path);
            }
            execScript(QStringLiteral("COMMIT"));
            return whole;
        } catch (...) {
            rollback();
            throw;
        }
    }

private:
    // A file cut short is damaged even where its first pages read well; one longer than its pages
    // holds bytes that are no page of it (openDataFile trims whole pages a compaction left). Length
    // and page count are taken under one read lock, so that another connection's commit cannot
    // come between them.
    void checkLength()
    {
        execScript(QStringLiteral("BEGIN"));
        try {
            const qint64 pages = pragmaValue("page_count");
            const qint64 pageSize = pragmaValue("page_size");
            const qint64 length = QFileInfo(m_path).size();
            execScript(QStringLiteral("COMMIT"));
            if (length < pages * pageSize)
                throw fileError(QStringLiteral("文件 %1 长 %2 字节，应为 %3 页共 %4 字节")
                                    .arg(m_path)
                                    .arg(length)
                                    .arg(pages)
                                    .arg(pages * pageSize),
                                SQLITE_CORRUPT, m_path);
            if (length > pages * pageSize)
                throw DbError(QStringLiteral("文件 %1 长 %2 字节，比它的 %3 页（%4 字节）多出 %5 字节")
                                  .arg(m_path)
                                  .arg(length)
                                  .arg(pages)
                                  .arg(pages * pageSize)
                                  .arg(length - pages * pageSize),
                              Cause::Overlong, EngineKind::File, m_path, SQLITE_CORRUPT);
        } catch (...) {
            rollback();
            throw;
        }
    }

    qint64 pragmaValue(const char* name)
    {
        auto st = prepare(QStringLiteral("PRAGMA ") + QString::fromLatin1(name));
        st->next();
        return st->integer(0);
    }

    static QString placeholders(int n)
    {
        QStringList marks;
        for (int i = 0; i < n; ++i)
            marks << QStringLiteral("?");
        return marks.join(QStringLiteral(", "));
    }

    sqlite3* m_db = nullptr;
    QString m_path;
};
} // namespace

std::unique_ptr<Engine> openFileEngine(const QString& path, const QString& key, bool createIfMissing)
{
    return std::make_unique<SqlCipherEngine>(path, key, createIfMissing);
}

void rekeyFile(const QString& path, const QString& oldKey, const QString& newKey)
{
    SqlCipherEngine(path, oldKey, false).rekey(newKey);
}

bool trimSurplusPages(const QString& path, const QString& key)
{
    return SqlCipherEngine(path, key, false, false).trimSurplus();
}

bool isWrongKey(const DbError& e)
{
    return (e.code() & 0xff) == SQLITE_NOTADB;
}

} // namespace kv
