#include "GuiDriver.h"
#include "ScriptedBoxes.h"
#include "TestDb.h"
#include "data/Accounts.h"
#include "lists/AccountWindow.h"
#include "lists/AdminAccounts.h"
#include "lists/CodeList.h"
#include "lists/CodeListWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace kv;
using ui::Answer;

namespace {
QStringList listed(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

void clickRow(QListWidget* list, int row, Qt::KeyboardModifiers mods = {})
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, list->visualItemRect(list->item(row)).center());
}

// A window shown as the settings page shows it: on its own, application-modal.
template <class W> struct Shown {
    template <class... Args> explicit Shown(Args&&... args) : window(new W(std::forward<Args>(args)...))
    {
        window->show();
    }
    ~Shown() { delete window; }
    QPointer<W> window;
    GuiDriver gui{window};
    QListWidget* list() const { return gui.find<QListWidget>("List1"); }
    bool panelOpen() const { return gui.find("editbox")->isVisible(); }
};

void seedWorkshops(Database& db)
{
    CodeList list(db, CodeListKind::Workshop);
    for (const char* name : {"一车间", "二车间", "三车间"})
        list.add(name);
}
} // namespace

class TestListWindows : public QObject {
    Q_OBJECT
private slots:
    void codeListWindowsCaptions_data()
    {
        QTest::addColumn<CodeListKind>("kind");
        QTest::addColumn<QStringList>("texts"); // name, caption, add, edit, delete
        QTest::newRow("workshops") << CodeListKind::Workshop
                                   << QStringList{"车间Frm", "车间设置", "添加车间", "编缉车间", "删除车间"};
        QTest::newRow("job types") << CodeListKind::JobType
                                   << QStringList{"工种Frm", "工种设置", "添加工种", "编缉工种", "删除工种"};
        QTest::newRow("units") << CodeListKind::Unit
                               << QStringList{"计量单位Frm", "计量单位设置", "添加", "编缉", "删除"};
    }

    void codeListWindowsCaptions()
    {
        QFETCH(CodeListKind, kind);
        QFETCH(QStringList, texts);
        TestApp app;
        CodeList(app.db(), kind).add("甲");
        app.ctx().disconnect(); // the window connects for itself when it opens
        ScriptedBoxes boxes;
        Shown<CodeListWindow> w(app.ctx(), kind);
        QCOMPARE(w.window->objectName(), texts.at(0));
        QCOMPARE(w.window->windowTitle(), texts.at(1));
        QCOMPARE(w.window->windowModality(), Qt::ApplicationModal);
        QCOMPARE(w.gui.find<QPushButton>("Command2")->text(), texts.at(2));
        QCOMPARE(w.gui.find<QPushButton>("Command3")->text(), texts.at(3));
        QCOMPARE(w.gui.find<QPushButton>("Command4")->text(), texts.at(4));
        QCOMPARE(w.gui.find<QPushButton>("Command1")->text(), QString("确定"));
        QCOMPARE(w.gui.find<QPushButton>("Command5")->text(), QString("取消"));
        QVERIFY(!w.panelOpen());
        QCOMPARE(listed(w.list()), QStringList{"甲"});
        QVERIFY(w.list()->selectedItems().isEmpty());
        KV_VERIFY_BOXES(boxes);
    }

