#pragma once

#include "FixedClock.h"
#include "data/Decimal.h"
#include "data/AppContext.h"

#include <QTemporaryDir>

#include <memory>

// A fresh application directory with key material, help page and a new database, connected.
// With KV_TEST_ENGINE=server the database is a schema of its own on the test server named by
// KV_TEST_PG (a libpq connection string; ./test.sh starts that server), dropped at the end.
class TestApp {
public:
    explicit TestApp(QDate today = QDate(2008, 5, 17));
    ~TestApp();

    // Whether the tests run on the server engine.
    static bool onServer();
    // A second connection to the same data, as another clerk's copy of the program has.
    std::unique_ptr<kv::Database> connect() const;

    kv::AppContext& ctx() { return *m_ctx; }
    // Logs the stored account in on the shared connection (its rights as stored), as the login
    // window does; fails the test when there is no such account.
    void logInAs(const QString& account);
    kv::Database& db() { return m_ctx->conn(); }
    FixedClock& clock() { return *m_clock; }
    QString dir() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    std::shared_ptr<FixedClock> m_clock;
    std::unique_ptr<kv::AppContext> m_ctx;
    QString m_schema; // on the server
};

// Lays out an application directory: the test kv.dat and the help page from the source tree.
void layOutAppDir(const QString& dir);

// Makes the database refuse every insert into `table` with `message` while `when` (an SQL
// condition, empty for always) holds, as a full disk would; `name` names the failure for
// liftFailure. Works on both engines.
void failInserts(kv::Database& db, const QString& name, const QString& table, const QString& message,
                 const QString& when = {});
void liftFailure(kv::Database& db, const QString& name, const QString& table);
// The first row of the query, its values joined by '|': texts as stored, numbers as the exact
// figures the program reads (Statement::decimal: "40", "12.5"), alike on both engines.
QString storedRow(kv::Database& db, const QString& sql);
// The names of the stored employees in the order they were added.
QStringList employeeNames(kv::Database& db);
// The journals as files made before lines named their product or deduction item by number: the
// number columns and their indexes gone, every line kept, and no bundle tickets (below). For
// files of an earlier version.
void dropLineItemNumbers(kv::Database& db);
// The accounts as data made before accounts kept a check value: the column 管理员.校验 gone,
// every account kept. For data of an earlier version.
void dropAccountChecks(kv::Database& db);
// A file from before bundle tickets: their tables and the journal's ticket column gone.
void dropBundleTickets(kv::Database& db);

namespace kv::testing {
// A figure written as the user types it ("12.50"); the test fails at once on a typo.
inline kv::Decimal money(const char* text)
{
    return *kv::Decimal::parse(QString::fromUtf8(text));
}
} // namespace kv::testing
