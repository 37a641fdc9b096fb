// Shows the charts of the statistics over a year of data shaped like the benchmark's (2,000
// employees, every month of 2008), in six workshops, for looking at them on screen. Not a test.
//   stats_chartdemo [0|1|2]   (the chart tab to show: trend, workshops, top employees)
#include "GuiDriver.h"
#include "TestDb.h"
#include "data/Database.h"
#include "data/MonthlyTotals.h"
#include "data/TextRules.h"
#include "stats/StatsChartWindow.h"
#include "stats/WageStatisticsWindow.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTimer>

using namespace kv;

namespace {
void seed(Database& db)
{
    const QStringList workshops{"一车间", "二车间", "三车间", "包装车间", "注塑车间", "质检"};
    QRandomGenerator rng(2008);
    Transaction tx(db);
    for (const QString& workshop : workshops)
        db.exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES (?)"), {workshop});
    Statement emp = db.prepare(QStringLiteral("INSERT INTO 员工 (工号, 姓名, 车间) VALUES (?, ?, ?)"));
    Statement line = db.prepare(
        QStringLiteral("INSERT INTO 工资流水 (工号, 日期, 产品, 计量单位, 数量, 工价, 金额) VALUES (?, ?, '外壳', '个', ?, 1.25, ?)"));
    Statement ded =
        db.prepare(QStringLiteral("INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES (?, ?, '住宿费', ?)"));
    for (int e = 1; e <= 2000; ++e) {
        const QString no = QStringLiteral("E%1").arg(e, 5, 10, QLatin1Char('0'));
        emp.bindAll({no, QStringLiteral("员工%1").arg(e), workshops.at(e % workshops.size())});
        emp.run();
        emp.reset();
        // Busier in spring and autumn, as orders come.
        for (int m = 1; m <= 12; ++m) {
            const int lines = 6 + (m == 2 ? -3 : 0) + (m >= 9 && m <= 11 ? 3 : 0);
            for (int i = 0; i < lines; ++i) {
                const int qty = 20 + int(rng.bounded(120)) + (e % 97 == 0 ? 200 : 0);
                line.bindAll({no, isoDate(QDate(2008, m, 1 + i * 3 % 28)), qty, qty * 1.25});
                line.run();
                line.reset();
            }
            ded.bindAll({no, isoDate(QDate(2008, m, 28)), 80 + int(rng.bounded(3)) * 20});
            ded.run();
            ded.reset();
        }
    }
    rebuildMonthlyTotals(db);
    tx.commit();
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const int tab = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 0;

    TestApp testApp(QDate(2008, 12, 20));
    seed(testApp.db());
    WageStatisticsWindow stats(testApp.ctx());
    stats.resize(1000, 640);
    stats.show();
    QTimer::singleShot(200, [&] {
        GuiDriver gui(&stats);
        gui.click(QStringLiteral("Command5"));
        gui.click(QStringLiteral("图表"));
        if (auto* charts = stats.findChild<StatsChartWindow*>()) {
            charts->findChild<QTabWidget*>(QStringLiteral("chartTabs"))->setCurrentIndex(tab);
            charts->resize(1200, 760);
            charts->move(20, 10);
        }
    });
    return app.exec();
}
