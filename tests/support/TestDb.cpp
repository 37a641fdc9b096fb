#include "TestDb.h"

#include "data/Accounts.h"
#include "data/Schema.h"
#include "data/Tables.h"

#include <QCoreApplication>

#include <QDir>
#include <QFile>
#include <QSettings>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {
QString serverBase()
{
    const QString base = qEnvironmentVariable("KV_TEST_PG");
    if (base.isEmpty()) {
        // Without a server the test says so and CTest counts it as skipped (not as passed).
        std::fputs("KV_TEST_PG names no test server; ./test.sh starts one.\n", stderr);
        std::exit(77);
    }
    return base;
}

// Runs one statement on the test server's database itself, outside any test's schema.
void onServerDatabase(const QString& sql)
{
    kv::Database::openServer(serverBase())->execScript(sql);
}
} // namespace

void layOutAppDir(const QString& dir)
{
    QDir().mkpath(dir + QStringLiteral("/help"));
    QDir().mkpath(dir + QStringLiteral("/databak"));
    // A fixed test key, so that databases made by one test open in another.
    QFile::copy(QStringLiteral(KV_SOURCE_DIR "/tests/support/kv.dat"), dir + QStringLiteral("/kv.dat"));
    QFile::copy(QStringLiteral(KV_SOURCE_DIR "/resources/help/index.html"), dir + QStringLiteral("/help/index.html"));
}

TestApp::TestApp(QDate today) : m_clock(std::make_shared<FixedClock>(today))
{
    layOutAppDir(m_dir.path());
    // Window places and other user settings go to this directory, never to the user's own.
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, m_dir.filePath(QStringLiteral("settings")));
    m_ctx = std::make_unique<kv::AppContext>(m_dir.path(), m_clock);
    m_ctx->readerProgram = QStringLiteral(KV_READER_PROGRAM);
    if (onServer()) {
        // A schema per test application, so that tests run side by side on one server.
        static std::atomic<int> made{0};
        m_schema = QStringLiteral("kvt_%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
        onServerDatabase(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE; CREATE SCHEMA %1").arg(m_schema));
        m_ctx->setServer(serverBase() + QStringLiteral(" schema=%1").arg(m_schema));
    } else {
        kv::createDatabaseIfMissing(m_ctx->paths().database(), kv::dbPass(m_ctx->paths().keyFile()));
    }
    QString error;
    if (!m_ctx->reconnect(&error)) {
        qWarning("test database not connected: %s", qPrintable(error));
        return;
    }
    // The tests work as the owner, who may do everything; tests of refusals log in otherwise.
    if (const auto owner = kv::accountSession(m_ctx->conn(), kv::kSuperAdministratorId))
        m_ctx->setSession(*owner);
}

TestApp::~TestApp()
{
    m_ctx->disconnect();
    if (!m_schema.isEmpty()) {
        try {
            onServerDatabase(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_schema));
        } catch (const kv::DbError& e) {
            qWarning("test schema %s left on the server: %s", qPrintable(m_schema), qPrintable(e.message()));
        }
    }
}

bool TestApp::onServer()
{
    return qEnvironmentVariable("KV_TEST_ENGINE") == QLatin1String("server");
}

void TestApp::logInAs(const QString& account)
{
    const qint64 id =
        m_ctx->conn().scalar(QStringLiteral("SELECT id FROM 管理员 WHERE 账号 = ?"), {account}).toLongLong();
    const auto session = kv::accountSession(m_ctx->conn(), id);
    if (!session)
        qFatal("no account %s to log in", qPrintable(account));
    m_ctx->setSession(*session);
}

std::unique_ptr<kv::Database> TestApp::connect() const
{
    std::unique_ptr<kv::Database> db =
        m_ctx->usesServer()
            ? kv::Database::openServer(m_ctx->server())
            : std::make_unique<kv::Database>(m_ctx->paths().database(), kv::dbPass(m_ctx->paths().keyFile()));
    db->setSession(m_ctx->session());
    db->setClock(m_clock);
    return db;
}

void failInserts(kv::Database& db, const QString& name, const QString& table, const QString& message,
                 const QString& when)
{
    if (db.isServer()) {
        db.execScript(QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $body$ BEGIN "
                                     "IF %4 THEN RAISE EXCEPTION '%3'; END IF; RETURN NEW; END $body$; "
                                     "CREATE TRIGGER %1 BEFORE INSERT ON %2 FOR EACH ROW EXECUTE FUNCTION %1()")
                          .arg(name, table, message, when.isEmpty() ? QStringLiteral("true") : when));
        return;
    }
    db.execScript(QStringLiteral("CREATE TRIGGER %1 BEFORE INSERT ON %2 %4 BEGIN SELECT RAISE(ABORT, '%3'); END")
                      .arg(name, table, message, when.isEmpty() ? QString() : QStringLiteral("WHEN ") + when));
}

void liftFailure(kv::Database& db, const QString& name, const QString& table)
{
    if (db.isServer())
        db.execScript(QStringLiteral("DROP TRIGGER %1 ON %2; DROP FUNCTION %1()").arg(name, table));
    else
        db.execScript(QStringLiteral("DROP TRIGGER %1").arg(name));
}

