#include "data/Database.h"

#include "data/Clock.h"
#include "data/Engine.h"
#include "data/PgEngine.h"
#include "data/SqlCipherEngine.h"

#include <QStringDecoder>

namespace kv {

QString textOfUtf8(const char* bytes, int size)
{
    if (size >= 3 && bytes[0] == '\xEF' && bytes[1] == '\xBB' && bytes[2] == '\xBF') {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        return decoder(QByteArrayView(bytes, size));
    }
    return QString::fromUtf8(bytes, size);
}

// ---- Rows added by a prepared INSERT ----

namespace {
class InsertRows final : public RowSink {
public:
    InsertRows(Engine& engine, const QString& table, const QStringList& columns)
    {
        QStringList marks;
        for (qsizetype i = 0; i < columns.size(); ++i)
            marks << QStringLiteral("?");
        m_insert = engine.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                      .arg(table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
    }

    void add(const QVariantList& values) override
    {
        for (qsizetype c = 0; c < values.size(); ++c)
            m_insert->bind(int(c + 1), values.at(c));
        m_insert->next();
        m_insert->reset();
    }

    void finish() override {}

private:
    std::unique_ptr<StatementEngine> m_insert;
};
} // namespace

std::unique_ptr<RowSink> Engine::insertRows(const QString& table, const QStringList& columns)
{
    return std::make_unique<InsertRows>(*this, table, columns);
}

// ---- Statement ----

Statement::Statement(std::unique_ptr<StatementEngine> engine) : m_impl(std::move(engine)) {}
Statement::Statement(Statement&& other) noexcept = default;
Statement& Statement::operator=(Statement&& other) noexcept = default;
Statement::~Statement() = default;

Statement& Statement::bind(int index, const QVariant& value)
{
    m_impl->bind(index, value);
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
    return m_impl->next();
}

void Statement::run()
{
    while (next()) {
    }
}

void Statement::reset()
{
    m_impl->reset();
}

int Statement::columnCount() const
{
    return m_impl->columnCount();
}

QString Statement::columnName(int col) const
{
    return m_impl->columnName(col);
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
    return m_impl->isNull(col);
}

QString Statement::text(int col) const
{
    return m_impl->text(col);
}

QByteArrayView Statement::utf8(int col) const
{
    return m_impl->utf8(col);
}

double Statement::number(int col) const
{
    return m_impl->number(col);
}

qint64 Statement::integer(int col) const
{
    return m_impl->integer(col);
}

QVariant Statement::value(int col) const
{
    return m_impl->value(col);
}

Decimal Statement::decimal(int col) const
{
    // Both engines write a REAL as text with at least the 15 digits that give its decimal back,
    // and a sum as its exact digits.
    return m_impl->decimal(col);
}

// ---- Database ----

Database::Database(const QString& path, const QString& key, bool createIfMissing)
    : m_engine(openFileEngine(path, key, createIfMissing)), m_path(path), m_clock(std::make_shared<Clock>())
{
}

Database::Database(std::unique_ptr<Engine> engine) : m_engine(std::move(engine)), m_clock(std::make_shared<Clock>())
{
}

Database::~Database() = default;

std::unique_ptr<Database> Database::openServer(const QString& connection)
{
    return std::make_unique<Database>(openServerEngine(connection));
}

std::unique_ptr<RowSink> Database::insertRows(const QString& table, const QStringList& columns)
{
    return m_engine->insertRows(table, columns);
}

Statement Database::prepare(const QString& sql)
{
    return Statement(m_engine->prepare(sql));
}

void Database::exec(const QString& sql, const QVariantList& values)
{
    prepare(sql).bindAll(values).run();
}

void Database::execScript(const QString& sql)
{
    m_engine->execScript(sql);
}

QVariant Database::scalar(const QString& sql, const QVariantList& values)
{
    Statement st = prepare(sql);
    st.bindAll(values);
    return st.next() ? st.value(0) : QVariant();
}

void Database::releaseMemory()
{
    m_engine->releaseMemory();
}

int Database::changes() const
{
    return m_engine->changes();
}

qint64 Database::totalChanges() const
{
    return m_engine->totalChanges();
}

bool Database::isReadOnly() const
{
    return m_engine->isReadOnly();
}

bool Database::isServer() const
{
    return m_engine->kind() == EngineKind::Server;
}

void Database::setClock(std::shared_ptr<const Clock> clock)
{
    m_clock = std::move(clock);
}

QDateTime Database::now()
{
    if (!isServer())
        return m_clock->now();
    // The server's local time, to the second, as the log shows it.
    const QString text = scalar(QStringLiteral("SELECT to_char(localtimestamp, 'YYYY-MM-DD HH24:MI:SS')")).toString();
    QDateTime time = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!time.isValid())
        throw DbError(QStringLiteral("服务器没有给出当前时间（%1）。").arg(text));
    return time;
}

QString Database::location() const
{
    return m_engine->location();
}

QString Database::upsertSql(const QString& table, const QStringList& columns, int keyColumns) const
{
    return m_engine->upsertSql(table, columns, keyColumns);
}

QString Database::lockClause() const
{
    return m_engine->lockClause();
}

void Database::lock(const QString& name, bool shared)
{
    m_engine->lock(name, shared);
}

std::optional<QString> Database::changeStamp(const QString& table)
{
    return m_engine->changeStamp(table);
}

QStringList Database::tables()
{
    return m_engine->tables();
}

QStringList Database::indexes()
{
    return m_engine->indexes();
}

void Database::createStore()
{
    m_engine->createStore();
}

bool Database::mayChangeSchema()
{
    return m_engine->mayChangeSchema();
}

// ---- Transaction ----

QString maintenanceLockName()
{
    return QStringLiteral("kelvaro maintenance");
}

namespace {
QString savepointName(int level)
{
    return QStringLiteral("kv_part_%1").arg(level);
}
} // namespace

Transaction::Transaction(Database& db, Access access) : m_db(db), m_level(db.m_depth + 1)
{
    if (m_level > 1) {
        if (access == Access::Maintenance)
            throw DbError(QStringLiteral("维护操作不能在另一项保存的中途开始。"));
        m_db.m_engine->execScript(QStringLiteral("SAVEPOINT ") + savepointName(m_level));
        ++m_db.m_depth;
        return;
    }
    m_db.m_engine->begin(access == Access::Snapshot);
    m_db.m_depth = 1;
    if (access == Access::Snapshot)
        return;
    try {
        m_db.m_engine->lock(maintenanceLockName(), access == Access::Work);
    } catch (...) {
        abandon();
        throw;
    }
}

Transaction::~Transaction()
{
    if (!m_done)
        abandon();
}

void Transaction::commit()
{
    if (m_done)
        return;
    if (m_level > 1) {
        m_db.m_engine->execScript(QStringLiteral("RELEASE SAVEPOINT ") + savepointName(m_level));
        m_done = true;
        m_db.m_depth = m_level - 1;
        return;
    }
    try {
        m_db.m_engine->commit();
    } catch (...) {
        abandon();
        throw;
    }
    m_done = true;
    m_db.m_depth = 0;
}

void Transaction::abandon() noexcept
{
    m_done = true;
    m_db.m_depth = m_level - 1;
    if (m_level == 1) {
        m_db.m_engine->rollback();
        return;
    }
    try {
        const QString name = savepointName(m_level);
        m_db.m_engine->execScript(QStringLiteral("ROLLBACK TO SAVEPOINT %1; RELEASE SAVEPOINT %1").arg(name));
    } catch (...) {
        // The outer transaction is then beyond repair; its own end rolls it back.
    }
}

} // namespace kv
