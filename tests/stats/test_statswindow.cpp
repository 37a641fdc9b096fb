#include "GuiDriver.h"
#include "ScriptedBoxes.h"
#include "TestDb.h"
#include "Workbook.h"
#include "app/HostedWindows.h"
#include "app/MainWindow.h"
#include "data/Database.h"
#include "data/MonthlyTotals.h"
#include "data/WorkProgress.h"
#include "entry/WageEntryWindow.h"
#include "stats/WageStatistics.h"
#include "stats/WageStatisticsWindow.h"
#include "ui/DataGrid.h"
#include "ui/FindPanel.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace kv;
using ui::twipsToPixels;

namespace {

const QColor kFound(255, 255, 192);

// Four employees on 17 May 2008, with lines in May and a few outside it:
//   001 张三   May: 1000 + 234.4 produced, 2000 deducted; April: 300 produced
//   002 李四   17 May: 1500 produced; October 2007: 700 produced
//   003 王五   nothing
//   004 张小红 May: 80.4 deducted
void seed(Database& db)
{
    db.exec("INSERT INTO 员工 (id, 工号, 姓名) VALUES (1, '001', '张三'), (2, '002', '李四'), (3, '003', '王五'), "
            "(4, '004', '张小红')");
    db.exec("INSERT INTO 工资流水 (工号, 日期, 产品, 金额) VALUES ('001', '2008-05-03', '外壳', 1000), "
            "('001', '2008-05-20', '外壳', 234.4), ('001', '2008-04-30', '外壳', 300), "
            "('002', '2008-05-17', '外壳', 1500), ('002', '2007-10-08', '外壳', 700)");
    db.exec("INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES ('001', '2008-05-09', '罚款', 2000), "
            "('004', '2008-05-31', '罚款', 80.4)");
    rebuildMonthlyTotals(db);
}

struct StatsFixture {
    explicit StatsFixture(bool seeded = true)
    {
        if (seeded)
            seed(app.db());
        window = std::make_unique<WageStatisticsWindow>(app.ctx());
        window->resize(1000, 640);
        window->show();
        gui = std::make_unique<GuiDriver>(window.get());
        grid = window->grid();
    }

    QComboBox* combo(int tab) const { return gui->find<QComboBox>(QStringLiteral("Text2_%1").arg(tab)); }
    QTabWidget* tabs() const { return gui->find<QTabWidget>(QStringLiteral("C1Tab1")); }
    void run() const { gui->click(QStringLiteral("Command5")); }
    QString label2() const { return gui->find<QLabel>(QStringLiteral("Label2"))->text(); }

    // Row texts of columns 0 to 5, and "hidden" for a hidden row.
    QStringList row(int r) const
    {
        QStringList out;
        for (int c = 0; c <= SNetPay; ++c)
            out << grid->text(r, c);
        if (grid->isRowHidden(r))
            out << QStringLiteral("hidden");
        return out;
    }
    QList<QStringList> allRows() const
    {
        QList<QStringList> out;
        for (int r = 0; r < grid->rows(); ++r)
            out << row(r);
        return out;
    }
    QStringList visibleNames() const
    {
        QStringList out;
        for (int r = 2; r < grid->rows(); ++r)
            if (!grid->isRowHidden(r))
                out << grid->text(r, SName);
        return out;
    }
    // Sets up the panel's condition rows (adding rows as needed) and applies the filter.
    void filter(const QList<std::tuple<int, int, QString>>& conditions) const
    {
        for (qsizetype k = window->panel()->conditionRows().size(); k < conditions.size(); ++k)
            gui->click(QStringLiteral("Command4"));
        for (int k = 0; k < conditions.size(); ++k) {
            const auto& [field, op, value] = conditions.at(k);
            gui->find<QComboBox>(QStringLiteral("zdinput_%1").arg(k))->setCurrentIndex(field);
            gui->find<QComboBox>(QStringLiteral("JF_%1").arg(k))->setCurrentIndex(op);
            gui->find<QLineEdit>(QStringLiteral("tjinput_%1").arg(k))->setText(value);
        }
        gui->click(QStringLiteral("Command3"));
    }

    TestApp app;
    ScriptedBoxes boxes;
    std::unique_ptr<WageStatisticsWindow> window;
    std::unique_ptr<GuiDriver> gui;
    ui::DataGrid* grid = nullptr;
};

enum Field { FNumber, FName, FProduction, FDeductions, FNetPay };
enum Op { Eq, Gt, Lt };

bool isBold(const ui::DataGrid* grid, int row, int col)
{
    return grid->table()->model()->index(row - 1, col).data(Qt::FontRole).value<QFont>().bold();
}

WageEntryWindow* openEntryWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* entry = qobject_cast<WageEntryWindow*>(w); entry && entry->isVisible())
            return entry;
    return nullptr;
}

QString pdfText(const QString& path)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    text.waitForFinished(30000);
    return QString::fromUtf8(text.readAllStandardOutput());
}

} // namespace

