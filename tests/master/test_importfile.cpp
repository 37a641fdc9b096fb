#include "master/ImportFile.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

namespace {

const QString hostile = QStringLiteral(KV_SOURCE_DIR "/fuzz/corpus");

const QByteArray sheetStart = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet "
                              "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
const QByteArray sheetEnd = "</sheetData></worksheet>";
const QByteArray workbook =
    "<workbook xmlns:r=\"r\"><sheets><sheet name=\"员工\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
const QByteArray rels = "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>";

// A workbook archive of the parts given (deflated by Python's zipfile); a part may be written
// from a file of its own, for parts too large to pass around.
class Zip {
public:
    explicit Zip(const QString& dir) : m_dir(dir) {}
    Zip& part(const QString& name, const QByteArray& bytes)
    {
        const QString file = m_dir + QStringLiteral("/part%1").arg(m_args.size());
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file));
        return partFromFile(name, file);
    }
    Zip& partFromFile(const QString& name, const QString& file)
    {
        m_args << name << file;
        return *this;
    }
    Zip& sheet(const QByteArray& rows)
    {
        return part(QStringLiteral("xl/worksheets/sheet1.xml"), sheetStart + rows + sheetEnd);
    }
    QString write(const QString& name)
    {
        const QString path = m_dir + u'/' + name;
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     QStringList{QStringLiteral("-c"),
                                 QStringLiteral("import sys, zipfile\n"
                                                "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
                                                "    a = sys.argv[2:]\n"
                                                "    for i in range(0, len(a), 2): z.write(a[i + 1], a[i])\n"),
                                 path} +
                         m_args);
        if (!python.waitForFinished(120000) || python.exitCode() != 0)
            qFatal("python3 could not write the archive: %s", python.readAllStandardError().constData());
        return path;
    }

private:
    QString m_dir;
    QStringList m_args;
};

Zip book(const QString& dir)
{
    return std::move(Zip(dir)
                         .part(QStringLiteral("xl/workbook.xml"), workbook)
                         .part(QStringLiteral("xl/_rels/workbook.xml.rels"), rels));
}

QByteArray sharedStrings(const QByteArray& items, int declared)
{
    return "<sst uniqueCount=\"" + QByteArray::number(declared) + "\">" + items + "</sst>";
}

// No sentence of English (the XML reader's own messages) in a message; names of parts may stand.
bool isChinese(const QString& message)
{
    static const QRegularExpression english(QStringLiteral("[A-Za-z]{2,} [A-Za-z]{2,}"));
    return !message.isEmpty() && !english.match(message).hasMatch();
}

} // namespace

