// Shows the statistics tab of the main window over a seeded database after a month's run, for
// looking at it on screen. Not a test and not installed.
//   stats_demo [panel|details|closed|closed-changed]
//     panel: the find/filter panel after a find and a filter;
//     details: the entry window opened on the second employee;
//     closed: 2008-4 closed, its payroll sheet by workshop;
//     closed-changed: the same after 001 was renamed and moved, 002 removed and its number
//     given to somebody new, and the rounding changed (the sheet should look the same)
#include "GuiDriver.h"
#include "TestDb.h"
#include "app/MainWindow.h"
#include "data/Database.h"
#include "data/MonthlyTotals.h"
#include "data/NetPayRounding.h"
#include "data/TextRules.h"
#include "entry/ClosedMonths.h"
#include "stats/WageStatisticsWindow.h"
#include "ui/DataGrid.h"
#include "ui/FindPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTimer>

using namespace kv;

namespace {
void seed(Database& db)
{
    const QStringList family{"张", "李", "王", "赵", "陈", "刘", "杨", "黄", "周", "吴"};
    const QStringList given{"伟", "芳", "娜", "敏", "静", "强", "磊", "洋", "艳", "军", "杰", "红"};
    QRandomGenerator rng(2008);
    Transaction tx(db);
    for (int e = 1; e <= 40; ++e) {
        const QString no = QStringLiteral("%1").arg(e, 3, 10, QLatin1Char('0'));
        db.exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名, 车间, 工种) VALUES (?, ?, '一车间', '装配')"),
                {no, family.at(e % family.size()) + given.at((e * 7) % given.size())});
        if (e % 13 == 0)
            continue; // on leave: no lines
        for (int m = 3; m <= 5; ++m) {
            for (int i = 0; i < 20; ++i) {
                const int qty = 10 + int(rng.bounded(90));
                db.exec(QStringLiteral("INSERT INTO 工资流水 (工号, 日期, 产品, 计量单位, 数量, 工价, 金额) "
                                       "VALUES (?, ?, '外壳', '件', ?, 1.25, ?)"),
                        {no, isoDate(QDate(2008, m, 1 + i)), qty, qty * 1.25});
            }
            if (rng.bounded(3) == 0)
                db.exec(
                    QStringLiteral("INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES (?, ?, '住宿费', ?)"),
                    {no, isoDate(QDate(2008, m, 28)), 80.5});
        }
    }
    rebuildMonthlyTotals(db);
    tx.commit();
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();

    TestApp testApp;
    seed(testApp.db());
    const bool closedMonth = mode.startsWith(QStringLiteral("closed"));
    if (closedMonth) {
        Database& db = testApp.db();
        setNetPayRounding(db, {NetPayRounding::Unit::Jiao, NetPayRounding::Mode::HalfUp});
        ClosedMonths(db).close(QStringLiteral("2008-4"), QStringLiteral("2008-05-05 10:00:00"));
        if (mode == QStringLiteral("closed-changed")) {
            db.exec(QStringLiteral("UPDATE 员工 SET 姓名 = '改了名', 车间 = '二车间' WHERE 工号 = '001'"));
            db.exec(QStringLiteral("DELETE FROM 员工 WHERE 工号 = '002'"));
            db.exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名, 车间) VALUES ('002', '李雷', '三车间')"));
            setNetPayRounding(db, {NetPayRounding::Unit::Yuan, NetPayRounding::Mode::Drop});
        }
    }
    MainWindow main(testApp.ctx());
    main.resize(1200, 720);
    main.show();
    main.findChild<QTabWidget*>(QStringLiteral("C1Tab1"))->setCurrentIndex(1);

    QTimer::singleShot(300, [&] {
        auto* window = qobject_cast<WageStatisticsWindow*>(main.hostedWindow(QStringLiteral("工资统计Frm")));
        if (!window)
            return;
        GuiDriver gui(window);
        if (closedMonth) {
            window->findChild<QComboBox*>(QStringLiteral("Text2_0"))->setCurrentText(QStringLiteral("2008-4"));
            window->findChild<QCheckBox*>(QStringLiteral("groupByWorkshop"))->setChecked(true);
        }
        gui.click(QStringLiteral("Command5"));
        if (mode == QStringLiteral("panel")) {
            gui.click(QStringLiteral("筛选"));
            gui.click(QStringLiteral("Command4"));
            gui.find<QComboBox>(QStringLiteral("zdinput_0"))->setCurrentIndex(2);
            gui.find<QComboBox>(QStringLiteral("JF_0"))->setCurrentIndex(1);
            gui.find<QLineEdit>(QStringLiteral("tjinput_0"))->setText(QStringLiteral("1450"));
            gui.find<QComboBox>(QStringLiteral("zdinput_1"))->setCurrentIndex(1);
            gui.find<QLineEdit>(QStringLiteral("tjinput_1"))->setText(QStringLiteral("陈娜"));
            gui.click(QStringLiteral("Command3"));
            gui.find<QLineEdit>(QStringLiteral("Text1"))->setText(QStringLiteral("陈"));
            gui.click(QStringLiteral("Command1"));
            window->panel()->move(window->width() - window->panel()->width() - 40, window->grid()->y() + 40);
        } else if (mode == QStringLiteral("details")) {
            window->grid()->setCurrentCell(3, 1);
            gui.click(QStringLiteral("Command6"));
        }
    });
    return app.exec();
}
