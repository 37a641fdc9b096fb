#include "EntryFixture.h"
#include "GridDriver.h"
#include "app/MainWindow.h"
#include "entry/ClosedMonths.h"
#include "maintenance/Backup.h"
#include "stats/WageStatisticsWindow.h"

#include <QLabel>
#include <QTabWidget>
#include <QTest>

using namespace kv;

namespace {
int rows(Database& db, const char* table)
{
    return db.scalar(QStringLiteral("SELECT count(*) FROM ") + QString::fromUtf8(table)).toInt();
}

MonthTexts sheetOf(const QString& month, const QString& product, const QString& amount)
{
    return {month,
            QStringLiteral("001"),
            QStringLiteral("张三"),
            {productionLine(month + QStringLiteral("-2"), product, QStringLiteral("1"), amount)},
            {}};
}

void expectRefused(const std::function<void()>& change)
{
    try {
        change();
        QFAIL("a closed month was changed");
    } catch (const InputError& e) { // a refusal, not a database failure
        QCOMPARE(e.message(), QString::fromUtf16(kMonthClosedText));
    }
}
} // namespace

class TestMonthClose : public QObject {
    Q_OBJECT
private slots:
    void closedMonthRefusesEveryChangeUntilReopenedWithThePassword()
    {
        TestApp app;
        Database& db = app.db();
        db.exec("INSERT INTO 管理员 (账号, 密码) VALUES ('会计', 'x')");
        MonthRecords records(db);
        records.saveMonth(readMonthSheet(sheetOf("2008-4", "外壳", "15")));
        ClosedMonths closed(db);

        // An account without the right does not close, and a month is closed once.
        app.logInAs("会计");
        QCOMPARE(closed.close("2008-4", "t"), ClosedMonths::Outcome::NotAllowed);
        app.logInAs("admin");
        QCOMPARE(closed.close("2008-13", "t"), ClosedMonths::Outcome::BadMonth);
        QCOMPARE(closed.close(" 2008-04 ", "t"), ClosedMonths::Outcome::Done);
        QCOMPARE(closed.close("2008-4", "t"), ClosedMonths::Outcome::AlreadyClosed);
        QCOMPARE(closed.months(), QStringList{"2008-4"});

        // Saving or deleting the month directly is refused and leaves it as it was paid.
        expectRefused([&] { records.saveMonth(readMonthSheet(sheetOf("2008-4", "底座", "99"))); });
        expectRefused([&] { records.deleteMonth("001", "2008-4"); });
        QCOMPARE(records.loadProduction("001", {2008, 4}).value(0).value(PProduct), QStringLiteral("外壳"));
        QCOMPARE(db.scalar("SELECT 生产金额 FROM 员工工资 WHERE 月份 = '2008-4'").toDouble(), 15.0);
        QCOMPARE(rows(db, "员工工资"), 1);
        // The month beside it is open.
        records.saveMonth(readMonthSheet(sheetOf("2008-5", "底座", "7")));
        QCOMPARE(rows(db, "员工工资"), 2);

        // Reopening: the super administrator with the super administrator's password only.
        app.logInAs("会计");
        QCOMPARE(closed.reopen("2008-4", "admin123"), ClosedMonths::Outcome::NotSuperAdministrator);
        app.logInAs("admin");
        QCOMPARE(closed.reopen("2008-4", "admin12"), ClosedMonths::Outcome::WrongPassword);
        QVERIFY(closed.isClosed("2008-4"));
        QCOMPARE(closed.reopen("2008-4", " admin123 "), ClosedMonths::Outcome::Done);
        QCOMPARE(closed.reopen("2008-4", "admin123"), ClosedMonths::Outcome::NotClosed);
        records.saveMonth(readMonthSheet(sheetOf("2008-4", "底座", "99")));
        QCOMPARE(db.scalar("SELECT 生产金额 FROM 员工工资 WHERE 月份 = '2008-4'").toDouble(), 99.0);
    }

