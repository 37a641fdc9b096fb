// Wage statistics of 2,000 and of 8,000 employees over databases holding a year of lines
// (2.40 M and 9.60 M production lines, a tenth as many deduction lines); the year also of 8,000
// and 32,000 employees over files of ten lines per employee and month (see yearShape).
//  - BM_BareTotals sums the period's rows of 月度合计 with the best bare grouped query, the
//    yardstick of the others in the same run: the month a range of its primary key, several
//    months a read of its (工号, 月份, sums) index (and, for the record, the year read through the
//    month range of the key as before that index);
//  - BM_BareSameWork/year does with bare statements what compute() does for a year: the employee
//    list, then the year's exact sums (decimal_sum) through the (工号, 月份) index, both drained
//    in that order, nothing kept; compute() is read against both yardsticks;
//  - BM_RawGroupedScan sums the period's journal lines with two bare grouped queries, a second
//    line for comparison: the window never asks for this;
//  - BM_Statistics is what the window asks for: month, quarter and year from the monthly totals,
//    a day from the journals;
//  - BM_PerEmployeeQueries asks two sums per employee of the month or the year, for all 2,000,
//    over covering (工号, 日期, amount) indexes made for it and dropped after;
//  - BM_WindowRun is the whole " 统 计" command of the window, grid and totals included, and the
//    grid painted; read against BM_Statistics of the same period and size;
//  - BM_WorkerYears is the year of one worker and of all of them (年度汇总); all of them are
//    read against BM_BareYearRows, the employee list and the year's rows of 月度合计 read by the
//    same statements in the same order (ORDER BY 工号), every value read, nothing kept;
//    BM_WorkerYearWindow is the window of all of them, filled, fitted and painted, read against
//    BM_WorkerYears/all.
// Every figure is the CPU time of the whole process (the window reads on a thread of its own
// beyond 100,000 monthly totals); the program prints each ratio after its table (Ratios.h).
// Run on an X display (xvfb-run, QT_QPA_PLATFORM=xcb) as well as offscreen.
// With --peak-memory [EMPLOYEES] the program instead runs a year's statistics in the window over
// 2,000 (or the given number of) employees and prints the peak resident memory (getrusage) and
// the resident memory after.
#include "BenchData.h"
#include "Ratios.h"

#include "data/AppContext.h"
#include "data/Database.h"
#include "data/MonthlyTotals.h"
#include "stats/StatsPeriod.h"
#include "stats/WageStatistics.h"
#include "stats/WageStatisticsWindow.h"
#include "stats/WorkerYear.h"
#include "stats/WorkerYearWindow.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QTabWidget>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using kv::PeriodKind;

kv::AppContext& context(const benchmark::State& state)
{
    return kv::bench::benchContext({.employees = int(state.range(0))});
}

// The year's statistics read the monthly totals only, a row per employee and month however many
// lines a month holds: beyond 2,000 employees the year is measured over files of ten production
// lines and one deduction per employee and month, which hold the same monthly totals and are
// made in minutes instead of hours.
kv::bench::BenchDataShape yearShape(int employees)
{
    if (employees <= 2000)
        return {.employees = employees};
    return {.employees = employees, .linesPerMonth = 10, .deductionsPerMonth = 1};
}

kv::AppContext& yearContext(const benchmark::State& state)
{
    return kv::bench::benchContext(yearShape(int(state.range(0))));
}

