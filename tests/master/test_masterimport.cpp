#include "TestDb.h"
#include "data/Database.h"
#include "lists/CodeList.h"
#include "master/ImportFile.h"
#include "master/ImportReader.h"
#include "master/MasterImport.h"
#include "master/MasterRecords.h"
#include "master/RecordListWindow.h"
#include "ui/WorkbookExport.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <iconv.h>
#include <xlsxwriter.h>

using namespace kv;

namespace {

QByteArray gbk(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    iconv_t cd = iconv_open("GBK", "UTF-8");
    QByteArray out(utf8.size() * 2, '\0');
    char* in = const_cast<char*>(utf8.constData());
    size_t inLeft = size_t(utf8.size()), outLeft = size_t(out.size());
    char* outPtr = out.data();
    iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    out.truncate(out.size() - qsizetype(outLeft));
    return out;
}

QString writeFile(const QString& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir + u'/' + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// A workbook with the rows given; a cell that starts with '#' is written as a number. Written
// with shared strings, or with inline strings as a workbook in constant-memory mode does.
QString writeXlsx(const QString& dir, const QList<QStringList>& rows, bool inlineStrings)
{
    const QString path = dir + (inlineStrings ? QStringLiteral("/inline.xlsx") : QStringLiteral("/shared.xlsx"));
    lxw_workbook_options options{};
    options.constant_memory = inlineStrings ? LXW_TRUE : LXW_FALSE;
    lxw_workbook* book = workbook_new_opt(path.toUtf8().constData(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows.at(r).size(); ++c) {
            const QString cell = rows.at(r).at(c);
            if (cell.startsWith(u'#'))
                worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), cell.mid(1).toDouble(), nullptr);
            else if (!cell.isEmpty())
                worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), cell.toUtf8().constData(), nullptr);
        }
    if (workbook_close(book) != LXW_NO_ERROR)
        qFatal("cannot write workbook");
    return path;
}

// A real .xls (BIFF8) written by the xlwt library, as older spreadsheet programs save it: shared
// strings, whole and fractional numbers, and a day in a date-formatted cell.
QString writeXls(const QString& dir)
{
    const QString path = dir + QStringLiteral("/员工.xls");
    const QString script = QStringLiteral(
        "import sys, datetime, xlwt\n"
        "book = xlwt.Workbook(encoding='utf-8')\n"
        "sheet = book.add_sheet('员工')\n"
        "day = xlwt.easyxf(num_format_str='yyyy-mm-dd')\n"
        "for c, h in enumerate(['上岗时间', '姓名', '工号', '车间', '备注', '工种']):\n"
        "    sheet.write(0, c, h)\n"
        "sheet.write(1, 0, datetime.date(2008, 5, 7), day)\n"
        "sheet.write(1, 1, '张三')\n"
        "sheet.write(1, 2, 7)\n"
        "sheet.write(1, 3, '一车间')\n"
        "sheet.write(1, 4, 1.25)\n"
        "sheet.write(2, 1, '李四')\n"
        "sheet.write(2, 2, 'A-08')\n"
        "sheet.write(2, 4, '夜班')\n"
        "sheet.write(1, 5, '装配')\n"
        "sheet.write(2, 5, '包装')\n"
        "book.save(sys.argv[1])\n");
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    if (!python.waitForFinished(30000) || python.exitCode() != 0)
        qFatal("python3-xlwt could not write the workbook: %s", python.readAllStandardError().constData());
    return path;
}

ImportPreview previewFile(Database& db, MasterKind kind, const QString& path)
{
    const SourceSheet sheet = readImportFile(path);
    if (!sheet.error.isEmpty())
        qFatal("unreadable: %s", qPrintable(sheet.error));
    return MasterImport(db, kind).preview(sheet.rows);
}

QStringList employee(const QString& number, const QString& name, const QString& workshop)
{
    return {number, name, QStringLiteral("男"), QString(), workshop, QStringLiteral("装配"), QStringLiteral("2008-5-7"),
            QStringLiteral("老员工")};
}

} // namespace

