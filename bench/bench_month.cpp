// Loading and saving one employee's month (300 production and 30 deduction lines) in a database
// holding a year of lines for 2,000 employees. BM_BareMonthRows is the yardstick for loading: the
// same two statements in the same order (ORDER BY 日期), every value read as text, nothing kept. BM_MonthTotalsRefresh
// is the part of a save that keeps 月度合计: the save without the table takes BM_SaveMonth less it, so the table's cost
// is BM_SaveMonth / (BM_SaveMonth - BM_MonthTotalsRefresh), read from the same run.
#include "BenchData.h"
#include "Ratios.h"

#include "data/AppContext.h"
#include "data/Database.h"
#include "data/MonthlyTotals.h"
#include "entry/MonthRecords.h"

#include <benchmark/benchmark.h>

namespace {
const QString kEmployee = QStringLiteral("E00001");
const kv::YearMonth kMonth{2008, 5};

void BM_BareMonthRows(benchmark::State& state)
{
    kv::Database& db = kv::bench::benchContext().conn();
    const QVariantList bounds{kEmployee, QStringLiteral("2008-05-01"), QStringLiteral("2008-06-01")};
    for (auto _ : state) {
        qsizetype characters = 0;
        int rows = 0;
        for (const QString& sql :
             {QStringLiteral("SELECT 日期, 产品, 计量单位, 数量, 金额, 备注, 工价, id, 产品编号, 菲票号 FROM 工资流水 "
                             "WHERE 工号 = ? AND 日期 >= ? AND 日期 < ? ORDER BY 日期"),
              QStringLiteral("SELECT 日期, 扣减项目, 扣减金额, 扣减项目编号 FROM 扣减流水 "
                             "WHERE 工号 = ? AND 日期 >= ? AND 日期 < ? ORDER BY 日期")}) {
            kv::Statement st = db.prepare(sql);
            st.bindAll(bounds);
            while (st.next()) {
                for (int c = 0; c < st.columnCount(); ++c)
                    characters += st.text(c).size();
                ++rows;
            }
        }
        if (rows != 330)
            state.SkipWithError("unexpected month size");
        benchmark::DoNotOptimize(characters);
    }
}
BENCHMARK(BM_BareMonthRows)->Unit(benchmark::kMillisecond);

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

int main(int argc, char** argv)
{
    return kv::bench::runWithRatios(argc, argv,
                                    {{"BM_LoadMonth", "BM_BareMonthRows"}, {"BM_MonthTotalsRefresh", "BM_SaveMonth"}});
}
