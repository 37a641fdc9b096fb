#include "GridDriver.h"
#include "ScriptedBoxes.h"
#include "TestDb.h"
#include "data/Database.h"
#include "data/FactoryName.h"
#include "entry/EmployeeFinder.h"
#include "entry/WageSlip.h"
#include "entry/WageSlipPrint.h"
#include "teams/TeamEntryWindow.h"
#include "teams/TeamListWindow.h"
#include "teams/TeamSheet.h"
#include "teams/TimeWageWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

using namespace kv;
using namespace grid_driver;
using kv::testing::money;

namespace {
QString pdfText(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Types a cell as the clerk does: the cell made current, F2, the text, Enter.
void typeCell(ui::DataGrid& grid, int row, int col, const QString& text)
{
    grid.setFocus();
    QVERIFY(grid.setCurrentCell(row, col));
    QTest::keyClick(grid.table(), Qt::Key_F2);
    QTRY_VERIFY(openEditor(grid));
    openEditor(grid)->clear();
    QVERIFY(typeInEditor(grid, text));
    keyInEditor(grid, Qt::Key_Return);
    QTRY_VERIFY(!grid.isEditing());
}

Decimal monthlyTotal(Database& db, const QString& no)
{
    Statement st = db.prepare(QStringLiteral("SELECT 生产金额 FROM 月度合计 WHERE 工号 = ? AND 月份 = '2008-05'"));
    st.bindAll({no});
    return st.next() ? st.decimal(0) : Decimal();
}

struct Member {
    const char* no;
    const char* name;
    const char* rate;
    const char* days;
};
const QList<Member> kMembers{{"001", "张三", "180", "26"},
                             {"002", "李四", "200", "24.5"},
                             {"003", "王五", "160", "20"},
                             {"004", "赵六", "150", "22"},
                             {"005", "钱七", "170", "25.5"}};
} // namespace

class TestTeamWindows : public QObject {
    Q_OBJECT
private slots:
    // A team of five set up and its month entered through the windows: the shares the grid shows
    // are the ones stored in each member's month; a figure that is no number is refused with its
    // cell named and nothing stored; the team sheet and a member's slip print the same figures.
    void enterATeamMonthForFiveMembers()
    {
        TestApp app;
        Database& db = app.db();
        for (const Member& m : kMembers)
            db.exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名, 车间, 工种) VALUES (?, ?, '压烫车间', '压烫')"),
                    {QString::fromUtf8(m.no), QString::fromUtf8(m.name)});
        db.exec(QStringLiteral("INSERT INTO 产品工价 (产品编号, 产品说明, 拼音编码, 计量单位, 工价) VALUES "
                               "('P01', '衬衫压烫', 'CSYT', '件', 1.35)"));
        setFactoryName(db, QStringLiteral("宏达服装厂"));
        QTemporaryDir pdfs;
        app.ctx().printToPdfDir = pdfs.path();
        ScriptedBoxes boxes;

        auto* entry = new TeamEntryWindow(app.ctx());
        entry->show();
        GuiDriver gui(entry);
        gui.click(QStringLiteral("CommandTeams"));
        auto* list = entry->findChild<TeamListWindow*>();
        QVERIFY(list);
        GuiDriver teamGui(list);
        teamGui.type(QStringLiteral("Text1"), QStringLiteral("B01"));
        teamGui.type(QStringLiteral("Text2"), QStringLiteral("压烫组"));
        auto& memberGrid = *teamGui.find<ui::DataGrid>(QStringLiteral("fgMembers"));
        for (int i = 0; i < kMembers.size(); ++i) {
            typeCell(memberGrid, i + 1, 0, QString::fromUtf8(kMembers.at(i).no));
            typeCell(memberGrid, i + 1, 2, QString::fromUtf8(kMembers.at(i).rate));
            typeCell(memberGrid, i + 1, 4, QStringLiteral("2008-1-1"));
        }
        QCOMPARE(memberGrid.text(5, 1), QStringLiteral("钱七"));
        // One who left before May is kept in the list but not in May's team.
        typeCell(memberGrid, 6, 0, QStringLiteral("001"));
        typeCell(memberGrid, 6, 4, QStringLiteral("2007-1-1"));
        typeCell(memberGrid, 6, 5, QStringLiteral("2007-12-31"));
        teamGui.click(QStringLiteral("Command2"));
        KV_VERIFY_BOXES(boxes);
        list->close();

        QCOMPARE(gui.find<QComboBox>(QStringLiteral("teamBox"))->currentText(), QStringLiteral("B01 压烫组"));
        gui.find<QComboBox>(QStringLiteral("monthBox"))->setCurrentText(QStringLiteral("2008-5"));
        auto& lines = *gui.find<ui::DataGrid>(QStringLiteral("fgLines"));
        auto& members = *gui.find<ui::DataGrid>(QStringLiteral("fgMembers"));
        QCOMPARE(members.text(5, TMName), QStringLiteral("钱七"));
        QCOMPARE(members.text(6, TMNo), QString());
        typeCell(lines, 1, TLDate, QStringLiteral("6"));
        typeCell(lines, 1, TLProduct, QStringLiteral("P01"));
        typeCell(lines, 1, TLQuantity, QStringLiteral("4000"));
        typeCell(lines, 2, TLDate, QStringLiteral("2008-5-20"));
        typeCell(lines, 2, TLProduct, QStringLiteral("衬衫压烫"));
        typeCell(lines, 2, TLQuantity, QStringLiteral("1333.33"));
        QCOMPARE(lines.text(1, TLUnit), QStringLiteral("件"));
        QCOMPARE(lines.text(2, TLAmount), QStringLiteral("1799.9955"));
        for (int i = 0; i < kMembers.size(); ++i)
            typeCell(members, i + 1, TMDays, QString::fromUtf8(kMembers.at(i).days));

