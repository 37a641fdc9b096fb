#include "ScriptedBoxes.h"
#include "data/AppContext.h"
#include "ui/DataGrid.h"
#include "ui/Printing.h"
#include "ui/WorkbookExport.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

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
    grid.autoFitCols(0, 6);
    grid.addTotalsRow({3, 4, 5});
}

QByteArray unzipped(const QString& file, const QString& member)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, member});
    if (!unzip.waitForFinished(30000) || unzip.exitCode() != 0)
        return {};
    return unzip.readAllStandardOutput();
}

struct Cell {
    QString type;  // "s" shared string, "n" number
    QString value; // the string itself, or the number's text
    int style = 0;
};

// Reads the first sheet the way any spreadsheet program would: cell references, shared
// strings, the bold flag of each cell's style.
struct Sheet {
    QMap<QString, Cell> cells; // "A1" -> cell
    QList<bool> boldStyles;    // per style index

    bool bold(const QString& ref) const
    {
        const int s = cells.value(ref).style;
        return s >= 0 && s < boldStyles.size() && boldStyles.at(s);
    }

    static Sheet read(const QString& file)
    {
        Sheet sheet;
        QStringList shared;
        QXmlStreamReader strings(unzipped(file, QStringLiteral("xl/sharedStrings.xml")));
        while (!strings.atEnd()) {
            if (strings.readNext() == QXmlStreamReader::StartElement && strings.name() == u"si")
                shared << QString();
            else if (strings.isStartElement() && strings.name() == u"t")
                shared.last() += strings.readElementText();
        }

        QList<bool> fontBold;
        QXmlStreamReader styles(unzipped(file, QStringLiteral("xl/styles.xml")));
        QString section;
        while (!styles.atEnd()) {
            styles.readNext();
            if (styles.isStartElement()) {
                const auto name = styles.name();
                if (name == u"fonts" || name == u"cellXfs" || name == u"cellStyleXfs")
                    section = name.toString();
                else if (name == u"font" && section == u"fonts")
                    fontBold << false;
                else if (name == u"b" && section == u"fonts")
                    fontBold.last() = true;
                else if (name == u"xf" && section == u"cellXfs") {
                    const int font = styles.attributes().value(QStringLiteral("fontId")).toInt();
                    sheet.boldStyles << (font < fontBold.size() && fontBold.at(font));
                }
            } else if (styles.isEndElement() && styles.name().toString() == section) {
                section.clear();
            }
        }

        QXmlStreamReader xml(unzipped(file, QStringLiteral("xl/worksheets/sheet1.xml")));
        QString ref;
        Cell cell;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"c") {
                ref = xml.attributes().value(QStringLiteral("r")).toString();
                cell = Cell{xml.attributes().value(QStringLiteral("t")).toString(), QString(),
                            xml.attributes().value(QStringLiteral("s")).toInt()};
                if (cell.type.isEmpty())
                    cell.type = QStringLiteral("n");
            } else if (xml.isStartElement() && xml.name() == u"v") {
                cell.value = xml.readElementText();
                if (cell.type == u"s")
                    cell.value = shared.value(cell.value.toInt());
                sheet.cells.insert(ref, cell);
            }
        }
        return sheet;
    }
};

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

        const Sheet sheet = Sheet::read(file);
        const QStringList captions{QStringLiteral("月份"),     QStringLiteral("工号"), QStringLiteral("姓名"),
                                   QStringLiteral("生产金额"), QStringLiteral("扣减"), QStringLiteral("实发工资")};
        for (int c = 0; c < captions.size(); ++c) {
            const QString ref = QChar(u'A' + c) + QStringLiteral("1");
            QCOMPARE(sheet.cells.value(ref).type, QStringLiteral("s"));
            QCOMPARE(sheet.cells.value(ref).value, captions.at(c));
            QVERIFY2(sheet.bold(ref), qPrintable(ref));
        }
        // The hidden id column is left out: nothing beyond column F.
        for (auto it = sheet.cells.cbegin(); it != sheet.cells.cend(); ++it)
            QVERIFY2(it.key().at(0) <= u'F', qPrintable(it.key()));

        // Row 2 is the totals row: numbers a formula can sum, shown as "#,##0", bold.
        QCOMPARE(sheet.cells.value(QStringLiteral("A2")).value, QStringLiteral("合计"));
        QCOMPARE(sheet.cells.value(QStringLiteral("D2")).type, QStringLiteral("n"));
        QCOMPARE(sheet.cells.value(QStringLiteral("D2")).value.toDouble(), 1322.0); // all three, as shown
        QCOMPARE(sheet.cells.value(QStringLiteral("F2")).value.toDouble(), -686.0);
        QVERIFY(sheet.bold(QStringLiteral("D2")));

        // Employee rows: amounts are numbers, the number "001" stays text, the hidden row is gone.
        QCOMPARE(sheet.cells.value(QStringLiteral("B3")).type, QStringLiteral("s"));
        QCOMPARE(sheet.cells.value(QStringLiteral("B3")).value, QStringLiteral("001"));
        QCOMPARE(sheet.cells.value(QStringLiteral("C3")).value, QStringLiteral("张三"));
        QCOMPARE(sheet.cells.value(QStringLiteral("D3")).type, QStringLiteral("n"));
        QCOMPARE(sheet.cells.value(QStringLiteral("D3")).value.toDouble(), 1234.4);
        QCOMPARE(sheet.cells.value(QStringLiteral("F3")).value.toDouble(), -765.6);
        QVERIFY(!sheet.bold(QStringLiteral("D3")));
        QCOMPARE(sheet.cells.value(QStringLiteral("A3")).type, QStringLiteral("s")); // "2008-5" is no number
        QCOMPARE(sheet.cells.value(QStringLiteral("B4")).value, QStringLiteral("E002"));
        QCOMPARE(sheet.cells.value(QStringLiteral("D4")).type, QStringLiteral("n"));
        QVERIFY(!sheet.cells.contains(QStringLiteral("A5")));
        for (const Cell& cell : sheet.cells)
            QVERIFY(cell.value != QStringLiteral("王五"));

        // Nothing is left behind beside the file.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void exportKeepsLongCodesAsText()
    {
        QTemporaryDir dir;
        DataGrid grid;
        grid.setCols(4);
        grid.setText(0, 0, QStringLiteral("身份证号"));
        const int r = grid.addRow();
        grid.setText(r, 0, QStringLiteral("110101190001011234")); // 18 digits: no number keeps them
        grid.setText(r, 1, QStringLiteral("123456789012345"));
        grid.setText(r, 2, QStringLiteral("+5"));
        grid.setText(r, 3, QStringLiteral("0.25"));
        const QString file = dir.filePath(QStringLiteral("员工.xls"));
        QVERIFY(kv::ui::saveWorkbook(grid, file));
        const Sheet sheet = Sheet::read(file);
        QCOMPARE(sheet.cells.value(QStringLiteral("A2")).type, QStringLiteral("s"));
        QCOMPARE(sheet.cells.value(QStringLiteral("A2")).value, QStringLiteral("110101190001011234"));
        QCOMPARE(sheet.cells.value(QStringLiteral("B2")).type, QStringLiteral("n"));
        QCOMPARE(sheet.cells.value(QStringLiteral("C2")).type, QStringLiteral("s"));
        QCOMPARE(sheet.cells.value(QStringLiteral("D2")).type, QStringLiteral("n"));
        QCOMPARE(sheet.cells.value(QStringLiteral("D2")).value.toDouble(), 0.25);
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