// The year's sizes. With --benchmark_repetitions the fastest repetition is reported beside the
// median: on a shared machine it is the steadier figure of what the work itself costs.
void yearSizes(benchmark::internal::Benchmark* b)
{
    b->Arg(2000)->Arg(8000)->Arg(32000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
    b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

kv::DateRange period(PeriodKind kind, const char* text)
{
    return kv::readPeriod(kind, QString::fromUtf8(text)).range;
}

const QString kGroupedProduction =
    QStringLiteral("SELECT 工号, sum(金额) FROM 工资流水 WHERE 日期 >= ? AND 日期 <= ? GROUP BY 工号");
const QString kGroupedDeductions =
    QStringLiteral("SELECT 工号, sum(扣减金额) FROM 扣减流水 WHERE 日期 >= ? AND 日期 <= ? GROUP BY 工号");

// The bare queries on 月度合计: plain sums, each the faster of the two reads for its period.
const QString kTotalsOfMonth =
    QStringLiteral("SELECT 工号, sum(生产金额), sum(扣减) FROM 月度合计 WHERE 月份 >= ? AND 月份 <= ? GROUP BY 工号");
const QString kTotalsOfMonths = QStringLiteral("SELECT 工号, sum(生产金额), sum(扣减) FROM 月度合计 INDEXED BY "
                                               "月度合计_工号_月份 WHERE 月份 >= ? AND 月份 <= ? GROUP BY 工号");

int drain(kv::Database& db, const QString& sql, const QString& first, const QString& last)
{
    kv::Statement st = db.prepare(sql);
    st.bindAll({first, last});
    int rows = 0;
    while (st.next())
        ++rows;
    return rows;
}

// The employee list and the exact sums of several months, as compute() reads them.
const QString kEmployeeList = QStringLiteral("SELECT id, 工号, 姓名, 车间 FROM 员工 ORDER BY id");
const QString kExactTotalsOfMonths =
    QStringLiteral("SELECT 工号, decimal_sum(生产金额), decimal_sum(扣减) FROM 月度合计 INDEXED BY 月度合计_工号_月份 "
                   "WHERE 月份 >= ? AND 月份 <= ? GROUP BY 工号");

int drain(kv::Database& db, const QString& sql, const kv::DateRange& range)
{
    return drain(db, sql, range.first, range.last);
}

void BM_BareTotals(benchmark::State& state, PeriodKind kind, const char* text, bool byMonthKey = false)
{
    kv::Database& db = (kind == PeriodKind::Year ? yearContext(state) : context(state)).conn();
    const kv::DateRange range = period(kind, text);
    const QString first = range.first.left(7);
    const QString last = range.last.left(7);
    const QString& sql = first == last || byMonthKey ? kTotalsOfMonth : kTotalsOfMonths;
    for (auto _ : state) {
        const int rows = drain(db, sql, first, last);
        if (rows != state.range(0))
            state.SkipWithError("unexpected number of employees");
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK_CAPTURE(BM_BareTotals, month, PeriodKind::Month, "2008-5")
    ->Arg(2000)
    ->Arg(8000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_BareTotals, quarter, PeriodKind::Quarter, "2008-2")
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_BareTotals, year, PeriodKind::Year, "2008")->Apply(yearSizes);
// The year read as before the (工号, 月份) index: the month range of the key, then a sort.
BENCHMARK_CAPTURE(BM_BareTotals, year_by_month_key, PeriodKind::Year, "2008", true)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

void BM_BareSameWork(benchmark::State& state, const char* year)
{
    kv::Database& db = yearContext(state).conn();
    const kv::DateRange range = period(PeriodKind::Year, year);
    for (auto _ : state) {
        kv::Statement employees = db.prepare(kEmployeeList);
        int rows = 0;
        while (employees.next())
            ++rows;
        if (rows != state.range(0) || drain(db, kExactTotalsOfMonths, range.first.left(7), range.last.left(7)) != rows)
            state.SkipWithError("unexpected number of employees");
    }
}
BENCHMARK_CAPTURE(BM_BareSameWork, year, "2008")->Apply(yearSizes);

void BM_RawGroupedScan(benchmark::State& state, PeriodKind kind, const char* text)
{
    kv::Database& db = context(state).conn();
    const kv::DateRange range = period(kind, text);
    for (auto _ : state) {
        const int rows = drain(db, kGroupedProduction, range) + drain(db, kGroupedDeductions, range);
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK_CAPTURE(BM_RawGroupedScan, month, PeriodKind::Month, "2008-5")
    ->Arg(2000)
    ->Arg(8000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_RawGroupedScan, year, PeriodKind::Year, "2008")
    ->Arg(2000)
    ->Arg(8000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

void BM_Statistics(benchmark::State& state, PeriodKind kind, const char* text)
{
    kv::WageStatistics stats((kind == PeriodKind::Year ? yearContext(state) : context(state)).conn());
    const kv::DateRange range = period(kind, text);
    for (auto _ : state) {
        const QList<kv::EmployeeWage> wages = stats.compute(kind, range);
        if (wages.size() != state.range(0))
            state.SkipWithError("unexpected number of employees");
        benchmark::DoNotOptimize(wages);
    }
}
BENCHMARK_CAPTURE(BM_Statistics, month, PeriodKind::Month, "2008-5")
    ->Arg(2000)
    ->Arg(8000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_Statistics, quarter, PeriodKind::Quarter, "2008-2")
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_Statistics, year, PeriodKind::Year, "2008")->Apply(yearSizes);
BENCHMARK_CAPTURE(BM_Statistics, day, PeriodKind::Day, "2008-5-17")
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

// Two sum queries per employee, each reading a covering index of its journal.
void BM_PerEmployeeQueries(benchmark::State& state, PeriodKind kind, const char* text)
{
    kv::Database& db = context(state).conn();
    db.execScript(
        QStringLiteral("CREATE INDEX IF NOT EXISTS bench_工资流水_工号_日期_金额 ON 工资流水 (工号, 日期, 金额);"
                       "CREATE INDEX IF NOT EXISTS bench_扣减流水_工号_日期_金额 ON 扣减流水 (工号, 日期, 扣减金额);"));
    int employees = 0;
    {
        const kv::DateRange range = period(kind, text);
        QStringList numbers;
        kv::Statement list = db.prepare(QStringLiteral("SELECT 工号 FROM 员工 ORDER BY id"));
        while (list.next())
            numbers << list.text(0);
        kv::Statement production = db.prepare(
            QStringLiteral("SELECT sum(金额) FROM 工资流水 INDEXED BY bench_工资流水_工号_日期_金额 WHERE 工号 "
                           "= ? AND 日期 >= ? AND 日期 <= ?"));
        kv::Statement deductions =
            db.prepare(QStringLiteral("SELECT sum(扣减金额) FROM 扣减流水 INDEXED BY bench_扣减流水_工号_日期_金额 "
                                      "WHERE 工号 = ? AND 日期 >= ? AND 日期 <= ?"));
        for (auto _ : state) {
            double total = 0;
            for (const QString& number : numbers) {
                for (kv::Statement* st : {&production, &deductions}) {
                    st->bindAll({number, range.first, range.last});
                    if (st->next())
                        total += st->number(0);
                    st->reset();
                }
            }
            benchmark::DoNotOptimize(total);
        }
        employees = int(numbers.size());
    }
    state.counters["employees"] = employees;
    // The program keeps no such index: leave the file as the other benchmarks expect it, at its
    // size too (the pages of the dropped indexes would otherwise stay in it as free pages).
    db.execScript(
        QStringLiteral("DROP INDEX bench_工资流水_工号_日期_金额; DROP INDEX bench_扣减流水_工号_日期_金额; VACUUM;"));
}
BENCHMARK_CAPTURE(BM_PerEmployeeQueries, month, PeriodKind::Month, "2008-5")
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_PerEmployeeQueries, year, PeriodKind::Year, "2008")
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

class WindowRun {
public:
    WindowRun(kv::AppContext& ctx, PeriodKind kind, const char* text) : m_window(ctx)
    {
        m_window.show(); // at the size it opens with
        kv::ui::setResponder([this](const kv::ui::BoxRequest&) {
            ++m_boxes;
            return kv::ui::Answer::Ok;
        });
        m_window.findChild<QTabWidget*>(QStringLiteral("C1Tab1"))->setCurrentIndex(int(kind));
        m_window.findChild<QComboBox*>(QStringLiteral("Text2_%1").arg(int(kind)))->setEditText(QString::fromUtf8(text));
    }
    ~WindowRun() { kv::ui::setResponder({}); }
    // The run, and the grid painted on the screen at once.
    bool run(int employees)
    {
        if (!m_window.runStatistics() || m_window.grid()->rows() != employees + 2 || m_boxes)
            return false;
        m_window.grid()->repaint();
        return true;
    }

private:
    kv::WageStatisticsWindow m_window;
    int m_boxes = 0;
};

// The window's run: statistics, a grid row per employee, fitted columns and the totals row, and
// the grid painted.
void BM_WindowRun(benchmark::State& state, PeriodKind kind, const char* text)
{
    WindowRun window(kind == PeriodKind::Year ? yearContext(state) : context(state), kind, text);
    for (auto _ : state) {
        if (!window.run(int(state.range(0))))
            state.SkipWithError("the run failed");
    }
}
BENCHMARK_CAPTURE(BM_WindowRun, month, PeriodKind::Month, "2008-5")
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_WindowRun, year, PeriodKind::Year, "2008")->Apply(yearSizes);

// 年度汇总: the twelve months of one worker, and of every worker, from the monthly totals; read
// against BM_BareTotals/year of the same size.
void BM_WorkerYears(benchmark::State& state, bool everybody)
{
    kv::Database& db = yearContext(state).conn();
    QList<qint64> ids;
    kv::Statement st = db.prepare(QStringLiteral("SELECT id FROM 员工 ORDER BY id"));
    while (st.next())
        ids << st.integer(0);
    if (!everybody)
        ids = ids.mid(ids.size() / 2, 1);
    for (auto _ : state) {
        const QList<kv::WorkerYear> years = kv::workerYears(db, 2008, ids);
        if (years.size() != ids.size())
            state.SkipWithError("unexpected number of workers");
        benchmark::DoNotOptimize(years);
    }
}
BENCHMARK_CAPTURE(BM_WorkerYears, one, false)
    ->Arg(2000)
    ->Arg(8000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_WorkerYears, all, true)->Apply(yearSizes);

// The yardstick of 年度汇总 of all workers: the same two statements in the same order, each value
// read as the program reads it (number and month as bytes, the sums as exact decimals), nothing
// kept.
void BM_BareYearRows(benchmark::State& state)
{
    kv::Database& db = yearContext(state).conn();
    const QString rows = QStringLiteral("SELECT 工号, 月份, 生产金额, 扣减 FROM 月度合计 WHERE %1 BETWEEN ? AND ? "
                                        "ORDER BY 工号")
                             .arg(kv::monthsByEmployeeTerm(db));
    for (auto _ : state) {
        kv::Statement employees = db.prepare(QStringLiteral("SELECT id, 工号, 姓名 FROM 员工"));
        qint64 checksum = 0;
        int count = 0;
        while (employees.next()) {
            checksum += employees.integer(0) + employees.text(1).size() + employees.text(2).size();
            ++count;
        }
        kv::Statement st = db.prepare(rows);
        st.bindAll({QStringLiteral("2008-01"), QStringLiteral("2008-12")});
        while (st.next())
            checksum += st.utf8(0).size() + st.utf8(1).size() + st.decimal(2).units() + st.decimal(3).units();
        if (count != state.range(0))
            state.SkipWithError("unexpected number of employees");
        benchmark::DoNotOptimize(checksum);
    }
}
BENCHMARK(BM_BareYearRows)->Apply(yearSizes);

// The window of the year of every worker, thirteen grid rows each, painted.
void BM_WorkerYearWindow(benchmark::State& state)
{
    kv::AppContext& ctx = yearContext(state);
    QList<kv::PayDue> employees;
    kv::Statement st = ctx.conn().prepare(QStringLiteral("SELECT id, 工号, 姓名 FROM 员工 ORDER BY id"));
    while (st.next())
        employees.append({st.integer(0), st.text(1), st.text(2), {}});
    for (auto _ : state) {
        kv::WorkerYearWindow window(ctx, employees, 2008, 0);
        window.show();
        if (window.grid()->rows() != employees.size() * 13 + 2 || window.grid()->grab().isNull())
            state.SkipWithError("unexpected grid");
    }
}
BENCHMARK(BM_WorkerYearWindow)->Apply(yearSizes);

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A year's run in the window, on a database made beforehand.
int peakMemory(int employees)
{
    kv::AppContext& ctx = kv::bench::benchContext(yearShape(employees));
    std::printf("before the run: resident %ld KiB, peak %ld KiB\n", residentKiB(), peakKiB());
    {
        WindowRun window(ctx, PeriodKind::Year, "2008");
        if (!window.run(employees)) {
            std::fprintf(stderr, "the run failed\n");
            return 1;
        }
        std::printf("after the run: resident %ld KiB, peak %ld KiB\n", residentKiB(), peakKiB());
    }
    std::printf("window closed: resident %ld KiB\n", residentKiB());
    return 0;
}

// Which index each grouped query reads, for the record.
void printPlans()
{
    for (const QString& sql : {kTotalsOfMonth, kTotalsOfMonths, kGroupedProduction, kGroupedDeductions}) {
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
    if (argc > 1 && std::strcmp(argv[1], "--peak-memory") == 0) {
        const int employees = argc > 2 ? std::atoi(argv[2]) : 2000;
        if (employees < 1) {
            std::fprintf(stderr, "usage: %s --peak-memory [EMPLOYEES]\n", argv[0]);
            return 2;
        }
        return peakMemory(employees);
    }
    printPlans();
    using kv::bench::ratiosAtSizes;
    const std::vector<int> sizes{2000, 8000, 32000};
    std::vector<kv::bench::Ratio> ratios;
    for (const auto& pairs : {ratiosAtSizes("BM_Statistics/year", "BM_BareTotals/year", sizes),
                              ratiosAtSizes("BM_Statistics/year", "BM_BareSameWork/year", sizes),
                              ratiosAtSizes("BM_WindowRun/year", "BM_Statistics/year", sizes),
                              ratiosAtSizes("BM_WorkerYears/all", "BM_BareYearRows", sizes),
                              ratiosAtSizes("BM_WorkerYearWindow", "BM_WorkerYears/all", sizes),
                              ratiosAtSizes("BM_WorkerYearWindow", "BM_BareYearRows", sizes),
                              ratiosAtSizes("BM_Statistics/month", "BM_BareTotals/month", {2000, 8000}),
                              ratiosAtSizes("BM_WindowRun/month", "BM_Statistics/month", {2000})})
        ratios.insert(ratios.end(), pairs.begin(), pairs.end());
    return kv::bench::runWithRatios(argc, argv, ratios);
}