class TestMasterImport : public QObject {
    Q_OBJECT
private slots:
    // A GBK CSV with its columns in another order, an extra column, an empty row, a bad date, a
    // missing name, a number twice in the file and one already stored.
    void gbkCsvIsCheckedRowByRowBeforeAnythingIsStored()
    {
        TestApp app;
        MasterRecords employees(app.db(), MasterKind::Employee);
        QVERIFY(employees.save(0, employee(QStringLiteral("003"), QStringLiteral("旧名"), QStringLiteral("一车间"))));
        const QString csv = QStringLiteral("姓名,电话,工号,车间,工种,上岗时间\r\n"
                                           "张三,139,001,一车间,装配,2008-05-07\r\n"
                                           ",,,,,\r\n"
                                           "\"李,四\",,002,新车间,包装,39575\r\n"
                                           "王五,,004,一车间,装配,2008-13-40\r\n"
                                           ",,005,一车间,装配,\r\n"
                                           "赵六,,001,一车间,装配,\r\n"
                                           "\"新 名\",,003,二车间,质检,\r\n");
        QVERIFY(gbk(csv).size() < csv.toUtf8().size()); // really GBK bytes
        const QString path = writeFile(app.dir(), QStringLiteral("员工.csv"), gbk(csv));

        const ImportPreview p = previewFile(app.db(), MasterKind::Employee, path);
        QVERIFY(p.error.isEmpty());
        QCOMPARE(p.ignoredColumns, QStringList{QStringLiteral("电话")});
        QCOMPARE(p.rows.size(), 6); // the empty row is left out
        QCOMPARE(p.rows.at(0).values,
                 QStringList({"001", "张三", "", "", "一车间", "装配", "2008-5-7", "", "", "", ""}));
        QVERIFY(p.rows.at(0).accepted());
        QCOMPARE(p.rows.at(1).line, 4);
        QCOMPARE(p.rows.at(1).values.at(1), QStringLiteral("李,四"));
        QCOMPARE(p.rows.at(1).values.at(6), QStringLiteral("2008-5-7")); // a spreadsheet's day count
        QCOMPARE(p.rows.at(2).problems.keys(), QList<int>{6});
        QVERIFY(p.rows.at(2).problems.value(6).contains(QStringLiteral("不是有效的日期")));
        QCOMPARE(p.rows.at(3).problems.value(1), QStringLiteral("员工姓名未填写！"));
        QCOMPARE(p.rows.at(4).problems.value(0), QStringLiteral("与第 2 行的工号相同"));
        QCOMPARE(p.rows.at(5).existingId, employees.list().rows.at(0).last().toLongLong());
        QVERIFY(p.rows.at(5).accepted());
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT count(*) FROM 员工")).toInt(), 1);

        // Skipping stored numbers adds the two good rows; the new workshop joins its list.
        const auto skipped = MasterImport(app.db(), MasterKind::Employee).store(p, ExistingRows::Skip);
        QVERIFY(skipped);
        QCOMPARE(importSummary(*skipped), QStringLiteral("导入完成：新增 2 条，更新 0 条，跳过 4 条。"));
        QVERIFY(CodeList(app.db(), CodeListKind::Workshop).names().contains(QStringLiteral("新车间")));
        QCOMPARE(employees.list().rows.at(0).at(1), QStringLiteral("旧名"));

        // Updating changes the named columns of 003 and keeps 性别 and 备注, which the file lacks.
        const ImportPreview again = previewFile(app.db(), MasterKind::Employee, path);
        const auto updated = MasterImport(app.db(), MasterKind::Employee).store(again, ExistingRows::Update);
        QCOMPARE(updated->updated, 3); // 001 and 002 are stored now too
        QCOMPARE(updated->added, 0);
        const QStringList old = employees.list({{QStringLiteral("工号"), QStringLiteral("003")}}).rows.at(0);
        QCOMPARE(old.mid(0, 8), QStringList({"003", "新 名", "男", "", "二车间", "质检", "", "老员工"}));
        QVERIFY(CodeList(app.db(), CodeListKind::JobType).names().contains(QStringLiteral("质检")));
    }

