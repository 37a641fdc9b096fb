#include "GuiDriver.h"
#include "ScriptedBoxes.h"
#include "TestDb.h"
#include "data/Database.h"
#include "master/ImportDialog.h"
#include "master/ImportReader.h"
#include "master/RecordListWindow.h"
#include "ui/DataGrid.h"
#include "ui/FileChooser.h"

#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QTest>

using namespace kv;

namespace {

// The list window's 导入 answers the file question with this path.
class ChosenFile {
public:
    explicit ChosenFile(const QString& path)
    {
        ui::setFileResponder([path](const QString&) { return path; });
    }
    ~ChosenFile() { ui::setFileResponder({}); }
    ChosenFile(const ChosenFile&) = delete;
    ChosenFile& operator=(const ChosenFile&) = delete;
};

QString writeCsv(const QString& dir, const QString& name, const QString& text)
{
    const QString path = dir + u'/' + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text.toUtf8()) < 0)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

int employees(TestApp& app)
{
    return app.db().scalar(QStringLiteral("SELECT count(*) FROM 员工")).toInt();
}

ImportDialog* openImport(RecordListWindow& window)
{
    GuiDriver(&window).click(QStringLiteral("导入"));
    auto* dialog = window.findChild<ImportDialog*>(QStringLiteral("导入Frm"));
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

const QString rows = QStringLiteral("工号,姓名,车间,工种\n"
                                    "E1,甲,一车间,装配\n"
                                    "E2,乙,,装配\n"
                                    "E3,新名,二车间,包装\n");

} // namespace

class TestImportWindow : public QObject {
    Q_OBJECT
private slots:
    // The preview marks refused cells and stored numbers; 确定导入 updates as chosen and the
    // list shows the result.
    void importThroughTheToolbar()
    {
        TestApp app;
        app.db().exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名, 车间, 工种) VALUES ('E3', '旧名', '一车间', '装配')"));
        ScriptedBoxes boxes;
        RecordListWindow window(app.ctx(), MasterKind::Employee);
        ChosenFile file(writeCsv(app.dir(), QStringLiteral("员工.csv"), rows));
        QPointer<ImportDialog> dialog = openImport(window);
        QVERIFY(dialog);
        auto* grid = GuiDriver(dialog).find<ui::DataGrid>(QStringLiteral("fg"));
        QCOMPARE(grid->rows(), 4);
        const int workshop = ImportDialog::FirstValueCol + 4;
        QCOMPARE(grid->cellToolTip(2, workshop), QStringLiteral("车间未填写！"));
        QVERIFY(grid->cellBackground(2, workshop) != QColor(Qt::white));
        QCOMPARE(grid->cellBackground(1, workshop), QColor(Qt::white));
        QVERIFY(grid->cellToolTip(3, ImportDialog::FirstValueCol).contains(QStringLiteral("已有相同工号")));

