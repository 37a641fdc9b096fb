#include "GridDriver.h"
#include "ScriptedBoxes.h"
#include "TestDb.h"
#include "Workbook.h"
#include "data/Database.h"
#include "data/FactoryName.h"
#include "data/WorkProgress.h"
#include "entry/DatePicker.h"
#include "entry/MonthRecords.h"
#include "entry/WageEntryWindow.h"
#include "stats/WageStatisticsWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace kv;
using namespace grid_driver;

namespace {
QString pdfText(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

struct Line {
    int day;
    const char* product; // look-up code typed
    const char* qty;
};

// Two employees, three products and a deduction item; the factory is named. Prints go to PDF.
struct SlipFixture {
    SlipFixture()
    {
        Database& db = app.db();
        db.exec("INSERT INTO 员工 (工号, 姓名, 车间, 工种) VALUES ('001', '张三', '一车间', '车工'), "
                "('002', '李四', '二车间', '包装')");
        db.exec("INSERT INTO 产品工价 (产品编号, 产品说明, 拼音编码, 计量单位, 工价) VALUES "
                "('P01', '外壳', 'WK', '个', 1.25), ('P03', '螺丝', 'LS', '个', 0.8)");
        db.exec(
            "INSERT INTO 扣减项目 (扣减项目编号, 扣减项目说明, 拼音编码, 扣减金额) VALUES ('K02', '罚款', 'FK', 50)");
        setFactoryName(db, QStringLiteral("宏达服装厂"));
        app.ctx().printToPdfDir = pdfs.path();
    }

    QString pdf(const QString& title) const { return pdfText(pdfs.filePath(title + QStringLiteral(".pdf"))); }
    QStringList printed() const { return QDir(pdfs.path()).entryList({QStringLiteral("*.pdf")}); }

    TestApp app;
    ScriptedBoxes boxes;
    QTemporaryDir pdfs;
};

// Types an employee's lines into the entry window as the operator does: date by the picker,
// product by its look-up code, the quantity, Enter on.
void enterLines(WageEntryWindow& w, const char* number, const QList<Line>& lines,
                const QList<std::pair<int, const char*>>& deductions)
{
    GuiDriver gui(&w);
    gui.find<QLineEdit>(QStringLiteral("Text2"))->clear();
    gui.type(QStringLiteral("Text2"), QString::fromUtf8(number));
    auto& fg = *gui.find<ui::DataGrid>(QStringLiteral("fg"));
    fg.setFocus();
    fg.setCurrentCell(1, PDate);
    for (const Line& l : lines) {
        QTest::keyClick(fg.table(), Qt::Key_F2);
        auto* picker = gui.find<DatePicker>(QStringLiteral("dtPick"));
        picker->setDate(QDate(2008, 5, l.day));
        QTest::keyClick(picker, Qt::Key_Return);
        QTRY_VERIFY(openEditor(fg));
        typeInEditor(fg, QString::fromUtf8(l.product));
        keyInEditor(fg, Qt::Key_Return);
        QTRY_COMPARE(fg.col(), int(PQuantity));
        QTRY_VERIFY(openEditor(fg));
        typeInEditor(fg, QString::fromUtf8(l.qty));
        keyInEditor(fg, Qt::Key_Return);
        QTRY_COMPARE(fg.col(), int(PRemark));
        keyInEditor(fg, Qt::Key_Return);
        QTRY_COMPARE(fg.col(), int(PDate));
    }
    auto& fg1 = *gui.find<ui::DataGrid>(QStringLiteral("fg1"));
    fg1.setFocus();
    fg1.setCurrentCell(1, DDate);
    for (const auto& [day, item] : deductions) {
        QTest::keyClick(fg1.table(), Qt::Key_F2);
        gui.find<DatePicker>(QStringLiteral("DTPick1"))->setDate(QDate(2008, 5, day));
        QTest::keyClick(gui.find<DatePicker>(QStringLiteral("DTPick1")), Qt::Key_Return);
        QTRY_VERIFY(openEditor(fg1));
        typeInEditor(fg1, QString::fromUtf8(item));
        keyInEditor(fg1, Qt::Key_Return);
        QTRY_COMPARE(fg1.col(), int(DAmount));
        QTRY_VERIFY(openEditor(fg1));
        keyInEditor(fg1, Qt::Key_Return);
        QTRY_COMPARE(fg1.col(), int(DDate));
    }
}

// Every text must stand in the document; returns the first one missing. Blanks do not count:
// the PDF reader drops those beside Chinese characters.
QString missing(QString text, const QStringList& expected)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    text.remove(blanks);
    for (const QString& e : expected)
        if (!text.contains(QString(e).remove(blanks)))
            return e;
    return {};
}
} // namespace

