// The windows after the login as the program gets them: from their module, opened at the first
// login. Linked with its symbols exported, as the program is, so that the module's windows share
// this program's message boxes and data.
#include "GuiDriver.h"
#include "ScriptedBoxes.h"
#include "TestDb.h"
#include "app/AppShell.h"
#include "app/LoginWindow.h"
#include "app/WorkspaceModule.h"
#include "data/AppContext.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

namespace {
void logInAsAdmin(AppShell& shell)
{
    GuiDriver login(shell.loginWindow());
    login.find<QComboBox>(QStringLiteral("Combo1"))->setCurrentIndex(0);
    login.type(QStringLiteral("Text1"), QStringLiteral("admin123"));
    login.click(QStringLiteral("Command1"));
}

QWidget* topLevel(const QString& name)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible())
            return w;
    return nullptr;
}
} // namespace

class TestWorkspaceModule : public QObject {
    Q_OBJECT
private slots:
    // The built module opens with every symbol bound and makes a working main window: it shows
    // the account logged in, hosts the working windows of its tabs over this program's data, and
    // a return to the login closes it without the exit question, a second login making it anew.
    void theBuiltModuleMakesTheMainWindow()
    {
        QTemporaryDir dir;
        layOutAppDir(dir.path());
        AppContext ctx(dir.path());
        ScriptedBoxes boxes;
        AppShell shell(ctx, [](AppContext& c, QString* error) {
            return makeWorkspaceFrom({QStringLiteral(KV_WINDOWS_MODULE)}, c, error);
        });
        shell.start();
        logInAsAdmin(shell);
        QTRY_VERIFY(!shell.loginWindow());
        QPointer<QWidget> main = topLevel(QStringLiteral("main"));
        QVERIFY(main);
        GuiDriver gui(main);
        QCOMPARE(gui.find<QLabel>(QStringLiteral("div3"))->text(), QStringLiteral("当前登陆账号：admin"));
        auto* tabs = gui.find<QTabWidget>(QStringLiteral("C1Tab1"));
        tabs->setCurrentIndex(1);
        tabs->setCurrentIndex(0);
        QWidget* entry = main->findChild<QWidget*>(QStringLiteral("工资计算Frm"));
        QVERIFY(entry);

        shell.returnToLogin();
        QTRY_VERIFY(!main);
        QVERIFY(shell.loginWindow() && shell.loginWindow()->isVisible());
        logInAsAdmin(shell);
        QTRY_VERIFY(topLevel(QStringLiteral("main")));
        KV_VERIFY_BOXES(boxes);
    }

    // Without its module (missing, or a file that is none) the program says so at the login and
    // stays there; nothing else happens.
    void aMissingOrDamagedModuleKeepsTheLogin()
    {
        QTemporaryDir dir;
        layOutAppDir(dir.path());
        const QString damaged = dir.filePath(QStringLiteral("kelvaro-windows.so"));
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a module");
        file.close();
        AppContext ctx(dir.path());
        ScriptedBoxes boxes;
        boxes.expect(QStringLiteral("无法打开程序的窗口模块 kelvaro-windows.so，请重新安装本程序。"));
        AppShell shell(ctx, [&](AppContext& c, QString* error) {
            return makeWorkspaceFrom({dir.filePath(QStringLiteral("none/kelvaro-windows.so")), damaged}, c, error);
        });
        shell.start();
        logInAsAdmin(shell);
        QVERIFY(shell.loginWindow() && shell.loginWindow()->isVisible());
        QVERIFY(!topLevel(QStringLiteral("main")));
        KV_VERIFY_BOXES(boxes);
        QVERIFY2(boxes.shown().value(0).text.contains(damaged), qPrintable(boxes.shown().value(0).text));
    }
};

QTEST_MAIN(TestWorkspaceModule)
#include "test_workspacemodule.moc"