    void closedMonthsComeBackWithARestoredBackup()
    {
        TestApp app;
        QCOMPARE(ClosedMonths(app.db()).close("2008-3", "t"), ClosedMonths::Outcome::Done);
        QVERIFY(backupDatabase(app.ctx()).ok);
        QCOMPARE(ClosedMonths(app.db()).reopen("2008-3", "admin123"), ClosedMonths::Outcome::Done);
        QCOMPARE(ClosedMonths(app.db()).close("2008-4", "t"), ClosedMonths::Outcome::Done);

        QVERIFY(restoreDatabase(app.ctx(), "2008-5-17.bak").ok);
        QCOMPARE(ClosedMonths(app.db()).months(), QStringList{"2008-3"});
    }

    void entryWindowShowsTheLinesOfAClosedMonthButChangesNone()
    {
        EntryFixture f;
        f.store("001", "2008-5",
                {productionLine("2008-5-2", "外壳", "10", "15"), productionLine("2008-5-3", "底座", "1", "5")});
        f.gui->type("Text2", "001");
        auto* mark = f.gui->find<QLabel>("LabelClosed");
        QVERIFY(!mark->isVisible());

        // Closed on the settings page while the window is open: the next click finds out.
        QCOMPARE(ClosedMonths(f.app.db()).close("2008-5", "t"), ClosedMonths::Outcome::Done);
        f.grid("fg")->setText(1, PQuantity, "99");
        for (const char* button : {"Command1", "Command3", "DelButton_1", "delbutton1_1"}) {
            f.boxes.expect(QString::fromUtf16(kMonthClosedText));
            f.gui->click(button);
        }
        f.grid("fg")->setCurrentCell(2, PDate);
        f.boxes.expect(QString::fromUtf16(kMonthClosedText));
        f.gui->key("fg", Qt::Key_Delete);
        KV_VERIFY_BOXES(f.boxes);
        QVERIFY(mark->isVisible());
        QCOMPARE(f.grid("fg")->text(1, PProduct), QStringLiteral("外壳"));
        QCOMPARE(f.grid("fg")->text(2, PProduct), QStringLiteral("底座"));
        QCOMPARE(f.app.db().scalar("SELECT 生产金额 FROM 员工工资").toDouble(), 20.0); // 15 + 5 as stored
        QCOMPARE(rows(f.app.db(), "工资流水"), 2);

        // Another working month is open again, and so is this one once reopened. The edit that
        // could not be saved is given up on the way.
        f.boxes.expect("工资数据尚未保存");
        f.gui->find<QComboBox>("Combo1")->setCurrentIndex(1);
        QVERIFY(!mark->isVisible());
        QCOMPARE(ClosedMonths(f.app.db()).reopen("2008-5", "admin123"), ClosedMonths::Outcome::Done);
        f.gui->find<QComboBox>("Combo1")->setCurrentIndex(2);
        QVERIFY(!mark->isVisible());
        f.boxes.expect("清空会将当前用户");
        f.gui->click("Command3");
        KV_VERIFY_BOXES(f.boxes);
        QCOMPARE(rows(f.app.db(), "工资流水"), 0);
    }

    void aClosedMonthLoadsReadOnly()
    {
        EntryFixture f;
        f.store("001", "2008-4", {productionLine("2008-4-2", "外壳", "10", "15")});
        QCOMPARE(ClosedMonths(f.app.db()).close("2008-4", "t"), ClosedMonths::Outcome::Done);
        f.gui->type("Text2", "001");
        auto* combo = f.gui->find<QComboBox>("Combo1");
        ui::DataGrid* fg = f.grid("fg");
        const auto changeCommandsEnabled = [&] {
            QList<bool> enabled;
            for (const char* name : {"Command1", "Command3", "DelButton_0", "delbutton1_2"})
                enabled << f.gui->find(QString::fromLatin1(name))->isEnabled();
            return enabled;
        };
        combo->setCurrentIndex(1); // 2008-4, closed
        QVERIFY(f.gui->find<QLabel>("LabelClosed")->isVisible());
        QCOMPARE(changeCommandsEnabled(), QList<bool>({false, false, false, false}));
        QVERIFY(f.gui->find("Command2")->isEnabled()); // printing stays
        QVERIFY(fg->cellBackground(1, PDate) != QColor(Qt::white));
        QCOMPARE(fg->cellBackground(3, PRemark), fg->cellBackground(1, PDate));

        // The lines take no typing: no editor, no look-up, no date picker, no save by key.
        fg->setFocus();
        grid_driver::clickCell(*fg, 2, PProduct);
        QVERIFY(!grid_driver::openEditor(*fg));
        QVERIFY(!f.gui->find("ajaxBox")->isVisible());
        QTest::keyClicks(fg->table(), "7");
        QVERIFY(!grid_driver::openEditor(*fg));
        fg->setCurrentCell(2, PDate);
        QTest::keyClicks(fg->table(), "5");
        QVERIFY(!f.gui->find("dtPick")->isVisible());
        QTest::keyClick(fg->table(), Qt::Key_S, Qt::ControlModifier);
        KV_VERIFY_BOXES(f.boxes);
        QCOMPARE(fg->text(1, PProduct), QStringLiteral("外壳"));

        // The open month beside it is white and editable again.
        combo->setCurrentIndex(2);
        QVERIFY(!f.gui->find<QLabel>("LabelClosed")->isVisible());
        QCOMPARE(changeCommandsEnabled(), QList<bool>({true, true, true, true}));
        QCOMPARE(fg->cellBackground(1, PDate), QColor(Qt::white));
        grid_driver::clickCell(*fg, 1, PProduct);
        QVERIFY(grid_driver::openEditor(*fg));
        KV_VERIFY_BOXES(f.boxes);
    }