class TestSlipPrints : public QObject {
    Q_OBJECT
private slots:
    void slipsOfMonthsEnteredInTheWindow()
    {
        SlipFixture f;
        WageEntryWindow entry(f.app.ctx());
        entry.resize(900, 600);
        entry.show();
        entry.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&entry));
        GuiDriver gui(&entry);

        // 张三: 40 外壳 at 1.25 and 7 螺丝 at 0.8, fined 50; 李四: 13 螺丝 and 12 外壳.
        enterLines(entry, "001", {{5, "wk", "40"}, {12, "ls", "7"}}, {{9, "fk"}});
        QCOMPARE(gui.find<QLineEdit>("Text5")->text(), QStringLiteral("5.60"));
        // Not saved yet: the slip is refused and nothing printed.
        f.boxes.expect(QStringLiteral("请先保存"));
        gui.click(QStringLiteral("Command8"));
        KV_VERIFY_BOXES(f.boxes);
        QVERIFY(f.printed().isEmpty());
        f.boxes.expect(QStringLiteral("保存成功！"));
        gui.click(QStringLiteral("Command1"));
        gui.click(QStringLiteral("Command8"));
        KV_VERIFY_BOXES(f.boxes);
        const QString one = f.pdf(QStringLiteral("张三(001)2008-5 工资条"));
        QCOMPARE(missing(one, {"宏达服装厂",
                               "张三",
                               "001",
                               "一车间",
                               "车工",
                               "2008-5",
                               "2008-5-5",
                               "外壳",
                               "40",
                               "1.25",
                               "50",
                               "2008-5-12",
                               "螺丝",
                               "7",
                               "0.8",
                               "5.6",
                               "2008-5-9",
                               "罚款",
                               "生产金额合计：55.6",
                               "减扣金额合计：50",
                               "实发工资：5.6",
                               "签收："}),
                 QString());

        enterLines(entry, "002", {{3, "ls", "13"}, {20, "wk", "12"}}, {});
        f.boxes.expect(QStringLiteral("保存成功！"));
        gui.click(QStringLiteral("Command1"));
        // An edit after the save is unsaved again.
        auto& fg = *gui.find<ui::DataGrid>(QStringLiteral("fg"));
        fg.setText(1, PRemark, QStringLiteral("返工"));
        f.boxes.expect(QStringLiteral("请先保存"));
        gui.click(QStringLiteral("Command8"));
        KV_VERIFY_BOXES(f.boxes);
        fg.setText(1, PRemark, QString());

        // The statistics print the slips of the rows shown, as one document.
        WageStatisticsWindow stats(f.app.ctx());
        stats.show();
        GuiDriver sg(&stats);
        sg.click(QStringLiteral("Command5"));
        sg.click(QStringLiteral("打印全部工资条"));
        const QString both = f.pdf(QStringLiteral("2008-5 工资条"));
        QCOMPARE(missing(both, {"张三", "李四", "二车间", "包装", "2008-5-3", "13", "10.4", "2008-5-20", "12", "15",
                                "生产金额合计：55.6", "实发工资：5.6", "生产金额合计：25.4", "减扣金额合计：0",
                                "实发工资：25.4", "第 1 页 / 共 1 页"}),
                 QString());
        QCOMPARE(both.count(QStringLiteral("签收：")), 2);

        // The selected row alone; then a filter leaves one employee for "all".
        stats.grid()->setCurrentCell(3, SName);
        sg.click(QStringLiteral("打印选中工资条"));
        QVERIFY(f.pdf(QStringLiteral("李四(002)2008-5 工资条")).contains(QStringLiteral("实发工资：25.4")));
        sg.click(QStringLiteral("筛选"));
        sg.find<QLineEdit>(QStringLiteral("tjinput_0"))->setText(QStringLiteral("001"));
        sg.click(QStringLiteral("Command3"));
        sg.click(QStringLiteral("打印全部工资条"));
        const QString filtered = f.pdf(QStringLiteral("2008-5 工资条"));
        QVERIFY(filtered.contains(QStringLiteral("张三")));
        QVERIFY(!filtered.contains(QStringLiteral("李四")));

        // The workbook: title, then per employee captions, values (numbers) and an empty row.
        sg.click(QStringLiteral("Command2")); // closing the panel shows everyone again
        f.boxes.expect(QStringLiteral("己导出"));
        sg.click(QStringLiteral("导出工资条"));
        KV_VERIFY_BOXES(f.boxes);
        const auto sheet = readWorkbookCells(f.app.ctx().paths().file(QStringLiteral("2008-5工资条.xlsx")));
        QCOMPARE(sheet.value(0).value(0).text, QStringLiteral("宏达服装厂 2008-5 工资条"));
        for (int base : {2, 5}) {
            QCOMPARE(sheet.value(base).value(5).text, QStringLiteral("生产金额合计"));
            QVERIFY(sheet.value(base).value(0).bold);
            QVERIFY(sheet.value(base + 1).value(5).number && sheet.value(base + 1).value(7).number);
            for (const WorkbookCell& c : sheet.value(base + 2))
                QVERIFY(c.text.isEmpty());
        }
        QCOMPARE(sheet.value(3).value(2).text, QStringLiteral("张三"));
        QCOMPARE(sheet.value(3).value(5).text.toDouble(), 55.6);
        QCOMPARE(sheet.value(3).value(7).text.toDouble(), 5.6);
        QCOMPARE(sheet.value(6).value(1).text, QStringLiteral("002"));
        QVERIFY(!sheet.value(6).value(1).number);
        QCOMPARE(sheet.value(6).value(6).text.toDouble(), 0.0);
        QCOMPARE(sheet.value(6).value(7).text.toDouble(), 25.4);

        // Slips are monthly: a year's statistics print none.
        sg.find<QTabWidget>(QStringLiteral("C1Tab1"))->setCurrentIndex(2);
        sg.click(QStringLiteral("Command5"));
        f.boxes.expect(QStringLiteral("工资条按月份打印"));
        sg.click(QStringLiteral("打印全部工资条"));
        KV_VERIFY_BOXES(f.boxes);
    }

    // Many slips print off the window's thread; stopped half-way, they leave no document behind
    // and an earlier print of the same name as it was.
    void aStoppedSlipPrintLeavesNothingBehind()
    {
        SlipFixture f;
        MonthRecords records(f.app.db());
        for (int e = 1; e <= 60; ++e) {
            const QString number = QStringLiteral("%1").arg(100 + e);
            const QString name = QStringLiteral("工人%1").arg(e);
            f.app.db().exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名) VALUES (?, ?)"), {number, name});
            records.saveMonth(readMonthSheet({QStringLiteral("2008-5"), number, name,
                               {{QStringLiteral("2008-5-3"), QStringLiteral("外壳"), QStringLiteral("个"),
                                 QString::number(e), QString(), QString(), QStringLiteral("1.25"), QString()}},
                               {}}));
        }
        const QString target = QDir(f.pdfs.path()).filePath(QStringLiteral("2008-5 工资条.pdf"));
        {
            QFile earlier(target);
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier print");
        }
        WageStatisticsWindow stats(f.app.ctx());
        stats.show();
        GuiDriver sg(&stats);
        sg.click(QStringLiteral("Command5"));

        int pages = 0;
        WorkProgress::watcher() = [&pages](WorkProgress& progress) {
            pages = progress.total();
            if (progress.done() * 2 >= progress.total())
                progress.cancel();
        };
        sg.click(QStringLiteral("打印全部工资条"));
        WorkProgress::watcher() = nullptr;
        QVERIFY2(pages > 4, qPrintable(QString::number(pages)));
        QCOMPARE(f.printed(), QStringList{QStringLiteral("2008-5 工资条.pdf")});
        QVERIFY(QDir(f.pdfs.path()).entryList(QDir::Files | QDir::Hidden).size() == 1);
        QFile earlier(target);
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("earlier print"));
        earlier.close();
        KV_VERIFY_BOXES(f.boxes); // stopping is no failure: no message

        // Printed through, the document holds every slip on every page.
        sg.click(QStringLiteral("打印全部工资条"));
        const QString all = f.pdf(QStringLiteral("2008-5 工资条"));
        QCOMPARE(all.count(QStringLiteral("签收：")), 60);
        QVERIFY(all.contains(QStringLiteral("第 %1 页 / 共 %1 页").arg(pages)));
    }
};

QTEST_MAIN(TestSlipPrints)
#include "test_slipprints.moc"
