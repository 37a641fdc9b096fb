#include "EntryFixture.h"

#include "ui/Twips.h"

#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

using namespace kv;
using ui::Answer;

class TestEntryWindow : public QObject {
    Q_OBJECT
private slots:
    void workingMonthsFollowTheClock()
    {
        for (const auto& [today, months] : {std::pair{QDate(2009, 1, 15), QStringList{"2008-11", "2008-12", "2009-1"}},
                                            {QDate(2009, 2, 2), QStringList{"2008-12", "2009-1", "2009-2"}},
                                            {QDate(2008, 12, 3), QStringList{"2008-10", "2008-11", "2008-12"}}}) {
            EntryFixture f(today);
            auto* combo = f.gui->find<QComboBox>("Combo1");
            QStringList shown;
            for (int i = 0; i < combo->count(); ++i)
                shown << combo->itemText(i);
            QCOMPARE(shown, months);
            QCOMPARE(combo->currentText(), months.last());
            QVERIFY(!f.entryEnabled());
        }
    }

    void candidateWalkAndEnterLoadsEmployee()
    {
        EntryFixture f;
        f.store("001", "2008-5", {productionLine("2008-5-3", "外壳", "40", "50", "1.25")});
        f.gui->type("Text1", "张");
        auto* list = f.gui->find<QListWidget>("List1");
        QVERIFY(list->isVisible());
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), QStringLiteral("张三-001"));
        QCOMPARE(list->item(1)->text(), QStringLiteral("张四-002"));
        f.gui->key("Text1", Qt::Key_Down);
        QCOMPARE(list->currentRow(), 0);
        f.gui->key("Text1", Qt::Key_Down);
        QCOMPARE(list->currentRow(), 1);
        f.gui->key("Text1", Qt::Key_Down);
        QCOMPARE(list->currentRow(), 0);
        f.gui->key("Text1", Qt::Key_Up);
        QCOMPARE(list->currentRow(), 1);
        f.gui->key("Text1", Qt::Key_Down);
        f.gui->key("Text1", Qt::Key_Return);
        QCOMPARE(f.text("Text1"), QStringLiteral("张三"));
        QCOMPARE(f.text("Text2"), QStringLiteral("001"));
        QCOMPARE(f.gui->find<QLabel>("Label4")->text(), QStringLiteral("所在车间：一车间  工种：装配"));
        QVERIFY(f.entryEnabled());
        QVERIFY(!list->isVisible());
        QCOMPARE(f.grid("fg")->text(1, PProduct), QStringLiteral("外壳"));
        QCOMPARE(f.text("Text3"), QStringLiteral("50.00"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void enterWithNothingHighlightedTakesFirstCandidate()
    {
        EntryFixture f;
        f.gui->type("Text1", "张");
        f.gui->key("Text1", Qt::Key_Return);
        QCOMPARE(f.text("Text2"), QStringLiteral("001"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void pressOnCandidateSelectsBeforeNameBoxIsLeft()
    {
        EntryFixture f;
        f.gui->type("Text1", "张");
        auto* list = f.gui->find<QListWidget>("List1");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        QCOMPARE(f.text("Text2"), QStringLiteral("002"));
        f.gui->leave("Text1"); // the name now names an employee: nothing is blanked
        QCOMPARE(f.text("Text1"), QStringLiteral("张四"));
        QVERIFY(f.entryEnabled());

        f.gui->click("Command4"); // "↓" lists everybody
        QCOMPARE(list->count(), 4);
        QVERIFY(list->isVisible());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(3)).center());
        QCOMPARE(f.text("Text2"), QStringLiteral("12"));

        // Each list answers for its own rows: the first row of a list made after another is the
        // employee it shows there, not the one the row showed before.
        f.gui->find<QLineEdit>("Text1")->clear();
        f.gui->type("Text1", "王");
        QCOMPARE(list->item(0)->text(), QStringLiteral("王五-1"));
        f.gui->key("Text1", Qt::Key_Return);
        QCOMPARE(f.text("Text2"), QStringLiteral("1"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void unknownNameBlanksEverythingOnLeaving()
    {
        EntryFixture f;
        f.store("001", "2008-5", {productionLine("2008-5-3", "外壳", "40", "50")}, {{"2008-5-4", "罚款", "5"}});
        f.gui->type("Text2", "001");
        QCOMPARE(f.grid("fg1")->text(1, DItem), QStringLiteral("罚款"));
        auto* name = f.gui->find<QLineEdit>("Text1");
        name->clear();
        f.gui->type("Text1", "无此人");
        f.gui->leave("Text1");
        QCOMPARE(f.text("Text1"), QString());
        QCOMPARE(f.text("Text2"), QString());
        QVERIFY(!f.entryEnabled());
        QCOMPARE(f.grid("fg")->text(1, PProduct), QString());
        QCOMPARE(f.grid("fg1")->text(1, DItem), QString());
        QCOMPARE(f.grid("fg")->rows(), 8); // rows stay, empty
        QCOMPARE(f.text("Text3"), QStringLiteral("0.00"));
        QCOMPARE(f.text("Text4"), QStringLiteral("0.00"));
        QCOMPARE(f.text("Text5"), QStringLiteral("0.00"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void numberBoxLoadsOnEveryKeystroke()
    {
        EntryFixture f;
        auto* number = f.gui->find<QLineEdit>("Text2");
        QStringList namesSeen;
        connect(f.gui->find<QLineEdit>("Text1"), &QLineEdit::textChanged, [&](const QString& t) { namesSeen << t; });
        f.gui->type("Text2", "12");
        QCOMPARE(namesSeen, QStringList({"王五", "赵六"}));
        QCOMPARE(number->text(), QStringLiteral("12"));
        f.gui->leave("Text2"); // a known number: nothing happens
        QCOMPARE(f.text("Text1"), QStringLiteral("赵六"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void leavingEmptyNumberBoxReportsNoEmployee()
    {
        EntryFixture f;
        f.gui->type("Text2", "001");
        QVERIFY(f.entryEnabled());
        f.gui->find<QLineEdit>("Text2")->clear();
        f.boxes.expect("没有该员工！");
        f.gui->leave("Text2");
        QCOMPARE(f.boxes.shown().last().caption, QStringLiteral("没有"));
        QCOMPARE(f.boxes.shown().last().icon, ui::Icon::Warning);
        QVERIFY(!f.entryEnabled());
        QCOMPARE(f.text("Text1"), QString());
        KV_VERIFY_BOXES(f.boxes);
    }

    void shorterMonthAfterLongerOneKeepsEmptyRows()
    {
        EntryFixture f;
        QList<LineTexts> twenty;
        for (int d = 1; d <= 20; ++d)
            twenty << productionLine(QStringLiteral("2008-4-%1").arg(d), "外壳", "1", "2");
        f.store("001", "2008-4", twenty);
        f.store("001", "2008-5",
                {productionLine("2008-5-1", "外壳", "1", "3"), productionLine("2008-5-2", "外壳", "1", "4"),
                 productionLine("2008-5-3", "外壳", "1", "5")});
        f.gui->type("Text2", "001");
        auto* combo = f.gui->find<QComboBox>("Combo1");
        combo->setCurrentIndex(1);          // 2008-4
        QCOMPARE(f.grid("fg")->rows(), 22); // 20 lines and one empty row below them
        QCOMPARE(f.text("Text3"), QStringLiteral("40.00"));
        combo->setCurrentIndex(2); // back to 2008-5
        QCOMPARE(f.grid("fg")->rows(), 22);
        QCOMPARE(f.grid("fg")->text(3, PAmount), QStringLiteral("5"));
        QCOMPARE(f.grid("fg")->text(4, PDate), QString());
        QCOMPARE(f.grid("fg")->text(20, PAmount), QString());
        QCOMPARE(f.text("Text3"), QStringLiteral("12.00"));
        QCOMPARE(f.gui->find<QLabel>("Label9")->text(), QString());
        QCOMPARE(f.gui->find<QLabel>("Label10")->text(), QStringLiteral("没有 2008-5 的扣减记录"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void loadsStartAtTheTopAndNotesFollowWhatIsStored()
    {
        EntryFixture f;
        QList<LineTexts> twenty;
        for (int d = 1; d <= 20; ++d)
            twenty << productionLine(QStringLiteral("2008-4-%1").arg(d), "外壳", "1", "2");
        f.store("001", "2008-4", twenty);
        f.gui->type("Text2", "001");
        auto* combo = f.gui->find<QComboBox>("Combo1");
        ui::DataGrid* fg = f.grid("fg");
        combo->setCurrentIndex(1); // 2008-4
        fg->showCell(20, PRemark);
        QVERIFY(fg->topRow() > 1);
        QVERIFY(fg->table()->horizontalScrollBar()->value() > 0);
        combo->setCurrentIndex(2); // 2008-5 shows from its first line and its date column
        QCOMPARE(fg->topRow(), 1);
        QCOMPARE(fg->table()->horizontalScrollBar()->value(), 0);
        fg->showCell(20, PRemark);
        // A month of 20 lines shows the first empty line, the cursor on its date.
        combo->setCurrentIndex(1);
        QCOMPARE(fg->row(), 21);
        QCOMPARE(fg->col(), int(PDate));
        QCOMPARE(fg->bottomRow(), 21);
        QCOMPARE(fg->table()->horizontalScrollBar()->value(), 0);

        // A save that stores lines takes back the note that there are none; clearing puts it back.
        combo->setCurrentIndex(2);
        auto* note = f.gui->find<QLabel>("Label9");
        QCOMPARE(note->text(), QStringLiteral("没有 2008-5 的工资记录"));
        fg->setText(1, PDate, QStringLiteral("2008-5-2"));
        fg->setText(1, PProduct, QStringLiteral("外壳"));
        f.boxes.expect("保存成功！");
        f.gui->click("Command1");
        QCOMPARE(note->text(), QString());
        QCOMPARE(f.gui->find<QLabel>("Label10")->text(), QStringLiteral("没有 2008-5 的扣减记录"));
        f.boxes.expect("您确定要清除吗？", Answer::Ok);
        f.gui->click("Command3");
        QCOMPARE(note->text(), QStringLiteral("没有 2008-5 的工资记录"));

        // No employee any more: no workshop of the last one either.
        QCOMPARE(f.gui->find<QLabel>("Label4")->text(), QStringLiteral("所在车间：一车间  工种：装配"));
        f.gui->find<QLineEdit>("Text2")->clear();
        f.boxes.expect("没有该员工！");
        f.gui->leave("Text2");
        QCOMPARE(f.gui->find<QLabel>("Label4")->text(), QStringLiteral("所在车间：    工种："));
        f.gui->type("Text2", "002");
        f.gui->type("Text1", "无此人");
        f.gui->leave("Text1");
        QCOMPARE(f.text("Text2"), QString());
        QCOMPARE(f.gui->find<QLabel>("Label4")->text(), QStringLiteral("所在车间：    工种："));
        KV_VERIFY_BOXES(f.boxes);
    }

    void unsavedLinesAreAskedAboutBeforeTheyGo()
    {
        EntryFixture f;
        f.store("001", "2008-5", {productionLine("2008-5-3", "外壳", "40", "50")});
        f.gui->type("Text2", "001");
        auto* combo = f.gui->find<QComboBox>("Combo1");
        ui::DataGrid* fg = f.grid("fg");
        const QString question = QStringLiteral("当前员工的工资数据尚未保存，确定放弃修改吗？");
        combo->setCurrentIndex(1); // nothing changed: no question
        combo->setCurrentIndex(2);
        fg->setText(2, PDate, QStringLiteral("2008-5-9")); // a date alone, as a picker writes it
        combo->setCurrentIndex(1);
        combo->setCurrentIndex(2);

        // Another month: Cancel keeps month and lines, OK goes on without them.
        fg->setText(1, PRemark, QStringLiteral("改"));
        f.boxes.expect(question, Answer::Cancel);
        combo->setCurrentIndex(0);
        QCOMPARE(combo->currentText(), QStringLiteral("2008-5"));
        QCOMPARE(fg->text(1, PRemark), QStringLiteral("改"));
        f.boxes.expect(question, Answer::Ok);
        combo->setCurrentIndex(0);
        QCOMPARE(fg->text(1, PProduct), QString());
        combo->setCurrentIndex(2);
        QCOMPARE(fg->text(1, PRemark), QString());

        // Another employee by number or by name: Cancel shows 001 again with his lines.
        fg->setText(1, PQuantity, QStringLiteral("41"));
        f.gui->find<QLineEdit>("Text2")->selectAll();
        f.boxes.expect(question, Answer::Cancel);
        f.gui->type("Text2", "002");
        QCOMPARE(f.text("Text2"), QStringLiteral("001"));
        QCOMPARE(f.text("Text1"), QStringLiteral("张三"));
        QCOMPARE(fg->text(1, PQuantity), QStringLiteral("41"));
        QVERIFY(f.entryEnabled());
        f.gui->find<QLineEdit>("Text1")->clear();
        f.gui->type("Text1", "张四");
        f.boxes.expect(question, Answer::Ok);
        f.gui->key("Text1", Qt::Key_Return);
        QCOMPARE(f.text("Text2"), QStringLiteral("002"));
        QCOMPARE(fg->text(1, PProduct), QString());

        // Leaving a window of its own asks as well.
        fg->setText(1, PRemark, QStringLiteral("新"));
        f.boxes.expect(question, Answer::Cancel);
        f.window->close();
        QVERIFY(f.window->isVisible());
        KV_VERIFY_BOXES(f.boxes);
    }

    void wrongRetypedOrListedNumbersAskBeforeLinesGo()
    {
        EntryFixture f;
        f.store("001", "2008-5", {productionLine("2008-5-3", "外壳", "40", "50")});
        f.gui->type("Text2", "001");
        ui::DataGrid* fg = f.grid("fg");
        auto* number = f.gui->find<QLineEdit>("Text2");
        const QString question = QStringLiteral("确定放弃修改吗？");
        const auto stillLoadedWithEdit = [&] {
            return f.text("Text2") == QStringLiteral("001") && f.text("Text1") == QStringLiteral("张三") &&
                   f.entryEnabled() && fg->text(1, PQuantity) == QStringLiteral("41");
        };
        fg->setText(1, PQuantity, QStringLiteral("41"));

        // A wrong number is refused; Cancel keeps 001 with the edit, and Enter alone is Cancel.
        number->selectAll();
        f.boxes.expect("没有该员工！").expect(question, Answer::Cancel);
        f.gui->type("Text2", "X9");
        f.gui->leave("Text2");
        QVERIFY(f.boxes.shown().last().cancelByDefault);
        QVERIFY(stillLoadedWithEdit());
        // The loaded number typed again would reload the stored month: asked too.
        number->selectAll();
        f.boxes.expect(question, Answer::Cancel);
        f.gui->type("Text2", "001");
        QVERIFY(stillLoadedWithEdit());
        // Enter on a wrong number is refused the same way.
        number->selectAll();
        f.boxes.expect("没有该员工！").expect(question, Answer::Cancel);
        f.gui->type("Text2", "X9");
        f.gui->key("Text2", Qt::Key_Return);
        QVERIFY(stillLoadedWithEdit());
        // Picked from the "↓" list of everybody.
        f.gui->click("Command4");
        auto* list = f.gui->find<QListWidget>("List1");
        f.boxes.expect(question, Answer::Cancel);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        QVERIFY(stillLoadedWithEdit());

        // OK on a wrong number: nobody is loaded, and 001 typed again loads what is stored.
        number->selectAll();
        f.boxes.expect("没有该员工！").expect(question, Answer::Ok);
        f.gui->type("Text2", "X9");
        f.gui->leave("Text2");
        QCOMPARE(f.text("Text2"), QString());
        QVERIFY(!f.entryEnabled());
        f.gui->type("Text2", "001");
        QVERIFY(f.entryEnabled());
        QCOMPARE(fg->text(1, PQuantity), QStringLiteral("40"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void fullGridGainsOneRowAndNegativeNetPay()
    {
        EntryFixture f;
        QList<LineTexts> seven;
        for (int d = 1; d <= 7; ++d)
            seven << productionLine(QStringLiteral("2008-5-%1").arg(d), "外壳", "1", d == 1 ? "1234.5" : "0");
        f.store("001", "2008-5", seven, {{"2008-5-9", "罚款", "2000"}});
        f.gui->type("Text2", "001");
        QCOMPARE(f.grid("fg")->rows(), 9);
        QCOMPARE(f.grid("fg")->text(8, PDate), QString());
        QCOMPARE(f.text("Text3"), QStringLiteral("1,234.50"));
        QCOMPARE(f.text("Text4"), QStringLiteral("2,000.00"));
        QCOMPARE(f.text("Text5"), QStringLiteral("-765.50"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void noRecordsMessages()
    {
        EntryFixture f;
        f.gui->type("Text2", "002");
        QCOMPARE(f.gui->find<QLabel>("Label9")->text(), QStringLiteral("没有 2008-5 的工资记录"));
        QCOMPARE(f.gui->find<QLabel>("Label10")->text(), QStringLiteral("没有 2008-5 的扣减记录"));
        QCOMPARE(f.text("Text5"), QStringLiteral("0.00"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void savingTwiceKeepsOneSummaryRow()
    {
        EntryFixture f;
        f.store("001", "2008-5", {productionLine("2008-5-3", "外壳", "40", "50")});
        f.gui->type("Text2", "001");
        f.boxes.expect("保存成功！").expect("保存成功！");
        f.gui->click("Command1");
        f.gui->click("Command1");
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 员工工资 WHERE 工号='001' AND 月份='2008-5'").toInt(), 1);
        QCOMPARE(f.app.db().scalar("SELECT 生产金额 FROM 员工工资").toDouble(), 50.0);
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 工资流水").toInt(), 1);
        KV_VERIFY_BOXES(f.boxes);
    }

    void failingSaveShowsDatabaseMessageAndKeepsStoredMonth()
    {
        EntryFixture f;
        f.store("001", "2008-5", {productionLine("2008-5-1", "旧", "1", "1")});
        f.gui->type("Text2", "001");
        ui::DataGrid* fg = f.grid("fg");
        for (int r = 2; r <= 4; ++r) {
            fg->setText(r, PDate, QStringLiteral("2008-5-%1").arg(r));
            fg->setText(r, PProduct, QStringLiteral("新"));
            fg->setText(r, PUnit, QStringLiteral("个"));
            fg->setText(r, PQuantity, QStringLiteral("1"));
        }
        failInserts(f.app.db(), "abort_third", "工资流水", "磁盘已满", "(SELECT count(*) FROM 工资流水) >= 2");
        f.boxes.expect("磁盘已满");
        f.gui->click("Command1");
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 工资流水").toInt(), 1);
        QCOMPARE(f.app.db().scalar("SELECT 产品 FROM 工资流水").toString(), QStringLiteral("旧"));
        QCOMPARE(fg->text(4, PProduct), QStringLiteral("新")); // the window keeps what was typed
        KV_VERIFY_BOXES(f.boxes);
    }

    void aFullDiskIsNamedAndTheWindowKeepsItsLines()
    {
        if (TestApp::onServer())
            QSKIP("the file's own page limit");
        EntryFixture f;
        f.gui->type("Text2", "001");
        ui::DataGrid* fg = f.grid("fg");
        fg->setText(1, PDate, QStringLiteral("2008-5-2"));
        fg->setText(1, PProduct, QStringLiteral("外壳"));
        fg->setText(1, PQuantity, QStringLiteral("1"));
        fg->setText(1, PRemark, QString(50000, QChar(u'长')));
        // The file may not grow: the save needs new pages, as on a full disk.
        f.app.db().execScript("PRAGMA max_page_count = " + f.app.db().scalar("PRAGMA page_count").toString());
        f.boxes.expect("磁盘空间不足，");
        f.gui->click("Command1");
        const ui::BoxRequest box = f.boxes.shown().last();
        QCOMPARE(box.caption, QStringLiteral("数据库错误"));
        QVERIFY(box.text.endsWith("database or disk is full"));
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 工资流水").toInt(), 0);
        QCOMPARE(fg->text(1, PProduct), QStringLiteral("外壳"));
        QCOMPARE(fg->text(1, PRemark).size(), 50000);

        // Refused input is titled as such, not as a database failure.
        f.boxes.expect("不是数字");
        ui::guarded(f.window.get(), [] { throw InputError(QStringLiteral("工价不是数字：贵")); });
        QCOMPARE(f.boxes.shown().last().caption, QStringLiteral("输入错误"));
        QCOMPARE(f.boxes.shown().last().text, QStringLiteral("工价不是数字：贵"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void separateInstanceOpensOnEmployee()
    {
        EntryFixture f;
        f.store("002", "2008-5", {productionLine("2008-5-3", "外壳", "2", "7")});
        WageEntryWindow second(f.app.ctx(), nullptr, QStringLiteral("002"));
        GuiDriver gui(&second);
        QCOMPARE(gui.find<QLineEdit>("Text1")->text(), QStringLiteral("张四"));
        QVERIFY(gui.find("Frame1")->isEnabled());
        QCOMPARE(gui.find<QLineEdit>("Text3")->text(), QStringLiteral("7.00"));

        WageEntryWindow unknown(f.app.ctx(), nullptr, QStringLiteral("999"));
        QCOMPARE(GuiDriver(&unknown).find<QLineEdit>("Text2")->text(), QStringLiteral("999"));
        QVERIFY(!GuiDriver(&unknown).find("Frame1")->isEnabled());
        KV_VERIFY_BOXES(f.boxes);
    }

    void popupDragHasAThreshold()
    {
        EntryFixture f;
        QWidget* popup = f.gui->find("ajaxBox");
        QWidget* handle = f.gui->find("Label8");
        popup->show();
        const QPoint start = popup->pos();
        const QPoint origin(20, 5);
        const int small = ui::twipsToPixels(10);
        const int large = ui::twipsToPixels(16) + 1;
        QTest::mousePress(handle, Qt::LeftButton, {}, origin);
        QMouseEvent smallMove(QEvent::MouseMove, QPointF(origin + QPoint(small, small)),
                              handle->mapToGlobal(QPointF(origin)), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(handle, &smallMove);
        QCOMPARE(popup->pos(), start);
        QMouseEvent bigMove(QEvent::MouseMove, QPointF(origin + QPoint(large, 0)), handle->mapToGlobal(QPointF(origin)),
                            Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(handle, &bigMove);
        QCOMPARE(popup->pos(), start + QPoint(large, 0));
        KV_VERIFY_BOXES(f.boxes);
    }
};

QTEST_MAIN(TestEntryWindow)
#include "test_entrywindow.moc"