class TestImportFile : public QObject {
    Q_OBJECT
private slots:
    // Workbooks whose structure does not add up are refused whole, in Chinese, naming the sheet
    // and the row where it is known: references beyond XFD1048576 (the column that once
    // overflowed), rows out of order, a missing or short shared-strings part, an undefined
    // entity (once an empty cell), a document type, a cut-off part, and a part that inflates beyond the limit.
    void damagedWorkbooksAreRefusedWhole()
    {
        QTemporaryDir dir;
        const auto row = [](const QByteArray& cells, int r = 2) {
            return "<row r=\"" + QByteArray::number(r) + "\">" + cells + "</row>";
        };
        struct Case {
            const char* name;
            QString path;
            QString expected;
        };
        const QString sheet = QStringLiteral("工作表“员工”");
        QFile bomb(dir.filePath(QStringLiteral("blanks")));
        QVERIFY(bomb.open(QIODevice::WriteOnly));
        bomb.write(sheetStart);
        const QByteArray blanks(1 << 20, ' ');
        for (int i = 0; i < 101; ++i)
            bomb.write(blanks);
        bomb.write(sheetEnd);
        bomb.close();
        const QList<Case> cases{
            {"column ZZZZZZZZ", hostile + QStringLiteral("/xlsx/col-ZZZZZZZZ.xlsx"),
             QStringLiteral("单元格位置“ZZZZZZZZ2”无效")},
            {"column XFE", book(dir.path()).sheet(row("<c r=\"XFE2\"><v>1</v></c>")).write(QStringLiteral("a.xlsx")),
             sheet + QStringLiteral("第 2 行的单元格位置“XFE2”无效")},
            {"row beyond the last",
             book(dir.path()).sheet(row("<c><v>1</v></c>", 1048577)).write(QStringLiteral("b.xlsx")),
             QStringLiteral("无效的行号“1048577”")},
            {"cell of another row",
             book(dir.path()).sheet(row("<c r=\"A3\"><v>1</v></c>")).write(QStringLiteral("c.xlsx")),
             QStringLiteral("第 2 行的单元格位置“A3”无效")},
            {"rows out of order",
             book(dir.path())
                 .sheet(row("<c><v>1</v></c>", 5) + row("<c><v>1</v></c>", 3))
                 .write(QStringLiteral("d.xlsx")),
             QStringLiteral("第 5 行之后的行号 3 次序有误")},
            {"no shared strings",
             book(dir.path()).sheet(row("<c r=\"A2\" t=\"s\"><v>0</v></c>")).write(QStringLiteral("e.xlsx")),
             sheet + QStringLiteral("第 2 行引用的共享字符串缺失")},
            {"shared string beyond the list",
             book(dir.path())
                 .part(QStringLiteral("xl/sharedStrings.xml"), sharedStrings("<si><t>甲</t></si>", 1))
                 .sheet(row("<c r=\"A2\" t=\"s\"><v>0</v></c><c r=\"B2\" t=\"s\"><v>7</v></c>"))
                 .write(QStringLiteral("f.xlsx")),
             QStringLiteral("引用的共享字符串第 7 项不存在")},
            {"shared strings fewer than declared",
             book(dir.path())
                 .part(QStringLiteral("xl/sharedStrings.xml"), sharedStrings("<si><t>甲</t></si>", 300))
                 .sheet(row("<c r=\"A2\" t=\"s\"><v>0</v></c>"))
                 .write(QStringLiteral("g.xlsx")),
             QStringLiteral("共享字符串应有 300 项，只读到 1 项")},
            {"undefined entity",
             book(dir.path())
                 .sheet(row("<c r=\"A2\" t=\"inlineStr\"><is><t>a&nbsp;b</t></is></c>"))
                 .write(QStringLiteral("h.xlsx")),
             sheet + QStringLiteral("第 2 行的内容不是有效的 XML")},
            {"document type",
             book(dir.path())
                 .part(QStringLiteral("xl/worksheets/sheet1.xml"), "<!DOCTYPE x [<!ENTITY a \"aaaa\">]><worksheet/>")
                 .write(QStringLiteral("i.xlsx")),
             QStringLiteral("含有文档类型定义")},
            {"cut-off part",
             book(dir.path())
                 .part(QStringLiteral("xl/worksheets/sheet1.xml"),
                       sheetStart + row("<c r=\"A2\"><v>1</v></c>") + "<row r=\"3\"><c r=\"A")
                 .write(QStringLiteral("j.xlsx")),
             sheet + QStringLiteral("第 3 行的内容")},
            {"zip bomb",
             book(dir.path())
                 .partFromFile(QStringLiteral("xl/worksheets/sheet1.xml"), bomb.fileName())
                 .write(QStringLiteral("k.xlsx")),
             QStringLiteral("文件过大（xl/worksheets/sheet1.xml 解压后超过 100 MB")},
            {"unknown cell type",
             book(dir.path()).sheet(row("<c r=\"A2\" t=\"zz\"><v>1</v></c>")).write(QStringLiteral("l.xlsx")),
             QStringLiteral("单元格类型“zz”未知")},
        };
        for (const Case& c : cases) {
            const SourceSheet read = readImportFile(c.path);
            QVERIFY2(read.error.contains(c.expected),
                     qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(c.name), read.error)));
            QVERIFY2(read.error.endsWith(QStringLiteral("未导入任何数据。")), c.name);
            QVERIFY2(isChinese(read.error), qPrintable(read.error));
            QVERIFY(read.rows.isEmpty());
        }
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("k.xlsx"))).size() < 1000000); // a small file, 101 MB inflated

        // At the edge: XFD and row 1,048,576 are read.
        const SourceSheet edge = readImportFile(
            book(dir.path()).sheet(row("<c r=\"XFD1048576\"><v>5</v></c>", 1048576)).write(QStringLiteral("m.xlsx")));
        QVERIFY2(edge.error.isEmpty(), qPrintable(edge.error));
        QCOMPARE(edge.rows.size(), 1);
        QCOMPARE(edge.rows.at(0).line, 1048576);
        QCOMPARE(edge.rows.at(0).cells.size(), 16384);
        QCOMPARE(edge.rows.at(0).cells.last(), QStringLiteral("5"));
    }

    // Cell values: digits of a whole number kept as the file holds them, more than 15 of them
    // marked; rich text joined, phonetic guides left out; formatted empty cells add nothing.
    void workbookCellsReadAsTheFileHoldsThem()
    {
        const SourceSheet read = readImportFile(hostile + QStringLiteral("/xlsx/employees.xlsx"));
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QCOMPARE(read.rows.size(), 2);
        QCOMPARE(read.rows.at(0).cells, QStringList({"工号", "姓名", "车间", "工种", "身份证号"}));
        QCOMPARE(read.rows.at(1).cells,
                 QStringList({"7", "张三", "一车间", " 装配 ", "110101199202022000", "43830.3541666667"}));
        QCOMPARE(read.rows.at(1).longNumbers, QList<int>{4});

        QTemporaryDir dir;
        const SourceSheet digits = readImportFile(
            book(dir.path())
                .sheet("<row r=\"1\"><c r=\"A1\"><v>110101199202022001</v></c><c r=\"B1\"><v>123456789012345</v></c>"
                       "<c r=\"D1\" s=\"3\"/><c r=\"E1\"><v>-0.5</v></c></row><row r=\"4\"><c r=\"B4\" s=\"2\"/></row>")
                .write(QStringLiteral("d.xlsx")));
        QVERIFY2(digits.error.isEmpty(), qPrintable(digits.error));
        QCOMPARE(digits.rows.size(), 1); // the row of one formatted empty cell holds nothing
        QCOMPARE(digits.rows.at(0).cells, QStringList({"110101199202022001", "123456789012345", "", "", "-0.5"}));
        QCOMPARE(digits.rows.at(0).longNumbers, QList<int>{0});
    }

    // A damaged .xls is refused whole: one flipped byte once let FreeXL hand back 52 of 301
    // rows with the rest silently empty.
    void damagedXlsIsRefusedWhole()
    {
        const SourceSheet flipped = readImportFile(hostile + QStringLiteral("/xls/xls-flip-26387.xls"));
        QCOMPARE(flipped.error,
                 QStringLiteral("文件已损坏（工作表“real”应有 301 行，只读到第 52 行），未导入任何数据。"));
        QVERIFY(flipped.rows.isEmpty());

        const SourceSheet good = readImportFile(hostile + QStringLiteral("/xls/employees.xls"));
        QVERIFY2(good.error.isEmpty(), qPrintable(good.error));
        QCOMPARE(good.rows.size(), 3);
        QCOMPARE(good.rows.at(1).cells.at(4), QStringLiteral("2019-12-31 08:30:00"));
        QCOMPARE(good.rows.at(1).cells.at(5), QStringLiteral("110101199202022000"));
        QCOMPARE(good.rows.at(1).longNumbers, QList<int>{5});
    }

    // CSV line ends: LF, CR LF and a lone CR each end a line, inside quotes each is one line
    // break; the line numbers count them all.
    void csvLinesEndAtEveryKindOfLineBreak()
    {
        const SourceSheet read = readCsv("a,b\rc,\"d\re\"\r\nf,g\n\"h\r\ni\",j\r");
        QVERIFY(read.error.isEmpty());
        QCOMPARE(read.rows.size(), 4);
        QCOMPARE(read.rows.at(1).cells, QStringList({"c", "d\ne"}));
        QCOMPARE(read.rows.at(2).line, 4);
        QCOMPARE(read.rows.at(2).cells, QStringList({"f", "g"}));
        QCOMPARE(read.rows.at(3).line, 5);
        QCOMPARE(read.rows.at(3).cells, QStringList({"h\ni", "j"}));
    }

    // A damaged text is refused whole, with the line where it goes wrong: a quote that never
    // closes (it once swallowed the rows after it into one cell and imported as a success), a
    // file cut inside a quoted cell or inside a row, a quote that closes lines later, a field
    // too many, text after a closing quote, a UTF-16 text cut inside a character.
    void damagedCsvIsRefusedWithItsLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QByteArray header = "工号,姓名,车间,工种\n";
        const auto seed = [](const char* name) {
            QFile file(hostile + QStringLiteral("/csv/") + QLatin1String(name));
            if (!file.open(QIODevice::ReadOnly))
                qFatal("no seed %s", name);
            return file.readAll();
        };
        const auto utf16 = [](const QString& text) {
            return "\xFF\xFE" + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        };
        QTest::newRow("quote never closes") << seed("unclosed-quote.csv") << QStringLiteral("第 2 行的引号没有结束");
        QTest::newRow("cut inside a quoted cell")
            << header + "Q1,张三,一车间,装配\nQ2,李四,\"二车" << QStringLiteral("第 3 行的引号没有结束");
        QTest::newRow("cut inside a row")
            << seed("short-row.csv") << QStringLiteral("第 3 行只有 2 个字段，而标题行（第 1 行）有 4 个");
        QTest::newRow("row after a cell of two lines")
            << header + "Q1,\"张\r\n三\",一车间,装配\nQ2,李四,二车间\n"
            << QStringLiteral("第 4 行只有 3 个字段，而标题行（第 1 行）有 4 个");
        QTest::newRow("quote closing lines later")
            << header + "Q1,张三,一车间,\"装配\nQ2,李四,二车间,\"装配\"\nQ3,王五,三车间,装配\n"
            << QStringLiteral("第 3 行的一个字段在引号结束之后还有文字");
        QTest::newRow("field too many") << seed("extra-field.csv")
                                        << QStringLiteral("第 3 行有 5 个字段，而标题行（第 1 行）只有 4 个");
        QTest::newRow("header below blank lines") << QByteArray("\r\n;;\r\n工号;姓名\r\nQ1;张三;;\r\nQ2;李四;;x\r\n")
                                                  << QStringLiteral("第 5 行有 4 个字段，而标题行（第 3 行）只有 2 个");
        QTest::newRow("text after a closing quote")
            << seed("after-quote.csv") << QStringLiteral("第 3 行的一个字段在引号结束之后还有文字");
        QTest::newRow("UTF-16 cut inside a character") << utf16(QStringLiteral("工号\t姓名\r\nQ1\t张三")).chopped(1)
                                                       << QStringLiteral("UTF-16 编码的文字在一个字的中间结束");
        QTest::newRow("UTF-16 half a pair") << utf16(QStringLiteral("工号\r\n")) + QByteArray("\x3D\xD8\x41\x00", 4)
                                            << QStringLiteral("UTF-16 编码的文字中有无效的字符");
    }
    void damagedCsvIsRefusedWithItsLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        const SourceSheet read = readCsv(bytes);
        QVERIFY2(read.error.contains(expected), qPrintable(read.error));
        QVERIFY(read.error.startsWith(QStringLiteral("文件已损坏（")));
        QVERIFY(read.error.endsWith(QStringLiteral("未导入任何数据。")));
        QVERIFY(read.rows.isEmpty());
    }

    // What spreadsheets write is read: UTF-16 either way round with its byte-order mark (the
    // "Unicode text" of a spreadsheet, TAB separated, a character beyond the BMP, a cell of two
    // lines); rows padded with empty fields, rows of blanks left out, blanks after a closing
    // quote; rows as wide as a sheet.
    void spreadsheetTextsAreRead()
    {
        const QList<QStringList> expected{{"工号", "姓名", "车间", "工种", "上岗时间"},
                                          {"Q1", "𠀀三", "一车间", "装\n配", "2021/2/2"}};
        for (const char* name : {"utf16le.csv", "utf16be.csv"}) {
            const SourceSheet read = readImportFile(hostile + QStringLiteral("/csv/") + QLatin1String(name));
            QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
            QCOMPARE(read.rows.size(), 2);
            QCOMPARE(read.rows.at(0).cells, expected.at(0));
            QCOMPARE(read.rows.at(1).cells, expected.at(1));
            QCOMPARE(read.rows.at(1).line, 2);
        }

        const SourceSheet padded = readImportFile(hostile + QStringLiteral("/csv/padded-blank-rows.csv"));
        QVERIFY2(padded.error.isEmpty(), qPrintable(padded.error));
        QCOMPARE(padded.rows.size(), 3);
        QCOMPARE(padded.rows.at(0).line, 2);
        QCOMPARE(padded.rows.at(1).line, 4);
        QCOMPARE(padded.rows.at(1).cells, QStringList({"Q1", "张\n三", "一车间", "装配", "", ""}));
        QCOMPARE(padded.rows.at(2).line, 7);
        QCOMPARE(padded.rows.at(2).cells, QStringList({"Q2", "李四", "二车间", "装\"配"}));

        const SourceSheet blank = readCsv("工号,姓名\n\"Q1\" ,\"张三\"  \n");
        QVERIFY2(blank.error.isEmpty(), qPrintable(blank.error));
        QCOMPARE(blank.rows.at(1).cells, QStringList({"Q1", "张三"}));

        // A row holds as many fields as a sheet has columns, and no more.
        const QByteArray widest = "工号" + QByteArray(ImportLimits::maxColumns - 1, ',') + "\n";
        QCOMPARE(readCsv(widest).rows.value(0).cells.size(), ImportLimits::maxColumns);
        QCOMPARE(readCsv(widest + "Q1" + QByteArray(ImportLimits::maxColumns, ',')).error,
                 QStringLiteral("文件过大（第 2 行超过 16384 个字段），未导入任何数据。"));
    }
};

QTEST_GUILESS_MAIN(TestImportFile)
#include "test_importfile.moc"
