// Importing 10,000 products from a workbook: reading the file, checking every row against the
// add dialog's rules and the stored numbers, and showing the preview dialog with all rows, as a
// user waits for it after choosing the file. Storing the rows runs under a progress bar and is
// measured separately.
#include "BenchData.h"
#include "GuiBenchMain.h"

#include "data/AppContext.h"
#include "data/Database.h"
#include "master/ImportDialog.h"
#include "master/ImportFile.h"
#include "master/MasterImport.h"

#include <QDir>
#include <QTemporaryDir>

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

void BM_ReadWorkbook(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(kv::readImportFile(priceList()).rows.size());
}
BENCHMARK(BM_ReadWorkbook)->Unit(benchmark::kMillisecond);

// Reading, checking and the dialog with its grid filled: the wait after choosing the file.
void BM_PreviewShown(benchmark::State& state)
{
    kv::AppContext& ctx = kv::bench::benchContext(kShape);
    qsizetype rows = 0;
    for (auto _ : state) {
        const kv::SourceSheet sheet = kv::readImportFile(priceList());
        kv::ImportPreview preview = kv::MasterImport(ctx.conn(), kv::MasterKind::Product).preview(sheet.rows);
        rows = preview.rows.size();
        kv::ImportDialog dialog(ctx, kv::MasterKind::Product, priceList(), std::move(preview));
        dialog.show();
        QApplication::processEvents();
    }
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_PreviewShown)->Unit(benchmark::kMillisecond);

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

KV_GUI_BENCHMARK_MAIN()