    void addRenameAndDeleteThroughThePanel()
    {
        TestApp app;
        seedWorkshops(app.db());
        ScriptedBoxes boxes;
        Shown<CodeListWindow> w(app.ctx(), CodeListKind::Workshop);

        w.gui.click("Command2");
        QVERIFY(w.panelOpen());
        QVERIFY(!w.gui.find("Command2")->isVisible()); // the panel takes the buttons' place
        w.gui.type("Text2", "  O'Brien 车间\t%\\ ");
        boxes.expect("添加成功！");
        w.gui.click("Command1");
        QCOMPARE(boxes.shown().last().caption, QString("成功！"));
        QCOMPARE(boxes.shown().last().icon, ui::Icon::Information);
        QVERIFY(!w.panelOpen());
        QCOMPARE(listed(w.list()), (QStringList{"一车间", "二车间", "三车间", "O'Brien 车间%\\"}));
        QVERIFY(w.list()->selectedItems().isEmpty());

        // A rename keeps the entry in its place; Enter in the box confirms.
        clickRow(w.list(), 1);
        w.gui.click("Command3");
        QCOMPARE(w.gui.find<QLineEdit>("Text2")->text(), QString("二车间"));
        QVERIFY(w.window->editMode());
        w.gui.type("Text2", "装配车间");
        boxes.expect("修改成功！");
        w.gui.key("Text2", Qt::Key_Return);
        QCOMPARE(listed(w.list()), (QStringList{"一车间", "装配车间", "三车间", "O'Brien 车间%\\"}));

        // Deleting asks first; Cancel leaves everything and shows nothing more.
        clickRow(w.list(), 0);
        boxes.expect("确定要删除？", Answer::Cancel);
        w.gui.click("Command4");
        QCOMPARE(boxes.shown().last().caption, QString("确定删除"));
        QCOMPARE(boxes.shown().last().buttons, ui::Buttons::OkCancel);
        QCOMPARE(w.list()->count(), 4);
        boxes.expect("确定要删除？", Answer::Ok).expect("删除成功！");
        w.gui.click("Command4");
        QCOMPARE(boxes.shown().last().caption, QString("己删除"));
        QCOMPARE(listed(w.list()), (QStringList{"装配车间", "三车间", "O'Brien 车间%\\"}));
        QCOMPARE(listed(w.list()), [&] {
            QStringList stored;
            for (const ListEntry& e : CodeList(app.db(), CodeListKind::Workshop).entries())
                stored << e.name;
            return stored;
        }());
        KV_VERIFY_BOXES(boxes);
    }

    void emptyNamesAndMissingSelectionsWriteNothing()
    {
        TestApp app;
        seedWorkshops(app.db());
        ScriptedBoxes boxes;
        Shown<CodeListWindow> w(app.ctx(), CodeListKind::Workshop);

        // Change and delete with nothing selected do nothing at all.
        w.gui.click("Command3");
        w.gui.click("Command4");
        QVERIFY(!w.panelOpen());

        w.gui.click("Command2");
        w.gui.type("Text2", " \t ");
        boxes.expect("不能为空！");
        w.gui.click("Command1");
        QCOMPARE(boxes.shown().last().caption, QString("敬告！"));
        QCOMPARE(boxes.shown().last().icon, ui::Icon::Warning);
        QVERIFY(w.panelOpen());
        w.gui.click("Command5");
        QVERIFY(!w.panelOpen());
        QCOMPARE(w.list()->count(), 3);

        // The entry selected when confirming is the one renamed.
        clickRow(w.list(), 0);
        w.gui.click("Command3");
        clickRow(w.list(), 2);
        w.gui.key("Text2", Qt::Key_End); // the name is selected, ready to be typed over
        w.gui.type("Text2", "新");
        boxes.expect("修改成功！");
        w.gui.click("Command1");
        QCOMPARE(listed(w.list()), (QStringList{"一车间", "二车间", "一车间新"}));

        // With the selection gone the user is told, and the typed name waits in the panel.
        clickRow(w.list(), 1);
        w.gui.click("Command3");
        clickRow(w.list(), 1, Qt::ControlModifier);
        QVERIFY(w.list()->selectedItems().isEmpty());
        boxes.expect("请先在列表中选中要修改的一项");
        w.gui.click("Command1");
        QVERIFY(w.panelOpen());
        QCOMPARE(w.gui.find<QLineEdit>("Text2")->text(), QString("二车间"));
        QCOMPARE(listed(w.list()), (QStringList{"一车间", "二车间", "一车间新"}));

        // Escape leaves the panel before it leaves the window.
        w.gui.key("Text2", Qt::Key_Escape);
        QVERIFY(!w.panelOpen());
        QVERIFY(w.window->isVisible());
        KV_VERIFY_BOXES(boxes);
    }

