// Backing up, restoring and clearing the generated database of 2,000 employees with a year of
// lines (about 320 MB). Each runs on a copy in its own application directory, so the cached
// benchmark database stays as it is. BM_PlainCopy copies the same file with QFile::copy and is
// the yardstick for backup and restore. Opening a connection is measured on a new database.
#include "BenchData.h"

#include "data/AppContext.h"
#include "data/KeyFile.h"
#include "data/Schema.h"
#include "maintenance/Backup.h"
#include "maintenance/ClearData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {
// A copy of the benchmark application directory with a backup folder.
struct CopiedApp {
    CopiedApp()
    {
        const QString source = kv::bench::benchAppDir();
        QDir().mkpath(dir.path() + QStringLiteral("/data"));
        QDir().mkpath(dir.path() + QStringLiteral("/databak"));
        QFile::copy(source + QStringLiteral("/kv.dat"), dir.path() + QStringLiteral("/kv.dat"));
        QFile::copy(source + QStringLiteral("/data/data.mdb"), ctx.paths().database());
        ctx.setSession(kv::Session(kv::kSuperAdministratorId, QStringLiteral("admin"), {}));
        ctx.reconnect();
    }
    QTemporaryDir dir;
    kv::AppContext ctx{dir.path()};
};

void BM_PlainCopy(benchmark::State& state)
{
    CopiedApp app;
    const QString target = app.dir.path() + QStringLiteral("/databak/plain.bak");
    for (auto _ : state) {
        QFile::remove(target);
        if (!QFile::copy(app.ctx.paths().database(), target))
            state.SkipWithError("copy failed");
    }
}
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Backup(benchmark::State& state)
{
    CopiedApp app;
    for (auto _ : state) {
        if (!kv::backupDatabase(app.ctx).ok)
            state.SkipWithError("backup failed");
    }
}
BENCHMARK(BM_Backup)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Restore(benchmark::State& state)
{
    CopiedApp app;
    const kv::CopyOutcome backup = kv::backupDatabase(app.ctx);
    const QString name = QFileInfo(backup.path).fileName();
    for (auto _ : state) {
        if (!kv::restoreDatabase(app.ctx, name).ok)
            state.SkipWithError("restore failed");
    }
}
BENCHMARK(BM_Restore)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ClearAllData(benchmark::State& state)
{
    CopiedApp app;
    const QString name = QFileInfo(kv::backupDatabase(app.ctx).path).fileName();
    for (auto _ : state) {
        kv::clearAllData(app.ctx.conn());
        state.PauseTiming();
        kv::restoreDatabase(app.ctx, name);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ClearAllData)->Unit(benchmark::kMillisecond)->Iterations(2);
// Opening a connection, as the start and every window's reconnect do: under the raw key from
// kv.dat the engine derives nothing from a password. BM_OpenConnectionOldKey, the yardstick,
// opens the same new database under the password of earlier versions, whose key derivation
// (64,000 rounds) ran on every connection.
void openConnections(benchmark::State& state, bool oldKey)
{
    QTemporaryDir dir;
    const QString keyFile = dir.path() + QStringLiteral("/kv.dat");
    kv::createKeyFile(keyFile);
    const kv::DatabaseKeys keys = kv::readKeyFile(keyFile);
    const QString key = oldKey ? keys.legacyKey : keys.key;
    const QString path = dir.path() + QStringLiteral("/data.mdb");
    kv::createDatabaseIfMissing(path, key);
    for (auto _ : state) {
        kv::Database db(path, key);
        benchmark::DoNotOptimize(db.scalar(QStringLiteral("SELECT count(*) FROM 管理员")));
    }
}
void BM_OpenConnection(benchmark::State& state)
{
    openConnections(state, false);
}
BENCHMARK(BM_OpenConnection)->Unit(benchmark::kMillisecond);
void BM_OpenConnectionOldKey(benchmark::State& state)
{
    openConnections(state, true);
}
BENCHMARK(BM_OpenConnectionOldKey)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
