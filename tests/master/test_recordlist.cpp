#include "GuiDriver.h"
#include "ScriptedBoxes.h"
#include "TestDb.h"
#include "Workbook.h"
#include "app/HostedWindows.h"
#include "app/MainWindow.h"
#include "data/Database.h"
#include "data/TextRules.h"
#include "master/MasterDialog.h"
#include "master/RecordListWindow.h"
#include "ui/DataGrid.h"
#include "ui/FindPanel.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QProcess>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

using namespace kv;
using ui::Answer;
using ui::twipsToPixels;

namespace {

const QColor kWhite(255, 255, 255);
const QColor kFound(255, 255, 192);

void addEmployee(Database& db, const QString& number, const QString& name, const QString& workshop,
                 const QString& job = QStringLiteral("装配"), const QString& remark = {})
{
    db.exec(QStringLiteral("INSERT INTO 员工 (工号,姓名,性别,身份证号,车间,工种,上岗时间,备注) VALUES "
                           "(?,?,'女','',?,?,'2008-05-01',?)"),
            {number, name, workshop, job, remark});
}

// Five employees, ids 1 to 5.
void seedEmployees(Database& db)
{
    addEmployee(db, QStringLiteral("001"), QStringLiteral("张三"), QStringLiteral("一车间"));
    addEmployee(db, QStringLiteral("002"), QStringLiteral("李四"), QStringLiteral("一车间"), QStringLiteral("包装"));
    addEmployee(db, QStringLiteral("003"), QStringLiteral("王五"), QStringLiteral("二车间"));
    addEmployee(db, QStringLiteral("004"), QStringLiteral("张张"), QStringLiteral("二车间"), QStringLiteral("包装"));
    addEmployee(db, QStringLiteral("005"), QStringLiteral("赵六"), QStringLiteral("一车间"), QStringLiteral("装配"),
                QStringLiteral("张"));
}

QStringList column(const ui::DataGrid* grid, int col)
{
    QStringList out;
    for (int r = 1; r < grid->rows(); ++r)
        out << grid->text(r, col);
    return out;
}

QList<QPoint> highlighted(const ui::DataGrid* grid)
{
    QList<QPoint> out;
    for (int r = 1; r < grid->rows(); ++r)
        for (int c = 0; c < grid->cols(); ++c)
            if (grid->cellBackground(r, c) == kFound)
                out << QPoint(r, c);
            else if (grid->cellBackground(r, c) != kWhite)
                out << QPoint(-r, -c);
    return out;
}

void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void dragStrip(QWidget* strip, QPoint from, QPoint to)
{
    QMouseEvent press(QEvent::MouseButtonPress, from, strip->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(strip, &press);
    QMouseEvent move(QEvent::MouseMove, to, strip->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(strip, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, strip->mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(strip, &release);
}

// The employee list window over the seeded employees, with its boxes answered by the test.
struct EmployeeList {
    TestApp app;
    ScriptedBoxes boxes;
    RecordListWindow window;
    GuiDriver gui;
    ui::DataGrid* grid;

    EmployeeList()
        : window((seedEmployees(app.db()), app.ctx()), MasterKind::Employee), gui(&window), grid(window.grid())
    {
    }
};
} // namespace

class TestRecordList : public QObject {
    Q_OBJECT
private slots:
    void gridShowsTheTableWithHiddenId()
    {
        TestApp app;
        app.db().exec(QStringLiteral("INSERT INTO 产品工价 (产品编号,产品说明,拼音编码,计量单位,工价,备注) VALUES "
                                     "('C1','外壳','WK','件',300,''), ('C2','螺丝','LS','个',12.5,NULL)"));
        ScriptedBoxes boxes;
        RecordListWindow window(app.ctx(), MasterKind::Product);
        const ui::DataGrid* grid = window.grid();
        QCOMPARE(window.objectName(), QStringLiteral("产品工价Frm"));
        QCOMPARE(window.windowTitle(), QStringLiteral("产品工价设置"));
        QCOMPARE(grid->rows(), 3);
        QCOMPARE(grid->cols(), 7);
        const QStringList headers{"产品编号", "产品说明", "拼音编码", "计量单位", "工价", "备注"};
        for (int c = 0; c < headers.size(); ++c)
            QCOMPARE(grid->text(0, c), headers.at(c));
        QVERIFY(grid->isColHidden(6));
        QVERIFY(!grid->isColHidden(5));
        QCOMPARE(column(grid, 4), QStringList({"300", "12.5"}));
        QCOMPARE(column(grid, 5), QStringList({"", ""}));
        QCOMPARE(column(grid, 6), QStringList({"1", "2"}));
        // Heights are kept in whole pixels.
        const auto asShown = [](int twips) { return ui::pixelsToTwips(twipsToPixels(twips)); };
        QCOMPARE(grid->rowHeight(0), asShown(350));
        QCOMPARE(grid->rowHeight(1), asShown(300));
        QCOMPARE(grid->rowHeight(2), asShown(300));

        // Every shown column is fitted and then widened by 200 twips.
        QList<int> widths;
        for (int c = 0; c < grid->cols(); ++c)
            widths << grid->colWidth(c);
        window.grid()->autoFitCols(0, 6);
        for (int c = 0; c < 6; ++c)
            QCOMPARE(widths.at(c), asShown(grid->colWidth(c) + 200));

        // Reloading keeps each field once in the first field list.
        window.loadRecords();
        window.loadRecords();
        auto* fields = GuiDriver(&window).find<QComboBox>(QStringLiteral("zdinput_0"));
        QCOMPARE(fields->count(), 6);
        for (int i = 0; i < headers.size(); ++i)
            QCOMPARE(fields->itemText(i), headers.at(i));
        KV_VERIFY_BOXES(boxes);
    }

    void emptyTableShowsHeaderAndIgnoresEditAndDelete()
    {
        TestApp app;
        ScriptedBoxes boxes;
        RecordListWindow window(app.ctx(), MasterKind::Deduction);
        GuiDriver gui(&window);
        QCOMPARE(window.objectName(), QStringLiteral("扣减项目Frm"));
        QCOMPARE(window.grid()->rows(), 1);
        QCOMPARE(window.grid()->text(0, 1), QStringLiteral("扣减项目说明"));
        gui.click(QStringLiteral("修改"));
        gui.click(QStringLiteral("删除"));
        QVERIFY(!window.findChild<MasterDialog*>());
        gui.click(QStringLiteral("查找"));
        gui.type(QStringLiteral("Text1"), QStringLiteral("迟到"));
        gui.click(QStringLiteral("Command1"));
        QCOMPARE(gui.find<QLabel>(QStringLiteral("Label2"))->text(), QStringLiteral("共找到0个"));
        KV_VERIFY_BOXES(boxes); // no box at all
    }

    void addEditAndDeleteThroughTheToolbar()
    {
        TestApp app;
        app.db().exec(
            QStringLiteral("INSERT INTO 员工 (id, 工号, 姓名, 车间, 工种) VALUES (3, 'E3', '甲', '一车间', '装配'), "
                           "(7, 'E7', '乙', '一车间', '装配')"));
        ScriptedBoxes boxes;
        RecordListWindow window(app.ctx(), MasterKind::Employee);
        GuiDriver gui(&window);
        ui::DataGrid* grid = window.grid();

        // Add.
        gui.click(QStringLiteral("增加"));
        auto* dialog = window.findChild<MasterDialog*>(QStringLiteral("添加员工FRM"));
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->editedId, 0);
        GuiDriver form(dialog);
        form.type(QStringLiteral("Text1"), QStringLiteral("Y00008"));
        form.type(QStringLiteral("Text2"), QStringLiteral("丙"));
        form.type(QStringLiteral("Text5"), QStringLiteral("二车间"));
        form.type(QStringLiteral("Text6"), QStringLiteral("包装"));
        boxes.expect(QStringLiteral("添加成功！"));
        form.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        settle();
        QCOMPARE(column(grid, 0), QStringList({"E3", "E7", "Y00008"}));
        QCOMPARE(column(grid, 4), QStringList({"一车间", "一车间", "二车间"}));

        // Edit the current row: the dialog gets that row's id.
        QVERIFY(grid->setCurrentCell(2, 1));
        gui.click(QStringLiteral("修改"));
        dialog = window.findChild<MasterDialog*>(QStringLiteral("添加员工FRM"));
        QCOMPARE(dialog->editedId, 7);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("修改员工"));
        GuiDriver editForm(dialog);
        QCOMPARE(editForm.find<QLineEdit>(QStringLiteral("Text2"))->text(), QStringLiteral("乙"));
        editForm.find<QLineEdit>(QStringLiteral("Text2"))->setText(QStringLiteral(" 乙二 "));
        boxes.expect(QStringLiteral("修改成功！"));
        editForm.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        settle();
        QCOMPARE(column(grid, 1), QStringList({"甲", "乙二", "丙"}));

        // With the header current, edit and delete do nothing.
        QVERIFY(grid->setCurrentCell(0, 0));
        gui.click(QStringLiteral("修改"));
        gui.click(QStringLiteral("删除"));
        QVERIFY(!window.findChild<MasterDialog*>());
        KV_VERIFY_BOXES(boxes);

        // Delete: Cancel keeps the row, OK removes it and reloads.
        QVERIFY(grid->setCurrentCell(1, 0));
        boxes.expect(QStringLiteral("确定要删除选中数据吗？"), Answer::Cancel);
        gui.click(QStringLiteral("删除"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(boxes.shown().last().caption, QStringLiteral("确定删除"));
        QCOMPARE(boxes.shown().last().buttons, ui::Buttons::OkCancel);
        QCOMPARE(grid->rows(), 4);
        boxes.expect(QStringLiteral("确定要删除选中数据吗？"), Answer::Ok).expect(QStringLiteral("删除成功！"));
        gui.click(QStringLiteral("删除"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(boxes.shown().last().caption, QStringLiteral("己删除"));
        QCOMPARE(boxes.shown().last().icon, ui::Icon::Information);
        QCOMPARE(column(grid, 0), QStringList({"E7", "Y00008"}));
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT count(*) FROM 员工 WHERE id = 3")).toInt(), 0);
    }

    void deleteQuestionCountsTheLinesThatNameTheRecord()
    {
        EmployeeList list;
        auto& [app, boxes, window, gui, grid] = list;
        Database* db = &app.db(); // each list window opens the connection anew
        for (int i = 1; i <= 12; ++i)
            db->exec("INSERT INTO 工资流水 (工号, 日期, 产品, 金额) VALUES ('002', ?, '外壳', 1)",
                     {QStringLiteral("2008-05-%1").arg(i, 2, 10, QChar(u'0'))});
        db->exec("INSERT INTO 工资流水 (工号, 日期, 产品, 金额) VALUES ('0021', '2008-05-01', '螺丝', 1)");
        db->exec("INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES ('002', '2008-05-03', '罚款', 5), "
                 "('002', '2008-06-03', '罚款', 5), ('003', '2008-06-03', '迟到', 5)");
        db->exec("INSERT INTO 产品工价 (产品编号, 产品说明, 计量单位, 工价) VALUES ('C1', '外壳', '个', 1), "
                 "('C2', '大外壳', '个', 1)");
        db->exec("INSERT INTO 扣减项目 (扣减项目编号, 扣减项目说明, 扣减金额) VALUES ('K1', '罚款', 5)");

        const auto askDelete = [&](RecordListWindow& w, int row, const QString& expected) {
            QVERIFY(w.grid()->setCurrentCell(row, 0));
            boxes.expect(QStringLiteral("确定要删除选中数据吗？"), Answer::Cancel);
            GuiDriver(&w).click(QStringLiteral("删除"));
            QCOMPARE(boxes.shown().last().text, expected);
        };
        // With lines the record stays, out of use; without, it goes and its number stays given.
        // Dated by the database's clock: on a server, its own.
        const QString today = dateText(db->now().date());
        const QString leaves =
            QStringLiteral("\n这些记录都会保留：该员工不会被删除，而是记为离职（离职日期 %1），"
                           "以后的查找和录入中不再出现，以前各月的工资照常显示，他的工号不会再给别人。")
                .arg(today);
        const auto stops = [&](const char* noun, const char* number) {
            return QStringLiteral("\n这些记录都会保留：该%1不会被删除，而是改为停用（停用日期 %3），"
                                  "以后录入时不再能选，以前各月照常显示，它的%2不会再给别的%1。")
                .arg(QString::fromUtf8(noun), QString::fromUtf8(number), today);
        };
        const auto goes = [](const char* number, const char* noun) {
            return QStringLiteral("\n删除后它的%1也不会再给别的%2使用。")
                .arg(QString::fromUtf8(number), QString::fromUtf8(noun));
        };
        askDelete(window, 2, QStringLiteral("确定要删除选中数据吗？\n该员工有 12 条生产记录、2 条扣减记录。") + leaves);
        askDelete(window, 3, QStringLiteral("确定要删除选中数据吗？\n该员工有 1 条扣减记录。") + leaves);
        askDelete(window, 1, QStringLiteral("确定要删除选中数据吗？") + goes("工号", "员工")); // no lines
        RecordListWindow products(app.ctx(), MasterKind::Product);
        askDelete(products, 1,
                  QStringLiteral("确定要删除选中数据吗？\n该产品有 12 条生产记录。") + stops("产品", "产品编号"));
        askDelete(products, 2,
                  QStringLiteral("确定要删除选中数据吗？") + goes("产品编号", "产品")); // "大外壳" is no "外壳"
        RecordListWindow deductions(app.ctx(), MasterKind::Deduction);
        askDelete(deductions, 1,
                  QStringLiteral("确定要删除选中数据吗？\n该扣减项目有 2 条扣减记录。") +
                      stops("扣减项目", "扣减项目编号"));
        KV_VERIFY_BOXES(boxes);
        db = &app.db();
        QCOMPARE(db->scalar("SELECT count(*) FROM 员工").toInt(), 5); // every answer was Cancel

        // The count read fails: the database's message, nothing deleted, no question.
        db->execScript("DROP TABLE 扣减流水;");
        QVERIFY(grid->setCurrentCell(2, 0));
        boxes.expect(QStringLiteral("扣减流水"));
        gui.click(QStringLiteral("删除"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(db->scalar("SELECT count(*) FROM 员工").toInt(), 5);
    }

    // An employee whose number lines carry is asked about, then leaves: the list
    // hides him until asked, shows his day, and a second delete only says he has left.
    void deleteOfAnEmployeeWithLinesMakesHimLeave()
    {
        EmployeeList list;
        auto& [app, boxes, window, gui, grid] = list;
        app.db().exec("INSERT INTO 工资流水 (工号, 日期, 产品, 金额) VALUES ('002', '2008-04-03', '外壳', 5)");
        window.loadRecords();
        const int shown = grid->rows();
        QVERIFY(grid->setCurrentCell(2, 0));
        QCOMPARE(grid->text(2, 0), QStringLiteral("002"));
        const QString today = dateText(app.db().now().date()); // on a server, its clock
        boxes.expect(QStringLiteral("记为离职（离职日期 %1）").arg(today), Answer::Ok)
            .expect(QStringLiteral("该员工已记为离职"));
        gui.click(QStringLiteral("删除"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(grid->rows(), shown - 1);
        QVERIFY(!column(grid, 0).contains(QStringLiteral("002")));

        auto* check = window.findChild<QCheckBox*>(QStringLiteral("CheckOutOfUse"));
        QCOMPARE(check->text(), QStringLiteral("显示离职员工"));
        check->setChecked(true);
        QCOMPARE(grid->rows(), shown);
        QString leftOn;
        for (int c = 0; c < grid->cols(); ++c)
            if (grid->text(0, c) == QStringLiteral("离职日期") && !grid->isColHidden(c))
                leftOn = grid->text(2, c);
        QVERIFY(grid->isColHidden(grid->cols() - 1)); // the id
        QCOMPARE(leftOn, today);
        QVERIFY(grid->setCurrentCell(2, 0));
        boxes.expect(QStringLiteral("该员工已于 %1 离职，不能再删除。").arg(today));
        gui.click(QStringLiteral("删除"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(app.db().scalar("SELECT count(*) FROM 工资流水 WHERE 工号 = '002'").toInt(), 1);
    }

    void findHighlightsAndCountsCells()
    {
        EmployeeList list;
        auto& [app, boxes, window, gui, grid] = list;
        auto* panel = window.panel();
        QVERIFY(!panel->isVisible());
        window.show();
        gui.click(QStringLiteral("查找"));
        QVERIFY(panel->isVisible());
        QVERIFY(gui.find<QRadioButton>(QStringLiteral("Option1"))->isChecked());

        // 张张 holds the keyword twice but counts once; 赵六 has it only in the remark.
        gui.type(QStringLiteral("Text1"), QStringLiteral("张"));
        gui.click(QStringLiteral("Command1"));
        QCOMPARE(gui.find<QLabel>(QStringLiteral("Label2"))->text(), QStringLiteral("共找到3个"));
        QCOMPARE(highlighted(grid), QList<QPoint>({{1, 1}, {4, 1}, {5, 7}}));
        QCOMPARE(grid->row(), 0);

        // Two cells of one row count twice.
        gui.find<QLineEdit>(QStringLiteral("Text1"))->setText(QStringLiteral("车间"));
        gui.click(QStringLiteral("Command1"));
        QCOMPARE(gui.find<QLabel>(QStringLiteral("Label2"))->text(), QStringLiteral("共找到5个"));
        QCOMPARE(highlighted(grid).size(), 5);

        // Only in the hidden id column: not found.
        gui.find<QLineEdit>(QStringLiteral("Text1"))->setText(QStringLiteral("4"));
        gui.click(QStringLiteral("Command1"));
        QCOMPARE(gui.find<QLabel>(QStringLiteral("Label2"))->text(), QStringLiteral("共找到1个")); // 004 only
        QCOMPARE(highlighted(grid), QList<QPoint>({{4, 0}}));

        // From the current row: rows above are neither searched nor left highlighted.
        gui.find<QLineEdit>(QStringLiteral("Text1"))->setText(QStringLiteral("一车间"));
        gui.click(QStringLiteral("Command1"));
        QCOMPARE(highlighted(grid).size(), 3);
        gui.find<QRadioButton>(QStringLiteral("Option2"))->click();
        QVERIFY(grid->setCurrentCell(5, 2));
        gui.click(QStringLiteral("Command1"));
        QCOMPARE(gui.find<QLabel>(QStringLiteral("Label2"))->text(), QStringLiteral("共找到1个"));
        QCOMPARE(highlighted(grid), QList<QPoint>({{5, 4}}));
        // The header current counts as row 1.
        gui.click(QStringLiteral("Command1"));
        QCOMPARE(gui.find<QLabel>(QStringLiteral("Label2"))->text(), QStringLiteral("共找到3个"));

        // Blanks only are no keyword; a leading blank is part of it.
        gui.find<QLineEdit>(QStringLiteral("Text1"))->setText(QStringLiteral(" \t"));
        boxes.expect(QStringLiteral("请输入关键字！"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(boxes.shown().last().caption, QStringLiteral("关键字"));
        QCOMPARE(highlighted(grid).size(), 3); // untouched
        gui.find<QLineEdit>(QStringLiteral("Text1"))->setText(QStringLiteral(" 张"));
        gui.click(QStringLiteral("Command1"));
        QCOMPARE(gui.find<QLabel>(QStringLiteral("Label2"))->text(), QStringLiteral("共找到0个"));

        // Showing the panel again empties the result line and the first value box, and
        // does not reload.
        gui.find<QLineEdit>(QStringLiteral("tjinput_0"))->setText(QStringLiteral("x"));
        gui.find<QLineEdit>(QStringLiteral("Text1"))->setText(QStringLiteral("张三"));
        gui.click(QStringLiteral("Command1"));
        gui.click(QStringLiteral("筛选"));
        QCOMPARE(gui.find<QLabel>(QStringLiteral("Label2"))->text(), QString());
        QCOMPARE(gui.find<QLineEdit>(QStringLiteral("tjinput_0"))->text(), QString());
        QCOMPARE(highlighted(grid).size(), 1);
        KV_VERIFY_BOXES(boxes);
    }

    void filterJoinsFilledRowsWithAnd()
    {
        EmployeeList list;
        auto& [app, boxes, window, gui, grid] = list;
        gui.click(QStringLiteral("筛选"));
        gui.click(QStringLiteral("Command4"));
        gui.click(QStringLiteral("Command4"));
        auto* field1 = gui.find<QComboBox>(QStringLiteral("zdinput_1"));
        QCOMPARE(field1->count(), 11); // the same list as row 0, nothing chosen
        QCOMPARE(field1->itemText(4), QStringLiteral("车间"));
        QCOMPARE(field1->currentIndex(), -1);
        QVERIFY(!window.findChild<QLabel*>(QStringLiteral("Label4_1")));

        gui.find<QComboBox>(QStringLiteral("zdinput_0"))->setCurrentText(QStringLiteral("车间"));
        gui.type(QStringLiteral("tjinput_0"), QStringLiteral(" 一车间 "));
        gui.type(QStringLiteral("tjinput_1"), QStringLiteral("李四")); // no field: ignored
        gui.find<QComboBox>(QStringLiteral("zdinput_2"))->setCurrentText(QStringLiteral("工种"));
        gui.type(QStringLiteral("tjinput_2"), QStringLiteral("装配"));
        gui.click(QStringLiteral("Command3"));
        QCOMPARE(column(grid, 0), QStringList({"001", "005"}));
        // The rows keep their contents, the first field included.
        QCOMPARE(gui.find<QComboBox>(QStringLiteral("zdinput_0"))->currentText(), QStringLiteral("车间"));
        QCOMPARE(gui.find<QLineEdit>(QStringLiteral("tjinput_0"))->text(), QStringLiteral(" 一车间 "));

        // A delete reloads the whole table, the conditions staying in the panel.
        QVERIFY(grid->setCurrentCell(1, 0));
        boxes.expect(QStringLiteral("确定要删除"), Answer::Ok).expect(QStringLiteral("删除成功！"));
        gui.click(QStringLiteral("删除"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(column(grid, 0), QStringList({"002", "003", "004", "005"}));
        QCOMPARE(gui.find<QLineEdit>(QStringLiteral("tjinput_2"))->text(), QStringLiteral("装配"));

        // A filter value with a quote is a value like any other.
        gui.find<QLineEdit>(QStringLiteral("tjinput_0"))->setText(QStringLiteral("一'车间"));
        gui.click(QStringLiteral("Command3"));
        QCOMPARE(grid->rows(), 1);
        KV_VERIFY_BOXES(boxes);
    }

    void closingShrinksThePanelAndReloads()
    {
        EmployeeList list;
        auto& [app, boxes, window, gui, grid] = list;
        ui::FindPanel* panel = window.panel();
        const int designHeight = panel->height();
        QCOMPARE(panel->designHeight(), designHeight);
        gui.click(QStringLiteral("查找"));
        for (int i = 0; i < 4; ++i)
            gui.click(QStringLiteral("Command4"));
        QCOMPARE(panel->conditionRows().size(), 5);
        const int step = twipsToPixels(330 + 50);
        QCOMPARE(panel->height(), designHeight + 4 * step);
        QCOMPARE(gui.find(QStringLiteral("zdinput_4"))->y(), gui.find(QStringLiteral("zdinput_3"))->y() + step);
        QCOMPARE(gui.find(QStringLiteral("tjinput_4"))->x(), gui.find(QStringLiteral("tjinput_0"))->x());

        gui.find<QComboBox>(QStringLiteral("zdinput_0"))->setCurrentText(QStringLiteral("工号"));
        gui.type(QStringLiteral("tjinput_0"), QStringLiteral("003"));
        gui.click(QStringLiteral("Command3"));
        QCOMPARE(grid->rows(), 2);
        gui.type(QStringLiteral("Text1"), QStringLiteral("王"));
        gui.click(QStringLiteral("Command1"));
        QCOMPARE(highlighted(grid).size(), 1);

        gui.click(QStringLiteral("Command2"));
        QVERIFY(!panel->isVisible());
        QCOMPARE(panel->conditionRows().size(), 1);
        QVERIFY(!window.findChild<QWidget*>(QStringLiteral("zdinput_1")));
        QVERIFY(!window.findChild<QWidget*>(QStringLiteral("tjinput_4")));
        QCOMPARE(panel->height(), designHeight);
        QCOMPARE(gui.find<QLabel>(QStringLiteral("Label2"))->text(), QString());
        QCOMPARE(grid->rows(), 6); // the whole table
        QVERIFY(highlighted(grid).isEmpty());
        QCOMPARE(gui.find<QLineEdit>(QStringLiteral("tjinput_0"))->text(), QStringLiteral("003")); // row 0 stays
        KV_VERIFY_BOXES(boxes);
    }

    void titleStripDragsThePanel()
    {
        TestApp app;
        ScriptedBoxes boxes;
        RecordListWindow window(app.ctx(), MasterKind::Employee);
        window.resize(900, 600);
        window.show();
        GuiDriver gui(&window);
        gui.click(QStringLiteral("查找"));
        ui::FindPanel* panel = window.panel();
        QWidget* strip = gui.find(QStringLiteral("Picture2"));
        const QPoint start = panel->pos();

        // One pixel is 15 twips at 96 dpi: not more than the 15-twip threshold.
        const QPoint grab(40, 5);
        dragStrip(strip, grab, grab + QPoint(ui::twipsToPixels(10), 0));
        dragStrip(strip, grab, grab + QPoint(1, -1));
        QCOMPARE(panel->pos(), start);
        dragStrip(strip, grab, grab + QPoint(2, 0));
        QCOMPARE(panel->pos(), start + QPoint(2, 0));
        dragStrip(strip, grab, grab + QPoint(-30, 40));
        QCOMPARE(panel->pos(), start + QPoint(-28, 40));

        // It cannot be dragged out of the window, where nobody could grab it again.
        dragStrip(strip, grab, grab + QPoint(5000, 5000));
        QCOMPARE(panel->geometry().bottomRight(), QPoint(899, 599));

        // Closing and showing again keeps where it stood.
        const QPoint stood = panel->pos();
        gui.click(QStringLiteral("Command2"));
        gui.click(QStringLiteral("查找"));
        QCOMPARE(panel->pos(), stood);
        KV_VERIFY_BOXES(boxes);
    }

    void exportWritesTheWorkbookBesideTheProgram()
    {
        EmployeeList list;
        auto& [app, boxes, window, gui, grid] = list;
        const QString path = app.ctx().paths().file(QStringLiteral("员工.xlsx"));
        boxes.expect(QStringLiteral("己导出Excel文件到"));
        gui.click(QStringLiteral("导出"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(boxes.shown().last().text,
                 QStringLiteral("己导出Excel文件到%1，请到该目录打开查看").arg(QDir::toNativeSeparators(path)));
        QCOMPARE(boxes.shown().last().caption, QStringLiteral("成功导出！"));
        QCOMPARE(boxes.shown().last().icon, ui::Icon::Information);

        const QList<QStringList> sheet = readWorkbook(path);
        QCOMPARE(sheet.size(), 6);
        QCOMPARE(sheet.at(0), QStringList({"工号", "姓名", "性别", "身份证号", "车间", "工种", "上岗时间", "备注",
                                           "开户银行", "银行卡号", "发放方式"}));
        QCOMPARE(sheet.at(1).mid(0, 2), QStringList({"001", "张三"}));
        QCOMPARE(sheet.at(5).value(7), QStringLiteral("张"));

        // The other windows name their own files.
        RecordListWindow products(app.ctx(), MasterKind::Product);
        boxes.expect(QStringLiteral("产品工价.xlsx，请到该目录打开查看"));
        GuiDriver(&products).click(QStringLiteral("导出"));
        RecordListWindow deductions(app.ctx(), MasterKind::Deduction);
        boxes.expect(QStringLiteral("扣减项目.xlsx，请到该目录打开查看"));
        GuiDriver(&deductions).click(QStringLiteral("导出"));
        KV_VERIFY_BOXES(boxes);
        QVERIFY(QFile::exists(app.ctx().paths().file(QStringLiteral("产品工价.xlsx"))));

        // A file that cannot be written is reported, not announced as exported.
        QFile::remove(path);
        QVERIFY(QDir().mkpath(path));
        boxes.clear();
        gui.click(QStringLiteral("导出"));
        QCOMPARE(boxes.shown().size(), 1);
        QVERIFY(!boxes.shown().first().text.contains(QStringLiteral("己导出")));
        QCOMPARE(boxes.shown().first().icon, ui::Icon::Warning);
    }

    void printSendsTheGridAsShown()
    {
        TestApp app;
        seedEmployees(app.db());
        QTemporaryDir pdfDir;
        app.ctx().printToPdfDir = pdfDir.path();
        ScriptedBoxes boxes;
        RecordListWindow window(app.ctx(), MasterKind::Employee);
        GuiDriver(&window).click(QStringLiteral("打印"));
        KV_VERIFY_BOXES(boxes);
        const QStringList pdfs = QDir(pdfDir.path()).entryList({QStringLiteral("*.pdf")});
        QCOMPARE(pdfs.size(), 1);
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QDir(pdfDir.path()).filePath(pdfs.first()), QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QString out = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(out.contains(QStringLiteral("张三")) && out.contains(QStringLiteral("身份证号")), qPrintable(out));
    }

    void gridFollowsTheWindowSize()
    {
        TestApp app;
        ScriptedBoxes boxes;
        RecordListWindow window(app.ctx(), MasterKind::Employee);
        window.show();
        window.resize(900, 640);
        QCOMPARE(window.grid()->width(), 900 - twipsToPixels(300));
        QCOMPARE(window.grid()->height(), 640 - twipsToPixels(900));
        const QPoint panelAt = window.panel()->pos();
        window.resize(700, 500);
        QCOMPARE(window.grid()->width(), 700 - twipsToPixels(300));
        QCOMPARE(window.grid()->height(), 500 - twipsToPixels(900));
        QCOMPARE(window.panel()->pos(), panelAt);
    }

    void mainWindowHostsTheThreeLists()
    {
        TestApp app;
        seedEmployees(app.db());
        ScriptedBoxes boxes;
        MainWindow main(app.ctx());
        auto* tabs = main.findChild<QTabWidget*>(QStringLiteral("C1Tab1"));
        const QStringList names{"员工管理Frm", "产品工价Frm", "扣减项目Frm"};
        for (int i = 0; i < 3; ++i) {
            tabs->setCurrentIndex(i + 2);
            auto* window = qobject_cast<RecordListWindow*>(main.hostedWindow(names.at(i)));
            QVERIFY(window);
            QCOMPARE(window->objectName(), names.at(i));
        }
        auto* employees = qobject_cast<RecordListWindow*>(main.hostedWindow(names.at(0)));
        QCOMPARE(employees->grid()->rows(), 6);
        tabs->setCurrentIndex(3);
        tabs->setCurrentIndex(2);
        QCOMPARE(main.hostedWindow(names.at(0)), employees);
        KV_VERIFY_BOXES(boxes);
    }
};

QTEST_MAIN(TestRecordList)
#include "test_recordlist.moc"
