// Importing 10,000 products from a workbook. The program reads the file in a process of its own
// (`kelvaro --read-workbook FILE`, ImportReader.h), so every figure here is the CPU time of this
// process and of its children together (getrusage), set as the iteration's time:
//  - BM_ReadInProcess reads the workbook in this process with the same readers: the yardstick of
//    the reading;
//  - BM_ReadApart reads it as the program does, in the program started as a reader;
//  - BM_CheckedApart reads it apart and checks every row against the add dialog's rules and the
//    stored numbers (MasterImport::preview): the yardstick of the preview;
//  - BM_PreviewShown is what a user waits for after choosing the file: the same, and the preview
//    dialog shown with all rows.
// Storing the rows runs under a progress bar and is measured separately (BM_Store). The program
// prints each ratio after its table.
#include "BenchData.h"
#include "Ratios.h"

#include "data/AppContext.h"
#include "data/Database.h"
#include "master/ImportDialog.h"
#include "master/ImportFile.h"
#include "master/ImportReader.h"
#include "master/MasterImport.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <xlsxwriter.h>

namespace {

constexpr int kRows = 10000;
constexpr kv::bench::BenchDataShape kShape{.employees = 1, .months = 0, .products = 0};

// 10,000 products with numbers, descriptions, units and prices, as a factory's price list.
const QString& priceList()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath(QStringLiteral("产品工价.xlsx"));
        lxw_workbook* book = workbook_new(file.toUtf8().constData());
        lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
        const char* headers[] = {"产品编号", "产品说明", "计量单位", "工价", "备注"};
        for (lxw_col_t c = 0; c < 5; ++c)
            worksheet_write_string(sheet, 0, c, headers[c], nullptr);
        for (lxw_row_t r = 1; r <= kRows; ++r) {
            worksheet_write_string(sheet, r, 0, QStringLiteral("CP%1").arg(r, 5, 10, QChar(u'0')).toUtf8().constData(),
                                   nullptr);
            worksheet_write_string(sheet, r, 1, QStringLiteral("外壳组件%1号").arg(r).toUtf8().constData(), nullptr);
            worksheet_write_string(sheet, r, 2, r % 3 ? "件" : "套", nullptr);
            worksheet_write_number(sheet, r, 3, 0.05 * (r % 200) + 0.35, nullptr);
        }
        workbook_close(book);
        return file;
    }();
    return path;
}

// CPU seconds of this process and of its children that have ended, user and system.
double wholeCpu()
{
    double seconds = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        seconds += double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return seconds;
}

// Runs `work` once per iteration and sets the iteration's time to the CPU it took, children
// included; `work` returns the rows it ended with.
template <typename Work> void timedByCpu(benchmark::State& state, Work work)
{
    qsizetype rows = 0;
    for (auto _ : state) {
        const double before = wholeCpu();
        rows = work();
        state.SetIterationTime(wholeCpu() - before);
    }
    if (rows != kRows)
        state.SkipWithError("unexpected number of rows");
}

void cpuTimed(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)->UseManualTime();
}

void BM_ReadInProcess(benchmark::State& state)
{
    // The caption row aside.
    timedByCpu(state, [] { return kv::readImportFile(priceList()).rows.size() - 1; });
}
BENCHMARK(BM_ReadInProcess)->Apply(cpuTimed);

void BM_ReadApart(benchmark::State& state)
{
    timedByCpu(state, [] { return kv::readImportFileApart(priceList(), QStringLiteral(KV_PROGRAM)).rows.size() - 1; });
}
BENCHMARK(BM_ReadApart)->Apply(cpuTimed);

void BM_CheckedApart(benchmark::State& state)
{
    kv::AppContext& ctx = kv::bench::benchContext(kShape);
    timedByCpu(state, [&] {
        const kv::SourceSheet sheet = kv::readImportFileApart(priceList(), QStringLiteral(KV_PROGRAM));
        return kv::MasterImport(ctx.conn(), kv::MasterKind::Product).preview(sheet.rows).rows.size();
    });
}
BENCHMARK(BM_CheckedApart)->Apply(cpuTimed);

// Reading apart, checking and the dialog with its grid filled: the wait after choosing the file.
void BM_PreviewShown(benchmark::State& state)
{
    kv::AppContext& ctx = kv::bench::benchContext(kShape);
    timedByCpu(state, [&] {
        const kv::SourceSheet sheet = kv::readImportFileApart(priceList(), QStringLiteral(KV_PROGRAM));
        kv::ImportPreview preview = kv::MasterImport(ctx.conn(), kv::MasterKind::Product).preview(sheet.rows);
        const qsizetype rows = preview.rows.size();
        kv::ImportDialog dialog(ctx, kv::MasterKind::Product, priceList(), std::move(preview));
        dialog.show();
        QApplication::processEvents();
        return rows;
    });
}
BENCHMARK(BM_PreviewShown)->Apply(cpuTimed);

// Storing the 10,000 rows in one transaction (emptied again outside the timing).
void BM_Store(benchmark::State& state)
{
    kv::AppContext& ctx = kv::bench::benchContext(kShape);
    const kv::SourceSheet sheet = kv::readImportFile(priceList());
    for (auto _ : state) {
        state.PauseTiming();
        ctx.conn().exec(QStringLiteral("DELETE FROM 产品工价"));
        const kv::ImportPreview preview = kv::MasterImport(ctx.conn(), kv::MasterKind::Product).preview(sheet.rows);
        state.ResumeTiming();
        benchmark::DoNotOptimize(
            kv::MasterImport(ctx.conn(), kv::MasterKind::Product).store(preview, kv::ExistingRows::Skip));
    }
}
BENCHMARK(BM_Store)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return kv::bench::runWithRatios(argc, argv,
                                    {{"BM_ReadApart", "BM_ReadInProcess", kv::bench::Figure::Manual},
                                     {"BM_PreviewShown", "BM_CheckedApart", kv::bench::Figure::Manual},
                                     {"BM_CheckedApart", "BM_ReadApart", kv::bench::Figure::Manual}});
}