class TestStatsWindow : public QObject {
    Q_OBJECT
private slots:
    void opensBlankOnTheCurrentPeriods()
    {
        StatsFixture f;
        QCOMPARE(f.window->objectName(), QStringLiteral("工资统计Frm"));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("工资统计"));
        QTabWidget* tabs = f.tabs();
        QCOMPARE(tabs->count(), 4);
        QCOMPARE(tabs->currentIndex(), 0);
        const QStringList captions{"按月份统计", "按季度统计", "按年统计", "按日期统计"};
        const QStringList labels{"输入月份进行统计：", "按季度进行统计：", "选择年份进行统计：", "选择日期进行统计："};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(tabs->tabText(i), captions.at(i));
            QCOMPARE(f.gui->find<QLabel>(QStringLiteral("Label1_%1").arg(i))->text(), labels.at(i));
        }
        QCOMPARE(f.gui->find<QLabel>(QStringLiteral("Label2_1"))->text(), QStringLiteral("1为第一季以此类推"));
        QCOMPARE(f.combo(0)->currentText(), QStringLiteral("2008-5"));
        QCOMPARE(f.combo(0)->count(), 24); // two years of months, today's last
        QCOMPARE(f.combo(1)->currentText(), QStringLiteral("2008-2"));
        QCOMPARE(f.combo(2)->currentText(), QStringLiteral("2008"));
        QCOMPARE(f.combo(2)->itemText(10), QStringLiteral("1998"));
        QCOMPARE(f.combo(3)->currentText(), QStringLiteral("2008-5-17"));
        QCOMPARE(f.combo(3)->count(), 17);
        QVERIFY(f.combo(0)->isEditable());
        QCOMPARE(f.gui->find<QPushButton>(QStringLiteral("Command5"))->text(), QStringLiteral(" 统 计"));
        QCOMPARE(f.gui->find<QPushButton>(QStringLiteral("Command6"))->text(), QStringLiteral("查看选中员工当月明细"));

        // The first condition row is ready: the five columns and the three operators.
        auto* field = f.gui->find<QComboBox>(QStringLiteral("zdinput_0"));
        auto* op = f.gui->find<QComboBox>(QStringLiteral("JF_0"));
        QCOMPARE(field->count(), 5);
        QCOMPARE(field->itemText(0), QStringLiteral("工号"));
        QCOMPARE(field->itemText(4), QStringLiteral("实发工资"));
        QCOMPARE(field->currentIndex(), 0);
        QCOMPARE(op->count(), 3);
        QCOMPARE(op->itemText(1), QStringLiteral(">"));
        QCOMPARE(op->currentIndex(), 0);
        QCOMPARE(f.gui->find<QLineEdit>(QStringLiteral("tjinput_0"))->placeholderText(),
                 QStringLiteral("留空则不筛选此项"));

        // Nothing is computed before a run, and nothing can be acted on.
        QCOMPARE(f.grid->rows(), 1);
        QCOMPARE(f.grid->cols(), 0);
        for (const char* button : {"查找", "筛选", "导出", "打印"}) {
            f.boxes.expect(QStringLiteral("请先统计后再操作！"));
            f.gui->click(button);
            KV_VERIFY_BOXES(f.boxes);
            QCOMPARE(f.boxes.shown().last().caption, QStringLiteral("提示！"));
            QCOMPARE(f.boxes.shown().last().icon, ui::Icon::Information);
        }
        QVERIFY(!f.window->panel()->isVisible());
        QVERIFY(QDir(f.app.dir()).entryList({QStringLiteral("*.xlsx")}).isEmpty());
        f.boxes.expect(QStringLiteral("没有选中或可选的员工"));
        f.gui->click(QStringLiteral("Command6"));
        KV_VERIFY_BOXES(f.boxes);
        QCOMPARE(f.boxes.shown().last().icon, ui::Icon::Warning);
        QVERIFY(!openEntryWindow());
    }

    void monthRunListsEveryEmployeeUnderATotalsRow()
    {
        StatsFixture f;
        f.run();
        KV_VERIFY_BOXES(f.boxes);
        QCOMPARE(f.grid->cols(), 7);
        QCOMPARE(f.allRows(), QList<QStringList>({
                                  {"月份", "工号", "姓名", "生产金额", "扣减", "实发工资"},
                                  {"合计", "", "", "2734.4", "2080.4", "654"},
                                  {"2008-5", "001", "张三", "1234.4", "2000", "-765.6"},
                                  {"2008-5", "002", "李四", "1500", "0", "1500"},
                                  {"2008-5", "003", "王五", "0", "0", "0"},
                                  {"2008-5", "004", "张小红", "0", "80.4", "-80.4"},
                              }));
        QVERIFY(f.grid->isTotalsRow(1));
        for (int c : {0, 3, 4, 5})
            QVERIFY(isBold(f.grid, 1, c));
        QVERIFY(!isBold(f.grid, 2, 3));
        QVERIFY(f.grid->isColHidden(SId));
        QCOMPARE(f.grid->text(5, SId), QStringLiteral("4"));
        const auto asShown = [](int twips) { return ui::pixelsToTwips(twipsToPixels(twips)); };
        QCOMPARE(f.grid->rowHeight(0), asShown(350));
        QCOMPARE(f.grid->rowHeight(3), asShown(300));
        // Wide enough for the totals as well as the rows.
        const int before = f.grid->colWidth(3);
        f.grid->autoFitCols(3, 3);
        QCOMPARE(before, asShown(f.grid->colWidth(3) + 200));

        // A second run replaces everything, with the grid and the database unchanged otherwise.
        f.app.db().exec("DELETE FROM 员工 WHERE id = 3");
        f.run();
        QCOMPARE(f.grid->rows(), 5);
        QCOMPARE(f.grid->text(4, SName), QStringLiteral("张小红"));
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 员工工资").toInt(), 0);
    }

    void aSingleEmployeesTotalsShowTheCents()
    {
        StatsFixture f(false);
        f.app.db().exec("INSERT INTO 员工 (工号, 姓名) VALUES ('E001', '甲')");
        f.app.db().exec("INSERT INTO 工资流水 (工号, 日期, 金额) VALUES ('E001', '2008-05-01', 1000.2), "
                        "('E001', '2008-05-31', 234.2)");
        f.app.db().exec("INSERT INTO 扣减流水 (工号, 日期, 扣减金额) VALUES ('E001', '2008-05-02', 2000)");
        rebuildMonthlyTotals(f.app.db());
        f.combo(0)->setEditText(QStringLiteral("2008-5-20")); // read as a date: its month
        f.run();
        QCOMPARE(f.row(1), QStringList({"合计", "", "", "1234.4", "2000", "-765.6"}));
        QCOMPARE(f.row(2), QStringList({"2008-5-20", "E001", "甲", "1234.4", "2000", "-765.6"}));
        for (int r : {1, 2})
            QCOMPARE(QStringList({f.grid->shownText(r, SProduction), f.grid->shownText(r, SDeductions),
                                  f.grid->shownText(r, SNetPay)}),
                     QStringList({"1,234.40", "2,000.00", "-765.60"}));
        KV_VERIFY_BOXES(f.boxes);
    }

    void eachTabSumsItsOwnPeriod()
    {
        StatsFixture f;
        QTabWidget* tabs = f.tabs();
        tabs->setCurrentIndex(1); // 2008-2: April to June
        f.run();
        QCOMPARE(f.grid->text(0, 0), QStringLiteral("季度"));
        QCOMPARE(f.row(2), QStringList({"2008-2", "001", "张三", "1534.4", "2000", "-465.6"}));

        // The quarter's year is its own, whatever the month tab shows.
        f.combo(1)->setEditText(QStringLiteral("2007-4"));
        f.run();
        QCOMPARE(f.row(3), QStringList({"2007-4", "002", "李四", "700", "0", "700"}));
        QCOMPARE(f.row(1).mid(3), QStringList({"700", "0", "700"}));

        // A quarter 5 is refused and the grid keeps its rows.
        const QList<QStringList> before = f.allRows();
        f.combo(1)->setEditText(QStringLiteral("2008-5"));
        f.boxes.expect(
            QStringLiteral("非法季度，请输入正确季度：2008-1表示2008年第一季，2008-4表示2008年第4季以此类推。"));
        f.run();
        KV_VERIFY_BOXES(f.boxes);
        QCOMPARE(f.boxes.shown().last().caption, QStringLiteral("出错！"));
        QCOMPARE(f.boxes.shown().last().icon, ui::Icon::Warning);
        QCOMPARE(f.allRows(), before);

        // The year as typed, trailing blank and all.
        tabs->setCurrentIndex(2);
        QCOMPARE(f.grid->text(0, 0), QStringLiteral("季度")); // until the next run
        f.combo(2)->setEditText(QStringLiteral("2008 "));
        f.run();
        QCOMPARE(f.row(0).first(), QStringLiteral("年份"));
        QCOMPARE(f.row(2), QStringList({"2008 ", "001", "张三", "1534.4", "2000", "-465.6"}));
        QCOMPARE(f.row(3).mid(3), QStringList({"1500", "0", "1500"}));

        tabs->setCurrentIndex(3); // today, 2008-5-17
        f.run();
        QCOMPARE(f.row(0).first(), QStringLiteral("日期"));
        QCOMPARE(f.row(1).mid(3), QStringList({"1500", "0", "1500"}));
        QCOMPARE(f.row(3), QStringList({"2008-5-17", "002", "李四", "1500", "0", "1500"}));
        f.combo(3)->setEditText(QStringLiteral("2008-5-31"));
        f.run();
        QCOMPARE(f.row(5).mid(3), QStringList({"0", "80.4", "-80.4"}));
        KV_VERIFY_BOXES(f.boxes);
    }

    void unreadablePeriodsAndFailuresLeaveTheGrid()
    {
        StatsFixture f;
        f.run();
        const QList<QStringList> before = f.allRows();
        const QString message = QStringLiteral("错误！请检查你查询日期的正确性。错误号：");
        for (const auto& [tab, text] : {std::pair{0, "五月"}, {0, ""}, {1, "2008-13"}, {2, "abc"}, {3, "2008-2-30"}}) {
            f.tabs()->setCurrentIndex(tab);
            f.combo(tab)->setEditText(QString::fromUtf8(text));
            f.boxes.expect(message + QStringLiteral("13"));
            f.run();
            KV_VERIFY_BOXES(f.boxes);
            QCOMPARE(f.boxes.shown().last().caption, QStringLiteral("统计错误！"));
            QCOMPARE(f.boxes.shown().last().icon, ui::Icon::Warning);
            QCOMPARE(f.allRows(), before);
        }

        // A database failure gives the database's own number and words: a month reads the
        // monthly totals, a day the journals.
        f.tabs()->setCurrentIndex(0);
        f.combo(0)->setEditText(QStringLiteral("2008-5"));
        f.app.db().exec("DROP TABLE 月度合计");
        // The file's own result code; the server has none.
        f.boxes.expect(message + (TestApp::onServer() ? QStringLiteral("0\n") : QStringLiteral("1\n")));
        f.run();
        KV_VERIFY_BOXES(f.boxes);
        QVERIFY(f.boxes.shown().last().text.contains(QStringLiteral("月度合计")));
        QCOMPARE(f.allRows(), before);
        f.tabs()->setCurrentIndex(3);
        f.combo(3)->setEditText(QStringLiteral("2008-5-17"));
        f.app.db().exec("DROP TABLE 扣减流水");
        f.boxes.expect(message + (TestApp::onServer() ? QStringLiteral("0\n") : QStringLiteral("1\n")));
        f.run();
        KV_VERIFY_BOXES(f.boxes);
        QVERIFY(f.boxes.shown().last().text.contains(QStringLiteral("扣减流水")));
        QCOMPARE(f.allRows(), before);
    }

    void withoutEmployeesOnlyTheHeaderShows()
    {
        StatsFixture f(false);
        f.run();
        QCOMPARE(f.grid->rows(), 1);
        QCOMPARE(f.grid->text(0, SNetPay), QStringLiteral("实发工资"));
        f.boxes.expect(QStringLiteral("请先统计后再操作！"));
        f.gui->click(QStringLiteral("导出"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void findCountsAndHighlightsTheTotalsToo()
    {
        StatsFixture f;
        f.run();
        f.gui->click(QStringLiteral("查找"));
        QVERIFY(f.window->panel()->isVisible());
        f.gui->type(QStringLiteral("Text1"), QStringLiteral("张"));
        f.gui->click(QStringLiteral("Command1"));
        QCOMPARE(f.label2(), QStringLiteral("共找到2个"));
        QCOMPARE(f.grid->cellBackground(2, SName), kFound);
        QCOMPARE(f.grid->cellBackground(5, SName), kFound);

        f.gui->find<QLineEdit>(QStringLiteral("Text1"))->setText(QStringLiteral("2,0"));
        f.gui->click(QStringLiteral("Command1"));
        QCOMPARE(f.label2(), QStringLiteral("共找到2个")); // the totals' 2,080.40 and 张三's 2,000.00
        QCOMPARE(f.grid->cellBackground(1, SDeductions), kFound);
        QCOMPARE(f.grid->cellBackground(2, SDeductions), kFound);
        QCOMPARE(f.grid->cellBackground(2, SName), QColor(Qt::white));

        // "2008-5" in every row's period, and "1500" twice in 李四's row.
        f.gui->find<QLineEdit>(QStringLiteral("Text1"))->setText(QStringLiteral("2008-5"));
        f.gui->click(QStringLiteral("Command1"));
        QCOMPARE(f.label2(), QStringLiteral("共找到4个"));
        f.gui->find<QLineEdit>(QStringLiteral("Text1"))->setText(QStringLiteral("1500"));
        f.gui->click(QStringLiteral("Command1"));
        QCOMPARE(f.label2(), QStringLiteral("共找到2个"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void filterShowsRowsWhereAnyConditionHolds()
    {
        StatsFixture f;
        f.run();
        f.gui->click(QStringLiteral("筛选"));

        // Two names: both employees (OR), the totals over them alone.
        f.filter({{FName, Eq, QStringLiteral("张三")}, {FName, Eq, QStringLiteral(" 李四 ")}});
        QCOMPARE(f.visibleNames(), QStringList({"张三", "李四"}));
        QCOMPARE(f.row(1), QStringList({"合计", "", "", "2734.4", "2000", "734.4"}));
        // Hidden rows keep who they are but lose their amounts.
        QCOMPARE(f.row(4), QStringList({"2008-5", "003", "王五", "", "", "", "hidden"}));
        QVERIFY(f.window->panel()->isVisible());
        QCOMPARE(f.gui->find<QLineEdit>(QStringLiteral("tjinput_1"))->text(), QStringLiteral(" 李四 "));

        f.filter({{FProduction, Gt, QStringLiteral("1000")}, {FName, Eq, QString()}});
        QCOMPARE(f.visibleNames(), QStringList({"张三", "李四"}));
        QCOMPARE(f.row(1).mid(3), QStringList({"2734.4", "2000", "734.4"}));

        f.filter({{FNetPay, Lt, QStringLiteral("0")}, {FName, Eq, QString()}});
        QCOMPARE(f.visibleNames(), QStringList({"张三", "张小红"}));
        QCOMPARE(f.row(1).mid(3), QStringList({"1234.4", "2080.4", "-846"}));

        // Equality compares texts: 1234.40 is not 1234.4.
        f.filter({{FProduction, Eq, QStringLiteral("1234.40")}, {FName, Eq, QString()}});
        QCOMPARE(f.visibleNames(), QStringList());
        QCOMPARE(f.row(1).mid(3), QStringList({"0", "0", "0"}));
        f.filter({{FProduction, Eq, QStringLiteral("1234.4")}, {FName, Eq, QString()}});
        QCOMPARE(f.visibleNames(), QStringList({"张三"}));

        // Numbers compared with a number; names are no numbers.
        f.filter({{FNumber, Gt, QStringLiteral("2")}, {FName, Gt, QStringLiteral("-1")}});
        QCOMPARE(f.visibleNames(), QStringList({"王五", "张小红"}));

        // No value at all: no employee row is shown.
        f.filter({{FName, Eq, QStringLiteral("  ")}, {FProduction, Gt, QString()}});
        QCOMPARE(f.visibleNames(), QStringList());
        QCOMPARE(f.grid->rows(), 6);

        // Each filter starts from a fresh run for the period chosen now.
        f.combo(0)->setEditText(QStringLiteral("2008-4"));
        f.filter({{FProduction, Gt, QStringLiteral("0")}, {FName, Eq, QString()}});
        QCOMPARE(f.visibleNames(), QStringList({"张三"}));
        QCOMPARE(f.row(2), QStringList({"2008-4", "001", "张三", "300", "0", "300"}));

        // A period that cannot run stops the filter; the grid stays as it was.
        const QList<QStringList> before = f.allRows();
        f.combo(0)->setEditText(QStringLiteral("2008-13"));
        f.boxes.expect(QStringLiteral("错误号：13"));
        f.gui->click(QStringLiteral("Command3"));
        KV_VERIFY_BOXES(f.boxes);
        QCOMPARE(f.allRows(), before);
    }

    void addedConditionRowsCopyTheFirst()
    {
        StatsFixture f;
        f.run();
        f.gui->click(QStringLiteral("查找"));
        ui::FindPanel* panel = f.window->panel();
        const int designHeight = panel->height();
        f.gui->find<QComboBox>(QStringLiteral("zdinput_0"))->setCurrentIndex(FName);
        f.gui->click(QStringLiteral("Command4"));
        f.gui->click(QStringLiteral("Command4"));
        auto* field = f.gui->find<QComboBox>(QStringLiteral("zdinput_2"));
        auto* op = f.gui->find<QComboBox>(QStringLiteral("JF_2"));
        QCOMPARE(field->count(), 5);
        QCOMPARE(field->itemText(2), QStringLiteral("生产金额"));
        QCOMPARE(field->currentIndex(), 0);
        QCOMPARE(op->count(), 3);
        QCOMPARE(op->itemText(2), QStringLiteral("<"));
        QCOMPARE(op->currentIndex(), 0);
        const int step = twipsToPixels(330 + 50);
        QCOMPARE(panel->height(), designHeight + 2 * step);
        QCOMPARE(field->y(), f.gui->find(QStringLiteral("zdinput_1"))->y() + step);
        QCOMPARE(op->y(), field->y());
        QCOMPARE(f.gui->find(QStringLiteral("tjinput_2"))->x(), f.gui->find(QStringLiteral("tjinput_0"))->x());
        // The sign of every row is its own operator combo, clear of the field and the value.
        QVERIFY(op->x() > field->geometry().right());
        QVERIFY(f.gui->find(QStringLiteral("tjinput_2"))->x() > op->geometry().right());
        KV_VERIFY_BOXES(f.boxes);
    }

    void closingThePanelShowsEveryEmployeeAgain()
    {
        StatsFixture f;
        f.run();
        f.gui->click(QStringLiteral("筛选"));
        ui::FindPanel* panel = f.window->panel();
        const int designHeight = panel->designHeight();
        f.filter({{FName, Eq, QStringLiteral("张三")}, {FName, Eq, QStringLiteral("李四")}, {FNumber, Eq, "004"}});
        QCOMPARE(f.visibleNames(), QStringList({"张三", "李四", "张小红"}));
        f.gui->type(QStringLiteral("Text1"), QStringLiteral("张"));
        f.gui->click(QStringLiteral("Command1"));
        QCOMPARE(f.label2(), QStringLiteral("共找到2个"));

        f.combo(0)->setEditText(QStringLiteral("2008-4"));
        f.gui->click(QStringLiteral("Command2"));
        KV_VERIFY_BOXES(f.boxes);
        QVERIFY(!panel->isVisible());
        QCOMPARE(panel->conditionRows().size(), 1);
        QVERIFY(!f.window->findChild<QWidget*>(QStringLiteral("JF_1")));
        QVERIFY(!f.window->findChild<QWidget*>(QStringLiteral("tjinput_2")));
        QCOMPARE(panel->height(), designHeight);
        QCOMPARE(f.label2(), QString());
        // Every employee, for the period in the combo now, without highlights.
        QCOMPARE(f.visibleNames(), QStringList({"张三", "李四", "王五", "张小红"}));
        QCOMPARE(f.row(1), QStringList({"合计", "", "", "300", "0", "300"}));
        for (int r = 1; r < f.grid->rows(); ++r)
            for (int c = 0; c < f.grid->cols(); ++c)
                QCOMPARE(f.grid->cellBackground(r, c), QColor(Qt::white));
        // Row 0 keeps its contents.
        QCOMPARE(f.gui->find<QLineEdit>(QStringLiteral("tjinput_0"))->text(), QStringLiteral("张三"));
    }

    void exportIsNamedAfterThePeriodChosenNow()
    {
        StatsFixture f;
        f.run();
        const QString monthFile = f.app.ctx().paths().file(QStringLiteral("按月份统计2008-5员工工资.xlsx"));
        f.boxes.expect(QStringLiteral("己导出Excel文件到"));
        f.gui->click(QStringLiteral("导出"));
        KV_VERIFY_BOXES(f.boxes);
        QCOMPARE(f.boxes.shown().last().text,
                 QStringLiteral("己导出Excel文件到%1，请到该目录打开查看").arg(QDir::toNativeSeparators(monthFile)));
        QCOMPARE(f.boxes.shown().last().caption, QStringLiteral("成功导出！"));
        QCOMPARE(f.boxes.shown().last().icon, ui::Icon::Information);

        const QList<QList<WorkbookCell>> sheet = readWorkbookCells(monthFile);
        QCOMPARE(sheet.size(), 6);
        QStringList header;
        for (const WorkbookCell& c : sheet.at(0))
            header << c.text;
        QCOMPARE(header, QStringList({"月份", "工号", "姓名", "生产金额", "扣减", "实发工资"}));
        QCOMPARE(sheet.at(1).at(0).text, QStringLiteral("合计"));
        // The totals go in as their exact sums, numbers that a spreadsheet shows as money.
        QCOMPARE(sheet.at(1).at(3).text.toDouble(), 2734.4);
        QVERIFY(sheet.at(1).at(3).number && sheet.at(1).at(3).bold);
        QCOMPARE(sheet.at(1).at(3).format, QStringLiteral("#,##0.00####"));
        QCOMPARE(sheet.at(1).at(4).text.toDouble(), 2080.4);
        QCOMPARE(sheet.at(1).at(5).text.toDouble(), 654.0);
        QCOMPARE(sheet.at(2).at(2).text, QStringLiteral("张三"));
        QCOMPARE(sheet.at(2).at(1).text, QStringLiteral("001"));
        QVERIFY(!sheet.at(2).at(1).number);
        QCOMPARE(sheet.at(2).at(5).text, QStringLiteral("-765.6"));
        QVERIFY(sheet.at(2).at(5).number);

        // After switching to the year without a new run: the year's name, the month's rows.
        f.tabs()->setCurrentIndex(2);
        f.boxes.expect(QStringLiteral("按年统计2008员工工资.xlsx，请到该目录打开查看"));
        f.gui->click(QStringLiteral("导出"));
        KV_VERIFY_BOXES(f.boxes);
        const QList<QStringList> yearSheet =
            readWorkbook(f.app.ctx().paths().file(QStringLiteral("按年统计2008员工工资.xlsx")));
        QCOMPARE(yearSheet.value(2).value(0), QStringLiteral("2008-5"));

        // A day typed with slashes still names a file beside the program.
        f.tabs()->setCurrentIndex(3);
        f.combo(3)->setEditText(QStringLiteral("2008/5/17"));
        f.boxes.expect(QStringLiteral("按日期统计2008-5-17员工工资.xlsx"));
        f.gui->click(QStringLiteral("导出"));
        KV_VERIFY_BOXES(f.boxes);
        QVERIFY(QFile::exists(f.app.ctx().paths().file(QStringLiteral("按日期统计2008-5-17员工工资.xlsx"))));

        // Filtered: what is hidden stays out of the file.
        f.tabs()->setCurrentIndex(0);
        f.gui->click(QStringLiteral("筛选"));
        f.filter({{FName, Eq, QStringLiteral("李四")}});
        f.boxes.expect(QStringLiteral("己导出"));
        f.gui->click(QStringLiteral("导出"));
        KV_VERIFY_BOXES(f.boxes);
        const QList<QStringList> filtered = readWorkbook(monthFile);
        QCOMPARE(filtered.size(), 3);
        QCOMPARE(filtered.at(1).mid(0, 6), QStringList({"合计", "", "", "1500", "0", "1500"}));
        QCOMPARE(filtered.at(2).value(2), QStringLiteral("李四"));

        // A file that cannot be written is reported, never announced as exported.
        QFile::remove(monthFile);
        QVERIFY(QDir().mkpath(monthFile));
        f.boxes.clear();
        f.gui->click(QStringLiteral("导出"));
        QCOMPARE(f.boxes.shown().size(), 1);
        QVERIFY(!f.boxes.shown().first().text.contains(QStringLiteral("己导出")));
        QCOMPARE(f.boxes.shown().first().icon, ui::Icon::Warning);
    }

    void printSendsTheGridAsShown()
    {
        StatsFixture f;
        QTemporaryDir pdfDir;
        f.app.ctx().printToPdfDir = pdfDir.path();
        f.run();
        f.gui->click(QStringLiteral("筛选"));
        f.filter({{FName, Eq, QStringLiteral("张三")}});
        f.gui->click(QStringLiteral("打印"));
        KV_VERIFY_BOXES(f.boxes);
        const QStringList pdfs = QDir(pdfDir.path()).entryList({QStringLiteral("*.pdf")});
        QCOMPARE(pdfs.size(), 1);
        const QString text = pdfText(QDir(pdfDir.path()).filePath(pdfs.first()));
        QVERIFY2(text.contains(QStringLiteral("合计")) && text.contains(QStringLiteral("张三")) &&
                     text.contains(QStringLiteral("实发工资")) && text.contains(QStringLiteral("-765.6")),
                 qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("李四")), qPrintable(text));
    }

    void detailsOpenTheSelectedEmployeesMonth()
    {
        StatsFixture f;
        f.run();
        QVERIFY(f.grid->setCurrentCell(1, 2)); // the totals row
        f.boxes.expect(QStringLiteral("没有选中或可选的员工"));
        f.gui->click(QStringLiteral("Command6"));
        KV_VERIFY_BOXES(f.boxes);
        QCOMPARE(f.boxes.shown().last().caption, QStringLiteral("提示！"));
        QVERIFY(!openEntryWindow());

        QVERIFY(f.grid->setCurrentCell(3, 1)); // 李四
        f.gui->click(QStringLiteral("Command6"));
        QPointer<WageEntryWindow> entry = openEntryWindow();
        QVERIFY(entry);
        QVERIFY(entry->isWindow());
        QCOMPARE(entry->windowModality(), Qt::ApplicationModal);
        QCOMPARE(entry->openedEmployeeNo, QStringLiteral("002"));
        GuiDriver form(entry);
        QCOMPARE(form.find<QLineEdit>(QStringLiteral("Text2"))->text(), QStringLiteral("002"));
        QCOMPARE(form.find<QLineEdit>(QStringLiteral("Text1"))->text(), QStringLiteral("李四"));
        // Its own working month, today's, with the employee's lines.
        QCOMPARE(form.find<QComboBox>(QStringLiteral("Combo1"))->currentText(), QStringLiteral("2008-5"));
        QCOMPARE(form.find<ui::DataGrid>(QStringLiteral("fg"))->text(1, 4), QStringLiteral("1500"));
        // The statistics stay as they were; closing discards the entry window.
        QCOMPARE(f.grid->rows(), 6);
        entry->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!entry);

        // Each click opens a fresh window; one left open goes with the statistics window.
        f.gui->click(QStringLiteral("Command6"));
        entry = openEntryWindow();
        QVERIFY(entry);
        f.window.reset();
        QVERIFY(!entry);
        KV_VERIFY_BOXES(f.boxes);
    }

    void detailsOpenTheMonthTheStatisticsShow()
    {
        StatsFixture f;
        // Two years of months to choose from: October 2007 is offered in May 2008.
        QCOMPARE(f.combo(0)->count(), 24);
        f.combo(0)->setCurrentIndex(f.combo(0)->findText(QStringLiteral("2007-10")));
        f.run();
        int lisi = 0;
        for (int r = 1; r < f.grid->rows(); ++r)
            if (f.grid->text(r, SName) == QStringLiteral("李四"))
                lisi = r;
        QVERIFY(lisi > 0);
        QVERIFY(f.grid->setCurrentCell(lisi, 1));
        f.gui->click(QStringLiteral("Command6"));
        QPointer<WageEntryWindow> entry = openEntryWindow();
        QVERIFY(entry);
        GuiDriver form(entry);
        // Not today's month: the one shown, with its line, added to the entry window's months.
        QCOMPARE(form.find<QComboBox>(QStringLiteral("Combo1"))->currentText(), QStringLiteral("2007-10"));
        QCOMPARE(form.find<QComboBox>(QStringLiteral("Combo1"))->itemText(0), QStringLiteral("2007-10"));
        QCOMPARE(form.find<ui::DataGrid>(QStringLiteral("fg"))->text(1, 4), QStringLiteral("700"));
        entry->close();
        KV_VERIFY_BOXES(f.boxes);
    }

    void aLongRunIsReadOffTheWindowAndAStoppedOneLeavesTheGrid()
    {
        StatsFixture f;
        // Thousands of employees more, enough for a year's run to read on a thread of its own.
        f.app.db().exec("WITH RECURSIVE n(i) AS (SELECT 5 UNION ALL SELECT i + 1 FROM n WHERE i < 9004) "
                        "INSERT INTO 员工 (id, 工号, 姓名) SELECT i, 'E' || substr(CAST(100000 + i AS TEXT), 2), "
                        "'员工' || i FROM n");
        const DateRange year = readPeriod(PeriodKind::Year, QStringLiteral("2008")).range;
        QVERIFY(runsOffWindow(employeeCount(f.app.db()), PeriodKind::Year, year));
        QVERIFY(!runsOffWindow(employeeCount(f.app.db()), PeriodKind::Month, readPeriod(PeriodKind::Month, QStringLiteral("2008-5")).range));
        f.run(); // the month, on the window's thread
        QCOMPARE(f.grid->rows(), 9006);
        const QList<QStringList> before = f.allRows();

        // Stopped at its first report: the grid keeps the month, nobody is asked anything.
        f.tabs()->setCurrentIndex(int(PeriodKind::Year));
        f.combo(int(PeriodKind::Year))->setEditText(QStringLiteral("2008"));
        int reports = 0;
        WorkProgress::watcher() = [&reports](WorkProgress& progress) {
            ++reports;
            progress.cancel();
        };
        f.run();
        WorkProgress::watcher() = nullptr;
        QCOMPARE(reports, 1);
        QCOMPARE(f.allRows(), before);
        KV_VERIFY_BOXES(f.boxes);

        // Run through: the rows and totals are the year's figures as the statistics compute them.
        f.run();
        const QList<EmployeeWage> wages = WageStatistics(f.app.db()).compute(PeriodKind::Year, year);
        QCOMPARE(f.grid->rows(), int(wages.size()) + 2);
        Decimal production;
        Decimal deductions;
        for (qsizetype i = 0; i < wages.size(); ++i) {
            const EmployeeWage& w = wages.at(i);
            QCOMPARE(f.row(int(i) + 2), QStringList({"2008", w.number, w.name, w.production.plainText(),
                                                     w.deductions.plainText(), w.netPay().plainText()}));
            production += w.production;
            deductions += w.deductions;
        }
        QCOMPARE(f.grid->totalsValue(1, SProduction), std::optional(production));
        QCOMPARE(f.grid->totalsValue(1, SDeductions), std::optional(deductions));
        QCOMPARE(f.grid->totalsValue(1, SNetPay), std::optional(production - deductions));
        QCOMPARE(production, Decimal::fromInteger(3034) + *Decimal::parse(QStringLiteral("0.4")));
        KV_VERIFY_BOXES(f.boxes);
    }

    void gridFollowsTheWindowSize()
    {
        StatsFixture f;
        f.run();
        f.window->resize(900, 600);
        const int top = f.grid->y();
        QCOMPARE(f.grid->width(), 900 - twipsToPixels(300));
        QCOMPARE(f.grid->height(), 600 - top - twipsToPixels(600));
        const QPoint panelAt = f.window->panel()->pos();
        f.window->resize(700, 450);
        QCOMPARE(f.grid->width(), 700 - twipsToPixels(300));
        QCOMPARE(f.grid->height(), 450 - top - twipsToPixels(600));
        QCOMPARE(f.window->panel()->pos(), panelAt);
        // Below the controls above it, which do not move.
        QVERIFY(top > f.gui->find(QStringLiteral("Command5"))->geometry().bottom());
        f.window->resize(100, 60);
        QCOMPARE(f.grid->height(), 0);
    }

    void mainWindowHostsItOnTheSecondTab()
    {
        TestApp app;
        seed(app.db());
        ScriptedBoxes boxes;
        MainWindow main(app.ctx());
        QTabWidget* tabs = main.findChild<QTabWidget*>(QStringLiteral("C1Tab1"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("工资统计"));
        tabs->setCurrentIndex(1);
        auto* window = qobject_cast<WageStatisticsWindow*>(main.hostedWindow(QStringLiteral("工资统计Frm")));
        QVERIFY(window);
        GuiDriver(window).click(QStringLiteral("Command5"));
        QCOMPARE(window->grid()->rows(), 6);
        tabs->setCurrentIndex(0);
        tabs->setCurrentIndex(1);
        QCOMPARE(main.hostedWindow(QStringLiteral("工资统计Frm")), window);
        QCOMPARE(window->grid()->rows(), 6); // as it was left
        KV_VERIFY_BOXES(boxes);
    }
};

QTEST_MAIN(TestStatsWindow)
#include "test_statswindow.moc"
