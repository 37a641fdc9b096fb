// Wage statistics of 2,000 employees over a database holding a year of lines (2.64 M production
// and 264,000 deduction lines). BM_RawGroupedScan sums the same rows with two bare grouped
// queries and is the yardstick; BM_PerEmployeeQueries asks two sums per employee, on a slice of
// 200 employees; BM_WindowRun is the whole " 统 计" command of the window, grid and totals
// included.
#include "BenchData.h"

#include "data/AppContext.h"
#include "data/Database.h"
#include "stats/StatsPeriod.h"
#include "stats/WageStatistics.h"
#include "stats/WageStatisticsWindow.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QTabWidget>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

kv::DateRange period(kv::PeriodKind kind, const char* text)
{
    return kv::readPeriod(kind, QString::fromUtf8(text)).range;
}

const QString kGroupedProduction =
    QStringLiteral("SELECT 工号, sum(金额) FROM 工资流水 WHERE 日期 >= ? AND 日期 <= ? GROUP BY 工号");
const QString kGroupedDeductions =
    QStringLiteral("SELECT 工号, sum(扣减金额) FROM 扣减流水 WHERE 日期 >= ? AND 日期 <= ? GROUP BY 工号");

int drain(kv::Database& db, const QString& sql, const kv::DateRange& range)
{
    kv::Statement st = db.prepare(sql);
    st.bindAll({range.first, range.last});
    int rows = 0;
    while (st.next())
        ++rows;
    return rows;
}

void BM_RawGroupedScan(benchmark::State& state, kv::DateRange range)
{
    kv::Database& db = kv::bench::benchContext().conn();
    for (auto _ : state) {
        const int rows = drain(db, kGroupedProduction, range) + drain(db, kGroupedDeductions, range);
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK_CAPTURE(BM_RawGroupedScan, month, period(kv::PeriodKind::Month, "2008-5"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RawGroupedScan, year, period(kv::PeriodKind::Year, "2008"))->Unit(benchmark::kMillisecond);

void BM_Statistics(benchmark::State& state, kv::DateRange range)
{
    kv::WageStatistics stats(kv::bench::benchContext().conn());
    for (auto _ : state) {
        const QList<kv::EmployeeWage> wages = stats.compute(range);
        if (wages.size() != 2000)
            state.SkipWithError("unexpected number of employees");
        benchmark::DoNotOptimize(wages);
    }
}
BENCHMARK_CAPTURE(BM_Statistics, month, period(kv::PeriodKind::Month, "2008-5"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Statistics, year, period(kv::PeriodKind::Year, "2008"))->Unit(benchmark::kMillisecond);

// Two sum queries per employee, for the first 200 employees.
void BM_PerEmployeeQueries(benchmark::State& state)
{
    constexpr int kSlice = 200;
    kv::Database& db = kv::bench::benchContext().conn();
    const kv::DateRange range = period(kv::PeriodKind::Month, "2008-5");
    QStringList numbers;
    kv::Statement list = db.prepare(QStringLiteral("SELECT 工号 FROM 员工 ORDER BY id LIMIT ?"));
    list.bind(1, kSlice);
    while (list.next())
        numbers << list.text(0);
    for (auto _ : state) {
        double total = 0;
        for (const QString& number : numbers) {
            total +=
                db.scalar(QStringLiteral("SELECT sum(金额) FROM 工资流水 WHERE 工号 = ? AND 日期 >= ? AND 日期 <= ?"),
                          {number, range.first, range.last})
                    .toDouble();
            total -= db.scalar(QStringLiteral(
                                   "SELECT sum(扣减金额) FROM 扣减流水 WHERE 工号 = ? AND 日期 >= ? AND 日期 <= ?"),
                               {number, range.first, range.last})
                         .toDouble();
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["employees"] = kSlice;
}
BENCHMARK(BM_PerEmployeeQueries)->Unit(benchmark::kMillisecond);

// The window's run: statistics, 2,000 grid rows, fitted columns and the totals row.
void BM_WindowRun(benchmark::State& state)
{
    int boxes = 0;
    kv::ui::setResponder([&](const kv::ui::BoxRequest&) {
        ++boxes;
        return kv::ui::Answer::Ok;
    });
    kv::WageStatisticsWindow window(kv::bench::benchContext());
    window.findChild<QComboBox*>(QStringLiteral("Text2_0"))->setEditText(QStringLiteral("2008-5"));
    for (auto _ : state) {
        if (!window.runStatistics() || window.grid()->rows() != 2002)
            state.SkipWithError("the run failed");
    }
    kv::ui::setResponder({});
    if (boxes > 0)
        state.SkipWithError("a message box came up");
}
BENCHMARK(BM_WindowRun)->Unit(benchmark::kMillisecond);

// Which index each grouped query reads, for the record.
void printPlans()
{
    for (const QString& sql : {kGroupedProduction, kGroupedDeductions}) {
        kv::Statement st = kv::bench::benchContext().conn().prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
        st.bindAll({QStringLiteral("2008-05-01"), QStringLiteral("2008-05-31")});
        while (st.next())
            std::fprintf(stderr, "plan: %s\n", qPrintable(st.text(st.columnCount() - 1)));
    }
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    printPlans();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