    // Workbooks with shared and inline strings; the price of a stored product changes, its
    // stored wage lines do not; pinyin is computed where the file has none.
    void workbooksImportProductsAndUpdatesLeaveWageLines()
    {
        TestApp app;
        MasterRecords products(app.db(), MasterKind::Product);
        QVERIFY(products.save(0, {"C1", "螺丝", "LS", "个", "2", ""}));
        app.db().exec(QStringLiteral("INSERT INTO 工资流水 (工号, 日期, 产品, 工价, 数量, 金额) "
                                     "VALUES ('001', '2008-05-07', '螺丝', 2, 10, 20)"));
        const QList<QStringList> rows{{"工价", "产品说明", "计量单位", "产品编号"},
                                      {"#2.5", "螺丝", "个", "C1"},
                                      {"十二", "垫片", "个", "C2"},
                                      {"#0.35", "弹簧", "盒", "#1001"}};
        for (const bool inlineStrings : {false, true}) {
            const ImportPreview p =
                previewFile(app.db(), MasterKind::Product, writeXlsx(app.dir(), rows, inlineStrings));
            QCOMPARE(p.rows.size(), 3);
            QCOMPARE(p.rows.at(1).problems.value(4), QStringLiteral("工价不是数字：十二"));
            QCOMPARE(p.rows.at(2).values, QStringList({"1001", "弹簧", "DH", "盒", "0.35", ""}));
            if (inlineStrings) {
                QVERIFY(p.rows.at(2).existingId != 0);
                continue;
            }
            const auto counts = MasterImport(app.db(), MasterKind::Product).store(p, ExistingRows::Update);
            QCOMPARE(counts->added, 1);
            QCOMPARE(counts->updated, 1);
            QCOMPARE(counts->skipped, 1);
        }
        QCOMPARE(products.list().rows.at(0).mid(0, 6), QStringList({"C1", "螺丝", "LS", "个", "2.5", ""}));
        QCOMPARE(storedRow(app.db(), QStringLiteral("SELECT 工价, 金额 FROM 工资流水")), QStringLiteral("2|20"));
        QVERIFY(CodeList(app.db(), CodeListKind::Unit).names().contains(QStringLiteral("盒")));
    }

    // A real .xls: numbers read as plain decimals, a date cell as its day, Chinese text intact.
    void xlsWorkbooksImportEmployees()
    {
        TestApp app;
        const ImportPreview p = previewFile(app.db(), MasterKind::Employee, writeXls(app.dir()));
        QVERIFY2(p.error.isEmpty(), qPrintable(p.error));
        QCOMPARE(p.rows.size(), 2);
        QCOMPARE(p.rows.at(0).values,
                 QStringList({"7", "张三", "", "", "一车间", "装配", "2008-5-7", "1.25", "", "", ""}));
        QCOMPARE(p.rows.at(1).values, QStringList({"A-08", "李四", "", "", "", "包装", "", "夜班", "", "", ""}));
        QCOMPARE(p.rows.at(1).problems.value(4), QStringLiteral("车间未填写！"));
        const auto counts = MasterImport(app.db(), MasterKind::Employee).store(p, ExistingRows::Skip);
        QCOMPARE(counts->added, 1);
        QCOMPARE(MasterRecords(app.db(), MasterKind::Employee).list().rows.at(0).at(6), QStringLiteral("2008-5-7"));
    }

    // Each list window's export imports back into an empty file unchanged, and onto itself
    // as updates that change nothing.
    // The export masks card numbers: imported back over the same records they keep the stored
    // numbers; a masked number for a record that is not there is refused with its row.
    void exportedWorkbooksImportBackUnchanged()
    {
        TestApp source;
        MasterRecords(source.db(), MasterKind::Employee)
            .save(0, {"001", "张三", "女", "110101199001011234", "一车间", "装配", "2008-5-7", "备注 1", "工商银行",
                      "6222021234567890128", "银行"});
        MasterRecords(source.db(), MasterKind::Employee).save(0, {"1002", "李四", "", "", "二车间", "包装", "", ""});
        MasterRecords(source.db(), MasterKind::Product).save(0, {"C00001", "螺丝", "XX", "个", "12.25", ""});
        MasterRecords(source.db(), MasterKind::Deduction).save(0, {"K1", "水费", "SF", "30", "每月"});
        TestApp target;
        for (const MasterKind kind : {MasterKind::Employee, MasterKind::Product, MasterKind::Deduction}) {
            RecordListWindow window(source.ctx(), kind);
            const QString path = source.dir() + QStringLiteral("/export.xls");
            QVERIFY(ui::saveWorkbook(*window.grid(), path));
            const RecordRows before = MasterRecords(source.db(), kind).list();

            const ImportPreview onto = previewFile(source.db(), kind, path);
            const auto counts = MasterImport(source.db(), kind).store(onto, ExistingRows::Update);
            QCOMPARE(counts->updated, before.rows.size());
            QCOMPARE(MasterRecords(source.db(), kind).list().rows, before.rows);

            QCOMPARE(source.db().scalar(QStringLiteral("SELECT max(银行卡号) FROM 员工")).toString(),
                     QStringLiteral("6222021234567890128"));

            const ImportPreview fresh = previewFile(target.db(), kind, path);
            const bool employees = kind == MasterKind::Employee;
            QCOMPARE(MasterImport(target.db(), kind).store(fresh, ExistingRows::Skip)->added,
                     before.rows.size() - (employees ? 1 : 0));
            if (employees) {
                QCOMPARE(fresh.rows.at(0).problems.values(),
                         QStringList({"银行卡号只有后四位，请填写完整的卡号：**** **** **** 0128"}));
                QCOMPARE(MasterRecords(target.db(), kind).list().rows.at(0).at(1), QStringLiteral("李四"));
            } else {
                QCOMPARE(MasterRecords(target.db(), kind).list().rows, before.rows);
            }
        }
    }

