#include "GuiDriver.h"
#include "ScriptedBoxes.h"
#include "TestDb.h"
#include "data/Database.h"
#include "entry/ItemLookup.h"
#include "lists/CodeList.h"
#include "master/MasterDialogs.h"
#include "master/MasterRecords.h"
#include "ui/DataGrid.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace kv;
using ui::Answer;

namespace {

// Opens the dialog of a master table over `owner`, in add mode or for the record `editId`.
QPointer<MasterDialog> openDialog(MasterKind kind, TestApp& app, QWidget* owner, qint64 editId = 0)
{
    MasterDialog* dialog = createMasterDialog(kind, app.ctx(), owner);
    dialog->editedId = editId;
    dialog->open();
    return dialog;
}

// Lets a closed dialog be deleted, as the event loop would.
void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QString textOf(const GuiDriver& gui, const QString& name)
{
    QWidget* w = gui.find(name);
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->currentText();
    return static_cast<QLineEdit*>(w)->text();
}

void setText(const GuiDriver& gui, const QString& name, const QString& text)
{
    QWidget* w = gui.find(name);
    if (auto* combo = qobject_cast<QComboBox*>(w))
        combo->setEditText(text);
    else
        static_cast<QLineEdit*>(w)->setText(text);
}

void fillEmployee(const GuiDriver& gui, const QString& number, const QString& name, const QString& workshop,
                  const QString& job)
{
    setText(gui, QStringLiteral("Text1"), number);
    setText(gui, QStringLiteral("Text2"), name);
    setText(gui, QStringLiteral("Text5"), workshop);
    setText(gui, QStringLiteral("Text6"), job);
}

int count(Database& db, const QString& table)
{
    return db.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toInt();
}

} // namespace

