#include "GuiDriver.h"
#include "ScriptedBoxes.h"
#include "TestDb.h"
#include "data/MonthlyTotals.h"
#include "stats/ChartData.h"
#include "stats/StatsChartWindow.h"
#include "stats/WageStatisticsWindow.h"
#include "ui/DataGrid.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHorizontalBarSeries>
#include <QLineSeries>
#include <QTabWidget>
#include <QTest>

#include <algorithm>

using namespace kv;

namespace {
// 25 employees in two workshops and one without, with lines in May 2008 and a few other months.
void seed(Database& db)
{
    db.exec("INSERT INTO 车间 (车间) VALUES ('二车间'), ('一车间')");
    for (int i = 1; i <= 25; ++i) {
        const QString workshop = i <= 10 ? "一车间" : i <= 20 ? "二车间" : "";
        db.exec("INSERT INTO 员工 (id, 工号, 姓名, 车间) VALUES (?, ?, ?, ?)",
                {i, QString("%1").arg(i, 3, 10, QChar('0')), QString("员工%1").arg(i), workshop});
        // Employee 25 produced nothing in May; the others i × 10.5, so 24 is the highest.
        if (i < 25)
            db.exec("INSERT INTO 工资流水 (工号, 日期, 产品, 金额) VALUES (?, '2008-05-07', '外壳', ?)",
                    {QString("%1").arg(i, 3, 10, QChar('0')), i * 10.5});
    }
    db.exec("INSERT INTO 工资流水 (工号, 日期, 产品, 金额) VALUES ('001', '2008-03-31', '外壳', 40), "
            "('002', '2007-06-01', '外壳', 99), ('003', '2007-05-31', '外壳', 1000)");
    db.exec("INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES ('001', '2008-05-09', '罚款', 30), "
            "('025', '2008-03-02', '罚款', 50)");
    rebuildMonthlyTotals(db);
}

Decimal sumOf(const QList<EmployeeWage>& rows, Decimal EmployeeWage::*field)
{
    Decimal sum;
    for (const EmployeeWage& r : rows)
        sum += r.*field;
    return sum;
}

Decimal dec(const char* text)
{
    return *Decimal::parse(QString::fromUtf8(text));
}
} // namespace

class TestCharts : public QObject {
    Q_OBJECT
private slots:
    void seriesAreTheStatisticsSums()
    {
        TestApp app;
        seed(app.db());
        const DateRange may = dateRange(QDate(2008, 5, 1), QDate(2008, 5, 31));
        const ChartData data = chartData(app.db(), PeriodKind::Month, may);
        const QList<EmployeeWage> rows = WageStatistics(app.db()).fromJournals(may);

        // Twelve months up to May, oldest first; May's point holds the grid's totals.
        QCOMPARE(data.trend.size(), 12);
        QCOMPARE(data.trend.first().month, QString("2007-6"));
        QCOMPARE(data.trend.last().month, QString("2008-5"));
        QCOMPARE(data.trend.last().production, sumOf(rows, &EmployeeWage::production));
        QCOMPARE(data.trend.last().netPay, sumOf(rows, &EmployeeWage::production) - dec("30"));
        QCOMPARE(data.trend.first().production, dec("99")); // 31 May 2007 lies outside
        QCOMPARE(data.trend.at(9).month, QString("2008-3"));
        QCOMPARE(data.trend.at(9).netPay, dec("-10")); // 40 produced, 50 deducted
        QCOMPARE(data.trend.at(10).production, Decimal());

        // A bar per workshop, by name, and the employees without one together.
        QCOMPARE(data.workshops.size(), 3);
        QCOMPARE(data.workshops.at(0).name, QString("二车间")); // the workshop list's order
        QCOMPARE(data.workshops.at(0).amount, dec("1627.5"));   // 155 × 10.5
        QCOMPARE(data.workshops.at(1).name, QString("一车间"));
        QCOMPARE(data.workshops.at(1).amount, dec("577.5")); // 55 × 10.5
        QCOMPARE(data.workshops.at(2).name, QString("未分车间"));
        QCOMPARE(data.workshops.at(2).amount, dec("945")); // 10.5 × (21 … 24); 25 produced nothing

        // Twenty highest, highest first: 24 down to 5.
        QCOMPARE(data.topEmployees.size(), 20);
        QCOMPARE(data.topEmployees.first().name, QString("员工24"));
        QCOMPARE(data.topEmployees.last().name, QString("员工5"));
        QVERIFY(topProducers(rows, 30).size() == 24); // nobody without production
    }

