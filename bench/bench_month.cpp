// Loading and saving one employee's month (300 production and 30 deduction lines) in a database
// holding a year of lines for 2,000 employees. BM_RawMonthScan reads the same rows with a bare
// query and is the yardstick for loading. BM_MonthTotalsRefresh is the part of a save that keeps
// 月度合计: the save without the table takes BM_SaveMonth less it, so the table's cost is
// BM_SaveMonth / (BM_SaveMonth - BM_MonthTotalsRefresh), read from the same run.
#include "BenchData.h"

#include "data/AppContext.h"
#include "data/Database.h"
#include "data/MonthlyTotals.h"
#include "entry/MonthRecords.h"

#include <benchmark/benchmark.h>

namespace {
const QString kEmployee = QStringLiteral("E00001");
const kv::YearMonth kMonth{2008, 5};

void BM_RawMonthScan(benchmark::State& state)
{
    kv::Database& db = kv::bench::benchContext().conn();
    for (auto _ : state) {
        kv::Statement st = db.prepare(QStringLiteral("SELECT 日期, 产品, 计量单位, 数量, 金额, 备注, 工价, id FROM "
                                                     "工资流水 WHERE 工号 = ? AND 日期 >= ? AND 日期 < ?"));
        st.bindAll({kEmployee, QStringLiteral("2008-05-01"), QStringLiteral("2008-06-01")});
        int rows = 0;
        while (st.next())
            ++rows;
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK(BM_RawMonthScan)->Unit(benchmark::kMillisecond);

void BM_LoadMonth(benchmark::State& state)
{
    kv::MonthRecords records(kv::bench::benchContext().conn());
    for (auto _ : state) {
        auto production = records.loadProduction(kEmployee, kMonth);
        auto deductions = records.loadDeductions(kEmployee, kMonth);
        if (production.size() != 300 || deductions.size() != 30)
            state.SkipWithError("unexpected month size");
        benchmark::DoNotOptimize(production);
    }
}
BENCHMARK(BM_LoadMonth)->Unit(benchmark::kMillisecond);

void BM_SaveMonth(benchmark::State& state)
{
    kv::MonthRecords records(kv::bench::benchContext().conn());
    kv::MonthTexts sheet{QStringLiteral("2008-5"), kEmployee, QStringLiteral("员工1"),
                         records.loadProduction(kEmployee, kMonth), records.loadDeductions(kEmployee, kMonth)};
    for (auto _ : state)
        records.saveMonth(readMonthSheet(sheet));
}
BENCHMARK(BM_SaveMonth)->Unit(benchmark::kMillisecond);

// What the save does for the sheet's month in 月度合计, in a transaction of its own that is rolled
// back, so the rows stay as the save left them.
void BM_MonthTotalsRefresh(benchmark::State& state)
{
    kv::Database& db = kv::bench::benchContext().conn();
    for (auto _ : state) {
        kv::Transaction tx(db);
        kv::refreshMonthlyTotals(db, kEmployee, kMonth);
    }
}
BENCHMARK(BM_MonthTotalsRefresh)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
