#include "GuiDriver.h"
#include "ScriptedBoxes.h"
#include "TestDb.h"
#include "app/AppShell.h"
#include "app/HostedWindows.h"
#include "app/LoginWindow.h"
#include "app/MainWindow.h"
#include "data/Passwords.h"
#include "data/Schema.h"
#include "maintenance/DataFolder.h"
#include "tickets/TicketWindow.h"
#include "ui/DataGrid.h"

#include <QAbstractButton>
#include <QAction>
#include <QPushButton>
#include <QToolBar>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>

using namespace kv;
using ui::Answer;

namespace {
// Chooses the first account in the shell's login window and logs in with the default password.
void logInAsAdmin(AppShell& shell)
{
    GuiDriver login(shell.loginWindow());
    login.find<QComboBox>(QStringLiteral("Combo1"))->setCurrentIndex(0);
    login.type(QStringLiteral("Text1"), QStringLiteral("admin123"));
    shell.loginWindow()->login();
}
} // namespace

class TestApp_ : public QObject {
    Q_OBJECT
private slots:
    void loginListsAccountsAndMasksPassword()
    {
        TestApp app;
        app.db().exec(QStringLiteral("INSERT INTO 管理员 (账号, 密码) VALUES (?, ?)"),
                      {QStringLiteral("会计"), hashPassword(QStringLiteral("x"))});
        ScriptedBoxes boxes;
        LoginWindow login(app.ctx());
        GuiDriver gui(&login);
        QCOMPARE(login.windowTitle(), QStringLiteral("Kelvaro - 管理员登陆"));
        auto* combo = gui.find<QComboBox>(QStringLiteral("Combo1"));
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(0), QStringLiteral("admin"));
        QCOMPARE(combo->itemText(1), QStringLiteral("会计"));
        QCOMPARE(combo->currentIndex(), -1);
        QCOMPARE(gui.find<QLineEdit>(QStringLiteral("Text1"))->echoMode(), QLineEdit::Password);
        QCOMPARE(gui.find<QLabel>(QStringLiteral("Label6"))->text(), QStringLiteral("版本：V1.0"));
        KV_VERIFY_BOXES(boxes);
    }

    void wrongPasswordKeepsTheBoxes()
    {
        TestApp app;
        ScriptedBoxes boxes;
        boxes.expect(QStringLiteral("错误的账号或密码！")).expect(QStringLiteral("错误的账号或密码！"));
        LoginWindow login(app.ctx());
        GuiDriver gui(&login);
        QSignalSpy spy(&login, &LoginWindow::loggedIn);
        gui.find<QComboBox>(QStringLiteral("Combo1"))->setEditText(QStringLiteral("admin"));
        gui.type(QStringLiteral("Text1"), QStringLiteral("ADMIN123"));
        gui.click(QStringLiteral("Command1"));
        QCOMPARE(spy.count(), 0);
        QCOMPARE(gui.find<QLineEdit>(QStringLiteral("Text1"))->text(), QStringLiteral("ADMIN123"));
        QCOMPARE(gui.find<QComboBox>(QStringLiteral("Combo1"))->currentText(), QStringLiteral("admin"));
        QCOMPARE(boxes.shown().first().caption, QStringLiteral("Kelvaro"));

        gui.find<QComboBox>(QStringLiteral("Combo1"))->setEditText(QStringLiteral("   "));
        gui.click(QStringLiteral("Command1"));
        QCOMPARE(spy.count(), 0);
        KV_VERIFY_BOXES(boxes);
    }

    void enterInPasswordBoxLogsInWithTabsAndSpacesIgnored()
    {
        TestApp app;
        ScriptedBoxes boxes;
        LoginWindow login(app.ctx());
        GuiDriver gui(&login);
        QSignalSpy spy(&login, &LoginWindow::loggedIn);
        gui.find<QComboBox>(QStringLiteral("Combo1"))->setEditText(QStringLiteral("\tadmin "));
        gui.key(QStringLiteral("Combo1"), Qt::Key_Return); // Enter in the account box does nothing
        QCOMPARE(spy.count(), 0);
        gui.type(QStringLiteral("Text1"), QStringLiteral(" admin123"));
        gui.key(QStringLiteral("Text1"), Qt::Key_Return);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().toString(), QStringLiteral("admin"));
        // The next login offers the account that logged in, by its name in the list.
        LoginWindow next(app.ctx());
        QCOMPARE(GuiDriver(&next).find<QComboBox>(QStringLiteral("Combo1"))->currentText(), QStringLiteral("admin"));
        KV_VERIFY_BOXES(boxes);
    }

    void accountBoxKeepsExactlyWhatIsTyped()
    {
        TestApp app;
        for (const char* name : {"Clerk", "clerk", "adm"})
            app.db().exec(QStringLiteral("INSERT INTO 管理员 (账号, 密码) VALUES (?, ?)"),
                          {QString::fromUtf8(name), hashPassword(QStringLiteral("pw-") + QString::fromUtf8(name))});
        ScriptedBoxes boxes;
        LoginWindow login(app.ctx());
        login.show();
        GuiDriver gui(&login);
        QSignalSpy spy(&login, &LoginWindow::loggedIn);
        auto* combo = gui.find<QComboBox>(QStringLiteral("Combo1"));
        const auto logInAs = [&](const char* typed, const char* password) {
            combo->clearEditText();
            gui.type(QStringLiteral("Combo1"), QString::fromUtf8(typed));
            gui.key(QStringLiteral("Combo1"), Qt::Key_Return);
            QCOMPARE(combo->currentText(), QString::fromUtf8(typed));
            gui.find<QLineEdit>(QStringLiteral("Text1"))->clear();
            gui.type(QStringLiteral("Text1"), QString::fromUtf8(password));
            gui.key(QStringLiteral("Text1"), Qt::Key_Return);
        };
        logInAs("clerk", "pw-clerk"); // not turned into "Clerk"
        logInAs("adm", "pw-adm");     // not completed to "admin"
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).first().toString(), QStringLiteral("clerk"));
        QCOMPARE(spy.at(1).first().toString(), QStringLiteral("adm"));
        QCOMPARE(combo->count(), 4); // nothing typed was added to the list

        // Picking from the list still works.
        combo->setCurrentIndex(combo->findText(QStringLiteral("Clerk")));
        gui.find<QLineEdit>(QStringLiteral("Text1"))->clear();
        gui.type(QStringLiteral("Text1"), QStringLiteral("pw-Clerk"));
        gui.key(QStringLiteral("Text1"), Qt::Key_Return);
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.at(2).first().toString(), QStringLiteral("Clerk"));
        KV_VERIFY_BOXES(boxes);
    }

    void missingKeyFileShowsConnectionWarningAndEmptyList()
    {
        TestApp app;
        app.ctx().disconnect();
        QFile::remove(app.ctx().paths().keyFile());
        ScriptedBoxes boxes;
        boxes.expect(QStringLiteral("连接数据库出现错误！请检查服务器端MSSQL数据库是否开启"));
        LoginWindow login(app.ctx());
        GuiDriver gui(&login);
        QCOMPARE(boxes.shown().first().caption, QStringLiteral("警告！"));
        QCOMPARE(gui.find<QComboBox>(QStringLiteral("Combo1"))->count(), 0);
        // Trying to log in anyway ends in a message, not a crash.
        boxes.expect(QStringLiteral("数据库"));
        gui.type(QStringLiteral("Text1"), QStringLiteral("admin123"));
        gui.click(QStringLiteral("Command1"));
        KV_VERIFY_BOXES(boxes);
    }

    void damagedDatabaseShowsConnectionWarning()
    {
        TestApp app;
        app.ctx().disconnect();
        QFile f(app.ctx().paths().database());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(4096, '\x5a'));
        f.close();
        ScriptedBoxes boxes;
        boxes.expect(QStringLiteral("连接数据库出现错误"));
        LoginWindow login(app.ctx());
        QCOMPARE(GuiDriver(&login).find<QComboBox>(QStringLiteral("Combo1"))->count(), 0);
        KV_VERIFY_BOXES(boxes);
    }

    void newerDatabaseIsRefusedWithItsReason()
    {
        TestApp app;
        app.db().exec(QStringLiteral("UPDATE kelvaro_meta SET value = ? WHERE key = 'schema_version'"),
                      {latestVersion() + 1});
        app.ctx().disconnect();
        ScriptedBoxes boxes;
        boxes.expect(QStringLiteral("数据文件来自更新的版本"));
        LoginWindow login(app.ctx());
        QCOMPARE(GuiDriver(&login).find<QComboBox>(QStringLiteral("Combo1"))->count(), 0);
        QVERIFY(!app.ctx().isConnected());
        KV_VERIFY_BOXES(boxes);
    }

    void firstStartCreatesDatabaseAndLoginShowsMainWindow()
    {
        QTemporaryDir dir;
        layOutAppDir(dir.path());
        AppContext ctx(dir.path());
        ScriptedBoxes boxes;
        AppShell shell(ctx);
        shell.start();
        QVERIFY(QFile::exists(ctx.paths().database()));
        QVERIFY(shell.loginWindow());
        GuiDriver login(shell.loginWindow());
        login.find<QComboBox>(QStringLiteral("Combo1"))->setCurrentIndex(0);
        login.type(QStringLiteral("Text1"), QStringLiteral("admin123"));
        login.click(QStringLiteral("Command1"));
        QVERIFY(shell.mainWindow());
        QVERIFY(shell.mainWindow()->isVisible());
        QTRY_VERIFY(!shell.loginWindow());
        GuiDriver main(shell.mainWindow());
        QCOMPARE(main.find<QLabel>(QStringLiteral("div3"))->text(), QStringLiteral("当前登陆账号：admin"));
        KV_VERIFY_BOXES(boxes);
    }

    void firstStartGeneratesKeyMaterialOfItsOwn()
    {
        // A new installation: neither kv.dat nor a database.
        QTemporaryDir first;
        QTemporaryDir second;
        QByteArray keys[2];
        for (int i = 0; i < 2; ++i) {
            AppContext ctx((i == 0 ? first : second).path());
            ScriptedBoxes boxes;
            AppShell shell(ctx);
            shell.start();
            QFile key(ctx.paths().keyFile());
            QVERIFY(key.open(QIODevice::ReadOnly));
            keys[i] = key.readAll();
            const QString text =
                QString::fromUtf16(reinterpret_cast<const char16_t*>(keys[i].constData()), keys[i].size() / 2);
            QCOMPARE(text.size(), 64);
            QVERIFY2(QRegularExpression("^[A-Za-z0-9]+$").match(text).hasMatch(), qPrintable(text));
            QCOMPARE(GuiDriver(shell.loginWindow()).find<QComboBox>(QStringLiteral("Combo1"))->itemText(0),
                     QStringLiteral("admin"));
            KV_VERIFY_BOXES(boxes);
        }
        QVERIFY(keys[0] != keys[1]);
        // Each database opens only with its own key file.
        QVERIFY_THROWS_EXCEPTION(
            DbError, Database(AppPaths{first.path(), {}}.database(), dbPass(AppPaths{second.path(), {}}.keyFile())));

        // An existing kv.dat is used as it is, also on the start that creates the database.
        QTemporaryDir third;
        layOutAppDir(third.path());
        AppContext ctx(third.path());
        QFile test(ctx.paths().keyFile());
        QVERIFY(test.open(QIODevice::ReadOnly));
        const QByteArray shipped = test.readAll();
        test.close();
        ScriptedBoxes boxes;
        AppShell(ctx).start();
        QVERIFY(test.open(QIODevice::ReadOnly));
        QCOMPARE(test.readAll(), shipped);
        KV_VERIFY_BOXES(boxes);
    }

    void missingKeyBesideADatabaseIsNamedNotReplaced()
    {
        TestApp app;
        app.ctx().disconnect();
        QVERIFY(QFile::remove(app.ctx().paths().keyFile()));
        ScriptedBoxes boxes;
        boxes.expect(QStringLiteral("连接数据库出现错误！请检查服务器端MSSQL数据库是否开启\n找不到密钥文件 ") +
                     QDir::toNativeSeparators(app.ctx().paths().keyFile()));
        AppShell shell(app.ctx());
        shell.start();
        // A new key would lock the data away for good: none is made.
        QVERIFY(!QFile::exists(app.ctx().paths().keyFile()));
        QVERIFY(boxes.shown().first().text.contains(QStringLiteral("复制到数据文件夹")));
        KV_VERIFY_BOXES(boxes);
    }

    // A start that finds another copy still making the data says so and ends, leaving the
    // folder to the other.
    void secondStartDuringTheFirstSaysSoAndEnds()
    {
        QTemporaryDir dir;
        AppContext ctx(dir.path());
        QLockFile first(ctx.paths().file(QString::fromUtf16(kStartLockFile)));
        QVERIFY(first.tryLock(0));
        ScriptedBoxes boxes;
        boxes.expect(QStringLiteral("程序正在另一个窗口中初始化数据"));
        AppShell shell(ctx);
        shell.setStartupWait(0);
        QSignalSpy ended(&shell, &AppShell::exitRequested);
        shell.start();
        QTRY_COMPARE(ended.count(), 1);
        QVERIFY(!shell.loginWindow());
        QVERIFY(!QFile::exists(ctx.paths().keyFile()));
        KV_VERIFY_BOXES(boxes);
    }

    void emptyOrReadOnlyDatabaseIsNamedAtStartUp()
    {
        TestApp app;
        app.ctx().disconnect();
        const QString database = app.ctx().paths().database();
        {
            QFile f(database);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        }
        ScriptedBoxes boxes;
        boxes.expect(QStringLiteral("数据文件已损坏，请从备份恢复"));
        {
            AppShell shell(app.ctx());
            shell.start();
            QCOMPARE(GuiDriver(shell.loginWindow()).find<QComboBox>(QStringLiteral("Combo1"))->count(), 0);
        }
        // Never taken for a new, empty database: the file is left as it was.
        QCOMPARE(QFileInfo(database).size(), 0);
        QVERIFY(!app.ctx().isConnected());
        KV_VERIFY_BOXES(boxes);
    }

    void readOnlyDataWarnAtStartUp()
    {
        TestApp app;
        app.ctx().disconnect();
        const QString database = app.ctx().paths().database();
        const auto writable = QFile::permissions(database);
        QVERIFY(QFile::setPermissions(database, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const auto restore = qScopeGuard([&] { QFile::setPermissions(database, writable); });
        if (QFileInfo(database).isWritable())
            QSKIP("permissions do not stop this user from writing");
        ScriptedBoxes boxes;
        boxes.expect(QStringLiteral("是只读的"));
        AppShell shell(app.ctx());
        shell.start();
        QCOMPARE(boxes.shown().first().caption, QStringLiteral("警告！"));
        // The data can still be read and logged into.
        QCOMPARE(GuiDriver(shell.loginWindow()).find<QComboBox>(QStringLiteral("Combo1"))->count(), 1);
        KV_VERIFY_BOXES(boxes);
    }

    void mainWindowTabsHelpAndExitQuestion()
    {
        TestApp app;
        ScriptedBoxes boxes;
        MainWindow main(app.ctx());
        GuiDriver gui(&main);
        main.show();
        auto* tabs = gui.find<QTabWidget>(QStringLiteral("C1Tab1"));
        QCOMPARE(tabs->count(), 7);
        const QStringList captions{QStringLiteral("工资计算"), QStringLiteral("工资统计"),
                                   QStringLiteral("员工管理"), QStringLiteral("产品工价设置"),
                                   QStringLiteral("扣减设置"), QStringLiteral("系统设置"),
                                   QStringLiteral("帮助")};
        for (int i = 0; i < 7; ++i)
            QCOMPARE(tabs->tabText(i), captions.at(i));
        for (int i = 0; i < 6; ++i)
            QVERIFY(gui.find(QStringLiteral("mainBox_%1").arg(i)));

        auto* help = gui.find<QTextBrowser>(QStringLiteral("WebBrowser1"));
        QVERIFY(help->toPlainText().isEmpty());
        tabs->setCurrentIndex(6);
        QVERIFY(help->toPlainText().contains(QStringLiteral("使用帮助")));
        // Selecting help again reloads the page from disk.
        tabs->setCurrentIndex(0);
        QFile page(app.ctx().paths().helpIndex());
        QVERIFY(page.open(QIODevice::WriteOnly | QIODevice::Truncate));
        page.write("<html><body>new page</body></html>");
        page.close();
        tabs->setCurrentIndex(6);
        QVERIFY(help->toPlainText().contains(QStringLiteral("new page")));

        QSignalSpy exitSpy(&main, &MainWindow::exitConfirmed);
        // Unsaved lines in the wage entry are asked about first; Cancel stays with them.
        auto* fg = main.hostedWindow(QStringLiteral("工资计算Frm"))->findChild<ui::DataGrid*>(QStringLiteral("fg"));
        fg->setText(1, 5, QStringLiteral("未保存"));
        boxes.expect(QStringLiteral("当前员工的工资数据尚未保存，确定放弃修改吗？"), Answer::Cancel);
        main.close();
        QVERIFY(main.isVisible());
        QCOMPARE(fg->text(1, 5), QStringLiteral("未保存"));
        boxes.expect(QStringLiteral("尚未保存"), Answer::Ok);
        boxes.expect(QStringLiteral("确定退出本系统？"), Answer::No);
        main.close();
        QVERIFY(main.isVisible());
        QCOMPARE(boxes.shown().last().caption, QStringLiteral("退出系统"));
        QCOMPARE(boxes.shown().last().buttons, ui::Buttons::YesNo);
        QCOMPARE(exitSpy.count(), 0);

        boxes.expect(QStringLiteral("确定退出本系统？"), Answer::Yes);
        main.close();
        QVERIFY(!main.isVisible());
        QCOMPARE(exitSpy.count(), 1);
        KV_VERIFY_BOXES(boxes);
    }

    void mainWindowFitsTheScreenRemembersItsPlaceAndPagesScroll()
    {
        TestApp app;
        ScriptedBoxes boxes;
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        // A place remembered from a larger screen or scaling: off to the top left and too large.
        QSettings(QStringLiteral("Kelvaro"), QStringLiteral("Kelvaro"))
            .setValue(QStringLiteral("windows/main/geometry"), QRect(-380, -260, 2400, 1520));
        auto main = std::make_unique<MainWindow>(app.ctx());
        // The whole window fits, its frame's corner on the screen and room left below for the
        // title bar its frame adds.
        QVERIFY(screen.contains(QRect(main->pos(), main->size() + QSize(0, 24))));
        QVERIFY(main->width() >= screen.width() - 20);
        main->show();
        QTRY_VERIFY(screen.contains(main->frameGeometry()));

        // On a window far smaller than the working windows every button can still be scrolled to.
        main->resize(480, 320);
        GuiDriver gui(main.get());
        auto* tabs = gui.find<QTabWidget>(QStringLiteral("C1Tab1"));
        for (int i = 0; i < 6; ++i) {
            tabs->setCurrentIndex(i);
            auto* page = gui.find<QScrollArea>(QStringLiteral("mainPage_%1").arg(i));
            QWidget* hosted = main->hostedWindow(hostedWindowNames().at(i));
            QVERIFY(hosted);
            QCoreApplication::processEvents(); // the page takes in the size its window asks for
            int reached = 0;
            for (QAbstractButton* b : hosted->findChildren<QAbstractButton*>()) {
                if (!b->isVisibleTo(hosted))
                    continue;
                page->ensureWidgetVisible(b, 0, 0);
                const QRect at(b->mapTo(page->viewport(), QPoint()), b->size());
                QVERIFY2(page->viewport()->rect().contains(at),
                         qPrintable(hostedWindowNames().at(i) + u' ' + b->objectName() + u' ' + b->text()));
                ++reached;
            }
            QVERIFY(reached > 0);
        }

        // Size, place and the maximised state come back at the next start.
        const QRect placed(screen.topLeft() + QPoint(20, 30), QSize(600, 400));
        main->setGeometry(placed);
        boxes.expect(QStringLiteral("确定退出本系统？"), Answer::Yes);
        main->close();
        main = std::make_unique<MainWindow>(app.ctx());
        main->show();
        QTRY_COMPARE(main->geometry(), placed);
        const QPoint corner = main->frameGeometry().topLeft();
        QVERIFY(!(main->windowState() & Qt::WindowMaximized));
        main->showMaximized();
        boxes.expect(QStringLiteral("确定退出本系统？"), Answer::Yes);
        main->close();
        main = std::make_unique<MainWindow>(app.ctx());
        QVERIFY(main->windowState() & Qt::WindowMaximized);
        QCOMPARE(main->pos(), corner); // the frame, placed by its corner until it is shown
        QCOMPARE(main->size(), placed.size());
        KV_VERIFY_BOXES(boxes);
    }

    // Every command the program offers — the tabs, each window's toolbar and its buttons, the
    // ticket window opened from the products — is found on the help page by its caption.
    void theHelpPageCoversEveryCommand()
    {
        TestApp app;
        ScriptedBoxes boxes;
        MainWindow main(app.ctx());
        main.show();
        GuiDriver gui(&main);
        auto* tabs = gui.find<QTabWidget>(QStringLiteral("C1Tab1"));
        QStringList commands;
        QList<QWidget*> windows{new TicketWindow(app.ctx(), &main)};
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            commands << tabs->tabText(i);
            if (i < int(hostedWindowNames().size()))
                windows << main.hostedWindow(hostedWindowNames().at(i));
        }
        for (QWidget* window : std::as_const(windows)) {
            QVERIFY(window);
            for (const QToolBar* bar : window->findChildren<QToolBar*>())
                for (const QAction* action : bar->actions())
                    commands << action->text();
            // Buttons with words on them; the arrows, "×" and the lines' own 删除 buttons are
            // told about with the grids.
            for (const QPushButton* button : window->findChildren<QPushButton*>())
                if (button->text().size() > 1 && !button->objectName().startsWith(QStringLiteral("DelButton")) &&
                    !button->objectName().startsWith(QStringLiteral("delbutton")))
                    commands << button->text();
        }
        QFile page(app.ctx().paths().helpIndex());
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString help = QString::fromUtf8(page.readAll())
                                 .remove(QRegularExpression(QStringLiteral("<[^>]*>")))
                                 .remove(QRegularExpression(QStringLiteral("\\s")));
        QStringList missing;
        for (QString command : std::as_const(commands)) {
            command.remove(QRegularExpression(QStringLiteral("\\s")));
            if (!command.isEmpty() && !help.contains(command) && !missing.contains(command))
                missing << command;
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u' ')));
        QVERIFY(commands.size() > 40);
        for (const char* added : {"菲票", "扫描", "生产单进度", "调价", "生效日期", "银行代发", "年度汇总", "零钞"})
            QVERIFY2(help.contains(QString::fromUtf8(added)), added);
        boxes.expect(QStringLiteral("确定退出本系统？"), Answer::Yes);
        main.close();
        KV_VERIFY_BOXES(boxes);
    }

    void hostedWindowsLiveOncePerProcess()
    {
        TestApp app;
        ScriptedBoxes boxes;
        MainWindow main(app.ctx());
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        GuiDriver gui(&main);
        QWidget* entry = main.hostedWindow(QStringLiteral("工资计算Frm"));
        QVERIFY(entry);
        QCOMPARE(entry->parentWidget(), gui.find(QStringLiteral("mainBox_0")));

        // Leaving the entry tab with the cursor in an empty number box is not leaving the box.
        auto* number = GuiDriver(entry).find<QLineEdit>(QStringLiteral("Text2"));
        number->setFocus();
        QVERIFY(number->hasFocus());
        auto* tabs = gui.find<QTabWidget>(QStringLiteral("C1Tab1"));
        tabs->setCurrentIndex(2);
        QVERIFY(main.hostedWindow(QStringLiteral("员工管理Frm")));
        tabs->setCurrentIndex(0);
        QCOMPARE(main.hostedWindow(QStringLiteral("工资计算Frm")), entry);
        QVERIFY(entry->isVisible());
        KV_VERIFY_BOXES(boxes);
    }

    void returnToLoginAsksNoQuestion()
    {
        TestApp app;
        ScriptedBoxes boxes;
        AppShell shell(app.ctx());
        shell.start();
        logInAsAdmin(shell);
        QVERIFY(shell.mainWindow());
        shell.returnToLogin();
        QVERIFY(!shell.mainWindow());
        QVERIFY(shell.loginWindow());
        QVERIFY(shell.loginWindow()->isVisible());
        KV_VERIFY_BOXES(boxes);
    }

    void endingTheSessionReturnsToLoginOnceBackInTheEventLoop()
    {
        TestApp app;
        ScriptedBoxes boxes;
        AppShell shell(app.ctx());
        shell.start();
        logInAsAdmin(shell);
        const QPointer<MainWindow> main = shell.mainWindow();
        QVERIFY(main);
        // The window that ends the session is still running its handler: nothing goes yet.
        emit main->sessionEnded();
        QCOMPARE(shell.mainWindow(), main.data());
        QCoreApplication::sendPostedEvents();
        QVERIFY(!main);
        QVERIFY(shell.loginWindow());
        QVERIFY(shell.loginWindow()->isVisible());
        KV_VERIFY_BOXES(boxes);
    }
};

QTEST_MAIN(TestApp_)
#include "test_app.moc"
