#include "GuiDriver.h"
#include "ScriptedBoxes.h"
#include "TestDb.h"
#include "Workbook.h"
#include "data/Database.h"
#include "data/MonthlyTotals.h"
#include "data/NetPayRounding.h"
#include "stats/BankTransfer.h"
#include "stats/BankTransferWindow.h"
#include "stats/CashBreakdownWindow.h"
#include "stats/WageStatisticsWindow.h"
#include "stats/WorkerYearWindow.h"
#include "ui/DataGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace kv;

namespace {
// Workshops listed 一车间, 二车间; 三车间 is typed with an employee only, 王五 has none.
void seed(Database& db)
{
    db.exec("INSERT INTO 车间 (车间) VALUES ('一车间'), ('二车间')");
    db.exec(
        "INSERT INTO 员工 (id, 工号, 姓名, 车间) VALUES (1, '001', '张三', '二车间'), (2, '002', '李四', '一车间'), "
        "(3, '003', '王五', ''), (4, '004', '赵六', '二车间'), (5, '005', '钱七', '三车间')");
    db.exec("INSERT INTO 工资流水 (工号, 日期, 产品, 金额) VALUES ('001', '2008-05-03', '外壳', 1000.4), "
            "('002', '2008-05-04', '外壳', 700), ('004', '2008-05-05', '外壳', 2500.2), "
            "('005', '2008-05-06', '外壳', 80), ('003', '2008-05-07', '外壳', 10)");
    db.exec("INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES ('004', '2008-05-09', '罚款', 500)");
    // Lines written straight into the journals: the month statistics read their monthly totals.
    rebuildMonthlyTotals(db);
}

QStringList rowTexts(const ui::DataGrid& grid, int r)
{
    QStringList out;
    for (int c : {int(SPeriod), int(SName), int(SProduction), int(SDeductions), int(SNetPay)})
        out << grid.shownText(r, c);
    return out;
}

QList<QStringList> shownRows(const ui::DataGrid& grid)
{
    QList<QStringList> out;
    for (int r = 1; r < grid.rows(); ++r)
        if (!grid.isRowHidden(r))
            out << rowTexts(grid, r);
    return out;
}
} // namespace

class TestPayrollSheet : public QObject {
    Q_OBJECT
private slots:
    // The cash breakdown of the rows a filter left, from the month's sheet; exported as shown.
    void cashBreakdownOfTheRowsShown()
    {
        TestApp app;
        seed(app.db());
        setNetPayRounding(app.db(), {NetPayRounding::Unit::Yuan, NetPayRounding::Mode::HalfUp});
        ScriptedBoxes boxes;
        WageStatisticsWindow w(app.ctx());
        w.show();
        GuiDriver gui(&w);
        boxes.expect("请先统计后再操作");
        gui.click("零钞统计");
        KV_VERIFY_BOXES(boxes);
        // A quarter's sheet is no pay day.
        gui.find<QTabWidget>("C1Tab1")->setCurrentIndex(1);
        gui.click("Command5");
        boxes.expect("请先在“按月份统计”中统计");
        gui.click("零钞统计");
        KV_VERIFY_BOXES(boxes);
        gui.find<QTabWidget>("C1Tab1")->setCurrentIndex(0);
        gui.click("Command5");
        gui.click("筛选");
        gui.find<QComboBox>("zdinput_0")->setCurrentIndex(2);
        gui.find<QComboBox>("JF_0")->setCurrentIndex(1); // >
        gui.find<QLineEdit>("tjinput_0")->setText("500");
        gui.click("Command3");
        gui.click("零钞统计");
        auto* cash = w.findChild<CashBreakdownWindow*>("零钞统计Frm");
        QVERIFY(cash);
        const ui::DataGrid& grid = *cash->grid();
        // 张三 1,000.40 → 1,000; 李四 700; 赵六 2,000.20 → 2,000: hundreds and fifties only.
        QCOMPARE(grid.rows(), 5);
        QCOMPARE(grid.text(0, 4), QString("100元"));
        QStringList rows;
        for (int r = 1; r < grid.rows(); ++r) {
            QStringList cells;
            for (int c = 1; c < grid.cols(); ++c)
                cells << grid.shownText(r, c);
            rows << cells.join(u' ');
        }
        QCOMPARE(rows, QStringList({" 3,700.60 3,700.00 37 0 0 0 0 0 0 0 0.00",
                                    "张三 1,000.40 1,000.00 10 0 0 0 0 0 0 0 0.00", "李四 700.00 700.00 7 0 0 0 0 0 0 0 0.00",
                                    "赵六 2,000.20 2,000.00 20 0 0 0 0 0 0 0 0.00"}));
        boxes.expect("己导出");
        GuiDriver(cash).click("CommandExport");
        KV_VERIFY_BOXES(boxes);
        const auto sheet = readWorkbookCells(app.ctx().paths().file(QStringLiteral("零钞统计2008-5.xlsx")));
        QCOMPARE(sheet.size(), 5);
        QCOMPARE(sheet.at(1).value(4).text.toDouble(), 37.0);
        QCOMPARE(sheet.at(4).value(1).text, QString("赵六"));
    }