        // 7,199.9955 paid as 7,200.00; the shares the grid shows add up to it.
        Decimal shown;
        for (int r = 1; r <= kMembers.size(); ++r)
            shown += *Decimal::parse(members.text(r, TMShare));
        QCOMPARE(shown, money("7200"));
        QVERIFY(gui.find<QLabel>(QStringLiteral("LabelNote"))->text().contains(QStringLiteral("7,200.00")));

        // A figure that is no number: refused, with the member named, and nothing stored.
        typeCell(members, 3, TMDays, QStringLiteral("二十"));
        boxes.expect(QStringLiteral("工号 003）：出勤必须是数字"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM 工资流水")).toInt(), 0);
        typeCell(members, 3, TMDays, QStringLiteral("20"));

        QStringList gridShares;
        for (int r = 1; r <= kMembers.size(); ++r)
            gridShares << members.text(r, TMShare);
        boxes.expect(QStringLiteral("集体计件已保存"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        Decimal stored;
        for (int i = 0; i < kMembers.size(); ++i) {
            const Decimal share = monthlyTotal(db, QString::fromUtf8(kMembers.at(i).no));
            QCOMPARE(share, *Decimal::parse(gridShares.at(i)));
            stored += share;
        }
        QCOMPARE(stored, money("7200"));
        // Shown again as stored after the save.
        QCOMPARE(members.text(2, TMShare), gridShares.at(1));

        gui.click(QStringLiteral("Command2"));
        const QString sheet = pdfText(pdfs.filePath(QStringLiteral("集体计件工资表.pdf")));
        for (const QString& part :
             {QStringLiteral("集体计件工资表"), QStringLiteral("压烫组"), QStringLiteral("钱七"),
              QStringLiteral("签名"), QStringLiteral("7,200.00"), Decimal::parse(gridShares.at(1))->moneyText()})
            QVERIFY2(sheet.contains(part), qPrintable(part));

        // The member's slip counts his share apart from his own pieces.
        const auto li = EmployeeFinder(db).byNumber(QStringLiteral("002"));
        QVERIFY(li);
        const WageSlip slip = WageSlips(db).slip(*li, {2008, 5});
        QCOMPARE(slip.teamTotal, *Decimal::parse(gridShares.at(1)));
        QCOMPARE(slip.pieceTotal(), Decimal());
        QVERIFY(printWageSlips(app.ctx(), entry, {slip}, QStringLiteral("工资条")));
        const QString slipText = pdfText(pdfs.filePath(QStringLiteral("工资条.pdf")));
        QVERIFY2(slipText.contains(QStringLiteral("集体 %1").arg(slip.teamTotal.moneyText())), qPrintable(slipText));
        QVERIFY(slipText.contains(QStringLiteral("集体计件 压烫组")));
        entry->close();
        KV_VERIFY_BOXES(boxes);
    }

    // Time work typed for an employee: the rate set for his job type is taken when the line has
    // none, the amount counts in his month; a quantity that is no number is refused, nothing
    // stored.
    void enterTimeWorkForAnEmployee()
    {
        TestApp app;
        Database& db = app.db();
        db.exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名, 车间, 工种) VALUES ('002', '李四', '压烫车间', '压烫')"));
        ScriptedBoxes boxes;
        auto* window = new TimeWageWindow(app.ctx());
        window->show();
        GuiDriver gui(window);
        auto& rates = *gui.find<ui::DataGrid>(QStringLiteral("fgRates"));
        typeCell(rates, 1, 0, QStringLiteral("压烫"));
        typeCell(rates, 1, 2, QStringLiteral("小时"));
        typeCell(rates, 1, 3, QStringLiteral("20.5"));
        typeCell(rates, 1, 4, QStringLiteral("2008-1-1"));
        gui.click(QStringLiteral("Command2"));
        KV_VERIFY_BOXES(boxes);

        gui.find<QComboBox>(QStringLiteral("monthBox"))->setCurrentText(QStringLiteral("2008-5"));
        gui.type(QStringLiteral("Text1"), QStringLiteral("002"));
        gui.key(QStringLiteral("Text1"), Qt::Key_Return);
        QCOMPARE(gui.find<QLabel>(QStringLiteral("LabelName"))->text(), QStringLiteral("李四"));
        auto& lines = *gui.find<ui::DataGrid>(QStringLiteral("fgLines"));
        typeCell(lines, 1, 0, QStringLiteral("12"));
        typeCell(lines, 1, 1, QStringLiteral("试工"));
        typeCell(lines, 1, 3, QStringLiteral("八"));
        boxes.expect(QStringLiteral("计时记录第 1 行的数量必须是数字"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM 工资流水")).toInt(), 0);

        typeCell(lines, 1, 3, QStringLiteral("8"));
        boxes.expect(QStringLiteral("计时工资已保存"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(monthlyTotal(db, QStringLiteral("002")), money("164"));
        QCOMPARE(lines.text(1, 4), QStringLiteral("20.5"));
        QCOMPARE(lines.text(1, 5), QStringLiteral("164"));
        window->close();
    }
};

QTEST_MAIN(TestTeamWindows)
#include "test_teamwindows.moc"