QString storedRow(kv::Database& db, const QString& sql)
{
    kv::Statement st = db.prepare(sql);
    if (!st.next())
        return {};
    QStringList values;
    for (int c = 0; c < st.columnCount(); ++c)
        values << (st.value(c).typeId() == QMetaType::QString ? st.text(c) : st.decimal(c).plainText());
    return values.join(u'|');
}

QStringList employeeNames(kv::Database& db)
{
    QStringList names;
    kv::Statement st = db.prepare(QStringLiteral("SELECT 姓名 FROM 员工 ORDER BY id"));
    while (st.next())
        names << st.text(0);
    return names;
}

void dropAccountChecks(kv::Database& db)
{
    if (db.isServer()) {
        db.execScript(QStringLiteral("ALTER TABLE 管理员 DROP COLUMN 校验"));
        return;
    }
    // The file engine's version cannot drop a column: the table is made again without it.
    db.execScript(QStringLiteral(R"SQL(
ALTER TABLE 管理员 RENAME TO 管理员_later;
CREATE TABLE 管理员 (id INTEGER PRIMARY KEY AUTOINCREMENT, 账号 TEXT, 密码 TEXT, 权限 INTEGER NOT NULL DEFAULT 0);
INSERT INTO 管理员 (id, 账号, 密码, 权限) SELECT id, 账号, 密码, 权限 FROM 管理员_later;
DROP TABLE 管理员_later;
CREATE UNIQUE INDEX 管理员_账号 ON 管理员 (账号);
)SQL"));
}

void dropLineItemNumbers(kv::Database& db)
{
    db.execScript(QStringLiteral("DROP INDEX 产品工价_产品说明; DROP INDEX 扣减项目_扣减项目说明"));
    for (const kv::TableDef& def : kv::schemaTables()) {
        const QString table = QString::fromUtf16(def.name);
        if (table != QStringLiteral("工资流水") && table != QStringLiteral("扣减流水"))
            continue;
        QStringList columns;
        // The lines get new ids: the server gives them itself.
        for (const QString& column : QString::fromUtf16(def.columns).split(u','))
            if (const QString name = column.trimmed().section(u' ', 0, 0); name != QStringLiteral("id"))
                columns << name;
        const QString names = columns.join(u',');
        db.execScript(QStringLiteral("ALTER TABLE %1 RENAME TO %1_later").arg(table));
        db.execScript(QStringLiteral("CREATE TABLE %1 (%2)").arg(table, QString::fromUtf16(def.columns)));
        db.execScript(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %1_later").arg(table, names));
        db.execScript(QStringLiteral("DROP TABLE %1_later").arg(table));
    }
    dropBundleTickets(db);
}

void dropBundleTickets(kv::Database& db)
{
    int ticketsSince = 0;
    for (const kv::TableDef& def : kv::schemaTables())
        if (QString::fromUtf16(def.name) == QStringLiteral("菲票"))
            ticketsSince = def.since;
    for (const kv::TableDef& def : kv::schemaTables())
        if (def.since >= ticketsSince)
            db.execScript(QStringLiteral("DROP TABLE IF EXISTS %1").arg(QString::fromUtf16(def.name)));
    bool ticketColumn = true;
    try {
        db.scalar(QStringLiteral("SELECT 菲票号 FROM 工资流水 WHERE 1 = 0"));
    } catch (const kv::DbError&) {
        ticketColumn = false;
    }
    if (!ticketColumn)
        return;
    db.execScript(QStringLiteral("DROP INDEX 工资流水_菲票号"));
    if (db.isServer()) {
        db.execScript(QStringLiteral("ALTER TABLE 工资流水 DROP COLUMN 菲票号"));
        return;
    }
    // The file's engine drops no column: the journal is made again with the others, as
    // dropLineItemNumbers makes it.
    QString columns = QStringLiteral("id INTEGER PRIMARY KEY AUTOINCREMENT");
    QStringList names;
    kv::Statement st = db.prepare(QStringLiteral("SELECT * FROM 工资流水 WHERE 1 = 0"));
    for (int c = 0; c < st.columnCount(); ++c) {
        const QString name = st.columnName(c);
        if (name == QStringLiteral("id") || name == QStringLiteral("菲票号"))
            continue;
        names << name;
        const bool number = name == QStringLiteral("数量") || name == QStringLiteral("工价") || name == QStringLiteral("金额");
        columns += QStringLiteral(", %1 %2").arg(name, number ? QStringLiteral("REAL") : QStringLiteral("TEXT"));
    }
    const QString list = names.join(u',');
    db.execScript(QStringLiteral("ALTER TABLE 工资流水 RENAME TO 工资流水_later; CREATE TABLE 工资流水 (%1); "
                                 "INSERT INTO 工资流水 (id, %2) SELECT id, %2 FROM 工资流水_later; DROP TABLE 工资流水_later")
                      .arg(columns, list));
}
