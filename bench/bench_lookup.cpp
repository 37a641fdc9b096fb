// The item look-up of the entry window over 10,000 products: one keystroke is reading the
// catalog's change counter, filtering the products in memory and showing the matches in the
// popup, painted. "p" matches every product (as the first keystroke of a number does), "1" a
// broad part of them, "p0012" a handful.
#include "BenchData.h"
#include "GuiBenchMain.h"

#include "data/AppContext.h"
#include "entry/ItemCatalog.h"
#include "entry/LookupPopup.h"

#include <QTableView>


namespace {

constexpr kv::bench::BenchDataShape kShape{.employees = 1, .months = 0, .products = 10000};

void BM_LookupKeystroke(benchmark::State& state, const char* typed)
{
    kv::AppContext& ctx = kv::bench::benchContext(kShape);
    QWidget window;
    window.resize(800, 600);
    auto* popup = new kv::LookupPopup(&window);
    window.show();
    popup->show();
    kv::ItemCatalog catalog(kv::LookupKind::Product);
    catalog.refresh(ctx.conn()); // read once, as the window's first look-up does
    const QString text = QString::fromUtf8(typed);
    int matches = 0;
    for (auto _ : state) {
        catalog.refresh(ctx.conn());
        popup->showMatches(catalog, catalog.matches(text));
        popup->view()->viewport()->repaint();
        matches = popup->matchCount();
    }
    state.counters["matches"] = matches;
}
BENCHMARK_CAPTURE(BM_LookupKeystroke, first, "p")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LookupKeystroke, broad, "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LookupKeystroke, narrow, "p0012")->Unit(benchmark::kMillisecond);

// Reading the 10,000 products again, as after a change to them.
void BM_CatalogReload(benchmark::State& state)
{
    kv::AppContext& ctx = kv::bench::benchContext(kShape);
    for (auto _ : state) {
        kv::ItemCatalog catalog(kv::LookupKind::Product);
        catalog.refresh(ctx.conn());
        benchmark::DoNotOptimize(catalog.rows().size());
    }
}
BENCHMARK(BM_CatalogReload)->Unit(benchmark::kMillisecond);
} // namespace

KV_GUI_BENCHMARK_MAIN()