    // A statement failing in the middle, or a cancel from the progress bar, stores nothing;
    // 10,000 rows go through the preview and into the table.
    void largeImportIsAllOrNothing()
    {
        TestApp app;
        QByteArray csv = "工号,姓名,车间,工种\n";
        for (int i = 1; i <= 10000; ++i)
            csv += QStringLiteral("E%1,员工%1,车间%2,装配\n").arg(i).arg(i % 7).toUtf8();
        const QString path = writeFile(app.dir(), QStringLiteral("big.csv"), csv);
        const ImportPreview p = previewFile(app.db(), MasterKind::Employee, path);
        QCOMPARE(p.rows.size(), 10000);
        QVERIFY(std::all_of(p.rows.cbegin(), p.rows.cend(), [](const ImportRow& r) { return r.accepted(); }));
        QCOMPARE(p.rows.last().line, 10001);

        const auto count = [&](const char* table) {
            return app.db().scalar(QStringLiteral("SELECT count(*) FROM %1").arg(QString::fromUtf8(table))).toInt();
        };
        failInserts(app.db(), QStringLiteral("disk_full"), QStringLiteral("员工"), QStringLiteral("磁盘已满"),
                    QStringLiteral("(SELECT count(*) FROM 员工) >= 5000"));
        QVERIFY_THROWS_EXCEPTION(DbError, MasterImport(app.db(), MasterKind::Employee).store(p, ExistingRows::Skip));
        QCOMPARE(count("员工"), 0);
        QCOMPARE(count("车间"), 0);
        liftFailure(app.db(), QStringLiteral("disk_full"), QStringLiteral("员工"));

        const auto cancelAt = [](int at) { return [at](int done, int) { return done < at; }; };
        QVERIFY(!MasterImport(app.db(), MasterKind::Employee).store(p, ExistingRows::Skip, cancelAt(9000)));
        QCOMPARE(count("员工"), 0);

        int last = 0;
        const auto counts = MasterImport(app.db(), MasterKind::Employee).store(p, ExistingRows::Skip, [&](int done, int all) {
            if (done != last + 1 || all != 10000)
                return false;
            last = done;
            return true;
        });
        QCOMPARE(counts->added, 10000);
        QCOMPARE(count("员工"), 10000);
        QCOMPARE(count("车间"), 7);
        // One log entry for the import that was stored, none for the failed and cancelled ones;
        // it names the workshops that joined their list.
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT count(*) || ' ' || max(操作) FROM 操作日志")).toString(),
                 QStringLiteral("1 导入员工"));
        const QString said = app.db().scalar(QStringLiteral("SELECT max(内容) FROM 操作日志")).toString();
        QVERIFY2(said.startsWith(QStringLiteral("新增 10000 条，更新 0 条，跳过 0 条；代码表新增 车间 ")), qPrintable(said));
        QCOMPARE(said.count(QStringLiteral("车间 ")), 7);
    }

    // Files that cannot be imported say why in Chinese and store nothing.
    void unreadableFilesAndMissingColumnsAreRefused()
    {
        TestApp app;
        const QString damaged = writeFile(app.dir(), QStringLiteral("坏.xlsx"), QByteArray("PK\x03\x04garbage", 11));
        QVERIFY(readImportFile(damaged).error.startsWith(QStringLiteral("无法读取文件")));
        const QString damagedXls =
            writeFile(app.dir(), QStringLiteral("坏.xls"), QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1garbage", 15));
        QVERIFY(readImportFile(damagedXls).error.startsWith(QStringLiteral("无法读取文件")));
        QVERIFY(!readImportFile(app.dir() + QStringLiteral("/none.csv")).error.isEmpty());

        const QString noPrice = writeFile(app.dir(), QStringLiteral("p.csv"), "\xEF\xBB\xBF产品编号;产品说明\nC1;螺丝\n");
        const ImportPreview p = previewFile(app.db(), MasterKind::Product, noPrice);
        QCOMPARE(p.error, QStringLiteral("文件第一行缺少必需的列：计量单位、工价。"));
        QVERIFY(p.rows.isEmpty());

        const QString quoted = writeFile(app.dir(), QStringLiteral("q.csv"),
                                         "扣减项目编号\t扣减项目说明\t扣减金额\n\"K\"\"1\"\t\"两\n行\"\t5\nK2\t饭费\t6");
        const ImportPreview q = previewFile(app.db(), MasterKind::Deduction, quoted);
        QCOMPARE(q.rows.size(), 2);
        QCOMPARE(q.rows.at(0).values.mid(0, 2), QStringList({"K\"1", "两\n行"}));
        QCOMPARE(q.rows.at(0).values.at(3), QStringLiteral("5"));
        QCOMPARE(q.rows.at(1).line, 4);
    }

    // The program reads files in a reader process: a reader that crashes inside FreeXL, meets a
    // cut-off file, or answers anything but a whole sheet gives the one message and no rows;
    // what a sound reader answers is what reading in the program would give.
    void readerProcessKeepsCrashesAwayFromTheProgram()
    {
        TestApp app;
        const QString program = app.ctx().readerProgram;
        const QString corpus = QStringLiteral(KV_SOURCE_DIR "/fuzz/corpus");
        const SourceSheet crashed = readImportFileApart(corpus + QStringLiteral("/xls/SEGV_1e0c3e74.xls"), program);
        QCOMPARE(crashed.error, readerFailedMessage());
        QVERIFY(crashed.rows.isEmpty());

        QFile whole(corpus + QStringLiteral("/xls/employees.xls"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        const QString cut = writeFile(app.dir(), QStringLiteral("cut.xls"), whole.read(whole.size() / 2));
        const SourceSheet truncated = readImportFileApart(cut, program);
        QVERIFY(!truncated.error.isEmpty());
        QVERIFY(truncated.rows.isEmpty());

        const SourceSheet flipped = readImportFileApart(corpus + QStringLiteral("/xls/xls-flip-26387.xls"), program);
        QVERIFY2(flipped.error.contains(QStringLiteral("应有 301 行，只读到第 52 行")), qPrintable(flipped.error));

        for (const QString& name : {QStringLiteral("/xls/employees.xls"), QStringLiteral("/xlsx/employees.xlsx")}) {
            const SourceSheet apart = readImportFileApart(corpus + name, program);
            const SourceSheet here = readImportFile(corpus + name);
            QVERIFY2(apart.error.isEmpty(), qPrintable(apart.error));
            QCOMPARE(apart.rows.size(), here.rows.size());
            for (qsizetype r = 0; r < here.rows.size(); ++r) {
                QCOMPARE(apart.rows.at(r).line, here.rows.at(r).line);
                QCOMPARE(apart.rows.at(r).cells, here.rows.at(r).cells);
                QCOMPARE(apart.rows.at(r).longNumbers, here.rows.at(r).longNumbers);
            }
        }
        // A reader that does not end is ended when the clerk stops waiting.
        const QString sleeper = writeFile(app.dir(), QStringLiteral("sleeper.sh"), "#!/bin/sh\nexec sleep 600\n");
        QFile::setPermissions(sleeper, QFile::ReadOwner | QFile::ExeOwner);
        int asked = 0;
        const SourceSheet stopped = readImportFileApart(corpus + QStringLiteral("/xls/employees.xls"), sleeper,
                                                        [&asked] { return ++asked < 3; });
        QCOMPARE(stopped.error, readerCancelledMessage());
        QCOMPARE(asked, 3);

        // Readers that end well but answer nothing, or something else than a sheet.
        for (const QString& other :
             {QStringLiteral("/bin/true"), QStringLiteral("/bin/echo"), app.dir() + QStringLiteral("/none")})
            QCOMPARE(readImportFileApart(corpus + QStringLiteral("/xlsx/employees.xlsx"), other).error,
                     readerFailedMessage());
    }

    // A CSV has no sheet size: 1,100,000 rows of one column (10 MB, within every limit) come
    // through the reader process whole, where the program once refused them as damaged for
    // being more rows than a workbook sheet holds. The program then names the missing columns.
    void aMillionRowCsvComesThroughTheReader()
    {
        if (TestApp::onServer())
            QSKIP("the reader reads the file alike on either engine");
        TestApp app;
        QByteArray bytes = "工号\n";
        for (int i = 1; i <= 1100000; ++i)
            bytes += 'E' + QByteArray::number(1000000 + i) + '\n';
        const QString path = writeFile(app.dir(), QStringLiteral("many.csv"), bytes);
        const SourceSheet apart = readImportFileApart(path, app.ctx().readerProgram);
        QVERIFY2(apart.error.isEmpty(), qPrintable(apart.error));
        QCOMPARE(apart.rows.size(), 1100001);
        QCOMPARE(apart.rows.last().line, 1100001);
        QCOMPARE(apart.rows.last().cells, QStringList{"E2100000"});
        QCOMPARE(MasterImport(app.db(), MasterKind::Employee).preview(apart.rows).error,
                 QStringLiteral("文件第一行缺少必需的列：姓名、车间、工种。"));
    }

    // One day is one value whichever file brings it: an .xls date cell (with or without a
    // time), an .xlsx day count and the ways a CSV writes it all show as 2021-2-2 in the
    // preview and are stored as 2021-02-02. Early day counts follow the spreadsheets' own,
    // which count a 1900-2-29 that never was as day 60.
    void aDayIsOneValueFromEveryKindOfFile()
    {
        TestApp app;
        const QString xls = app.dir() + QStringLiteral("/days.xls");
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import sys, datetime, xlwt\n"
                                     "book = xlwt.Workbook(encoding='utf-8')\n"
                                     "sheet = book.add_sheet('员工')\n"
                                     "for c, h in enumerate(['工号', '姓名', '车间', '工种', '上岗时间']):\n"
                                     "    sheet.write(0, c, h)\n"
                                     "days = [(datetime.date(2021, 2, 2), 'yyyy-mm-dd'),\n"
                                     "        (datetime.datetime(2021, 2, 2, 8, 30), 'yyyy-mm-dd hh:mm')]\n"
                                     "for r, (day, form) in enumerate(days, 1):\n"
                                     "    for c, v in enumerate(['L%d' % r, '甲', '一车间', '装配']):\n"
                                     "        sheet.write(r, c, v)\n"
                                     "    sheet.write(r, 4, day, xlwt.easyxf(num_format_str=form))\n"
                                     "book.save(sys.argv[1])\n"),
                      xls});
        QVERIFY(python.waitForFinished(30000) && python.exitCode() == 0);
        const QStringList header{"工号", "姓名", "车间", "工种", "上岗时间"};
        const QString xlsx = writeXlsx(app.dir(),
                                       {header,
                                        {"X1", "乙", "一车间", "装配", "#44229"},
                                        {"X2", "乙", "一车间", "装配", "#44229.354"},
                                        {"X3", "乙", "一车间", "装配", "2021-02-02"}},
                                       false);
        const QString csv = writeFile(app.dir(), QStringLiteral("days.csv"),
                                      "工号,姓名,车间,工种,上岗时间\n"
                                      "C1,丙,一车间,装配,2021-02-02\n"
                                      "C2,丙,一车间,装配,2021/2/2\n"
                                      "C3,丙,一车间,装配,2021-2-2 08:30\n"
                                      "D1,丁,一车间,装配,1\n"
                                      "D59,丁,一车间,装配,59\n"
                                      "D60,丁,一车间,装配,60\n"
                                      "D61,丁,一车间,装配,61\n");
        QMap<QString, QString> shown;
        for (const QString& path : {xls, xlsx, csv}) {
            const ImportPreview p = previewFile(app.db(), MasterKind::Employee, path);
            for (const ImportRow& row : p.rows)
                shown.insert(row.values.at(0), row.accepted() ? row.values.at(6) : row.problems.value(6));
            QCOMPARE(MasterImport(app.db(), MasterKind::Employee).store(p, ExistingRows::Skip)->skipped,
                     path == csv ? 1 : 0);
        }
        QMap<QString, QString> stored;
        Statement st = app.db().prepare(QStringLiteral("SELECT 工号, '' || 上岗时间 FROM 员工"));
        while (st.next())
            stored.insert(st.text(0), st.text(1));
        for (const char* number : {"L1", "L2", "X1", "X2", "X3", "C1", "C2", "C3"}) {
            QCOMPARE(shown.value(QLatin1String(number)), QStringLiteral("2021-2-2"));
            QCOMPARE(stored.value(QLatin1String(number)), QStringLiteral("2021-02-02"));
        }
        QCOMPARE(stored.value(QStringLiteral("D1")), QStringLiteral("1900-01-01"));
        QCOMPARE(stored.value(QStringLiteral("D59")), QStringLiteral("1900-02-28"));
        QCOMPARE(shown.value(QStringLiteral("D60")), QStringLiteral("上岗时间不是有效的日期（如 2008-5-7）：60"));
        QVERIFY(!stored.contains(QStringLiteral("D60")));
        QCOMPARE(stored.value(QStringLiteral("D61")), QStringLiteral("1900-03-01"));
    }

    // Row by row: a text longer than a field takes, or one holding a control character, refuses
    // its row with the reason; ID numbers keep every digit, with a warning when a workbook held
    // them as a number; dates with a time import as their day. Lines may end in a lone CR.
    void badTextsAreRefusedRowByRowAndLongNumbersWarned()
    {
        TestApp app;
        const QString name(10 * 1000 * 1000, u'名');
        const QString csv = QStringLiteral("工号,姓名,车间,工种,身份证号,上岗时间\r"
                                           "E1,%1,一车间,装配,,\r"
                                           "E2,乙\u0000,一车间,装配,,\r"
                                           "E3,丙,一车间,装配\u0007,110101199202022001,2019-12-31 08:30\r"
                                           "E4,丁,一车间,装配,,43830.354\r")
                                .arg(name);
        const ImportPreview p =
            previewFile(app.db(), MasterKind::Employee, writeFile(app.dir(), QStringLiteral("bad.csv"), csv.toUtf8()));
        QCOMPARE(p.rows.size(), 4);
        QCOMPARE(p.rows.at(3).line, 5);
        QCOMPARE(p.rows.at(0).problems.value(1), QStringLiteral("姓名太长：10000000 个字，最多 255 个字"));
        QCOMPARE(p.rows.at(0).values.at(1).size(), kMaxImportedChars + 1); // shown cut short
        QCOMPARE(p.rows.at(1).problems.value(1), QStringLiteral("姓名含有控制字符（如 NUL），不能导入"));
        QCOMPARE(p.rows.at(2).problems.keys(), QList<int>{5});
        QCOMPARE(p.rows.at(2).values.at(3), QStringLiteral("110101199202022001"));
        QCOMPARE(p.rows.at(2).values.at(6), QStringLiteral("2019-12-31"));
        QVERIFY(p.rows.at(3).accepted());
        QCOMPARE(p.rows.at(3).values.at(6), QStringLiteral("2019-12-31"));
        QVERIFY(p.rows.at(3).warnings.isEmpty());

        // The .xls holds the ID as a number (digits beyond 15 lost) and the date with a time.
        const ImportPreview xls =
            previewFile(app.db(), MasterKind::Employee, QStringLiteral(KV_SOURCE_DIR "/fuzz/corpus/xls/employees.xls"));
        QVERIFY(xls.rows.at(0).accepted());
        QCOMPARE(xls.rows.at(0).values.at(6), QStringLiteral("2019-12-31"));
        QCOMPARE(xls.rows.at(0).warnings.keys(), QList<int>{3});
        QVERIFY(xls.rows.at(0).warnings.value(3).contains(QStringLiteral("身份证号在文件中是超过 15 位的数字")));
        const auto counts = MasterImport(app.db(), MasterKind::Employee).store(p, ExistingRows::Skip);
        QCOMPARE(counts->added, 1);
        QCOMPARE(MasterImport(app.db(), MasterKind::Employee).store(xls, ExistingRows::Skip)->added, 1);
        QStringList stored;
        Statement st =
            app.db().prepare(QStringLiteral("SELECT coalesce(身份证号, '') || '/' || 上岗时间 FROM 员工 ORDER BY id"));
        while (st.next())
            stored << st.text(0);
        QCOMPARE(stored, QStringList({"/2019-12-31", "110101199202022000/2019-12-31"}));
    }
};

QTEST_MAIN(TestMasterImport)
#include "test_masterimport.moc"