        GuiDriver(dialog).click(QStringLiteral("Option2"));
        boxes.expect(QStringLiteral("导入完成：新增 1 条，更新 1 条，跳过 1 条。"));
        GuiDriver(dialog).click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QTRY_VERIFY(!dialog);
        QCOMPARE(window.grid()->rows(), 3); // the list shows what is stored now
        QCOMPARE(window.grid()->text(1, 1), QStringLiteral("新名"));
        QCOMPARE(window.grid()->text(2, 0), QStringLiteral("E1"));
    }

    // A file without a required column, 取消, and a database failure while storing: each
    // leaves the table as it was; after the failure the preview stays open to try again.
    void nothingIsStoredUnlessTheImportCompletes()
    {
        TestApp app;
        ScriptedBoxes boxes;
        RecordListWindow window(app.ctx(), MasterKind::Employee);
        {
            ChosenFile file(writeCsv(app.dir(), QStringLiteral("a.csv"), QStringLiteral("工号,姓名\nE1,甲\n")));
            boxes.expect(QStringLiteral("文件第一行缺少必需的列：车间、工种。"));
            GuiDriver(&window).click(QStringLiteral("导入"));
            KV_VERIFY_BOXES(boxes);
            QVERIFY(!window.findChild<ImportDialog*>());
        }
        ChosenFile file(writeCsv(app.dir(), QStringLiteral("b.csv"), rows));
        QPointer<ImportDialog> dialog = openImport(window);
        QVERIFY(dialog);
        GuiDriver(dialog).click(QStringLiteral("Command2"));
        QTRY_VERIFY(!dialog);
        QCOMPARE(employees(app), 0);

        failInserts(app.db(), QStringLiteral("disk_full"), QStringLiteral("员工"), QStringLiteral("磁盘已满"),
                    QStringLiteral("(SELECT count(*) FROM 员工) >= 1"));
        dialog = openImport(window);
        QVERIFY(dialog);
        boxes.expect(QStringLiteral("磁盘已满"));
        GuiDriver(dialog).click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(employees(app), 0);
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT count(*) FROM 车间")).toInt(), 0);

        liftFailure(app.db(), QStringLiteral("disk_full"), QStringLiteral("员工"));
        boxes.expect(QStringLiteral("新增 2 条"));
        GuiDriver(dialog).click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(employees(app), 2);
    }

    // A file that crashes its reader, workbooks whose sheet does not add up and a CSV whose
    // quote never closes each end in one message with the window still there and nothing
    // stored, not even a job type; a number that lost its last digits in the workbook is shown
    // for checking and still imported.
    void hostileFilesEndInAMessage()
    {
        TestApp app;
        ScriptedBoxes boxes;
        RecordListWindow window(app.ctx(), MasterKind::Employee);
        const QString corpus = QStringLiteral(KV_SOURCE_DIR "/fuzz/corpus");
        const QList<std::pair<QString, QString>> refused{
            {QStringLiteral("/xls/SEGV_1e0c3e74.xls"), readerFailedMessage()},
            {QStringLiteral("/xls/xls-flip-26387.xls"), QStringLiteral("应有 301 行，只读到第 52 行")},
            {QStringLiteral("/xlsx/col-ZZZZZZZZ.xlsx"), QStringLiteral("单元格位置“ZZZZZZZZ2”无效")},
            {QStringLiteral("/csv/unclosed-quote.csv"), QStringLiteral("第 2 行的引号没有结束")}};
        for (const auto& [file, message] : refused) {
            ChosenFile chosen(corpus + file);
            boxes.expect(message);
            GuiDriver(&window).click(QStringLiteral("导入"));
            KV_VERIFY_BOXES(boxes);
            QVERIFY(!window.findChild<ImportDialog*>());
        }
        QCOMPARE(employees(app), 0);
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT count(*) FROM 工种")).toInt(), 0);

        ChosenFile chosen(corpus + QStringLiteral("/xlsx/employees.xlsx"));
        QPointer<ImportDialog> dialog = openImport(window);
        QVERIFY(dialog);
        auto* grid = GuiDriver(dialog).find<ui::DataGrid>(QStringLiteral("fg"));
        const int idNumber = ImportDialog::FirstValueCol + 3;
        QVERIFY(grid->cellToolTip(1, idNumber).contains(QStringLiteral("超过 15 位")));
        QVERIFY(grid->cellBackground(1, idNumber) != QColor(Qt::white));
        QVERIFY(GuiDriver(dialog)
                    .find<QLabel>(QStringLiteral("Label1"))
                    ->text()
                    .contains(QStringLiteral("1 行有需要核对的值")));
        boxes.expect(QStringLiteral("导入完成：新增 1 条，更新 0 条，跳过 0 条。"));
        GuiDriver(dialog).click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(employees(app), 1);
    }
};

QTEST_MAIN(TestImportWindow)
#include "test_importwindow.moc"