    // The bank's sheet of the month's rows: refused by name while an employee to be paid by bank
    // has no card, exported once it has one, the cards in full in the files and masked on screen
    // and paper, the cash workers on their own sheet.
    void bankTransferOfTheRowsShown()
    {
        TestApp app;
        seed(app.db());
        app.db().exec("UPDATE 员工 SET 银行卡号 = '6222021234567890128' WHERE 工号 = '001'");
        app.db().exec("UPDATE 员工 SET 发放方式 = '银行' WHERE 工号 = '004'");
        app.db().exec("UPDATE 员工 SET 姓名 = '=cmd|''/C calc''!A0' WHERE 工号 = '003'");
        setNetPayRounding(app.db(), {NetPayRounding::Unit::Jiao, NetPayRounding::Mode::HalfUp});
        QTemporaryDir pdfs;
        app.ctx().printToPdfDir = pdfs.path();
        ScriptedBoxes boxes;
        WageStatisticsWindow w(app.ctx());
        w.show();
        GuiDriver gui(&w);
        gui.click("Command5");
        gui.click("银行代发");
        auto* window = w.findChild<BankTransferWindow*>("银行代发Frm");
        QVERIFY(window);
        GuiDriver bank(window);
        boxes.expect("以下员工的发放方式是银行，但没有银行卡号：赵六");
        bank.click("CommandExport");
        boxes.expect("赵六");
        bank.click("CommandCsv");
        KV_VERIFY_BOXES(boxes);
        QVERIFY(!QFile::exists(app.ctx().paths().file("银行代发2008-5.xlsx")));
        QVERIFY(!QFile::exists(app.ctx().paths().file("银行代发2008-5.csv")));
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        app.db().exec("UPDATE 员工 SET 银行卡号 = '622202123452' WHERE 工号 = '004'");
        gui.click("银行代发");
        window = w.findChild<BankTransferWindow*>("银行代发Frm");
        const ui::DataGrid& grid = *window->grid();
        QStringList rows;
        for (int r = 1; r < grid.rows(); ++r)
            rows << QStringList(
                        {grid.shownText(r, 1), grid.shownText(r, 3), grid.shownText(r, 5), grid.shownText(r, 6)})
                        .join(u' ');
        QCOMPARE(rows, QStringList({"  3,790.60 ", "张三 **** **** **** 0128 1,000.40 银行",
                                    "赵六 **** **** **** 3452 2,000.20 银行", "李四  700.00 现金",
                                    "=cmd|'/C calc'!A0  10.00 现金", "钱七  80.00 现金"}));
        // Files with wages and card numbers in the data folder are the owner's alone, also one
        // that replaces a file another user could read; a print elsewhere keeps the umask.
        const mode_t umaskBefore = ::umask(022);
        const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        const auto permissionsOf = [](const QString& path) {
            return QFileInfo(path).permissions() &
                   ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
        };
        QFile older(app.ctx().paths().file("银行代发2008-5.csv"));
        QVERIFY(older.open(QIODevice::WriteOnly));
        older.close();
        QVERIFY(older.setPermissions(ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        boxes.expect("己导出Excel文件到");
        GuiDriver(window).click("CommandExport");
        boxes.expect("己导出CSV文件到");
        GuiDriver(window).click("CommandCsv");
        KV_VERIFY_BOXES(boxes);
        QVERIFY(boxes.shown().last().text.contains("文件中有员工完整的银行卡号，只有您本人的系统账户能打开它"));
        QCOMPARE(permissionsOf(app.ctx().paths().file("银行代发2008-5.csv")), ownerOnly);
        QCOMPARE(permissionsOf(app.ctx().paths().file("银行代发2008-5.xlsx")), ownerOnly);
        QVERIFY(QDir(app.dir()).entryList({"*.part"}, QDir::Files | QDir::Hidden).isEmpty());
        const auto sheet = readWorkbookCells(app.ctx().paths().file("银行代发2008-5.xlsx"));
        QCOMPARE(sheet.size(), 3);
        QCOMPARE(sheet.at(1).value(0).text + u' ' + sheet.at(1).value(1).text, QString("张三 6222021234567890128"));
        QVERIFY(!sheet.at(1).value(1).number);
        QVERIFY(sheet.at(2).value(2).number);
        QCOMPARE(sheet.at(2).value(2).text.toDouble(), 2000.2);
        QCOMPARE(sheet.at(2).value(3).text, QString("2008-5工资"));
        QFile csv(app.ctx().paths().file("银行代发2008-5.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(csv.readAll()),
                 QString::fromUtf8("\xEF\xBB\xBF\"姓名\",\"卡号\",\"金额\",\"备注\"\r\n"
                                   "\"张三\",\"6222021234567890128\",\"1000.40\",\"2008-5工资\"\r\n"
                                   "\"赵六\",\"622202123452\",\"2000.20\",\"2008-5工资\"\r\n"));

        GuiDriver(window).click("CommandPrint");
        QProcess p;
        p.start("pdftotext", {QDir(pdfs.path()).filePath("银行代发.pdf"), "-"});
        QVERIFY(p.waitForFinished(30000));
        const QString printed = QString::fromUtf8(p.readAllStandardOutput()).remove(QRegularExpression("\\s+"));
        QVERIFY2(printed.contains("****0128") && printed.contains("现金发放3人"), qPrintable(printed));
        QVERIFY(!printed.contains("6222021234567890128"));
        QCOMPARE(permissionsOf(QDir(pdfs.path()).filePath("银行代发.pdf")),
                 ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        app.ctx().printToPdfDir = app.ctx().paths().file("打印");
        GuiDriver(window).click("CommandPrint");
        QCOMPARE(permissionsOf(app.ctx().paths().file("打印/银行代发.pdf")), ownerOnly);
        ::umask(umaskBefore);
        KV_VERIFY_BOXES(boxes);
    }

    // A worker's year from the sheet: the worker of the row chosen, twelve months under the
    // year's total; all workers shown when no row is chosen; printed.
    void workersYearFromTheSheet()
    {
        TestApp app;
        seed(app.db());
        app.db().exec("INSERT INTO 工资流水 (工号, 日期, 产品, 金额) VALUES ('004', '2008-11-03', '外壳', 300.05)");
        rebuildMonthlyTotals(app.db());
        QTemporaryDir pdfs;
        app.ctx().printToPdfDir = pdfs.path();
        ScriptedBoxes boxes;
        WageStatisticsWindow w(app.ctx());
        w.show();
        GuiDriver gui(&w);
        gui.click("Command5");
        QVERIFY(w.grid()->setCurrentCell(5, 1)); // 赵六
        QCOMPARE(w.grid()->text(5, SName), QString("赵六"));
        gui.click("年度汇总");
        auto* window = w.findChild<WorkerYearWindow*>("员工年度汇总Frm");
        QVERIFY(window);
        const ui::DataGrid& grid = *window->grid();
        QCOMPARE(grid.rows(), 14);
        QCOMPARE(grid.shownText(1, 0) + u' ' + grid.shownText(1, 3) + u' ' + grid.shownText(1, 5),
                 QString("2008年合计 2,800.25 2,300.25"));
        QCOMPARE(grid.shownText(6, 0) + u' ' + grid.shownText(6, 5), QString("2008-5 2,000.20"));
        QCOMPARE(grid.shownText(12, 0) + u' ' + grid.shownText(12, 5), QString("2008-11 300.05"));
        GuiDriver(window).click("CommandPrint");
        QProcess p;
        p.start("pdftotext", {QDir(pdfs.path()).filePath("员工年度汇总.pdf"), "-"});
        QVERIFY(p.waitForFinished(30000));
        const QString printed = QString::fromUtf8(p.readAllStandardOutput()).remove(QRegularExpression("\\s+"));
        QVERIFY2(printed.contains("赵六(004)") && printed.contains("2,300.25"), qPrintable(printed));

        GuiDriver(window).find<QComboBox>("ComboEmployee")->setCurrentIndex(0);
        QCOMPARE(grid.rows(), 1 + 1 + 5 * 13);
        QCOMPARE(grid.shownText(1, 0) + u' ' + grid.shownText(1, 5), QString("全部合计 4,090.65"));
        // 赵六's year ends his thirteen rows.
        QCOMPARE(grid.shownText(2 + 3 * 13 + 12, 0) + u' ' + grid.shownText(2 + 3 * 13 + 12, 2) + u' ' +
                     grid.shownText(2 + 3 * 13 + 12, 5),
                 QString("2008年合计 赵六 2,300.25"));
        GuiDriver(window).find<QSpinBox>("TextYear")->setValue(2007);
        QCOMPARE(grid.shownText(1, 5), QString("0.00"));
        // Net pay rounded to 元: each month rounded, the year's paid figure their sum.
        setNetPayRounding(app.db(), {NetPayRounding::Unit::Yuan, NetPayRounding::Mode::HalfUp});
        GuiDriver(window).find<QSpinBox>("TextYear")->setValue(2008);
        QCOMPARE(grid.cols(), 8);
        QCOMPARE(grid.shownText(1, 6) + u' ' + grid.shownText(1, 7), QString("4,090.00 -0.65"));
        QCOMPARE(grid.shownText(2 + 3 * 13 + 12, 6), QString("2,300.00"));
        KV_VERIFY_BOXES(boxes);
    }

    // 年度汇总's columns are fitted from what its rows gathered as they were made, not by measuring
    // each cell: still every cell fits, with the year's sums and the sum of all (more digits than
    // any month), a negative net pay of three places and the longest name among them.
    void everyFigureOfTheYearFitsItsColumn()
    {
        TestApp app;
        seed(app.db());
        app.db().exec("INSERT INTO 员工 (id, 工号, 姓名, 车间) VALUES (6, '006', '欧阳司马长孙慕容', '一车间')");
        for (int month = 1; month <= 12; ++month)
            app.db().exec(QStringLiteral("INSERT INTO 工资流水 (工号, 日期, 产品, 金额) VALUES ('006', '2008-%1-02', "
                                         "'外壳', 9999.99)")
                              .arg(month, 2, 10, QChar(u'0')));
        app.db().exec(
            "INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES ('002', '2008-06-01', '罚款', 123.456)");
        rebuildMonthlyTotals(app.db());
        setNetPayRounding(app.db(), {NetPayRounding::Unit::Yuan, NetPayRounding::Mode::HalfUp});
        QList<PayDue> everybody;
        for (int id = 1; id <= 6; ++id)
            everybody.append({id, {}, {}, {}});
        ScriptedBoxes boxes;
        WorkerYearWindow window(app.ctx(), everybody, 2008, 0);
        window.show();
        const ui::DataGrid& grid = *window.grid();
        QCOMPARE(grid.rows(), 1 + 1 + 6 * 13);
        const int year006 = 2 + 5 * 13 + 12;
        QCOMPARE(grid.shownText(year006, 2) + u' ' + grid.shownText(year006, 3),
                 QString("欧阳司马长孙慕容 119,999.88"));
        QCOMPARE(grid.shownText(2 + 1 * 13 + 5, 5) + u' ' + grid.shownText(2 + 1 * 13 + 5, 7),
                 QString("-123.456 0.456")); // 李四's June
        QCOMPARE(grid.shownText(1, 3), QString("124,290.48"));
        const QTableView* table = grid.table();
        for (int c = 0; c < grid.cols(); ++c) {
            for (int r = 1; r < grid.rows(); ++r) {
                QFont font = table->font();
                font.setBold(grid.isRowBold(r));
                const QString text = grid.shownText(r, c);
                QVERIFY2(QFontMetrics(font).horizontalAdvance(text) < table->columnWidth(c),
                         qPrintable(QStringLiteral("row %1 column %2: %3").arg(r).arg(c).arg(text)));
            }
        }
        KV_VERIFY_BOXES(boxes);
    }

    // Net pay rounded to 元: the sheet shows the paid figure and the difference beside the exact
    // net pay, subtotals and totals of the rows shown add up, and the export carries both.
    void roundedNetPayWithItsDifference()
    {
        TestApp app;
        seed(app.db());
        setNetPayRounding(app.db(), {NetPayRounding::Unit::Yuan, NetPayRounding::Mode::HalfUp});
        ScriptedBoxes boxes;
        WageStatisticsWindow w(app.ctx());
        w.show();
        GuiDriver gui(&w);
        ui::DataGrid& grid = *w.grid();
        gui.click("Command5");
        QCOMPARE(grid.cols(), StatsColumnCount + 2);
        QCOMPARE(grid.text(0, StatsColumnCount), QString("取整后实发"));
        gui.find<QCheckBox>("groupByWorkshop")->setChecked(true);
        QCOMPARE(grid.cols(), SWorkshop + 3);
        const int paid = SWorkshop + 1;
        QCOMPARE(grid.text(0, paid), QString("取整后实发"));
        QCOMPARE(grid.text(0, paid + 1), QString("取整差额"));
        const auto paidRows = [&] {
            QStringList out;
            for (int r = 1; r < grid.rows(); ++r)
                if (!grid.isRowHidden(r))
                    out << grid.shownText(r, SName) + u' ' + grid.shownText(r, SNetPay) + u' ' +
                               grid.shownText(r, paid) + u' ' + grid.shownText(r, paid + 1);
            return out;
        };
        QCOMPARE(paidRows(), QStringList({" 3,790.60 3,790.00 -0.60", " 700.00 700.00 0.00", "李四 700.00 700.00 0.00",
                                          " 3,000.60 3,000.00 -0.60", "张三 1,000.40 1,000.00 -0.40",
                                          "赵六 2,000.20 2,000.00 -0.20", " 80.00 80.00 0.00", "钱七 80.00 80.00 0.00",
                                          " 10.00 10.00 0.00", "王五 10.00 10.00 0.00"}));

        // Rows filtered away count in no total.
        gui.click("筛选");
        gui.find<QComboBox>("zdinput_0")->setCurrentIndex(1);
        gui.find<QLineEdit>("tjinput_0")->setText("赵六");
        gui.click("Command3");
        QCOMPARE(paidRows(), QStringList({" 2,000.20 2,000.00 -0.20", " 2,000.20 2,000.00 -0.20",
                                          "赵六 2,000.20 2,000.00 -0.20"}));

        boxes.expect("己导出");
        gui.click("导出");
        const auto sheet = readWorkbookCells(app.ctx().paths().file(QStringLiteral("按月份统计2008-5员工工资.xlsx")));
        QCOMPARE(sheet.at(0).value(7).text, QString("取整后实发"));
        QCOMPARE(sheet.at(0).value(8).text, QString("取整差额"));
        QCOMPARE(sheet.at(3).value(7).text.toDouble(), 2000.0);
        QCOMPARE(sheet.at(3).value(8).text.toDouble(), -0.2);
        KV_VERIFY_BOXES(boxes);
    }

    void rowsGroupedByWorkshopWithSubtotals()
    {
        TestApp app;
        seed(app.db());
        ScriptedBoxes boxes;
        QTemporaryDir pdfs;
        app.ctx().printToPdfDir = pdfs.path();
        WageStatisticsWindow w(app.ctx());
        w.show();
        GuiDriver gui(&w);
        ui::DataGrid& grid = *w.grid();
        gui.click("Command5");
        const QList<QStringList> ungrouped = shownRows(grid);
        QCOMPARE(grid.cols(), int(StatsColumnCount));

        // Checked: the run is made again, by workshop in the list's order, each under its subtotal.
        gui.find<QCheckBox>("groupByWorkshop")->setChecked(true);
        QCOMPARE(grid.text(0, SWorkshop), QString("车间"));
        QCOMPARE(shownRows(grid), QList<QStringList>({{"合计", "", "4,290.60", "500.00", "3,790.60"},
                                                      {"一车间 小计", "", "700.00", "0.00", "700.00"},
                                                      {"2008-5", "李四", "700.00", "0.00", "700.00"},
                                                      {"二车间 小计", "", "3,500.60", "500.00", "3,000.60"},
                                                      {"2008-5", "张三", "1,000.40", "0.00", "1,000.40"},
                                                      {"2008-5", "赵六", "2,500.20", "500.00", "2,000.20"},
                                                      {"三车间 小计", "", "80.00", "0.00", "80.00"},
                                                      {"2008-5", "钱七", "80.00", "0.00", "80.00"},
                                                      {"未分车间 小计", "", "10.00", "0.00", "10.00"},
                                                      {"2008-5", "王五", "10.00", "0.00", "10.00"}}));
        QVERIFY(grid.table()->model()->index(3, SProduction).data(Qt::FontRole).value<QFont>().bold()); // 二车间 小计
        QVERIFY(!grid.table()->model()->index(4, SProduction).data(Qt::FontRole).value<QFont>().bold());

        // A filter on the workshop leaves one workshop, its subtotal and the total of it.
        gui.click("筛选");
        auto* field = gui.find<QComboBox>("zdinput_0");
        QCOMPARE(field->itemText(5), QString("车间"));
        field->setCurrentIndex(5);
        gui.find<QLineEdit>("tjinput_0")->setText("二车间");
        gui.click("Command3");
        QCOMPARE(shownRows(grid), QList<QStringList>({{"合计", "", "3,500.60", "500.00", "3,000.60"},
                                                      {"二车间 小计", "", "3,500.60", "500.00", "3,000.60"},
                                                      {"2008-5", "张三", "1,000.40", "0.00", "1,000.40"},
                                                      {"2008-5", "赵六", "2,500.20", "500.00", "2,000.20"}}));

        // Export and print follow the grid; the slips are those of the workshop.
        boxes.expect("己导出");
        gui.click("导出");
        const auto sheet = readWorkbookCells(app.ctx().paths().file(QStringLiteral("按月份统计2008-5员工工资.xlsx")));
        QCOMPARE(sheet.size(), 5);
        QCOMPARE(sheet.at(0).value(6).text, QString("车间"));
        QCOMPARE(sheet.at(2).value(0).text, QString("二车间 小计"));
        QVERIFY(sheet.at(2).value(3).number && sheet.at(2).value(3).bold);
        QCOMPARE(sheet.at(4).value(6).text, QString("二车间"));
        QCOMPARE(sheet.at(4).value(5).text.toDouble(), 2000.2);
        gui.click("打印");
        gui.click("打印全部工资条");
        const auto text = [&](const QString& name) {
            QProcess p;
            p.start("pdftotext", {QDir(pdfs.path()).filePath(name), "-"});
            p.waitForFinished(30000);
            return QString::fromUtf8(p.readAllStandardOutput()).remove(QRegularExpression("\\s+"));
        };
        const QString printed = text("工资统计.pdf");
        for (const char* part : {"按月份统计：2008-5", "按车间分组", "二车间小计", "3,500.60", "赵六", "第1页/共1页"})
            QVERIFY2(printed.contains(QString::fromUtf8(part)), qPrintable(printed));
        QVERIFY(!printed.contains("李四"));
        const QString slips = text("2008-5 工资条.pdf");
        QVERIFY(slips.contains("张三") && slips.contains("赵六") && !slips.contains("钱七"));

        // Unchecked, the window is as it was: no workshop column, no such filter field.
        gui.click("Command2");
        gui.find<QCheckBox>("groupByWorkshop")->setChecked(false);
        QCOMPARE(grid.cols(), int(StatsColumnCount));
        QCOMPARE(field->count(), 5);
        QCOMPARE(shownRows(grid), ungrouped);
        KV_VERIFY_BOXES(boxes);
    }
};

QTEST_MAIN(TestPayrollSheet)
#include "test_payrollsheet.moc"
