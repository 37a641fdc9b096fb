// Shows the settings page inside the main window over a seeded database, optionally with one of
// its windows open, for looking at it on screen. Not a test and not installed.
//   maintenance_settingsdemo [workshops|accounts|restore] [edit]   (edit: the panel open too; for
//   restore, the question asked before restoring 2008-5-9.bak)
#include "GuiDriver.h"
#include "TestDb.h"
#include "app/MainWindow.h"
#include "lists/AdminAccounts.h"
#include "lists/CodeList.h"
#include "maintenance/Backup.h"

#include <QApplication>
#include <QListWidget>
#include <QTabWidget>
#include <QTimer>

using namespace kv;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString open = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const bool edit = argc > 2 && QString::fromLocal8Bit(argv[2]) == QStringLiteral("edit");

    TestApp testApp;
    CodeList workshops(testApp.db(), CodeListKind::Workshop);
    for (const char* name : {"一车间", "二车间", "冲压车间", "装配车间", "包装车间"})
        workshops.add(QString::fromUtf8(name));
    AdminAccounts accounts(testApp.db());
    accounts.add(QStringLiteral("会计"), QStringLiteral("x"));
    accounts.add(QStringLiteral("出纳"), QStringLiteral("y"));
    for (const QDate day : {QDate(2008, 5, 9), QDate(2008, 5, 17), QDate(2008, 4, 30)}) {
        testApp.clock().set(day);
        backupDatabase(testApp.ctx());
    }

    // Work since the backups: lines of two months and both months closed.
    for (int i = 0; i < 37; ++i)
        testApp.db().exec(QStringLiteral("INSERT INTO 工资流水 (工号, 日期, 产品, 数量, 工价, 金额) VALUES "
                                         "('001', ?, '外壳', 10, 1.5, 15)"),
                          {i < 30 ? QStringLiteral("2008-04-12") : QStringLiteral("2008-05-03")});
    for (const char* month : {"2008-3", "2008-4"})
        testApp.db().exec(
            QStringLiteral("INSERT INTO 月结 (月份, 结账时间, 账号) VALUES (?, '2008-05-16 17:00:00', 'admin')"),
            {QString::fromUtf8(month)});

    MainWindow main(testApp.ctx());
    main.resize(1100, 680);
    main.show();
    main.findChild<QTabWidget*>(QStringLiteral("C1Tab1"))->setCurrentIndex(5);

    QTimer::singleShot(300, [&] {
        GuiDriver gui(main.hostedWindow(QStringLiteral("systemset")));
        const QString button = open == QStringLiteral("workshops")  ? QStringLiteral("Command1")
                               : open == QStringLiteral("accounts") ? QStringLiteral("Command4")
                               : open == QStringLiteral("restore")  ? QStringLiteral("Command6")
                                                                    : QString();
        if (button.isEmpty())
            return;
        gui.click(button);
        QWidget* window = QApplication::activeModalWidget();
        if (!window || !edit)
            return;
        GuiDriver inner(window);
        if (open == QStringLiteral("restore")) {
            auto* files = inner.find<QListWidget>(QStringLiteral("File1"));
            files->setCurrentItem(files->findItems(QStringLiteral("2008-5-9.bak"), Qt::MatchExactly).value(0));
            inner.click(QStringLiteral("Command1"));
            return;
        }
        inner.find<QListWidget>(QStringLiteral("List1"))->setCurrentRow(1);
        inner.click(QStringLiteral("Command3"));
    });
    return app.exec();
}
