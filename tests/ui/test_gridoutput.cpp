#include "ScriptedBoxes.h"
#include "Workbook.h"
#include "data/AppContext.h"
#include "ui/DataGrid.h"
#include "ui/Printing.h"
#include "ui/WorkbookExport.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using kv::ui::DataGrid;

namespace {

// The statistics of one month as the grid shows them: Chinese captions, a hidden id column,
// an employee number with leading zeros, a totals row.
void fillStatistics(DataGrid& grid)
{
    grid.setCols(7);
    const QStringList captions{QStringLiteral("月份"),
                               QStringLiteral("工号"),
                               QStringLiteral("姓名"),
                               QStringLiteral("生产金额"),
                               QStringLiteral("扣减"),
                               QStringLiteral("实发工资"),
                               QString()};
    for (int c = 0; c < captions.size(); ++c)
        grid.setText(0, c, captions.at(c));
    grid.setColHidden(6);
    const QList<QStringList> rows{
        {QStringLiteral("2008-5"), QStringLiteral("001"), QStringLiteral("张三"), QStringLiteral("1234.4"),
         QStringLiteral("2000"), QStringLiteral("-765.6"), QStringLiteral("17")},
        {QStringLiteral("2008-5"), QStringLiteral("E002"), QStringLiteral("李四"), QStringLiteral("0"),
         QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("18")},
        {QStringLiteral("2008-5"), QStringLiteral("1003"), QStringLiteral("王五"), QStringLiteral("88"),
         QStringLiteral("8"), QStringLiteral("80"), QStringLiteral("19")}};
    for (const QStringList& values : rows) {
        const int r = grid.addRow();
        for (int c = 0; c < values.size(); ++c)
            grid.setText(r, c, values.at(c));
    }
    for (int c : {3, 4, 5})
        grid.setColumnKind(c, DataGrid::ColumnKind::Money);
    grid.autoFitCols(0, 6);
    grid.addTotalsRow({3, 4, 5});
}

// The cell at a spreadsheet reference such as "D3"; empty when the sheet has none there.
WorkbookCell at(const QList<QList<WorkbookCell>>& sheet, const char* ref)
{
    const int col = ref[0] - 'A';
    const int row = QByteArray(ref + 1).toInt() - 1;
    return sheet.value(row).value(col);
}

QString pdfText(const QString& file)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestGridOutput : public QObject {
    Q_OBJECT
private slots:
    void exportedWorkbookHoldsWhatTheGridShows()
    {
        QTemporaryDir dir;
        DataGrid grid;
        fillStatistics(grid);
        grid.setRowHidden(4); // 王五 filtered away
        const QString file = dir.filePath(QStringLiteral("按月份统计2008-5员工工资.xls"));
        // An older export of the same name is replaced.
        {
            QFile old(file);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old export");
        }
        QString error;
        QVERIFY2(kv::ui::saveWorkbook(grid, file, &error), qPrintable(error));
        QVERIFY(error.isEmpty());

        const QList<QList<WorkbookCell>> sheet = readWorkbookCells(file);
        const QStringList captions{QStringLiteral("月份"),     QStringLiteral("工号"), QStringLiteral("姓名"),
                                   QStringLiteral("生产金额"), QStringLiteral("扣减"), QStringLiteral("实发工资")};
        // The hidden id column is left out: six columns, captions first and bold.
        QCOMPARE(sheet.value(0).size(), 6);
        for (int c = 0; c < captions.size(); ++c) {
            QCOMPARE(sheet.at(0).at(c).text, captions.at(c));
            QVERIFY(!sheet.at(0).at(c).number);
            QVERIFY(sheet.at(0).at(c).bold);
        }
        for (const QList<WorkbookCell>& row : sheet)
            QVERIFY(row.size() <= 6);

        // Row 2 is the totals row: the exact sums of all three employees as numbers a formula
        // can sum, displayed as money the way the grid shows them ("1,322.40"), bold.
        QCOMPARE(at(sheet, "A2").text, QStringLiteral("合计"));
        QCOMPARE(grid.shownText(1, 3), QStringLiteral("1,322.40"));
        for (const auto& [ref, sum] : {std::pair{"D2", 1322.4}, {"E2", 2008.0}, {"F2", -685.6}}) {
            QVERIFY(at(sheet, ref).number);
            QCOMPARE(at(sheet, ref).text.toDouble(), sum);
            QCOMPARE(at(sheet, ref).format, QStringLiteral("#,##0.00####"));
            QVERIFY(at(sheet, ref).bold);
        }
        QCOMPARE(at(sheet, "D3").format, QStringLiteral("#,##0.00####"));

        // Employee rows: amounts are numbers, the number "001" stays text, the hidden row is gone.
        QCOMPARE(at(sheet, "B3").text, QStringLiteral("001"));
        QVERIFY(!at(sheet, "B3").number);
        QCOMPARE(at(sheet, "C3").text, QStringLiteral("张三"));
        QVERIFY(at(sheet, "D3").number);
        QCOMPARE(at(sheet, "D3").text.toDouble(), 1234.4);
        QCOMPARE(at(sheet, "F3").text.toDouble(), -765.6);
        QVERIFY(!at(sheet, "D3").bold);
        QVERIFY(!at(sheet, "A3").number); // "2008-5" is no number
        QCOMPARE(at(sheet, "B4").text, QStringLiteral("E002"));
        QVERIFY(at(sheet, "D4").number);
        QCOMPARE(sheet.size(), 4);
        QCOMPARE(readWorkbook(file).value(3).value(2), QStringLiteral("李四"));

        // Nothing is left behind beside the file.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    // Only number columns give numbers: an identity number, a code such as "1.50" or "-0", a
    // remark of digits stay the texts they are; a text in a number column stays text too.
    void exportKeepsLongCodesAsText()
    {
        QTemporaryDir dir;
        DataGrid grid;
        grid.setCols(6);
        grid.setText(0, 0, QStringLiteral("身份证号"));
        grid.setColumnKind(1, DataGrid::ColumnKind::Number);
        grid.setColumnKind(3, DataGrid::ColumnKind::Money);
        const QStringList texts{QStringLiteral("110101190001011234"),
                                QStringLiteral("1234567890.5"),
                                QStringLiteral("+5"),
                                QStringLiteral("0.25"),
                                QStringLiteral("1.50"),
                                QStringLiteral("-0")};
        for (const QString& line : {QStringLiteral("1"), QStringLiteral("2")}) {
            const int r = grid.addRow();
            for (int c = 0; c < texts.size(); ++c)
                grid.setText(r, c, line == QStringLiteral("1") ? texts.at(c) : QStringLiteral("备注 %1").arg(c));
        }
        const QString file = dir.filePath(QStringLiteral("员工.xls"));
        QVERIFY(kv::ui::saveWorkbook(grid, file));
        const QList<QList<WorkbookCell>> sheet = readWorkbookCells(file);
        for (const char* ref : {"A2", "C2", "E2", "F2"})
            QVERIFY2(!at(sheet, ref).number, ref);
        QCOMPARE(at(sheet, "A2").text, QStringLiteral("110101190001011234"));
        QCOMPARE(at(sheet, "C2").text, QStringLiteral("+5"));
        QCOMPARE(at(sheet, "E2").text, QStringLiteral("1.50"));
        QCOMPARE(at(sheet, "F2").text, QStringLiteral("-0"));
        QVERIFY(at(sheet, "B2").number);
        QCOMPARE(at(sheet, "B2").text.toDouble(), 1234567890.5);
        QVERIFY(at(sheet, "D2").number);
        QCOMPARE(at(sheet, "D2").text.toDouble(), 0.25);
        QCOMPARE(at(sheet, "D2").format, QStringLiteral("#,##0.00####"));
        QVERIFY(!at(sheet, "B3").number && !at(sheet, "D3").number);
        QCOMPARE(at(sheet, "D3").text, QStringLiteral("备注 3"));
    }

    void failedExportReportsAndWritesNothing()
    {
        QTemporaryDir dir;
        DataGrid grid;
        fillStatistics(grid);
        const QString missing = dir.filePath(QStringLiteral("没有的文件夹/员工.xls"));
        QString error;
        QVERIFY(!kv::ui::saveWorkbook(grid, missing, &error));
        QVERIFY(error.contains(QStringLiteral("员工.xls")));
        QVERIFY(!QFileInfo::exists(missing));
        QVERIFY(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());

        // A folder standing where the file should go: refused, the folder untouched.
        const QString taken = dir.filePath(QStringLiteral("产品工价.xls"));
        QVERIFY(QDir().mkpath(taken));
        error.clear();
        QVERIFY(!kv::ui::saveWorkbook(grid, taken, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo(taken).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);
    }

    void printedDocumentCarriesTitleAndCells()
    {
        QTemporaryDir dir;
        kv::AppContext ctx(dir.path());
        ctx.printToPdfDir = dir.filePath(QStringLiteral("prints"));
        ScriptedBoxes boxes;
        DataGrid grid;
        grid.setCols(8);
        const QStringList captions{QStringLiteral("日期"), QStringLiteral("产品"), QStringLiteral("计量单位"),
                                   QStringLiteral("数量"), QStringLiteral("金额"), QStringLiteral("备注")};
        for (int c = 0; c < captions.size(); ++c)
            grid.setText(0, c, captions.at(c));
        grid.setColHidden(6);
        grid.setColHidden(7);
        grid.setRows(8);
        grid.setText(1, 0, QStringLiteral("2008-5-7"));
        grid.setText(1, 1, QStringLiteral("外壳"));
        grid.setText(1, 2, QStringLiteral("件"));
        grid.setText(1, 3, QStringLiteral("40"));
        grid.setText(1, 4, QStringLiteral("50"));
        grid.setText(1, 6, QStringLiteral("工价9.87"));
        grid.setText(2, 1, QStringLiteral("隐藏的行"));
        grid.setRowHidden(2);
        for (int c = 0; c < 6; ++c)
            grid.setColWidth(c, 1300);

        const QString title = QStringLiteral("张三(001)2008-5 生产详细");
        QVERIFY(kv::ui::printDocument(ctx, nullptr, grid, title));
        KV_VERIFY_BOXES(boxes);
        const QString pdf = QDir(ctx.printToPdfDir).filePath(title + QStringLiteral(".pdf"));
        QVERIFY2(QFileInfo::exists(pdf), qPrintable(pdf));
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(title), qPrintable(text));
        for (const QString& caption : captions)
            QVERIFY2(text.contains(caption), qPrintable(caption));
        for (const char16_t* shown : {u"2008-5-7", u"外壳", u"件", u"40", u"50"})
            QVERIFY2(text.contains(QString::fromUtf16(shown)), qPrintable(QString::fromUtf16(shown)));
        QVERIFY(!text.contains(QStringLiteral("工价9.87"))); // hidden column
        QVERIFY(!text.contains(QStringLiteral("隐藏的行"))); // hidden row
    }

    void longGridsGoOnOverPagesUnderTheirCaptions()
    {
        QTemporaryDir dir;
        kv::AppContext ctx(dir.path());
        ctx.printToPdfDir = dir.path();
        ScriptedBoxes boxes;
        QWidget window;
        window.setWindowTitle(QStringLiteral("员工管理"));
        auto* grid = new DataGrid(&window);
        grid->setCols(3);
        grid->setText(0, 0, QStringLiteral("工号"));
        grid->setText(0, 1, QStringLiteral("姓名"));
        grid->setText(0, 2, QStringLiteral("车间"));
        for (int i = 1; i <= 150; ++i) {
            const int r = grid->addRow();
            grid->setText(r, 0, QStringLiteral("Y%1").arg(i, 5, 10, QChar(u'0')));
            grid->setText(r, 1, QStringLiteral("员工%1").arg(i));
        }
        QVERIFY(kv::ui::printDocument(ctx, nullptr, *grid)); // no title: named after its window
        KV_VERIFY_BOXES(boxes);
        const QString text = pdfText(dir.filePath(QStringLiteral("员工管理.pdf")));
        const qsizetype pages = text.count(u'\f');
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
        QCOMPARE(text.count(QStringLiteral("姓名")), pages);
        QVERIFY(text.contains(QStringLiteral("Y00001")));
        QVERIFY(text.contains(QStringLiteral("Y00150")));
        QVERIFY(text.contains(QStringLiteral("员工150")));
        // Every row once, none lost or doubled at a page break.
        QCOMPARE(text.count(QRegularExpression(QStringLiteral("Y\\d{5}"))), 150);

        // A title with characters a file name may not hold still prints.
        QVERIFY(kv::ui::printDocument(ctx, nullptr, *grid, QStringLiteral("2008/5/7 员工")));
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("2008_5_7 员工.pdf"))));
    }

    void numberColumnsAlignRight()
    {
        QTemporaryDir dir;
        kv::AppContext ctx(dir.path());
        ctx.printToPdfDir = dir.path();
        DataGrid grid;
        grid.setCols(3);
        for (int c = 0; c < 3; ++c) {
            grid.setText(0, c,
                         QStringList{QStringLiteral("工号"), QStringLiteral("金额"), QStringLiteral("备注")}.at(c));
            grid.setColWidth(c, 2000);
        }
        // Codes with leading zeros are no numbers; one text among numbers makes a text column.
        // (Words of neighbouring cells that touch are read as one, so no two touch here.)
        const QList<QStringList> rows{{QStringLiteral("001"), QStringLiteral("5"), QString()},
                                      {QStringLiteral("1003"), QStringLiteral("1234.5"), QStringLiteral("12kg")},
                                      {QStringLiteral("E002"), QStringLiteral("-20"), QStringLiteral("7")}};
        for (const QStringList& values : rows) {
            const int r = grid.addRow();
            for (int c = 0; c < values.size(); ++c)
                grid.setText(r, c, values.at(c));
        }
        grid.addTotalsRow({1}); // "1,219.50", a number too
        QVERIFY(kv::ui::printDocument(ctx, nullptr, grid, QStringLiteral("对齐")));

        // Where each word stands on the page: left and right edges by its text.
        QProcess p;
        p.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-bbox"), dir.filePath(QStringLiteral("对齐.pdf")), QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        QHash<QString, QPair<double, double>> edges;
        static const QRegularExpression word(
            QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
        for (auto it = word.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); it.hasNext();) {
            const auto m = it.next();
            edges.insert(m.captured(3), {m.captured(1).toDouble(), m.captured(2).toDouble()});
        }
        const auto sameEdge = [&](const QStringList& words, bool right) {
            for (const QString& w : words) {
                if (!edges.contains(w))
                    return false;
                const double at = right ? edges.value(w).second : edges.value(w).first;
                const double first = right ? edges.value(words.first()).second : edges.value(words.first()).first;
                if (std::abs(at - first) > 1.0)
                    return false;
            }
            return true;
        };
        QVERIFY(sameEdge(
            {QStringLiteral("5"), QStringLiteral("1234.5"), QStringLiteral("-20"), QStringLiteral("1,219.50")}, true));
        QVERIFY(!sameEdge({QStringLiteral("5"), QStringLiteral("1234.5")}, false));
        QVERIFY(sameEdge({QStringLiteral("001"), QStringLiteral("1003"), QStringLiteral("E002")}, false));
        QVERIFY(sameEdge({QStringLiteral("12kg"), QStringLiteral("7")}, false));
    }

    void printToAFolderThatCannotBeMadeIsReported()
    {
        QTemporaryDir dir;
        kv::AppContext ctx(dir.path());
        const QString blocker = dir.filePath(QStringLiteral("prints"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly)); // a file where the folder should be
        file.close();
        ctx.printToPdfDir = blocker + QStringLiteral("/2008");
        ScriptedBoxes boxes;
        boxes.expect(QStringLiteral("无法打印到文件夹"));
        DataGrid grid;
        grid.setCols(1);
        QVERIFY(!kv::ui::printDocument(ctx, nullptr, grid, QStringLiteral("测试")));
        KV_VERIFY_BOXES(boxes);
    }

    void withoutPrinterTheUserIsTold()
    {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a printer");
        QTemporaryDir dir;
        kv::AppContext ctx(dir.path());
        ScriptedBoxes boxes;
        boxes.expect(QStringLiteral("打印机"));
        DataGrid grid;
        grid.setCols(1);
        QVERIFY(!kv::ui::printDocument(ctx, nullptr, grid, QStringLiteral("测试")));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(boxes.shown().first().icon, kv::ui::Icon::Warning);
    }
};

QTEST_MAIN(TestGridOutput)
#include "test_gridoutput.moc"
