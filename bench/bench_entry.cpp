// The entry window at 2,000 and 32,000 employees: loading one employee's month (300 production
// and 30 deduction lines) into its grids, painted, and saving it by its 保存 button, read against
// the core's work on the same month (MonthRecords: the two loads; the save of the month read from
// the same texts). Every figure is the CPU time of the whole process; the program prints each
// ratio after its table. Run on an X display (xvfb-run, QT_QPA_PLATFORM=xcb) as well as offscreen.
#include "BenchData.h"
#include "Ratios.h"
#include "data/AppContext.h"
#include "entry/MonthRecords.h"
#include "entry/WageEntryWindow.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QPushButton>

#include <benchmark/benchmark.h>

namespace {
const QString kEmployee = QStringLiteral("E00001");
const QString kMonthText = QStringLiteral("2008-5");
const kv::YearMonth kMonth{2008, 5};

// The files of the statistics benchmark: 2,000 employees with a hundred lines a month, 32,000 with
// ten; E00001 has 300 production and 30 deduction lines in 2008-5 in both.
kv::AppContext& context(const benchmark::State& state)
{
    const int employees = int(state.range(0));
    if (employees <= 2000)
        return kv::bench::benchContext({.employees = employees});
    return kv::bench::benchContext({.employees = employees, .linesPerMonth = 10, .deductionsPerMonth = 1});
}

void sizes(benchmark::internal::Benchmark* b)
{
    b->Arg(2000)->Arg(32000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
}

void BM_CoreLoad(benchmark::State& state)
{
    kv::MonthRecords records(context(state).conn());
    for (auto _ : state) {
        const auto production = records.loadProduction(kEmployee, kMonth);
        const auto deductions = records.loadDeductions(kEmployee, kMonth);
        if (production.size() != 300 || deductions.size() != 30)
            state.SkipWithError("unexpected month size");
    }
}
BENCHMARK(BM_CoreLoad)->Apply(sizes);

// The window on E00001, shown at its size, every message box answered OK (and counted).
class EntryWindow {
public:
    explicit EntryWindow(kv::AppContext& ctx) : m_window(ctx, nullptr, kEmployee, kMonthText)
    {
        m_window.show();
        kv::ui::setResponder([this](const kv::ui::BoxRequest& box) {
            m_boxes << box.text;
            return kv::ui::Answer::Ok;
        });
        m_window.openEmployee();
    }
    ~EntryWindow() { kv::ui::setResponder({}); }

    // The month loaded into the grids, which are painted.
    bool load()
    {
        m_window.loadMonth(kMonthText);
        const auto grids = m_window.findChildren<kv::ui::DataGrid*>();
        for (kv::ui::DataGrid* grid : grids)
            grid->repaint();
        return grids.size() >= 2 && grids.first()->rows() > 300 && m_boxes.isEmpty();
    }
    // 保存 clicked: the lines read from the grids, checked, stored and the grids painted.
    bool save()
    {
        m_window.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        for (kv::ui::DataGrid* grid : m_window.findChildren<kv::ui::DataGrid*>())
            grid->repaint();
        const bool saved = m_boxes == QStringList{QStringLiteral("保存成功！")};
        m_boxes.clear();
        return saved && !m_window.hasUnsavedChanges();
    }

private:
    kv::WageEntryWindow m_window;
    QStringList m_boxes;
};

void BM_WindowLoad(benchmark::State& state)
{
    EntryWindow window(context(state));
    for (auto _ : state) {
        if (!window.load())
            state.SkipWithError("the month did not load");
    }
}
BENCHMARK(BM_WindowLoad)->Apply(sizes);

void BM_CoreSave(benchmark::State& state)
{
    kv::MonthRecords records(context(state).conn());
    const kv::MonthTexts sheet{kMonthText, kEmployee, QStringLiteral("员工1"),
                               records.loadProduction(kEmployee, kMonth), records.loadDeductions(kEmployee, kMonth)};
    for (auto _ : state)
        records.saveMonth(readMonthSheet(sheet));
}
BENCHMARK(BM_CoreSave)->Apply(sizes);

void BM_WindowSave(benchmark::State& state)
{
    EntryWindow window(context(state));
    if (!window.load())
        state.SkipWithError("the month did not load");
    for (auto _ : state) {
        if (!window.save())
            state.SkipWithError("the save failed");
    }
}
BENCHMARK(BM_WindowSave)->Apply(sizes);
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    using kv::bench::ratiosAtSizes;
    std::vector<kv::bench::Ratio> ratios = ratiosAtSizes("BM_WindowLoad", "BM_CoreLoad", {2000, 32000});
    for (const auto& r : ratiosAtSizes("BM_WindowSave", "BM_CoreSave", {2000, 32000}))
        ratios.push_back(r);
    return kv::bench::runWithRatios(argc, argv, ratios);
}
