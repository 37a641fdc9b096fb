// The statistics on the PostgreSQL engine beside the encrypted file, over the same data: the
// benchmark database of 2,000 employees and a year is restored into the server given by
// KV_BENCH_PG (a libpq connection string; scripts/test-server.sh starts a throw-away one) the
// way a factory moves to a server, then the same queries run on both engines in one run.
//  - BM_RestoreIntoServer: reading the encrypted file into the server in one transaction;
//  - BM_BareCopy: its yardstick, the same rows loaded by bare COPY;
//  - BM_Statistics: month and year from the monthly totals, a day from the journals;
//  - BM_RawGroupedScan: the year's journal lines summed by two bare grouped queries.
#include "BenchData.h"

#include "data/AppContext.h"
#include "data/AppPaths.h"
#include "data/Database.h"
#include "data/KeyFile.h"
#include "data/Schema.h"
#include "data/Tables.h"
#include "maintenance/ServerCopy.h"
#include "stats/StatsPeriod.h"
#include "stats/WageStatistics.h"

#include <QCoreApplication>
#include <QScopeGuard>

#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <cstdio>

namespace {
using kv::PeriodKind;

kv::AppContext& fileContext()
{
    return kv::bench::benchContext({.employees = 2000});
}

// The server, holding the benchmark data after the first call.
kv::Database& server()
{
    static std::unique_ptr<kv::Database> db = [] {
        auto opened = kv::Database::openServer(qEnvironmentVariable("KV_BENCH_PG"));
        opened->setSession(kv::Session(kv::kSuperAdministratorId, QStringLiteral("admin"), {}));
        if (opened->tables().isEmpty())
            kv::createSchema(*opened);
        return opened;
    }();
    return *db;
}

kv::Database& engine(bool onServer)
{
    return onServer ? server() : fileContext().conn();
}

void BM_RestoreIntoServer(benchmark::State& state)
{
    const kv::AppPaths& paths = fileContext().paths();
    for (auto _ : state) {
        try {
            kv::Transaction tx(server(), kv::Access::Maintenance);
            kv::copyFileInto(paths.database(), kv::dbPass(paths.keyFile()), server());
            tx.commit();
        } catch (const kv::DbError& e) {
            state.SkipWithError(e.userText().toUtf8().constData());
        }
    }
}
BENCHMARK(BM_RestoreIntoServer)->Iterations(1)->Unit(benchmark::kSecond);

// The yardstick of the restore: the same rows, already in COPY's text form (the server's own
// COPY TO of what the restore stored), loaded again by bare COPY FROM in one transaction over a
// libpq connection of its own.
void BM_BareCopy(benchmark::State& state)
{
    server(); // made and filled by the restore before
    PGconn* conn = PQconnectdb(qgetenv("KV_BENCH_PG").constData());
    const auto finish = qScopeGuard([conn] { PQfinish(conn); });
    const auto run = [conn](const QByteArray& sql) {
        PGresult* r = PQexec(conn, sql.constData());
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        PQclear(r);
        return ok;
    };
    if (PQstatus(conn) != CONNECTION_OK || !run("SET search_path TO kelvaro")) {
        state.SkipWithError("no bare connection");
        return;
    }
    QList<std::pair<QByteArray, QByteArray>> tables; // name, rows as COPY text
    for (const kv::TableDef& table : kv::schemaTables()) {
        const QByteArray name = QString::fromUtf16(table.name).toUtf8();
        PQclear(PQexec(conn, "COPY " + name + " TO STDOUT"));
        QByteArray rows;
        char* chunk = nullptr;
        int size = 0;
        while ((size = PQgetCopyData(conn, &chunk, 0)) > 0) {
            rows.append(chunk, size);
            PQfreemem(chunk);
        }
        PQclear(PQgetResult(conn));
        tables.append({name, rows});
    }
    for (auto _ : state) {
        bool ok = run("BEGIN");
        for (const auto& [name, rows] : tables) {
            ok = ok && run("DELETE FROM " + name);
            PGresult* r = PQexec(conn, "COPY " + name + " FROM STDIN");
            ok = ok && PQresultStatus(r) == PGRES_COPY_IN;
            PQclear(r);
            ok = ok && PQputCopyData(conn, rows.constData(), int(rows.size())) == 1 && PQputCopyEnd(conn, nullptr) == 1;
            r = PQgetResult(conn);
            ok = ok && PQresultStatus(r) == PGRES_COMMAND_OK;
            PQclear(r);
        }
        if (!(ok && run("COMMIT")))
            state.SkipWithError("bare COPY failed");
    }
}
BENCHMARK(BM_BareCopy)->Iterations(1)->Unit(benchmark::kSecond);

void BM_Statistics(benchmark::State& state, PeriodKind kind, const char* text)
{
    const kv::DateRange range = kv::readPeriod(kind, QString::fromUtf8(text)).range;
    kv::WageStatistics statistics(engine(state.range(0) != 0));
    for (auto _ : state)
        benchmark::DoNotOptimize(statistics.compute(kind, range).size());
}
// Arg 0: the encrypted file; 1: the server.
BENCHMARK_CAPTURE(BM_Statistics, month, PeriodKind::Month, "2008-5")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Statistics, year, PeriodKind::Year, "2008")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Statistics, day, PeriodKind::Day, "2008-5-17")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RawGroupedScan(benchmark::State& state)
{
    const kv::DateRange range = kv::readPeriod(PeriodKind::Year, QStringLiteral("2008")).range;
    kv::Database& db = engine(state.range(0) != 0);
    for (auto _ : state)
        for (const auto* sql : {"SELECT 工号, sum(金额) FROM 工资流水 WHERE 日期 >= ? AND 日期 <= ? GROUP BY 工号",
                                "SELECT 工号, sum(扣减金额) FROM 扣减流水 WHERE 日期 >= ? AND 日期 <= ? GROUP BY 工号"}) {
            kv::Statement st = db.prepare(QString::fromUtf8(sql));
            st.bindAll({range.first, range.last});
            int rows = 0;
            while (st.next())
                ++rows;
            benchmark::DoNotOptimize(rows);
        }
}
BENCHMARK(BM_RawGroupedScan)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("KV_BENCH_PG")) {
        std::fprintf(stderr, "KV_BENCH_PG names no server: set it to a libpq connection string.\n");
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
