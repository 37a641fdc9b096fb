#include "GuiDriver.h"
#include "ScriptedBoxes.h"
#include "TestDb.h"
#include "app/AppShell.h"
#include "app/LoginWindow.h"
#include "app/MainWindow.h"
#include "data/Accounts.h"
#include "data/FactoryName.h"
#include "data/NetPayRounding.h"
#include "data/OperationLog.h"
#include "data/Passwords.h"
#include "entry/ClosedMonths.h"
#include "lists/AccountWindow.h"
#include "lists/AdminAccounts.h"
#include "maintenance/FileCopy.h"
#include "maintenance/RestoreDialog.h"
#include "maintenance/SettingsWindow.h"
#include "ui/DataGrid.h"
#include "ui/Printing.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace kv;
using ui::Answer;

namespace {
const QString kClearQuestion = "● 清空数据会将所有员工、按件记酬、扣减等等的\n"
                               "记录全部清除，只保留超级管理员信息。\n"
                               "● 建议在备份数据后再执行此操作！\n"
                               "● 您确定要清空吗？";

qint64 employees(Database& db)
{
    return db.scalar("SELECT count(*) FROM 员工").toLongLong();
}

void addEmployee(Database& db, const QString& name)
{
    db.exec("INSERT INTO 员工 (工号, 姓名) VALUES ('001', ?)", {name});
}

QStringList listed(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QStringList comboItems(const QComboBox* combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

// The queued end of a session runs once control is back in the event loop.
void letQueuedCallsRun()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

MainWindow* logIn(AppShell& shell)
{
    GuiDriver login(shell.loginWindow());
    login.find<QComboBox>("Combo1")->setCurrentIndex(0);
    login.type("Text1", "admin123");
    login.click("Command1");
    letQueuedCallsRun();
    return shell.mainWindow();
}

SettingsWindow* settingsTab(MainWindow* main)
{
    GuiDriver(main).find<QTabWidget>("C1Tab1")->setCurrentIndex(5);
    return qobject_cast<SettingsWindow*>(main->hostedWindow("systemset"));
}

void selectFile(QListWidget* list, const QString& name)
{
    const auto items = list->findItems(name, Qt::MatchExactly);
    QCOMPARE(items.size(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items.first()).center());
    QVERIFY(items.first()->isSelected());
}
} // namespace

class TestSettingsWindow : public QObject {
    Q_OBJECT
private slots:
    void captionsAndGroups()
    {
        TestApp app;
        SettingsWindow w(app.ctx());
        GuiDriver gui(&w);
        QCOMPARE(w.objectName(), QString("systemset"));
        QCOMPARE(w.windowTitle(), QString("系统设置"));
        const QList<QPair<QString, QStringList>> groups{
            {"初始设置", {"Command1:车间设置", "Command2:工种设置", "Command7:计量单位设置"}},
            {"系统管理员设置", {"Command4:修改用户名和密码"}},
            {"系统数据管理", {"Command3:数据备份", "Command6:数据恢复", "Command5:清空数据"}},
            {"单位信息", {"saveFactoryName:保存"}},
            {"工资发放", {"saveRounding:保存"}},
            {"月份结账", {"CommandCloseMonth:结账", "CommandReopenMonth:反结账"}},
            {"操作日志",
             {"CommandLogFind:查找", "CommandLogFilter:筛选", "CommandLogExport:导出", "CommandLogReload:刷新"}}};
        const auto boxes = w.findChildren<QGroupBox*>();
        QCOMPARE(boxes.size(), groups.size());
        for (int g = 0; g < groups.size(); ++g) {
            QCOMPARE(boxes.at(g)->title(), groups.at(g).first);
            QStringList buttons;
            for (const QPushButton* b : boxes.at(g)->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
                buttons << b->objectName() + ":" + b->text();
            QCOMPARE(buttons, groups.at(g).second);
        }
    }

    // The rounding chosen on the page is kept with the data and shown again when the page opens.
    void netPayRoundingIsSavedAndShownAgain()
    {
        TestApp app;
        ScriptedBoxes boxes;
        {
            SettingsWindow w(app.ctx());
            GuiDriver gui(&w);
            auto* mode = gui.find<QComboBox>("roundingMode");
            QVERIFY(!mode->isEnabled()); // 不取整: no mode to choose
            gui.find<QComboBox>("roundingUnit")->setCurrentIndex(2);
            QVERIFY(mode->isEnabled());
            mode->setCurrentIndex(1);
            boxes.expect("实发工资取整已保存：取整到角（舍去）");
            gui.click("saveRounding");
            KV_VERIFY_BOXES(boxes);
        }
        QVERIFY((netPayRounding(app.db()) == NetPayRounding{NetPayRounding::Unit::Jiao, NetPayRounding::Mode::Drop}));
        SettingsWindow again(app.ctx());
        QCOMPARE(GuiDriver(&again).find<QComboBox>("roundingUnit")->currentText(), QString("角"));
        QCOMPARE(GuiDriver(&again).find<QComboBox>("roundingMode")->currentText(), QString("舍去"));
    }

    void factoryNameIsCheckedStoredAndPrinted()
    {
        TestApp app;
        ScriptedBoxes boxes;
        auto w = std::make_unique<SettingsWindow>(app.ctx());
        GuiDriver gui(w.get());
        auto* box = gui.find<QLineEdit>("factoryName");
        QCOMPARE(box->text(), QString());

        // Too long: told so, the text stays in the box, nothing stored.
        const QString tooLong(41, u'厂');
        box->setText(tooLong);
        boxes.expect("最多 40 个字");
        gui.click("saveFactoryName");
        QCOMPARE(box->text(), tooLong);
        QCOMPARE(factoryName(app.db()), QString());

        // A failing statement: the database's message, the box as typed, nothing stored.
        app.db().execScript(
            "CREATE TRIGGER keep BEFORE INSERT ON kelvaro_meta BEGIN SELECT RAISE(ABORT, 'locked'); END;");
        box->setText(" 宏达服装厂\t");
        boxes.expect("locked");
        gui.click("saveFactoryName");
        QCOMPARE(box->text(), QString(" 宏达服装厂\t"));
        QCOMPARE(factoryName(app.db()), QString());
        app.db().execScript("DROP TRIGGER keep;");
        boxes.expect("单位名称已保存");
        gui.click("saveFactoryName");
        KV_VERIFY_BOXES(boxes);
        QCOMPARE(box->text(), QString("宏达服装厂"));
        w = std::make_unique<SettingsWindow>(app.ctx());
        QCOMPARE(GuiDriver(w.get()).find<QLineEdit>("factoryName")->text(), QString("宏达服装厂"));

        // Every print carries it above its title, with the day and the account.
        QTemporaryDir pdfs;
        app.ctx().printToPdfDir = pdfs.path();
        QWidget list;
        list.setWindowTitle("员工管理");
        auto* grid = new ui::DataGrid(&list);
        grid->setCols(2);
        grid->setText(0, 0, "工号");
        grid->setText(grid->addRow(), 0, "Y00001");
        QVERIFY(ui::printDocument(app.ctx(), nullptr, *grid));
        QProcess text;
        text.start("pdftotext", {pdfs.filePath("员工管理.pdf"), "-"});
        QVERIFY(text.waitForFinished(30000));
        QString printed = QString::fromUtf8(text.readAllStandardOutput()).remove(QRegularExpression("\\s+"));
        QVERIFY2(printed.startsWith("宏达服装厂员工管理"), qPrintable(printed));
        for (const char* part : {"打印日期：2008-5-17", "打印人：admin", "第1页/共1页", "Y00001"})
            QVERIFY2(printed.contains(QString::fromUtf8(part)), part);
        KV_VERIFY_BOXES(boxes);
    }

    void buttonsOpenTheirWindowsModal_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        QTest::newRow("workshops") << "Command1"
                                   << "车间Frm";
        QTest::newRow("job types") << "Command2"
                                   << "工种Frm";
        QTest::newRow("units") << "Command7"
                               << "计量单位Frm";
        QTest::newRow("accounts") << "Command4"
                                  << "管理员Frm";
        QTest::newRow("restore") << "Command6"
                                 << "恢复数据MSG";
    }

    void buttonsOpenTheirWindowsModal()
    {
        QFETCH(QString, button);
        QFETCH(QString, window);
        TestApp app;
        ScriptedBoxes boxes;
        SettingsWindow w(app.ctx());
        w.show();
        GuiDriver(&w).click(button);
        auto* opened = w.findChild<QWidget*>(window);
        QVERIFY(opened);
        QVERIFY(opened->isWindow());
        QVERIFY(opened->isVisible());
        QCOMPARE(opened->windowModality(), Qt::ApplicationModal);
        QCOMPARE(QApplication::activeModalWidget(), opened);
        opened->close();
        letQueuedCallsRun();
        QVERIFY(!w.findChild<QWidget*>(window)); // gone once closed, loaded anew next time
        KV_VERIFY_BOXES(boxes);
    }

    void backupTellsWhereTheFileWent()
    {
        TestApp app;
        ScriptedBoxes boxes;
        SettingsWindow w(app.ctx());
        const QString path = QDir::toNativeSeparators(QDir(app.dir()).absoluteFilePath("databak/2008-5-17.bak"));
        boxes.expect("己将数据库成功备份到" + path);
        GuiDriver(&w).click("Command3");
        QCOMPARE(boxes.shown().last().text, "己将数据库成功备份到" + path);
        QCOMPARE(boxes.shown().last().caption, QString("Kelvaro"));
        QCOMPARE(boxes.shown().last().icon, ui::Icon::None);
        QVERIFY(QFile::exists(path));
        QCOMPARE(employees(app.db()), 0); // connected again

        QVERIFY(QDir(app.dir() + "/databak").removeRecursively());
        boxes.expect("数据备份没有完成");
        GuiDriver(&w).click("Command3");
        QCOMPARE(boxes.shown().last().caption, QString("备份失败"));
        QVERIFY(app.ctx().isConnected());
        KV_VERIFY_BOXES(boxes);
    }

    void aCancelledOrFailedClearChangesNothing()
    {
        TestApp app;
        addEmployee(app.db(), "张三");
        ScriptedBoxes boxes;
        SettingsWindow w(app.ctx());
        boxes.expect("● 清空数据", Answer::Cancel);
        GuiDriver(&w).click("Command5");
        const ui::BoxRequest question = boxes.shown().last();
        QCOMPARE(question.text, kClearQuestion);
        QCOMPARE(question.caption, QString("确定要清空数据？"));
        QCOMPARE(question.buttons, ui::Buttons::OkCancel);
        QCOMPARE(question.icon, ui::Icon::None);
        QCOMPARE(employees(app.db()), 1);

        // A clear that fails says so and leaves every row in place.
        app.db().execScript("CREATE TRIGGER keep BEFORE DELETE ON 员工 BEGIN SELECT RAISE(ABORT, 'locked'); END;");
        boxes.expect("● 清空数据", Answer::Ok).expect("清空没有完成，所有数据保持原样。");
        GuiDriver(&w).click("Command5");
        QCOMPARE(employees(app.db()), 1);
        KV_VERIFY_BOXES(boxes);
    }

    void aClearWithoutItsSafetyCopyDoesNotRun()
    {
        TestApp app;
        addEmployee(app.db(), "张三");
        ScriptedBoxes boxes;
        SettingsWindow w(app.ctx());
        // The safety copy cannot be written where it goes.
        const QString safety = app.dir() + "/databak/清空前-2008-05-17-093000.bak";
        QVERIFY(QDir().mkpath(pendingCopyPath(safety) + "/blocked"));
        boxes.expect("● 清空数据", Answer::Ok).expect("数据没有清空：没能先为现有数据保存一份安全副本。");
        GuiDriver(&w).click("Command5");
        QCOMPARE(boxes.shown().last().caption, QString("清空失败"));
        QVERIFY(app.ctx().isConnected());
        QCOMPARE(employees(app.db()), 1);
        QVERIFY(!QFileInfo::exists(safety));

        // No backup folder at all: the same, and the message names the folder.
        QVERIFY(QDir(app.dir() + "/databak").removeRecursively());
        boxes.expect("● 清空数据", Answer::Ok).expect("databak");
        GuiDriver(&w).click("Command5");
        QCOMPARE(employees(app.db()), 1);
        KV_VERIFY_BOXES(boxes);
    }

    void restoreDialogListsBackupsAndKeepsDataOnFailure()
    {
        TestApp app;
        const QString dir = app.dir() + "/databak/";
        for (const char* name : {"2008-5-17.bak", "2008-5-9.bak", "readme.txt"}) {
            QFile f(dir + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a database");
        }
        addEmployee(app.db(), "张三");
        ScriptedBoxes boxes;
        SettingsWindow w(app.ctx());
        w.show();
        GuiDriver(&w).click("Command6");
        auto* dialog = w.findChild<RestoreDialog*>();
        GuiDriver gui(dialog);
        QCOMPARE(dialog->windowTitle(), QString("恢复数据"));
        QCOMPARE(gui.find<QLabel>("Label1")->text(), QString("请选择要恢复的数据："));
        QCOMPARE(gui.find<QPushButton>("Command1")->text(), QString("确定恢复"));
        QCOMPARE(gui.find<QPushButton>("Command2")->text(), QString("取消"));
        auto* files = gui.find<QListWidget>("File1");
        QCOMPARE(listed(files), (QStringList{"2008-5-17.bak", "2008-5-9.bak"}));

        gui.click("Command1"); // nothing chosen: nothing happens
        QVERIFY(dialog->isVisible());

        selectFile(files, "2008-5-17.bak");
        boxes.expect("数据没有恢复，现有数据保持原样。");
        gui.click("Command1");
        QCOMPARE(boxes.shown().last().caption, QString("恢复失败"));
        QVERIFY(dialog->isVisible());
        QCOMPARE(employees(app.db()), 1);

        gui.click("Command2");
        QVERIFY(!dialog->isVisible());
        KV_VERIFY_BOXES(boxes);
    }

    void clearingEndsTheSessionWithOnlyTheSuperAdministratorLeft()
    {
        TestApp app;
        addEmployee(app.db(), "张三");
        app.db().exec("INSERT INTO 车间 (车间) VALUES ('一车间')");
        AdminAccounts(app.db()).add("会计", "x");
        ScriptedBoxes boxes;
        AppShell shell(app.ctx());
        shell.start();
        QCOMPARE(comboItems(GuiDriver(shell.loginWindow()).find<QComboBox>("Combo1")), (QStringList{"admin", "会计"}));
        MainWindow* main = logIn(shell);
        QVERIFY(main);
        const QPointer<QWidget> entry = main->hostedWindow("工资计算Frm");
        SettingsWindow* settings = settingsTab(main);
        QVERIFY(settings);

        boxes.expect("● 清空数据", Answer::Ok).expect("清空成功！请重新登陆系统！");
        GuiDriver(settings).click("Command5");
        QCOMPARE(boxes.shown().last().caption, QString("成功！"));
        QCOMPARE(boxes.shown().last().icon, ui::Icon::Information);
        // The data as they were before the clearing wait in the backup folder, named in the message.
        const QString safety = QDir(app.dir()).absoluteFilePath("databak/清空前-2008-05-17-093000.bak");
        QVERIFY(boxes.shown().last().text.endsWith(QDir::toNativeSeparators(safety)));
        QCOMPARE(Database(safety, dbPass(app.ctx().paths().keyFile())).scalar("SELECT 姓名 FROM 员工").toString(),
                 QString("张三"));
        letQueuedCallsRun();

        // No exit question: the main window and every working window are gone.
        QVERIFY(!shell.mainWindow());
        QVERIFY(!entry);
        QVERIFY(shell.loginWindow()->isVisible());
        QCOMPARE(comboItems(GuiDriver(shell.loginWindow()).find<QComboBox>("Combo1")), QStringList{"admin"});
        QCOMPARE(employees(app.db()), 0);
        QCOMPARE(app.db().scalar("SELECT count(*) FROM 车间").toLongLong(), 0);

        // A new login brings a fresh main window, whose close asks again.
        main = logIn(shell);
        QVERIFY(main);
        boxes.expect("确定退出本系统？", Answer::No);
        main->close();
        QVERIFY(main->isVisible());
        KV_VERIFY_BOXES(boxes);
    }

    void restoreAndClearingAskAboutUnsavedWageLinesFirst()
    {
        TestApp app;
        ScriptedBoxes boxes;
        AppShell shell(app.ctx());
        shell.start();
        MainWindow* main = logIn(shell);
        SettingsWindow* settings = settingsTab(main);
        auto* fg = main->hostedWindow("工资计算Frm")->findChild<ui::DataGrid*>("fg");
        fg->setText(1, 5, "未保存");
        const QString question = "当前员工的工资数据尚未保存，确定放弃修改吗？";
        // Cancel: neither the restore window nor the clearing question comes.
        boxes.expect(question, Answer::Cancel);
        GuiDriver(settings).click("Command6");
        QVERIFY(!settings->findChild<RestoreDialog*>());
        boxes.expect(question, Answer::Cancel);
        GuiDriver(settings).click("Command5");
        QCOMPARE(fg->text(1, 5), QString("未保存"));
        // OK goes on to the clearing question, which defaults to Cancel as well.
        boxes.expect(question, Answer::Ok).expect("● 清空数据", Answer::Cancel);
        GuiDriver(settings).click("Command5");
        QVERIFY(boxes.shown().last().cancelByDefault);
        KV_VERIFY_BOXES(boxes);
    }

    // A clerk who may only see the statistics: every page and command it may not use is
    // greyed, saying why; the accounts window lets it change its own password, with the old one.
    void aClerkFindsWhatItMayNotUseDisabled()
    {
        TestApp app;
        AdminAccounts(app.db()).add("clerk", "c1", Rights(Right::Statistics));
        ScriptedBoxes boxes;
        AppShell shell(app.ctx());
        shell.start();
        GuiDriver login(shell.loginWindow());
        login.find<QComboBox>("Combo1")->setCurrentIndex(1);
        login.type("Text1", "c1x");
        boxes.expect("错误的账号或密码！");
        login.click("Command1");
        QCOMPARE(OperationLog(app.db()).entries().value(0).action + OperationLog(app.db()).entries().value(0).target,
                 QString("登录失败clerk"));
        login.find<QLineEdit>("Text1")->clear();
        login.type("Text1", "c1");
        login.click("Command1");
        letQueuedCallsRun();
        MainWindow* main = shell.mainWindow();
        QVERIFY(main);
        QCOMPARE(app.ctx().session().account(), QString("clerk"));

        auto* tabs = GuiDriver(main).find<QTabWidget>("C1Tab1");
        QCOMPARE(tabs->currentIndex(), 1);
        for (const int page : {0, 2, 3, 4}) {
            QVERIFY(!tabs->isTabEnabled(page));
            QVERIFY(!tabs->tabToolTip(page).isEmpty());
        }
        QCOMPARE(tabs->tabToolTip(0), refusalText(Right::WageEntry));
        QCOMPARE(tabs->tabToolTip(2), refusalText(Right::MasterData));
        QVERIFY(tabs->isTabEnabled(1) && tabs->isTabEnabled(5));

        SettingsWindow* settingsPage = settingsTab(main);
        GuiDriver settings(settingsPage);
        const QList<std::pair<const char*, Right>> greyed{
            {"Command1", Right::MasterData},     {"Command2", Right::MasterData},   {"Command7", Right::MasterData},
            {"saveFactoryName", Right::MasterData}, {"Command3", Right::Backup},  {"Command6", Right::RestoreClear},
            {"Command5", Right::RestoreClear},  {"CommandCloseMonth", Right::CloseMonths}};
        for (const auto& [name, right] : greyed) {
            QWidget* control = settings.find<QWidget>(name);
            QVERIFY2(!control->isEnabled(), name);
            QCOMPARE(control->toolTip(), refusalText(right));
        }
        QVERIFY(!settings.find<QWidget>("CommandReopenMonth")->isEnabled());
        QVERIFY(!settings.find<QWidget>("factoryName")->isEnabled());

        settings.click("Command4");
        auto* accountsWindow = settingsPage->findChild<AccountWindow*>();
        QVERIFY(accountsWindow);
        GuiDriver accounts(accountsWindow);
        auto* list = accounts.find<QListWidget>("List1");
        QVERIFY(!accounts.find<QWidget>("Command2")->isEnabled());
        list->setCurrentRow(0);
        QVERIFY(!accounts.find<QWidget>("Command3")->isEnabled());
        QVERIFY(!accounts.find<QWidget>("Command4")->isEnabled());
        QCOMPARE(accounts.find<QWidget>("Command3")->toolTip(), QString("只有超级管理员才能修改超级管理员！"));
        list->setCurrentRow(1);
        QVERIFY(accounts.find<QWidget>("Command3")->isEnabled());
        QVERIFY(!accounts.find<QWidget>("Command4")->isEnabled());
        accounts.click("Command3");
        for (int i = 0; i < 7; ++i)
            QVERIFY(!accounts.find<QCheckBox>(QStringLiteral("CheckRight_%1").arg(i))->isEnabled());
        QVERIFY(accounts.find<QCheckBox>("CheckRight_1")->isChecked());
        QVERIFY(!accounts.find<QCheckBox>("CheckRight_0")->isChecked());
        QVERIFY(accounts.find<QWidget>("Text4")->isEnabled());
        // A new password without the old one is refused; the panel keeps what was typed.
        accounts.type("Text1", "c2");
        accounts.type("Text3", "c2");
        boxes.expect("原密码不正确！");
        accounts.click("Command1");
        QCOMPARE(checkLogin(app.db(), "clerk", "c1"), std::optional<QString>("clerk"));
        accounts.type("Text4", "c1");
        boxes.expect("修改成功！");
        accounts.click("Command1");
        QCOMPARE(checkLogin(app.db(), "clerk", "c2"), std::optional<QString>("clerk"));
        KV_VERIFY_BOXES(boxes);
        accountsWindow->close();
    }

    void monthIsClosedAndReopenedByTheSuperAdministratorOnly()
    {
        TestApp app;
        AdminAccounts(app.db()).add("会计", "x");
        ScriptedBoxes boxes;
        AppShell shell(app.ctx());
        shell.start();
        GuiDriver gui(settingsTab(logIn(shell)));
        const auto isClosed = [&] { return ClosedMonths(app.db()).isClosed("2008-4"); };
        // The month before today is offered.
        QCOMPARE(gui.find<QLineEdit>("closeMonth")->text(), QString("2008-4"));
        // Asked once, naming the month and what closing it stops; Enter alone is Cancel.
        boxes.expect("确定将 2008-4 结账吗？", Answer::Cancel);
        gui.click("CommandCloseMonth");
        QVERIFY(!isClosed());
        QVERIFY(boxes.shown().last().cancelByDefault);
        QVERIFY(boxes.shown().last().text.contains("不能再保存、删除或全部清空"));
        boxes.expect("确定将 2008-4 结账吗？", Answer::Ok).expect("2008-4 已结账");
        gui.click("CommandCloseMonth");
        QVERIFY(isClosed());
        boxes.expect("该月份已经结账！"); // no question for a month closed already
        gui.click("CommandCloseMonth");
        QCOMPARE(gui.find<QLabel>("closedMonths")->text(), QString("已结账月份：2008-4"));

        gui.type("closePassword", "admin12");
        boxes.expect("超级管理员密码不正确！");
        gui.click("CommandReopenMonth");
        QVERIFY(isClosed());
        QCOMPARE(gui.find<QLineEdit>("closePassword")->text(), QString());
        gui.type("closePassword", "admin123");
        boxes.expect("2008-4 已反结账");
        gui.click("CommandReopenMonth");
        QVERIFY(!isClosed());
        QCOMPARE(gui.find<QLabel>("closedMonths")->text(), QString("已结账月份：无"));

        // Another account may not close: the core refuses even where the page, made for the
        // super administrator, still offers the command.
        app.logInAs("会计");
        boxes.expect(refusalText(Right::CloseMonths));
        gui.click("CommandCloseMonth");
        QVERIFY(!isClosed());
        KV_VERIFY_BOXES(boxes);

        // The log on the page, newest first: the account added by the owner before the login,
        // the login, the closing, the reopening; a refused reopening wrote nothing.
        auto* log = gui.find<ui::DataGrid>("fgLog");
        const auto column = [&](int col) {
            QStringList out;
            for (int r = 1; r < log->rows(); ++r)
                out << log->text(r, col);
            return out;
        };
        QCOMPARE(column(2), (QStringList{"反结账", "结账", "登录", "新增账号"}));
        QCOMPARE(column(1), (QStringList{"admin", "admin", "admin", "admin"}));
        QCOMPARE(column(4), (QStringList{"1", "1", "1", "1"}));
        // Filtered to what the panel's condition holds, and whole again on closing the panel.
        GuiDriver panel(gui.find("Picture1"));
        gui.click("CommandLogFilter");
        panel.find<QComboBox>("zdinput_0")->setCurrentIndex(2);
        panel.type("tjinput_0", "结账");
        panel.click("Command3");
        QCOMPARE(column(2), (QStringList{"反结账", "结账"}));
        panel.click("Command2");
        QCOMPARE(log->rows(), 5);
    }

    void restoringEndsTheSessionWithTheBackedUpAccounts()
    {
        TestApp app;
        addEmployee(app.db(), "张三");
        AdminAccounts(app.db()).add("会计", "x");
        ScriptedBoxes boxes;
        AppShell shell(app.ctx());
        shell.start();
        SettingsWindow* settings = settingsTab(logIn(shell));
        boxes.expect("己将数据库成功备份到");
        GuiDriver(settings).click("Command3");

        // Work after the backup, lost by the restore: the question names the month closed and
        // the line saved since; Cancel keeps everything.
        app.db().exec("DELETE FROM 员工");
        AdminAccounts(app.db()).add("出纳", "y");
        app.db().exec(
            "INSERT INTO 工资流水 (工号, 日期, 产品, 数量, 工价, 金额) VALUES ('001', '2008-05-03', '外壳', 1, 2, 2)");
        app.db().exec("INSERT INTO 月结 (月份, 结账时间, 账号) VALUES ('2008-4', '2008-05-17 09:00:00', 'admin')");
        GuiDriver(settings).click("Command6");
        auto* dialog = settings->findChild<RestoreDialog*>();
        QVERIFY(dialog);
        selectFile(GuiDriver(dialog).find<QListWidget>("File1"), "2008-5-17.bak");
        boxes.expect("备份之后结账的月份：2008-4", Answer::Cancel);
        GuiDriver(dialog).click("Command1");
        QCOMPARE(boxes.shown().last().caption, QString("确定恢复数据？"));
        QVERIFY2(boxes.shown().last().text.contains("2008-5 月 1 条"), qPrintable(boxes.shown().last().text));
        QVERIFY(dialog->isVisible());
        QCOMPARE(employees(app.db()), 0);
        boxes.expect("备份之后结账的月份：2008-4", Answer::Ok).expect("数据恢复成功！请重新登陆系统！");
        GuiDriver(dialog).click("Command1");
        QCOMPARE(boxes.shown().last().caption, QString("成功！"));
        QVERIFY(boxes.shown().last().text.contains("恢复前-2008-05-17-093000.bak"));
        QVERIFY(!dialog->isVisible());
        letQueuedCallsRun();

        QVERIFY(!shell.mainWindow());
        QVERIFY(shell.loginWindow()->isVisible());
        QCOMPARE(comboItems(GuiDriver(shell.loginWindow()).find<QComboBox>("Combo1")), (QStringList{"admin", "会计"}));
        QCOMPARE(employees(app.db()), 1);
        QCOMPARE(checkLogin(app.db(), "会计", "x"), std::optional<QString>("会计"));
        KV_VERIFY_BOXES(boxes);
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "test_settingswindow.moc"