    // Two workers named alike get a bar each under a label of their own, and every bar stands
    // beside the figure of its own row in the statistics grid.
    void barsOfNamesakesMatchTheirOwnRows()
    {
        TestApp app;
        Database& db = app.db();
        const QList<std::tuple<QString, QString, QString>> people{{"001", "张三", "300.5"},  {"009", "张三", "157.25"},
                                                                  {"151", "王五", "157.25"}, {"152", "李四", "151.2"},
                                                                  {"153", "赵六", "90.025"}, {"154", "张三", "12"}};
        for (const auto& [no, name, amount] : people) {
            db.exec("INSERT INTO 员工 (工号, 姓名) VALUES (?, ?)", {no, name});
            db.exec("INSERT INTO 工资流水 (工号, 日期, 产品, 金额) VALUES (?, '2008-05-07', '外壳', ?)", {no, amount});
        }
        rebuildMonthlyTotals(db);
        ScriptedBoxes boxes;
        WageStatisticsWindow stats(app.ctx());
        stats.show();
        GuiDriver gui(&stats);
        gui.click("Command5");
        gui.click("图表");
        auto* charts = stats.findChild<StatsChartWindow*>();
        QVERIFY(charts);

        QChart* top = charts->chart(2);
        QBarSet* bars = static_cast<QHorizontalBarSeries*>(top->series().first())->barSets().first();
        auto* axis = qobject_cast<QBarCategoryAxis*>(top->axes(Qt::Vertical).first());
        QVERIFY(axis);
        QCOMPARE(bars->count(), int(people.size()));
        QCOMPARE(axis->count(), bars->count());
        const QStringList labels = axis->categories();
        QVERIFY2(labels.contains("张三（001）") && labels.contains("张三（009）") && labels.contains("王五"),
                 qPrintable(labels.join(',')));
        ui::DataGrid* grid = stats.grid();
        for (int i = 0; i < bars->count(); ++i) {
            int matches = 0;
            for (int r = 1; r < grid->rows(); ++r) {
                const QString name = grid->text(r, SName);
                if (grid->text(r, SId).isEmpty() ||
                    (labels.at(i) != name && labels.at(i) != name + "（" + grid->text(r, SNumber) + "）"))
                    continue;
                ++matches;
                QCOMPARE(bars->at(i), grid->text(r, SProduction).toDouble());
            }
            QVERIFY2(matches == 1, qPrintable(labels.at(i)));
        }
        KV_VERIFY_BOXES(boxes);
    }

    void chartWindowDrawsTheGridsPeriodAndExportsAndPrints()
    {
        TestApp app;
        seed(app.db());
        app.ctx().printToPdfDir = app.dir() + "/pdf";
        QDir().mkpath(app.ctx().printToPdfDir);
        ScriptedBoxes boxes;
        WageStatisticsWindow stats(app.ctx());
        stats.show();
        GuiDriver gui(&stats);
        // Before a run there is nothing to draw.
        boxes.expect("请先统计后再操作！");
        gui.click("图表");
        gui.click("Command5");
        gui.click("图表");
        auto* charts = stats.findChild<StatsChartWindow*>();
        QVERIFY(charts);
        QVERIFY(charts->isModal());

        // The lines end on the grid's totals row; the bars add up to it.
        ui::DataGrid* grid = stats.grid();
        double production = 0;
        double netPay = 0;
        for (int r = 1; r < grid->rows(); ++r) {
            if (grid->text(r, SId).isEmpty())
                continue; // the totals row
            production += grid->text(r, SProduction).remove(',').toDouble();
            netPay += grid->text(r, SNetPay).remove(',').toDouble();
        }
        const auto lines = charts->chart(0)->series();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(static_cast<QLineSeries*>(lines.at(0))->points().last().y(), production);
        QCOMPARE(static_cast<QLineSeries*>(lines.at(1))->points().last().y(), netPay);
        QBarSet* workshops = static_cast<QBarSeries*>(charts->chart(1)->series().first())->barSets().first();
        QCOMPARE(workshops->sum(), production);
        QBarSet* top = static_cast<QHorizontalBarSeries*>(charts->chart(2)->series().first())->barSets().first();
        QCOMPARE(top->count(), 20);
        QCOMPARE(top->at(19), 24 * 10.5); // highest on top

        GuiDriver window(charts);
        window.find<QTabWidget>("chartTabs")->setCurrentIndex(1);
        boxes.expect("图表已导出到");
        window.click("CommandPng");
        const QString png = app.ctx().paths().file("2008-5 车间.png");
        QVERIFY2(QFileInfo(png).size() > 0, qPrintable(boxes.shown().last().text));
        window.click("CommandPrint");
        QVERIFY(QFileInfo(app.ctx().printToPdfDir + "/2008-5 车间.pdf").size() > 0);

        // A file that cannot be written is told, and nothing ends.
        QVERIFY(QFile::remove(png));
        QVERIFY(QDir().mkdir(png));
        boxes.expect("图片没有导出");
        window.click("CommandPng");
        KV_VERIFY_BOXES(boxes);
        charts->close();

        // A day typed with slashes names the chart; its file name holds none.
        GuiDriver(&stats).find<QTabWidget>("C1Tab1")->setCurrentIndex(3);
        GuiDriver(&stats).find<QComboBox>("Text2_3")->setCurrentText("2008/5/7");
        gui.click("Command5");
        gui.click("图表");
        auto* dayCharts = stats.findChildren<StatsChartWindow*>().last();
        QVERIFY(dayCharts != charts);
        boxes.expect("图表已导出到");
        GuiDriver(dayCharts).click("CommandPng");
        KV_VERIFY_BOXES(boxes);
        const QStringList pngs = QDir(app.dir()).entryList({"*.png"});
        QVERIFY2(std::any_of(pngs.begin(), pngs.end(), [](const QString& p) { return p.startsWith("2008-5-7 "); }),
                 qPrintable(pngs.join(',') + ' ' + boxes.shown().last().text));
    }
};

QTEST_MAIN(TestCharts)
#include "test_charts.moc"
