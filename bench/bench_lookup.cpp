// The item look-up of the entry window over 10,000 products: one keystroke is reading the
// catalog's change counter, filtering the products in memory and showing the matches in the
// popup, painted. "p" matches every product (as the first keystroke of a number does), "1" a
// broad part of them, "p0012" a handful.
// The name box of the entry window over 32,000 employees: one keystroke is finding the employees
// whose name holds the text and showing them in the candidate list, painted; read against the
// bare query reading the same rows. "员" matches all of them, "员工31" 1,111, "员工3199" 11.
#include "BenchData.h"
#include "GuiBenchMain.h"

#include "data/AppContext.h"
#include "data/Database.h"
#include "entry/EmployeeFinder.h"
#include "entry/EmployeeSelection.h"
#include "entry/ItemCatalog.h"
#include "entry/LookupPopup.h"

#include <QTableView>


namespace {

constexpr kv::bench::BenchDataShape kShape{.employees = 1, .months = 0, .products = 10000};

// A shown window of about the entry window's size, for the control measured.
class HostWindow : public QWidget {
public:
    HostWindow()
    {
        resize(800, 600);
        show();
    }
};

void BM_LookupKeystroke(benchmark::State& state, const char* typed)
{
    kv::AppContext& ctx = kv::bench::benchContext(kShape);
    HostWindow window;
    auto* popup = new kv::LookupPopup(&window);
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

// The 32,000 employees of the year's statistics benchmark (the file is shared with it).
constexpr kv::bench::BenchDataShape kEmployees{.employees = 32000, .linesPerMonth = 10, .deductionsPerMonth = 1};

void BM_NameKeystroke(benchmark::State& state, const char* typed)
{
    kv::AppContext& ctx = kv::bench::benchContext(kEmployees);
    HostWindow window;
    auto* list = new kv::CandidateList(&window);
    list->setGeometry(80, 30, 200, 160);
    list->show();
    const QString text = QString::fromUtf8(typed);
    for (auto _ : state) {
        list->setCandidates(kv::EmployeeFinder(ctx.conn()).nameContains(text));
        list->viewport()->repaint();
    }
    state.counters["matches"] = list->count();
}
BENCHMARK_CAPTURE(BM_NameKeystroke, all, "员")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NameKeystroke, broad, "员工31")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NameKeystroke, narrow, "员工3199")->Unit(benchmark::kMillisecond);

// The yardstick: the same rows read by the bare query, every column as text.
void BM_BareNameQuery(benchmark::State& state, const char* typed)
{
    kv::Database& db = kv::bench::benchContext(kEmployees).conn();
    const QString pattern = u'%' + QString::fromUtf8(typed) + u'%';
    int rows = 0;
    for (auto _ : state) {
        kv::Statement st = db.prepare(
            QStringLiteral("SELECT id, 工号, 姓名, 车间, 工种 FROM 员工 WHERE 姓名 LIKE ? ESCAPE '\\' ORDER BY id"));
        st.bindAll({pattern});
        rows = 0;
        while (st.next()) {
            benchmark::DoNotOptimize(st.integer(0));
            for (int c = 1; c < 5; ++c)
                benchmark::DoNotOptimize(st.utf8(c).size());
            ++rows;
        }
    }
    state.counters["matches"] = rows;
}
BENCHMARK_CAPTURE(BM_BareNameQuery, all, "员")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BareNameQuery, broad, "员工31")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BareNameQuery, narrow, "员工3199")->Unit(benchmark::kMillisecond);

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