    // Closed on the settings page while the entry tab shows the month: back on that tab the
    // lines are read-only at once, before any save is tried; reopened, they take changes again.
    void closingTheMonthLocksTheOpenEntryWindowAtOnce()
    {
        TestApp app;
        ScriptedBoxes boxes;
        app.db().exec("INSERT INTO 员工 (工号, 姓名) VALUES ('001', '张三')");
        MainWindow main(app.ctx());
        main.show();
        GuiDriver gui(&main);
        auto* tabs = gui.find<QTabWidget>(QStringLiteral("C1Tab1"));
        gui.type(QStringLiteral("Text2"), QStringLiteral("001"));
        auto* save = gui.find(QStringLiteral("Command1"));
        auto* fg = gui.find<ui::DataGrid>(QStringLiteral("fg"));
        QVERIFY(save->isEnabled() && fg->isEditable());

        const QString month = gui.find<QComboBox>(QStringLiteral("Combo1"))->currentText();
        tabs->setCurrentIndex(5);
        gui.find<QLineEdit>(QStringLiteral("closeMonth"))->setText(month);
        boxes.expect(QStringLiteral("确定将 %1 结账吗？").arg(month), ui::Answer::Ok);
        boxes.expect(QStringLiteral("%1 已结账。").arg(month));
        gui.click(QStringLiteral("CommandCloseMonth"));
        tabs->setCurrentIndex(0);
        QVERIFY(!save->isEnabled());
        QVERIFY(!fg->isEditable());
        QVERIFY(gui.find(QStringLiteral("LabelClosed"))->isVisible());

        tabs->setCurrentIndex(5);
        gui.find<QLineEdit>(QStringLiteral("closePassword"))->setText(QStringLiteral("admin123"));
        boxes.expect(QStringLiteral("%1 已反结账，可以修改。").arg(month));
        gui.click(QStringLiteral("CommandReopenMonth"));
        tabs->setCurrentIndex(0);
        QVERIFY(save->isEnabled() && fg->isEditable());
        QVERIFY(!gui.find(QStringLiteral("LabelClosed"))->isVisible());
        KV_VERIFY_BOXES(boxes);
    }

    void statisticsMarkTheClosedMonths()
    {
        TestApp app;
        QCOMPARE(ClosedMonths(app.db()).close("2008-5", "t"), ClosedMonths::Outcome::Done);
        WageStatisticsWindow stats(app.ctx());
        GuiDriver gui(&stats);
        auto* months = gui.find<QComboBox>("Text2_0");
        auto* mark = gui.find<QLabel>("LabelClosed");
        QCOMPARE(months->currentText(), QStringLiteral("2008-5"));
        QVERIFY(mark->isVisibleTo(&stats));
        QVERIFY(months->itemData(months->currentIndex(), Qt::ForegroundRole).isValid());
        months->setCurrentText("2008-4");
        QVERIFY(!mark->isVisibleTo(&stats));
    }
};

QTEST_MAIN(TestMonthClose)
#include "test_monthclose.moc"