    void accountWindowNeverShowsAPassword()
    {
        TestApp app;
        AdminAccounts(app.db()).add("会计", "old");
        ScriptedBoxes boxes;
        Shown<AccountWindow> w(app.ctx());
        QCOMPARE(w.window->objectName(), QString("管理员Frm"));
        QCOMPARE(w.window->windowTitle(), QString("管理员设置"));
        QCOMPARE(w.gui.find<QPushButton>("Command2")->text(), QString("添加"));
        QCOMPARE(w.gui.find<QPushButton>("Command3")->text(), QString("修改账号"));
        QCOMPARE(w.gui.find<QPushButton>("Command4")->text(), QString("删除"));
        QCOMPARE(w.gui.find<QLabel>("Label1")->text(), QString("账号："));
        QCOMPARE(w.gui.find<QLabel>("Label2")->text(), QString("密码："));
        QCOMPARE(listed(w.list()), (QStringList{"admin", "会计"}));
        auto* password = w.gui.find<QLineEdit>("Text1");
        auto* repeat = w.gui.find<QLineEdit>("Text3");
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QCOMPARE(repeat->echoMode(), QLineEdit::Password);

        // Changing starts with empty password boxes; left empty, the password stays.
        w.gui.click("Command2");
        w.gui.type("Text1", "typed before");
        w.gui.click("Command5");
        clickRow(w.list(), 1);
        w.gui.click("Command3");
        QCOMPARE(w.gui.find<QLineEdit>("Text2")->text(), QString("会计"));
        QVERIFY(password->text().isEmpty());
        QVERIFY(repeat->text().isEmpty());
        QVERIFY(!password->placeholderText().isEmpty());
        w.gui.key("Text2", Qt::Key_End);
        w.gui.type("Text2", "长");
        boxes.expect("修改成功！");
        w.gui.click("Command1");
        QCOMPARE(listed(w.list()), (QStringList{"admin", "会计长"}));
        QCOMPARE(checkLogin(app.db(), "会计长", "old"), std::optional<QString>("会计长"));

        // A new password must be typed twice alike.
        clickRow(w.list(), 1);
        w.gui.click("Command3");
        w.gui.type("Text1", "new'1");
        w.gui.type("Text3", "new'2");
        boxes.expect("两次输入的密码不一致！");
        w.gui.click("Command1");
        QVERIFY(w.panelOpen());
        repeat->clear();
        w.gui.type("Text3", "new'1");
        boxes.expect("修改成功！");
        w.gui.key("Text3", Qt::Key_Return);
        QCOMPARE(checkLogin(app.db(), "会计长", "old"), std::nullopt);
        QCOMPARE(checkLogin(app.db(), "会计长", "new'1"), std::optional<QString>("会计长"));

        w.gui.click("Command2");
        QVERIFY(password->placeholderText().isEmpty());
        w.gui.type("Text2", " 出纳 ");
        w.gui.type("Text1", "p%\\");
        w.gui.type("Text3", "p%\\");
        boxes.expect("添加成功！");
        w.gui.click("Command1");
        QCOMPARE(listed(w.list()), (QStringList{"admin", "会计长", "出纳"}));
        QCOMPARE(checkLogin(app.db(), "出纳", "p%\\"), std::optional<QString>("出纳"));
        KV_VERIFY_BOXES(boxes);
    }

    void theSuperAdministratorCannotBeDeleted()
    {
        TestApp app;
        AdminAccounts(app.db()).add("会计", "x");
        ScriptedBoxes boxes;
        Shown<AccountWindow> w(app.ctx());
        clickRow(w.list(), 0);
        boxes.expect("超级管理员不充许删除！"); // refused before any question
        w.gui.click("Command4");
        QCOMPARE(boxes.shown().last().caption, QString("敬告！"));
        QCOMPARE(w.list()->count(), 2);

        clickRow(w.list(), 1);
        boxes.expect("确定要删除？", Answer::Ok).expect("删除成功！");
        w.gui.click("Command4");
        QCOMPARE(listed(w.list()), QStringList{"admin"});
        QCOMPARE(AdminAccounts(app.db()).entries().size(), 1);
        KV_VERIFY_BOXES(boxes);
    }
};

QTEST_MAIN(TestListWindows)
#include "test_listwindows.moc"