class TestMasterDialogs : public QObject {
    Q_OBJECT
private slots:
    void tabWalksEveryFieldOfTheEmployeeDialogInOrder()
    {
        TestApp app;
        ScriptedBoxes boxes;
        QWidget owner;
        QPointer<MasterDialog> dialog = openDialog(MasterKind::Employee, app, &owner);
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        GuiDriver gui(dialog);
        const auto focusedName = [&] {
            for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
                if (!w->objectName().isEmpty() && w->objectName() != QStringLiteral("qt_spinbox_lineedit"))
                    return w->objectName();
            return QString();
        };
        gui.find(QStringLiteral("Text1"))->setFocus();
        QStringList walked{focusedName()};
        for (int i = 0; i < 11; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked << focusedName();
        }
        QCOMPARE(walked, QStringList({"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "text7", "Text8", "Text9",
                                      "Text10", "Text11", "Command1"}));
        // A remark typed after Tab from the date box lands in the remark.
        gui.find(QStringLiteral("text7"))->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), "ok");
        QCOMPARE(gui.find<QLineEdit>(QStringLiteral("Text8"))->text(), QStringLiteral("ok"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(focusedName(), QStringLiteral("text7"));
        KV_VERIFY_BOXES(boxes);
    }

    void employeeAddFillsDefaultsAndSaves()
    {
        TestApp app;
        app.db().exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES ('一车间'), ('二车间')"));
        app.db().exec(QStringLiteral("INSERT INTO 工种 (工种) VALUES ('装配')"));
        ScriptedBoxes boxes;
        QWidget owner;
        QPointer<MasterDialog> dialog = openDialog(MasterKind::Employee, app, &owner);
        QSignalSpy saved(dialog.data(), &MasterDialog::saved);
        GuiDriver gui(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->objectName(), QStringLiteral("添加员工FRM"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("添加员工"));
        QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
        QCOMPARE(gui.find<QPushButton>(QStringLiteral("Command1"))->text(), QStringLiteral("添加"));
        auto* sex = gui.find<QComboBox>(QStringLiteral("Text3"));
        QCOMPARE(sex->count(), 2);
        QCOMPARE(sex->itemText(0), QStringLiteral("男"));
        QCOMPARE(sex->currentText(), QStringLiteral("女"));
        auto* workshop = gui.find<QComboBox>(QStringLiteral("Text5"));
        QCOMPARE(workshop->count(), 2);
        QCOMPARE(workshop->itemText(1), QStringLiteral("二车间"));
        QCOMPARE(workshop->currentText(), QString());
        QCOMPARE(gui.find<QComboBox>(QStringLiteral("Text6"))->count(), 1);
        QCOMPARE(gui.find<QDateEdit>(QStringLiteral("text7"))->date(), QDate(2008, 5, 17));

        gui.type(QStringLiteral("Text1"), QStringLiteral(" 007 "));
        gui.type(QStringLiteral("Text2"), QStringLiteral(" 张三 "));
        sex->setCurrentIndex(0);
        gui.type(QStringLiteral("Text4"), QStringLiteral("110101199001011234"));
        gui.type(QStringLiteral("Text5"), QStringLiteral("三车间"));
        gui.find<QComboBox>(QStringLiteral("Text6"))->setCurrentIndex(0);
        gui.find<QDateEdit>(QStringLiteral("text7"))->setDate(QDate(2007, 3, 9));
        gui.type(QStringLiteral("Text8"), QStringLiteral("熟手"));
        boxes.expect(QStringLiteral("添加成功！"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(boxes.shown().last().caption, QStringLiteral("成功！"));
        QCOMPARE(boxes.shown().last().icon, ui::Icon::None);
        QCOMPARE(saved.count(), 1);
        settle();
        QVERIFY(!dialog);

        Statement st =
            app.db().prepare(QStringLiteral("SELECT 工号,姓名,性别,身份证号,车间,工种,上岗时间,备注 FROM 员工"));
        QVERIFY(st.next());
        QCOMPARE(st.text(0), QStringLiteral("007"));
        QCOMPARE(st.text(1), QStringLiteral("张三"));
        QCOMPARE(st.text(2), QStringLiteral("男"));
        QCOMPARE(st.text(3), QStringLiteral("110101199001011234"));
        QCOMPARE(st.text(4), QStringLiteral("三车间"));
        QCOMPARE(st.text(5), QStringLiteral("装配"));
        QCOMPARE(st.text(6), QStringLiteral("2007-03-09"));
        QCOMPARE(st.text(7), QStringLiteral("熟手"));
        QCOMPARE(CodeList(app.db(), CodeListKind::Workshop).names(), QStringList({"一车间", "二车间", "三车间"}));
        QCOMPARE(CodeList(app.db(), CodeListKind::JobType).names(), QStringList({"装配"}));

        // The next opening is an add again, with the new workshop offered.
        dialog = openDialog(MasterKind::Employee, app, &owner);
        QCOMPARE(GuiDriver(dialog).find<QComboBox>(QStringLiteral("Text5"))->count(), 3);
        QCOMPARE(dialog->editedId, 0);
    }

    void employeeRequiredFieldsInOrderWithFocus()
    {
        TestApp app;
        ScriptedBoxes boxes;
        QWidget owner;
        QPointer<MasterDialog> dialog = openDialog(MasterKind::Employee, app, &owner);
        GuiDriver gui(dialog);
        const struct {
            const char* number;
            const char* name;
            const char* workshop;
            const char* job;
            const char* message;
            const char* focus;
        } steps[] = {
            {"  ", "", "", "", "员工工号未填写！", "Text1"},
            {"E1", "\t", "", "", "员工姓名未填写！", "Text2"},
            {"E1", "张三", " ", "", "车间未填写！", "Text5"},
            {"E1", "张三", "一车间", "", "工种未填写！", "Text6"},
        };
        for (const auto& s : steps) {
            fillEmployee(gui, QString::fromUtf8(s.number), QString::fromUtf8(s.name), QString::fromUtf8(s.workshop),
                         QString::fromUtf8(s.job));
            boxes.clear();
            boxes.expect(QString::fromUtf8(s.message));
            gui.click(QStringLiteral("Command1"));
            KV_VERIFY_BOXES(boxes);
            QCOMPARE(boxes.shown().first().caption, QStringLiteral("Kelvaro"));
            QCOMPARE(boxes.shown().first().icon, ui::Icon::None);
            QCOMPARE(dialog->focusWidget()->objectName(), QString::fromUtf8(s.focus));
            QVERIFY(dialog->isVisible());
        }
        QCOMPARE(textOf(gui, QStringLiteral("Text5")), QStringLiteral("一车间")); // input kept
        QCOMPARE(count(app.db(), QStringLiteral("员工")), 0);
        QCOMPARE(count(app.db(), QStringLiteral("车间")), 0);
    }

    // A card number that fails its check is refused with the focus back in its box and nothing
    // stored; once right it is stored as digits, and the edit shows it whole.
    void bankCardIsCheckedByTheDialog()
    {
        TestApp app;
        ScriptedBoxes boxes;
        QWidget owner;
        QPointer<MasterDialog> dialog = openDialog(MasterKind::Employee, app, &owner);
        GuiDriver gui(dialog);
        fillEmployee(gui, QStringLiteral("E1"), QStringLiteral("张三"), QStringLiteral("一车间"),
                     QStringLiteral("装配"));
        auto* payment = gui.find<QComboBox>(QStringLiteral("Text11"));
        QCOMPARE(payment->count(), 3);
        QVERIFY(!payment->isEditable());
        payment->setCurrentIndex(1);
        setText(gui, QStringLiteral("Text9"), QStringLiteral("工商银行"));
        setText(gui, QStringLiteral("Text10"), QStringLiteral("6222 0212 3456 7890 127"));
        boxes.expect(QStringLiteral("银行卡号的校验位不对"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("Text10"));
        QCOMPARE(count(app.db(), QStringLiteral("员工")), 0);

        setText(gui, QStringLiteral("Text10"), QStringLiteral("6222 0212 3456 7890 128"));
        boxes.expect(QStringLiteral("添加成功！"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT 银行卡号 || ' ' || 发放方式 FROM 员工")).toString(),
                 QStringLiteral("6222021234567890128 银行"));
        settle();
        dialog = openDialog(MasterKind::Employee, app, &owner, 1);
        QCOMPARE(textOf(GuiDriver(dialog), QStringLiteral("Text10")), QStringLiteral("6222021234567890128"));
        QCOMPARE(textOf(GuiDriver(dialog), QStringLiteral("Text11")), QStringLiteral("银行"));
    }

    void duplicateNumberOffersAnAutomaticOne()
    {
        TestApp app;
        app.db().exec(QStringLiteral("INSERT INTO 员工 (id, 工号, 姓名) VALUES (3, 'E1', '甲'), (7, 'E7', '乙')"));
        ScriptedBoxes boxes;
        QWidget owner;
        QPointer<MasterDialog> dialog = openDialog(MasterKind::Employee, app, &owner);
        GuiDriver gui(dialog);
        fillEmployee(gui, QStringLiteral(" E1 "), QStringLiteral("丙"), QStringLiteral("一车间"),
                     QStringLiteral("装配"));

        boxes.expect(QStringLiteral("己有相同的工号！"))
            .expect(QStringLiteral("需要让系统自动生成一个员工工号吗？"), Answer::No);
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(boxes.shown().at(0).caption, QStringLiteral("提示！"));
        QCOMPARE(boxes.shown().at(0).icon, ui::Icon::Warning);
        QCOMPARE(boxes.shown().at(1).caption, QStringLiteral("是否"));
        QCOMPARE(boxes.shown().at(1).buttons, ui::Buttons::YesNo);
        QCOMPARE(textOf(gui, QStringLiteral("Text1")), QStringLiteral(" E1 "));
        QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("Text1"));

        boxes.expect(QStringLiteral("己有相同的工号！")).expect(QStringLiteral("自动生成"), Answer::Yes);
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(textOf(gui, QStringLiteral("Text1")), QStringLiteral("Y00008"));
        QCOMPARE(count(app.db(), QStringLiteral("员工")), 2); // nothing saved yet

        boxes.expect(QStringLiteral("添加成功！"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT 姓名 FROM 员工 WHERE 工号 = 'Y00008'")).toString(),
                 QStringLiteral("丙"));

        // The same for products and deduction items, with their own letters and texts.
        app.db().exec(QStringLiteral("INSERT INTO 产品工价 (id, 产品编号) VALUES (7, 'C1')"));
        app.db().exec(QStringLiteral("INSERT INTO 扣减项目 (id, 扣减项目编号) VALUES (7, 'K1')"));
        const struct {
            MasterKind kind;
            const char* number;
            const char* duplicate;
            const char* automatic;
        } kinds[] = {{MasterKind::Product, "C1", "己有相同的产品编号！", "C00008"},
                     {MasterKind::Deduction, "K1", "己有相同的扣减项目编号！", "K00008"}};
        for (const auto& k : kinds) {
            dialog = openDialog(k.kind, app, &owner);
            GuiDriver other(dialog);
            setText(other, QStringLiteral("Text1"), QString::fromUtf8(k.number));
            boxes.clear();
            boxes.expect(QString::fromUtf8(k.duplicate))
                .expect(QStringLiteral("需要让系统自动生成一个编号吗？"), Answer::Yes);
            other.click(QStringLiteral("Command1"));
            KV_VERIFY_BOXES(boxes);
            QCOMPARE(textOf(other, QStringLiteral("Text1")), QString::fromUtf8(k.automatic));
            dialog->close();
        }
    }

    void employeeEditShowsStoredValuesAndCleansOnSave()
    {
        TestApp app;
        app.db().exec(QStringLiteral("INSERT INTO 车间 (车间) VALUES ('一车间')"));
        // An id beyond 16 bits reaches the dialog whole.
        app.db().exec(QStringLiteral("INSERT INTO 员工 (id, 工号, 姓名, 性别, 身份证号, 车间, 工种, 上岗时间, 备注) "
                                     "VALUES (70000, 'E9', '王五', '男', '', '旧车间', '搬运', '2006-11-02', NULL)"));
        app.db().exec(QStringLiteral("INSERT INTO 员工 (id, 工号, 姓名) VALUES (4464, 'E8', '不是他')"));
        ScriptedBoxes boxes;
        QWidget owner;
        QPointer<MasterDialog> dialog = openDialog(MasterKind::Employee, app, &owner, 70000);
        QSignalSpy saved(dialog.data(), &MasterDialog::saved);
        GuiDriver gui(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("修改员工"));
        QCOMPARE(gui.find<QPushButton>(QStringLiteral("Command1"))->text(), QStringLiteral("保存修改"));
        QCOMPARE(textOf(gui, QStringLiteral("Text1")), QStringLiteral("E9"));
        QCOMPARE(textOf(gui, QStringLiteral("Text3")), QStringLiteral("男"));
        QCOMPARE(textOf(gui, QStringLiteral("Text5")), QStringLiteral("旧车间")); // not in the list
        QCOMPARE(textOf(gui, QStringLiteral("Text6")), QStringLiteral("搬运"));
        QCOMPARE(gui.find<QDateEdit>(QStringLiteral("text7"))->date(), QDate(2006, 11, 2));
        QCOMPARE(textOf(gui, QStringLiteral("Text8")), QString());

        // Another employee's number is refused on edit too, and the dialog keeps what was typed;
        // values are cleaned as on add.
        setText(gui, QStringLiteral("Text1"), QStringLiteral(" E8\t"));
        setText(gui, QStringLiteral("Text2"), QStringLiteral(" 王五 "));
        boxes.expect(QStringLiteral("编号已存在"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(saved.count(), 0);
        QCOMPARE(textOf(gui, QStringLiteral("Text1")), QStringLiteral(" E8\t"));
        setText(gui, QStringLiteral("Text1"), QStringLiteral(" E7\t"));
        boxes.expect(QStringLiteral("修改成功！"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(saved.count(), 1);
        Statement st = app.db().prepare(QStringLiteral("SELECT 工号, 姓名, 车间 FROM 员工 WHERE id = 70000"));
        QVERIFY(st.next());
        QCOMPARE(st.text(0), QStringLiteral("E7"));
        QCOMPARE(st.text(1), QStringLiteral("王五"));
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT 姓名 FROM 员工 WHERE id = 4464")).toString(),
                 QStringLiteral("不是他"));
        QCOMPARE(CodeList(app.db(), CodeListKind::Workshop).names(), QStringList({"一车间", "旧车间"}));
        QCOMPARE(CodeList(app.db(), CodeListKind::JobType).names(), QStringList({"搬运"}));

        // An edit that changes nothing still saves and says so.
        settle();
        dialog = openDialog(MasterKind::Employee, app, &owner, 70000);
        boxes.expect(QStringLiteral("修改成功！"));
        GuiDriver(dialog).click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        settle();
        QVERIFY(!dialog);
    }

    void editOfAMissingRecordIsRefused()
    {
        TestApp app;
        app.db().exec(QStringLiteral(
            "INSERT INTO 产品工价 (id, 产品编号, 产品说明, 计量单位, 工价) VALUES (5, 'C5', '垫片', '个', 1)"));
        ScriptedBoxes boxes;
        QWidget owner;
        for (const MasterKind kind : {MasterKind::Employee, MasterKind::Product, MasterKind::Deduction}) {
            boxes.clear();
            boxes.expect(QStringLiteral("引用错误ID"));
            QPointer<MasterDialog> dialog = openDialog(kind, app, &owner, 99);
            KV_VERIFY_BOXES(boxes);
            QCOMPARE(boxes.shown().first().caption, QStringLiteral("出错！"));
            QCOMPARE(boxes.shown().first().icon, ui::Icon::Warning);
            QVERIFY(!dialog->isVisible());
            settle();
            QVERIFY(!dialog);
        }

        // Deleted while the dialog was open: the save says so instead of reporting success.
        QPointer<MasterDialog> dialog = openDialog(MasterKind::Product, app, &owner, 5);
        QSignalSpy saved(dialog.data(), &MasterDialog::saved);
        app.db().exec(QStringLiteral("DELETE FROM 产品工价"));
        boxes.clear();
        boxes.expect(QStringLiteral("引用错误ID"));
        GuiDriver(dialog).click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(saved.count(), 0);
        QCOMPARE(count(app.db(), QStringLiteral("产品工价")), 0);
    }

    void cancelWritesNothing()
    {
        TestApp app;
        ScriptedBoxes boxes;
        QWidget owner;
        QPointer<MasterDialog> dialog = openDialog(MasterKind::Employee, app, &owner);
        QSignalSpy saved(dialog.data(), &MasterDialog::saved);
        fillEmployee(GuiDriver(dialog), QStringLiteral("E1"), QStringLiteral("张三"), QStringLiteral("新车间"),
                     QStringLiteral("装配"));
        GuiDriver(dialog).click(QStringLiteral("Command2"));
        QCOMPARE(dialog->editedId, 0);
        settle();
        QVERIFY(!dialog);
        QCOMPARE(saved.count(), 0);
        QCOMPARE(count(app.db(), QStringLiteral("员工")), 0);
        QCOMPARE(count(app.db(), QStringLiteral("车间")), 0);
        KV_VERIFY_BOXES(boxes);
    }

    void productCodeFollowsDescriptionAndIsFoundByTheLookup()
    {
        TestApp app;
        app.db().exec(QStringLiteral("INSERT INTO 计量单位 (计量单位) VALUES ('个')"));
        ScriptedBoxes boxes;
        QWidget owner;
        QPointer<MasterDialog> dialog = openDialog(MasterKind::Product, app, &owner);
        GuiDriver gui(dialog);
        QCOMPARE(dialog->objectName(), QStringLiteral("添加产品Frm"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("添加产品"));
        QCOMPARE(gui.find<QComboBox>(QStringLiteral("Text4"))->count(), 1);
        QCOMPARE(textOf(gui, QStringLiteral("Text4")), QString());

        gui.type(QStringLiteral("Text2"), QStringLiteral("螺丝"));
        QCOMPARE(textOf(gui, QStringLiteral("Text3")), QStringLiteral("LS"));
        gui.key(QStringLiteral("Text2"), Qt::Key_Backspace);
        QCOMPARE(textOf(gui, QStringLiteral("Text3")), QStringLiteral("L"));
        gui.type(QStringLiteral("Text2"), QStringLiteral("丝钉M6"));
        QCOMPARE(textOf(gui, QStringLiteral("Text3")), QStringLiteral("LSDM6"));

        gui.type(QStringLiteral("Text1"), QStringLiteral("P01"));
        setText(gui, QStringLiteral("Text4"), QStringLiteral("盒"));
        // Nothing typed is missing; a price typed with its unit ("12kg") is no number.
        for (const auto& [bad, told] : {std::pair{"", "工价未填写！"},
                                        {"   ", "工价未填写！"},
                                        {"abc", "工价必须是数字！"},
                                        {"12,5", "工价必须是数字！"},
                                        {"12kg", "工价必须是数字！"}}) {
            setText(gui, QStringLiteral("Text5"), QString::fromUtf8(bad));
            boxes.expect(QString::fromUtf8(told));
            gui.click(QStringLiteral("Command1"));
            KV_VERIFY_BOXES(boxes);
            QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("Text5"));
        }
        setText(gui, QStringLiteral("Text5"), QStringLiteral("0.12345"));
        boxes.expect(QStringLiteral("工价最多保留 4 位小数！"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("Text5"));
        setText(gui, QStringLiteral("Text5"), QStringLiteral(" 12.5 "));
        boxes.expect(QStringLiteral("添加成功！"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT 工价 FROM 产品工价")), QVariant(12.5));
        QCOMPARE(CodeList(app.db(), CodeListKind::Unit).names(), QStringList({"个", "盒"}));

        // The wage entry window's item look-up finds it by its initials.
        const LookupResult found = lookupItems(app.db(), LookupKind::Product, QStringLiteral("LSD"));
        QCOMPARE(found.rows.size(), 1);
        QCOMPARE(found.rows.at(0), QStringList({"P01", "螺丝钉M6", "盒", "12.5"}));
        QVERIFY(lookupItems(app.db(), LookupKind::Product, QStringLiteral("XYZ")).rows.isEmpty());

        // A second product with the same unit adds no unit.
        settle();
        dialog = openDialog(MasterKind::Product, app, &owner);
        GuiDriver second(dialog);
        setText(second, QStringLiteral("Text1"), QStringLiteral("P02"));
        setText(second, QStringLiteral("Text2"), QStringLiteral("垫片"));
        setText(second, QStringLiteral("Text4"), QStringLiteral("盒"));
        setText(second, QStringLiteral("Text5"), QStringLiteral("300"));
        boxes.expect(QStringLiteral("添加成功！"));
        second.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(CodeList(app.db(), CodeListKind::Unit).names().size(), 2);
    }

    void productEditKeepsTheStoredCode()
    {
        TestApp app;
        app.db().exec(QStringLiteral("INSERT INTO 产品工价 (产品编号, 产品说明, 拼音编码, 计量单位, 工价, 备注) "
                                     "VALUES ('C1', '螺丝', 'LUOSI', '个', 300, '')"));
        ScriptedBoxes boxes;
        QWidget owner;
        QPointer<MasterDialog> dialog = openDialog(MasterKind::Product, app, &owner, 1);
        GuiDriver gui(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("修改产品"));
        QCOMPARE(textOf(gui, QStringLiteral("Text2")), QStringLiteral("螺丝"));
        QCOMPARE(textOf(gui, QStringLiteral("Text3")), QStringLiteral("LUOSI"));
        QCOMPARE(textOf(gui, QStringLiteral("Text5")), QStringLiteral("300"));
        boxes.expect(QStringLiteral("修改成功！"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT 拼音编码 FROM 产品工价")).toString(), QStringLiteral("LUOSI"));
    }

    // A rate change from the dialog: the history shows it, the price box follows, and the
    // record's own save afterwards is not taken for another clerk's change.
    void productRateChangeShowsInTheHistoryAndTheSaveAfterwards()
    {
        TestApp app;
        QVERIFY(MasterRecords(app.db(), MasterKind::Product).save(0, {"C1", "螺丝", "LS", "个", "0.5", ""}));
        ScriptedBoxes boxes;
        QWidget owner;
        QPointer<MasterDialog> dialog = openDialog(MasterKind::Product, app, &owner, 1);
        GuiDriver gui(dialog);
        auto* history = gui.find<ui::DataGrid>(QStringLiteral("fgHistory"));
        QCOMPARE(history->rows(), 2);
        QCOMPARE(history->text(1, 0), QStringLiteral("1900-1-1"));
        QCOMPARE(history->text(1, 1), QStringLiteral("0.5"));

        boxes.expect(QStringLiteral("新工价未填写！"));
        gui.click(QStringLiteral("CommandRate"));
        KV_VERIFY_BOXES(boxes);
        setText(gui, QStringLiteral("TextNewPrice"), QStringLiteral("0.55555"));
        boxes.expect(QStringLiteral("工价最多保留 4 位小数！"));
        gui.click(QStringLiteral("CommandRate"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(history->rows(), 2);

        setText(gui, QStringLiteral("TextNewPrice"), QStringLiteral("0.6"));
        gui.find<QDateEdit>(QStringLiteral("DateEffective"))->setDate(QDate(2008, 5, 10));
        boxes.expect(QStringLiteral("调价成功！2008-5-10 起按新工价计算"));
        gui.click(QStringLiteral("CommandRate"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(history->rows(), 3);
        QCOMPARE(history->text(2, 0), QStringLiteral("2008-5-10"));
        QCOMPARE(textOf(gui, QStringLiteral("Text5")), QStringLiteral("0.6"));
        QCOMPARE(lookupItems(app.db(), LookupKind::Product, {}, QDate(2008, 5, 9)).rows.first().at(3), QStringLiteral("0.5"));

        setText(gui, QStringLiteral("Text6"), QStringLiteral("新款"));
        boxes.expect(QStringLiteral("修改成功！"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT 备注 FROM 产品工价")).toString(), QStringLiteral("新款"));
        QCOMPARE(lookupItems(app.db(), LookupKind::Product, {}, QDate(2008, 5, 9)).rows.first().at(3), QStringLiteral("0.5"));
    }

    void deductionItemChecksAndCodes()
    {
        TestApp app;
        ScriptedBoxes boxes;
        QWidget owner;
        QPointer<MasterDialog> dialog = openDialog(MasterKind::Deduction, app, &owner);
        GuiDriver gui(dialog);
        QCOMPARE(dialog->objectName(), QStringLiteral("添加扣减项目Frm"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("添加扣减项目"));
        gui.type(QStringLiteral("Text2"), QStringLiteral("罚款"));
        QCOMPARE(textOf(gui, QStringLiteral("Text3")), QStringLiteral("FK"));
        setText(gui, QStringLiteral("Text2"), QStringLiteral("迟到"));
        QCOMPARE(textOf(gui, QStringLiteral("Text3")), QStringLiteral("CD"));

        boxes.expect(QStringLiteral("扣减项目编号未填写！"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        setText(gui, QStringLiteral("Text1"), QStringLiteral("K01"));
        setText(gui, QStringLiteral("Text2"), QStringLiteral(""));
        boxes.expect(QStringLiteral("提减项目说明未填写！"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("Text2"));
        setText(gui, QStringLiteral("Text2"), QStringLiteral("迟到"));
        setText(gui, QStringLiteral("Text4"), QStringLiteral("二十"));
        boxes.expect(QStringLiteral("扣减金额必须是数字！"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("Text4"));
        setText(gui, QStringLiteral("Text4"), QStringLiteral("20.5"));
        boxes.expect(QStringLiteral("添加成功！"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        const LookupResult found = lookupItems(app.db(), LookupKind::Deduction, QStringLiteral("CD"));
        QCOMPARE(found.rows, QList<QStringList>({{"K01", "迟到", "20.5"}}));
    }

    void awkwardCharactersSurviveEveryField_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("employee") << int(MasterKind::Employee)
                                  << QStringList({"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text8"});
        QTest::newRow("product") << int(MasterKind::Product)
                                 << QStringList({"Text1", "Text2", "Text3", "Text4", "Text6"});
        QTest::newRow("deduction") << int(MasterKind::Deduction) << QStringList({"Text1", "Text2", "Text3", "Text5"});
    }

    void awkwardCharactersSurviveEveryField()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, fields);
        const auto k = MasterKind(kind);
        TestApp app;
        ScriptedBoxes boxes;
        QWidget owner;
        QPointer<MasterDialog> dialog = openDialog(k, app, &owner);
        GuiDriver gui(dialog);
        // Each field gets its own text, so that a mixed-up column shows.
        const auto odd = [](const QString& field) { return QStringLiteral("it's 5%_\\%1\"").arg(field); };
        for (const QString& f : fields)
            setText(gui, f, odd(f));
        if (k == MasterKind::Product)
            setText(gui, QStringLiteral("Text5"), QStringLiteral("1"));
        if (k == MasterKind::Deduction)
            setText(gui, QStringLiteral("Text4"), QStringLiteral("1"));
        boxes.expect(QStringLiteral("添加成功！"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
        settle();

        dialog = openDialog(k, app, &owner, 1);
        GuiDriver edit(dialog);
        for (const QString& f : fields)
            QCOMPARE(textOf(edit, f), odd(f));
        // And the list shows them as stored.
        const RecordRows rows = MasterRecords(app.db(), k).list();
        QCOMPARE(rows.rows.size(), 1);
        QVERIFY(rows.rows.at(0).contains(odd(QStringLiteral("Text1"))));
        QVERIFY(rows.rows.at(0).contains(odd(QStringLiteral("Text2"))));
        // The duplicate check finds the number exactly, not as a pattern.
        settle();
        dialog = openDialog(k, app, &owner);
        setText(GuiDriver(dialog), QStringLiteral("Text1"), QStringLiteral("it's 5%_\\Text1\""));
        boxes.expect(QStringLiteral("己有相同的")).expect(QStringLiteral("自动生成"), Answer::No);
        GuiDriver(dialog).click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
    }
};

QTEST_MAIN(TestMasterDialogs)
#include "test_masterdialogs.moc"
