#include "EntryFixture.h"
#include "GridDriver.h"

#include "entry/DatePicker.h"
#include "master/PieceRates.h"
#include "ui/Twips.h"

#include <QCalendarWidget>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>

using namespace kv;
using namespace grid_driver;
using ui::Answer;

namespace {
// Products P01 外壳 (WK, 1.25), P02 大外壳 (DWK, 3), P03 螺丝 (LS, 0.8); deductions K01 迟到
// (CD, 20), K02 罚款 (FK, 50). Employee 001 is loaded, the window active.
struct LineFixture : EntryFixture {
    explicit LineFixture(QDate today = QDate(2008, 5, 17)) : EntryFixture(today)
    {
        auto& db = app.db();
        for (const auto& [no, desc, code, price] :
             {std::tuple{"P01", "外壳", "WK", 1.25}, {"P02", "大外壳", "DWK", 3.0}, {"P03", "螺丝", "LS", 0.8}})
            db.exec("INSERT INTO 产品工价 (产品编号, 产品说明, 拼音编码, 计量单位, 工价) VALUES (?, ?, ?, '个', ?)",
                    {no, desc, code, price});
        for (const auto& [no, desc, code, amount] :
             {std::tuple{"K01", "迟到", "CD", 20.0}, {"K02", "罚款", "FK", 50.0}})
            db.exec("INSERT INTO 扣减项目 (扣减项目编号, 扣减项目说明, 拼音编码, 扣减金额) VALUES (?, ?, ?, ?)",
                    {no, desc, code, amount});
        window->activateWindow();
        QVERIFY2(QTest::qWaitForWindowActive(window.get()), "window not active");
    }
    void loadEmployee() { gui->type("Text2", "001"); }
    ui::DataGrid& fg() const { return *grid("fg"); }
    ui::DataGrid& fg1() const { return *grid("fg1"); }
    QTableView& ajax() const { return *gui->find<QTableView>("Ajax"); }
    bool popupShown() const { return gui->find("ajaxBox")->isVisible(); }
    QStringList ajaxColumn(int col) const
    {
        QStringList out;
        for (int r = 0; r < ajax().model()->rowCount(); ++r)
            out << ajax().model()->index(r, col).data().toString();
        return out;
    }
    // Clicks match `row` (from 0) of the popup in column `col`.
    void clickMatch(int row, int col) const
    {
        QTest::mouseClick(ajax().viewport(), Qt::LeftButton, {},
                          ajax().visualRect(ajax().model()->index(row, col)).center());
    }
    DatePicker* picker(const char* name) const { return gui->find<DatePicker>(name); }
};
} // namespace

class TestLineEntry : public QObject {
    Q_OBJECT
private slots:
    void productLookupWhileTyping()
    {
        LineFixture f;
        f.loadEmployee();
        clickCell(f.fg(), 1, PProduct);
        QVERIFY(f.popupShown());
        QCOMPARE(f.ajaxColumn(0), QStringList({"P01", "P02", "P03"})); // all products on entering
        QVERIFY(openEditor(f.fg()));
        for (const auto& [typed, expected] : {std::pair{"WK", QStringList{"P01", "P02"}},
                                              {"外壳", QStringList{"P01", "P02"}},
                                              {"大外", QStringList{}},
                                              {"P0", QStringList{"P01", "P02", "P03"}},
                                              {"LS", QStringList{"P03"}}}) {
            openEditor(f.fg())->clear();
            QVERIFY(typeInEditor(f.fg(), QString::fromUtf8(typed)));
            QCOMPARE(f.ajaxColumn(0), expected);
            QVERIFY(f.popupShown());
        }
        // The popup hangs below the cell, 1500 twips to the right of its left edge.
        const QRect cell = f.fg().cellRect(1, PProduct);
        const QPoint cellInWindow = f.fg().mapTo(f.window.get(), cell.topLeft());
        QCOMPARE(f.gui->find("ajaxBox")->pos(),
                 QPoint(cellInWindow.x() + ui::twipsToPixels(1500), cellInWindow.y() + cell.height()));
        KV_VERIFY_BOXES(f.boxes);
    }

    // 外壳 goes from 1.25 to 1.5 on the 10th, entered after a line of the 3rd was stored. A new
    // line takes the price of its own date, from the look-up and when its date changes; a stored
    // line keeps its price until the month is repriced, which then needs the lines saved.
    void aLineTakesThePriceInForceOnItsDate()
    {
        LineFixture f;
        f.store("001", "2008-5", {productionLine("2008-5-12", "外壳", "2", "2.5", "1.25")});
        PieceRates(f.app.db()).addChange(1, "1.5", QDate(2008, 5, 10));
        f.loadEmployee();
        ui::DataGrid& fg = f.fg();

        clickCell(fg, 2, PDate);
        f.picker("dtPick")->setDate(QDate(2008, 5, 9));
        QTest::keyClick(f.picker("dtPick"), Qt::Key_Return);
        QTRY_VERIFY(openEditor(fg) && fg.editCol() == PProduct);
        QVERIFY(f.popupShown());
        QCOMPARE(f.ajaxColumn(3), QStringList({"1.25", "3", "0.8"}));
        typeInEditor(fg, "WK");
        keyInEditor(fg, Qt::Key_Return);
        QTRY_COMPARE(fg.col(), int(PQuantity));
        QCOMPARE(fg.text(2, PPrice), QStringLiteral("1.25"));
        typeInEditor(fg, "4");
        keyInEditor(fg, Qt::Key_Return);
        QTRY_COMPARE(fg.text(2, PAmount), QStringLiteral("5"));

        // The new line moved past the change: the new price and amount.
        clickCell(fg, 2, PDate);
        f.picker("dtPick")->setDate(QDate(2008, 5, 10));
        QTest::keyClick(f.picker("dtPick"), Qt::Key_Return);
        QTRY_COMPARE(fg.text(2, PPrice), QStringLiteral("1.5"));
        QCOMPARE(fg.text(2, PAmount), QStringLiteral("6"));
        QCOMPARE(fg.text(1, PPrice), QStringLiteral("1.25")); // stored: as paid

        // Repricing works on the stored month only.
        f.boxes.expect("请先保存，再按新工价重算");
        f.gui->click("Command9");
        KV_VERIFY_BOXES(f.boxes);
        f.boxes.expect("保存成功！");
        f.gui->click("Command1");
        KV_VERIFY_BOXES(f.boxes);
        f.boxes.expect("确定要重算吗？", Answer::Cancel);
        f.gui->click("Command9");
        KV_VERIFY_BOXES(f.boxes);
        QCOMPARE(fg.text(1, PPrice), QStringLiteral("1.25"));
        f.boxes.expect("确定要重算吗？", Answer::Ok).expect("已按新工价重算 1 条生产记录。");
        f.gui->click("Command9");
        KV_VERIFY_BOXES(f.boxes);
        // In date order: the line of the 10th, then the one of the 12th at its new price.
        QCOMPARE(fg.text(2, PDate), QStringLiteral("2008-5-12"));
        QCOMPARE(fg.text(2, PPrice), QStringLiteral("1.5"));
        QCOMPARE(fg.text(2, PAmount), QStringLiteral("3"));
        QCOMPARE(f.text("Text3"), QStringLiteral("9.00"));
        // What is shown is what is stored: saving again is no change to ask about.
        QVERIFY(!f.window->hasUnsavedChanges());
    }

    void enterNeverReplacesAStoredItem()
    {
        LineFixture f;
        f.store("001", "2008-5", {productionLine("2008-5-3", "螺丝", "50", "40", "0.8")}, {{"2008-5-4", "迟到", "20"}});
        f.loadEmployee();
        ui::DataGrid& fg = f.fg();
        const auto unchanged = [&] {
            return fg.text(1, PProduct) == QStringLiteral("螺丝") && fg.text(1, PPrice) == QStringLiteral("0.8") &&
                   fg.text(1, PAmount) == QStringLiteral("40") && f.text("Text3") == QStringLiteral("40.00");
        };
        // Correcting a date: picker, Enter, and Enter on the filled product only moves on.
        clickCell(fg, 1, PDate);
        f.picker("dtPick")->setDate(QDate(2008, 5, 6));
        QTest::keyClick(f.picker("dtPick"), Qt::Key_Return);
        QTRY_VERIFY(openEditor(fg) && fg.editCol() == PProduct);
        QVERIFY(!f.popupShown()); // a filled item cell opens no look-up
        keyInEditor(fg, Qt::Key_Return);
        QTRY_COMPARE(fg.col(), int(PQuantity));
        QVERIFY(unchanged());
        QCOMPARE(fg.text(1, PDate), QStringLiteral("2008-5-6"));

        // Down into an empty product cell lists everything; Enter without letters takes nothing.
        clickCell(fg, 1, PProduct);
        keyInEditor(fg, Qt::Key_Down);
        QTRY_VERIFY(fg.row() == 2 && openEditor(fg));
        QVERIFY(f.popupShown());
        keyInEditor(fg, Qt::Key_Return);
        QTRY_COMPARE(fg.col(), int(PQuantity));
        QVERIFY(!f.popupShown());
        QCOMPARE(fg.text(2, PProduct), QString());
        QCOMPARE(fg.text(2, PUnit), QString());

        // Letters typed over the item, then the look-up closed any way but Enter or a click on a
        // row: the item stays as it was.
        const auto typeOver = [&] {
            QCoreApplication::processEvents(); // a move Enter asked for is made
            clickCell(fg, 1, PRemark);
            clickCell(fg, 1, PProduct);
            QVERIFY(openEditor(fg));
            openEditor(fg)->selectAll();
            typeInEditor(fg, "wk");
            QVERIFY(f.popupShown());
        };
        typeOver();
        f.gui->click("Command5"); // its "×"
        QVERIFY(!f.popupShown());
        QCOMPARE(openEditor(fg)->text(), QStringLiteral("螺丝"));
        keyInEditor(fg, Qt::Key_Return);
        QVERIFY(unchanged());
        typeOver();
        keyInEditor(fg, Qt::Key_Tab);
        QVERIFY(!f.popupShown());
        QVERIFY(unchanged());
        typeOver();
        QTest::mouseClick(f.window.get(), Qt::LeftButton, {}, QPoint(4, f.window->height() - 4)); // the background
        QVERIFY(!f.popupShown());
        keyInEditor(fg, Qt::Key_Return);
        QVERIFY(unchanged());
        typeOver();
        f.boxes.expect("保存成功！");
        QTest::keyClick(openEditor(fg), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!f.popupShown());
        QVERIFY(unchanged());
        QCOMPARE(storedRow(f.app.db(), "SELECT 产品, 金额 FROM 工资流水"), QStringLiteral("螺丝|40"));

        // Letters and Enter still take the first match; a filled deduction item is left alone.
        typeOver();
        keyInEditor(fg, Qt::Key_Return);
        QCOMPARE(fg.text(1, PProduct), QStringLiteral("外壳"));
        QCOMPARE(fg.text(1, PAmount), QStringLiteral("62.5"));
        clickCell(f.fg1(), 1, DItem);
        QVERIFY(!f.popupShown());
        keyInEditor(f.fg1(), Qt::Key_Return);
        QCOMPARE(f.fg1().text(1, DItem), QStringLiteral("迟到"));
        QCOMPARE(f.fg1().text(1, DAmount), QStringLiteral("20"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void keyboardReachesEveryPlaceAndDatesFollowTheLineAbove()
    {
        LineFixture f;
        f.store("001", "2008-5", {productionLine("2008-5-3", "螺丝", "50", "40", "0.8")});
        const auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
        const auto typeKeys = [](const char* keys) {
            for (const char* k = keys; *k; ++k)
                QTest::keyClicks(QApplication::focusWidget(), QString(QChar::fromLatin1(*k)));
        };
        ui::DataGrid& fg = f.fg();
        const auto inGrid = [](ui::DataGrid& g) { return g.isAncestorOf(QApplication::focusWidget()); };
        // F3: the number box; Enter on a number found goes on to the lines, the cursor on the
        // date of the first empty line.
        press(Qt::Key_F3);
        QVERIFY(f.gui->find("Text2")->hasFocus());
        typeKeys("001");
        press(Qt::Key_Return);
        QVERIFY(inGrid(fg));
        QCOMPARE(fg.row(), 2);
        QCOMPARE(fg.col(), int(PDate));

        // Digits typed on the date are its day; Enter takes it and goes on to the product.
        typeKeys("12");
        DatePicker* pick = f.picker("dtPick");
        QVERIFY(pick->isVisible());
        QVERIFY(!pick->isCalendarOpen());
        QCOMPARE(pick->date(), QDate(2008, 5, 12));
        press(Qt::Key_Return);
        QCOMPARE(fg.text(2, PDate), QStringLiteral("2008-5-12"));
        QTRY_VERIFY(openEditor(fg) && fg.editCol() == PProduct);
        typeKeys("wk");
        press(Qt::Key_Return);
        QTRY_VERIFY(openEditor(fg) && fg.editCol() == PQuantity);
        typeKeys("4");
        press(Qt::Key_Return);
        QTRY_VERIFY(openEditor(fg) && fg.editCol() == PRemark);
        press(Qt::Key_Return);
        QTRY_VERIFY(fg.row() == 3 && fg.col() == PDate);
        // A new line's date starts as the line above's.
        press(Qt::Key_F2);
        QVERIFY(pick->isVisible());
        QCOMPARE(fg.text(3, PDate), QStringLiteral("2008-5-12"));
        press(Qt::Key_Escape);
        QCOMPARE(f.text("Text3"), QStringLiteral("45.00"));

        // A whole date typed is read as one, not as digits of the day (2008-5-9 once became the
        // 20th); so are month and day, and a year of two digits. What reads as no date shows the
        // date the typing began on; a date of another month, even on the way to one of this
        // month, is refused only when Enter takes it.
        const auto typedDate = [&](const char* keys) {
            typeKeys(keys);
            const QDate shown = pick->date();
            press(Qt::Key_Escape);
            return shown;
        };
        QCOMPARE(typedDate("2008-5-9"), QDate(2008, 5, 9));
        QCOMPARE(typedDate("5/27"), QDate(2008, 5, 27));
        QCOMPARE(typedDate("08.5.6"), QDate(2008, 5, 6));
        QCOMPARE(typedDate("2008"), QDate(2008, 5, 12));
        typeKeys("2008-5-99");
        press(Qt::Key_Backspace);
        QCOMPARE(pick->date(), QDate(2008, 5, 9));
        press(Qt::Key_Escape);
        typeKeys("6-1");
        QCOMPARE(fg.text(3, PDate), QStringLiteral("2008-5-12"));
        KV_VERIFY_BOXES(f.boxes);
        f.boxes.expect("只能是计工月份内的日期！");
        press(Qt::Key_Return);
        QVERIFY(pick->isVisible());
        QCOMPARE(fg.text(3, PDate), QStringLiteral("2008-5-12"));
        press(Qt::Key_Escape);
        QVERIFY(!pick->isVisible());

        // F6 the deductions, F4 the name box, F5 back to the line being worked on.
        press(Qt::Key_F6);
        QVERIFY(inGrid(f.fg1()));
        QCOMPARE(f.fg1().row(), 1);
        press(Qt::Key_F4);
        QVERIFY(f.gui->find("Text1")->hasFocus());
        press(Qt::Key_Return); // the name shows the loaded employee: on to his lines
        QVERIFY(inGrid(fg));
        QCOMPARE(fg.row(), 3);

        // A deduction date taken while the production calendar is open ends that picker, so
        // that the production lines move again.
        clickCell(fg, 3, PDate);
        QVERIFY(pick->isCalendarOpen());
        clickCell(f.fg1(), 1, DDate);
        QVERIFY(f.picker("DTPick1")->isVisible());
        QVERIFY(!pick->isVisible());
        QVERIFY(fg.setCurrentCell(2, PQuantity));
        KV_VERIFY_BOXES(f.boxes);
    }

    void choosingAProductAndTypingTheQuantity()
    {
        LineFixture f;
        f.loadEmployee();
        clickCell(f.fg(), 1, PQuantity);
        QVERIFY(typeInEditor(f.fg(), "40"));
        clickCell(f.fg(), 1, PProduct);
        typeInEditor(f.fg(), "wk");
        f.clickMatch(0, 1);
        QVERIFY(!f.popupShown());
        QCOMPARE(f.fg().text(1, PProduct), QStringLiteral("外壳"));
        QCOMPARE(f.fg().text(1, PUnit), QStringLiteral("个"));
        QCOMPARE(f.fg().text(1, PPrice), QStringLiteral("1.25"));
        QCOMPARE(f.fg().text(1, PAmount), QStringLiteral("50"));
        QCOMPARE(f.text("Text3"), QStringLiteral("50.00"));

        clickCell(f.fg(), 1, PQuantity);
        openEditor(f.fg())->clear();
        typeInEditor(f.fg(), "4");
        QCOMPARE(f.fg().text(1, PAmount), QStringLiteral("5"));
        typeInEditor(f.fg(), "1");
        QCOMPARE(f.fg().text(1, PAmount), QStringLiteral("51.25"));
        QCOMPARE(f.text("Text5"), QStringLiteral("51.25"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void enterTakesFirstMatchOrEmptiesTheLine()
    {
        LineFixture f;
        f.loadEmployee();
        clickCell(f.fg(), 1, PQuantity);
        typeInEditor(f.fg(), "2");
        clickCell(f.fg(), 1, PProduct);
        typeInEditor(f.fg(), "P0"); // three matches; the highlight plays no part
        f.ajax().setCurrentIndex(f.ajax().model()->index(2, 0));
        keyInEditor(f.fg(), Qt::Key_Return);
        QCOMPARE(f.fg().text(1, PProduct), QStringLiteral("外壳"));
        QCOMPARE(f.fg().text(1, PAmount), QStringLiteral("2.5"));
        QVERIFY(!f.popupShown());
        QTRY_COMPARE(f.fg().col(), int(PQuantity)); // Enter moves on to the quantity

        clickCell(f.fg(), 1, PProduct);
        QVERIFY(openEditor(f.fg()));
        openEditor(f.fg())->clear();
        typeInEditor(f.fg(), "无此产品");
        keyInEditor(f.fg(), Qt::Key_Return);
        QCOMPARE(f.fg().text(1, PProduct), QString());
        QCOMPARE(f.fg().text(1, PUnit), QString());
        QCOMPARE(f.fg().text(1, PPrice), QString());
        QCOMPARE(f.fg().text(1, PAmount), QString());
        QCOMPARE(f.text("Text3"), QStringLiteral("0.00"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void cancelledEditsLeaveAmountsAndTotalsTrue()
    {
        LineFixture f;
        f.loadEmployee();
        ui::DataGrid& fg = f.fg();
        fg.setText(1, PDate, QStringLiteral("2008-5-3"));
        clickCell(fg, 1, PProduct);
        typeInEditor(fg, "wk"); // 外壳 at 1.25
        keyInEditor(fg, Qt::Key_Return);
        QTRY_VERIFY(openEditor(fg) && fg.editCol() == PQuantity);
        typeInEditor(fg, "100");
        keyInEditor(fg, Qt::Key_Return);
        QCOMPARE(fg.text(1, PAmount), QStringLiteral("125"));
        QTRY_COMPARE(fg.col(), int(PRemark));

        // 101 shows 126.25 while typed; Escape puts back 100 and with it 125.
        clickCell(fg, 1, PQuantity);
        QVERIFY(openEditor(fg));
        openEditor(fg)->clear();
        typeInEditor(fg, "101");
        QCOMPARE(fg.text(1, PAmount), QStringLiteral("126.25"));
        QCOMPARE(f.text("Text3"), QStringLiteral("126.25"));
        keyInEditor(fg, Qt::Key_Escape);
        QCOMPARE(fg.text(1, PQuantity), QStringLiteral("100"));
        QCOMPARE(fg.text(1, PAmount), QStringLiteral("125"));
        QCOMPARE(f.text("Text3"), QStringLiteral("125.00"));

        // A product typed over and given up keeps the product and closes its matches.
        clickCell(fg, 1, PProduct);
        QVERIFY(openEditor(fg));
        typeInEditor(fg, "wk");
        QVERIFY(f.popupShown());
        keyInEditor(fg, Qt::Key_Escape);
        QVERIFY(!f.popupShown());
        QCOMPARE(fg.text(1, PProduct), QStringLiteral("外壳"));
        QCOMPARE(fg.text(1, PAmount), QStringLiteral("125"));

        // A deduction amount typed over and cancelled leaves the totals as they were.
        f.fg1().setText(1, DDate, QStringLiteral("2008-5-4"));
        clickCell(f.fg1(), 1, DItem);
        typeInEditor(f.fg1(), "fk");
        keyInEditor(f.fg1(), Qt::Key_Return);
        QTRY_VERIFY(openEditor(f.fg1()) && f.fg1().editCol() == DAmount);
        openEditor(f.fg1())->clear();
        typeInEditor(f.fg1(), "35.5");
        keyInEditor(f.fg1(), Qt::Key_Escape);
        QCOMPARE(f.fg1().text(1, DAmount), QStringLiteral("50"));
        QCOMPARE(f.text("Text4"), QStringLiteral("50.00"));
        QCOMPARE(f.text("Text5"), QStringLiteral("75.00"));

        // A line that shows an amount its quantity and price do not make is stored, and shown,
        // with the right one; the stored totals are the sums shown.
        fg.setText(1, PAmount, QStringLiteral("126.25"));
        f.window->showTotals();
        f.boxes.expect("保存成功！");
        f.gui->click("Command1");
        QCOMPARE(fg.text(1, PAmount), QStringLiteral("125"));
        QCOMPARE(f.text("Text3"), QStringLiteral("125.00"));
        auto& db = f.app.db();
        QCOMPARE(storedRow(db, "SELECT 数量, 金额 FROM 工资流水"), QStringLiteral("100|125"));
        QCOMPARE(storedRow(db, "SELECT 生产金额, 扣减, 实发工资 FROM 员工工资"), QStringLiteral("125|50|75"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void arrowsChooseTheMatchAndKeysOpenDatePickers()
    {
        LineFixture f;
        f.loadEmployee();
        ui::DataGrid& fg = f.fg();
        clickCell(fg, 1, PProduct);
        typeInEditor(fg, "P0"); // three matches
        for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up})
            keyInEditor(fg, key);                                             // 2, 3, round to 1, back to 3
        QCOMPARE(f.ajax().currentIndex().row(), 2);                           // the third match
        QVERIFY(openEditor(fg) && fg.row() == 1 && fg.editCol() == PProduct); // the line stays put
        keyInEditor(fg, Qt::Key_Return);
        QCOMPARE(fg.text(1, PProduct), QStringLiteral("螺丝"));
        QCOMPARE(fg.text(1, PPrice), QStringLiteral("0.8"));

        // A new look-up starts again at its first match.
        clickCell(fg, 2, PProduct);
        typeInEditor(fg, "P0");
        keyInEditor(fg, Qt::Key_Down);
        typeInEditor(fg, "2"); // P02 大外壳 only
        keyInEditor(fg, Qt::Key_Return);
        QCOMPARE(fg.text(2, PProduct), QStringLiteral("大外壳"));

        // Enter in the remark moves to the next line's date at once: what is typed next opens
        // its picker and never reaches the remark.
        clickCell(fg, 2, PRemark);
        typeInEditor(fg, "x");
        keyInEditor(fg, Qt::Key_Return);
        QTest::keyClicks(fg.table(), "5");
        DatePicker* pick = f.picker("dtPick");
        QVERIFY(pick->isVisible());
        QCOMPARE(pick->geometry(), fg.cellRect(3, PDate));
        QCOMPARE(fg.text(2, PRemark), QStringLiteral("x"));
        QTest::keyClick(pick, Qt::Key_Escape);
        QVERIFY(!pick->isVisible());
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
            QTest::keyClick(fg.table(), key);
            QVERIFY(pick->isVisible());
            QTest::keyClick(pick, Qt::Key_Escape);
        }
        f.fg1().setFocus();
        f.fg1().setCurrentCell(1, DDate);
        QTest::keyClick(f.fg1().table(), Qt::Key_Enter);
        QVERIFY(f.picker("DTPick1")->isVisible());
        KV_VERIFY_BOXES(f.boxes);
    }

    // Two products and two items of one description: the line keeps the number of the one
    // chosen, through the save and the next load, whatever the description shows.
    void aNamesakeChosenIsStoredByItsNumber()
    {
        LineFixture f;
        f.app.db().exec("INSERT INTO 产品工价 (产品编号, 产品说明, 拼音编码, 计量单位, 工价) "
                        "VALUES ('P001', '外壳', 'WK', '个', 2)");
        f.app.db().exec("INSERT INTO 扣减项目 (扣减项目编号, 扣减项目说明, 拼音编码, 扣减金额) "
                        "VALUES ('K002', '罚款', 'FK', 9)");
        f.loadEmployee();
        ui::DataGrid& fg = f.fg();
        fg.setText(1, PDate, "2008-5-3");
        clickCell(fg, 1, PProduct);
        typeInEditor(fg, "wk");
        QCOMPARE(f.ajaxColumn(0), QStringList({"P01", "P02", "P001"}));
        keyInEditor(fg, Qt::Key_Down);
        keyInEditor(fg, Qt::Key_Down);
        keyInEditor(fg, Qt::Key_Return);
        QCOMPARE(fg.text(1, PPrice), QStringLiteral("2"));
        clickCell(fg, 1, PQuantity);
        typeInEditor(fg, "3");
        f.fg1().setText(1, DDate, "2008-5-4");
        clickCell(f.fg1(), 1, DItem);
        typeInEditor(f.fg1(), "fk");
        f.clickMatch(1, 1);
        QCOMPARE(f.fg1().text(1, DAmount), QStringLiteral("9"));

        f.boxes.expect("保存成功！");
        f.gui->click("Command1");
        QCOMPARE(f.app.db().scalar("SELECT 产品编号 FROM 工资流水").toString(), QStringLiteral("P001"));
        QCOMPARE(f.app.db().scalar("SELECT 扣减项目编号 FROM 扣减流水").toString(), QStringLiteral("K002"));
        f.window->loadMonth("2008-5");
        QCOMPARE(fg.text(1, PProductNo), QStringLiteral("P001"));
        QVERIFY(!f.window->hasUnsavedChanges());
        KV_VERIFY_BOXES(f.boxes);
    }

    void unitAndAmountAreNotEditableAndAnEmptyRowStaysBelow()
    {
        LineFixture f;
        f.loadEmployee();
        QCOMPARE(f.fg().rows(), 8);
        clickCell(f.fg(), 1, PUnit);
        QTest::keyClicks(f.fg().table(), "9");
        QVERIFY(!openEditor(f.fg()));
        clickCell(f.fg(), 1, PAmount);
        QTest::keyClick(f.fg().table(), Qt::Key_F2);
        QVERIFY(!openEditor(f.fg()));
        QCOMPARE(f.fg().text(1, PAmount), QString());

        f.fg().setCurrentCell(7, PRemark); // the last row
        QCOMPARE(f.fg().rows(), 9);
        QCOMPARE(f.fg().rowHeight(8), 300);
        f.fg1().setCurrentCell(4, DAmount);
        QCOMPARE(f.fg1().rows(), 6);
        KV_VERIFY_BOXES(f.boxes);
    }

    void deductionItemFillsAmountAndTotalsFollowEdits()
    {
        LineFixture f;
        f.loadEmployee();
        clickCell(f.fg1(), 1, DItem);
        QVERIFY(f.popupShown());
        QCOMPARE(f.ajaxColumn(1), QStringList({"迟到", "罚款"}));
        typeInEditor(f.fg1(), "fk");
        keyInEditor(f.fg1(), Qt::Key_Return);
        QCOMPARE(f.fg1().text(1, DItem), QStringLiteral("罚款"));
        QCOMPARE(f.fg1().text(1, DAmount), QStringLiteral("50"));
        QCOMPARE(f.text("Text4"), QStringLiteral("50.00"));

        clickCell(f.fg1(), 1, DAmount);
        openEditor(f.fg1())->clear();
        typeInEditor(f.fg1(), "35.5");
        QCOMPARE(f.text("Text4"), QStringLiteral("50.00")); // totals follow when the edit ends
        keyInEditor(f.fg1(), Qt::Key_Return);
        QCOMPARE(f.text("Text4"), QStringLiteral("35.50"));
        QCOMPARE(f.text("Text5"), QStringLiteral("-35.50"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void datePickerDefaultsEscapeAndRefusals()
    {
        LineFixture f(QDate(2008, 6, 17));
        f.loadEmployee();
        f.gui->find<QComboBox>("Combo1")->setCurrentIndex(1); // 2008-5 on 17 June
        clickCell(f.fg(), 1, PDate);
        DatePicker* pick = f.picker("dtPick");
        QVERIFY(pick->isVisible());
        QVERIFY(pick->isCalendarOpen());
        QCOMPARE(pick->geometry(), f.fg().cellRect(1, PDate));
        QCOMPARE(f.fg().text(1, PDate), QStringLiteral("2008-5-17"));

        // While the picker is shown the grid keeps its current cell.
        QVERIFY(!f.fg().setCurrentCell(2, PQuantity));
        QCOMPARE(f.fg().row(), 1);

        f.boxes.expect("只能是计工月份内的日期！").expect("只能是计工月份内的日期！");
        pick->setDate(QDate(2008, 6, 3));
        pick->setDate(QDate(2007, 5, 3));
        QCOMPARE(f.boxes.shown().last().caption, QStringLiteral("提示！"));
        QCOMPARE(f.fg().text(1, PDate), QStringLiteral("2008-5-17"));
        pick->setDate(QDate(2008, 5, 9));
        QCOMPARE(f.fg().text(1, PDate), QStringLiteral("2008-5-9"));
        QTest::keyClick(pick, Qt::Key_Escape);
        QVERIFY(!pick->isVisible());
        // Given up, the new line is empty again: the default date was only offered.
        QCOMPARE(f.fg().text(1, PDate), QString());

        clickCell(f.fg(), 1, PDate);
        pick->setDate(QDate(2008, 5, 30));
        QTest::keyClick(pick, Qt::Key_Return);
        QVERIFY(!pick->isVisible());
        QCOMPARE(f.fg().text(1, PDate), QStringLiteral("2008-5-30"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void defaultDateOfAShortMonthIsItsLastDay()
    {
        LineFixture f(QDate(2008, 3, 30));
        f.loadEmployee();
        f.gui->find<QComboBox>("Combo1")->setCurrentIndex(1); // 2008-2 has no 30th
        clickCell(f.fg1(), 1, DDate);
        QVERIFY(f.picker("DTPick1")->isVisible());
        QCOMPARE(f.fg1().text(1, DDate), QStringLiteral("2008-2-29"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void deleteButtonsActOnVisibleRows()
    {
        LineFixture f;
        QList<LineTexts> lines;
        for (int d = 1; d <= 7; ++d)
            lines << productionLine(QStringLiteral("2008-5-%1").arg(d), "外壳", "1", QString::number(d));
        f.store("001", "2008-5", lines);
        f.loadEmployee();
        QCOMPARE(f.text("Text3"), QStringLiteral("28.00"));
        f.fg().showCell(7, 0);
        f.fg().showCell(3, 0); // rows 3 to 7 in view
        QCOMPARE(f.fg().bottomRow(), 7);
        f.gui->click("DelButton_1");
        QCOMPARE(f.fg().text(4, PDate), QString());
        QCOMPARE(f.fg().text(4, PId), QString());
        QCOMPARE(f.fg().text(3, PAmount), QStringLiteral("3"));
        QCOMPARE(f.text("Text3"), QStringLiteral("24.00"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void tallerWindowShowsMoreLinesWithTheirDeleteButtons()
    {
        LineFixture f;
        QList<LineTexts> lines;
        for (int d = 1; d <= 12; ++d)
            lines << productionLine(QStringLiteral("2008-5-%1").arg(d), "外壳", "1", QString::number(d));
        f.store("001", "2008-5", lines, {{"2008-5-1", "迟到", "20"}});
        f.loadEmployee();
        f.fg().table()->scrollToTop(); // the load showed the first empty line, the 13th
        QWidget* save = f.gui->find("Command1");
        const QRect saveAtDesign = save->geometry();
        const QSize design = f.window->size();
        const int rowPx = ui::twipsToPixels(300);

        // Six rows more: four go to the production lines, two to the deductions.
        f.window->resize(design.width(), design.height() + 6 * rowPx + rowPx / 2);
        QCOMPARE(f.fg().topRow(), 1);
        QCOMPARE(f.fg().bottomRow(), 9);
        QCOMPARE(f.fg1().bottomRow(), 5);
        QCOMPARE(f.fg1().rows(), 7); // an empty line stays below those in view
        for (int i = 0; i < 9; ++i) {
            auto* b = f.gui->find<QPushButton>(QStringLiteral("DelButton_%1").arg(i));
            QVERIFY(b->isVisible());
            const int lineMiddle = f.fg().mapTo(b->parentWidget(), f.fg().cellRect(i + 1, 0).center()).y();
            QVERIFY2(qAbs(b->geometry().center().y() - lineMiddle) <= rowPx / 2, qPrintable(b->objectName()));
        }
        QVERIFY(f.gui->find("delbutton1_4")->isVisible());
        QCOMPARE(save->geometry(), saveAtDesign.translated(0, 6 * rowPx));
        QVERIFY(QRect(QPoint(), f.gui->find("Frame1")->size()).contains(save->geometry()));
        QVERIFY(f.gui->find("Frame1")->geometry().bottom() < f.window->height());

        f.gui->click("DelButton_8"); // the ninth line, the last in view
        QCOMPARE(f.fg().text(9, PProduct), QString());
        QCOMPARE(f.fg().text(8, PProduct), QStringLiteral("外壳"));
        QCOMPARE(f.text("Text3"), QStringLiteral("69.00")); // 78 - 9

        // Back at the design size everything stands where it stood.
        f.window->resize(design);
        QCOMPARE(f.fg().bottomRow(), 5);
        QVERIFY(!f.gui->find("DelButton_5")->isVisible());
        QVERIFY(!f.gui->find("delbutton1_3")->isVisible());
        QCOMPARE(save->geometry(), saveAtDesign);
        KV_VERIFY_BOXES(f.boxes);
    }

    void keyboardDeleteSaveAndPrint()
    {
        LineFixture f;
        f.store("001", "2008-5", {productionLine("2008-5-3", "外壳", "40", "50", "1.25")},
                {{"2008-5-4", "迟到", "20"}, {"2008-5-5", "罚款", "50"}});
        f.loadEmployee();

        // Delete on a line empties it as its delete button does; inside an open editor it edits.
        f.fg1().setFocus();
        QVERIFY(f.fg1().setCurrentCell(1, DDate));
        QVERIFY(!f.fg1().isEditing());
        QTest::keyClick(f.fg1().table(), Qt::Key_Delete);
        QCOMPARE(f.fg1().text(1, DItem), QString());
        QCOMPARE(f.fg1().text(1, DDate), QString());
        QCOMPARE(f.fg1().text(2, DItem), QStringLiteral("罚款"));
        QCOMPARE(f.text("Text4"), QStringLiteral("50.00"));
        clickCell(f.fg(), 1, PQuantity);
        QVERIFY(typeInEditor(f.fg(), "88"));
        keyInEditor(f.fg(), Qt::Key_Home);
        keyInEditor(f.fg(), Qt::Key_Delete);
        QCOMPARE(openEditor(f.fg())->text(), QStringLiteral("8"));
        QCOMPARE(f.fg().text(1, PProduct), QStringLiteral("外壳"));

        // Ctrl+S saves with the open edit taken in, as a click on 保存 does.
        f.boxes.expect("保存成功！");
        QTest::keyClick(openEditor(f.fg()), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(storedRow(f.app.db(), "SELECT 数量, 金额 FROM 工资流水"), QStringLiteral("8|10"));
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 扣减流水").toInt(), 1);

        QTemporaryDir pdfs;
        f.app.ctx().printToPdfDir = pdfs.path();
        QTest::keyClick(f.fg().table(), Qt::Key_P, Qt::ControlModifier);
        QVERIFY(QFile::exists(pdfs.filePath("张三(001)2008-5 生产详细.pdf")));
        QVERIFY(QFile::exists(pdfs.filePath("张三(001)2008-5 扣减详细.pdf")));
        KV_VERIFY_BOXES(f.boxes);
    }

    void saveMarksMissingDatesBeforeMissingQuantities()
    {
        LineFixture f;
        f.loadEmployee();
        ui::DataGrid& fg = f.fg();
        const auto line = [&](int r, const char* date, const char* product, const char* qty) {
            fg.setText(r, PDate, QString::fromUtf8(date));
            fg.setText(r, PProduct, QString::fromUtf8(product));
            fg.setText(r, PUnit, *product ? QStringLiteral("个") : QString());
            fg.setText(r, PQuantity, QString::fromUtf8(qty));
        };
        line(1, "", "外壳", "3");          // no date
        line(2, "2008-5-2", "外壳", "  "); // blank quantity
        line(3, "", "", "5");              // only quantity and remark: refused once dates are whole
        fg.setText(3, PRemark, QStringLiteral("备注"));

        f.boxes.expect("请将红色区域的日期填写完整！");
        f.gui->click("Command1");
        QCOMPARE(f.boxes.shown().last().caption, QStringLiteral("未填写完整！"));
        QCOMPARE(fg.cellBackground(1, PDate), QColor(255, 128, 128));
        QCOMPARE(fg.cellBackground(2, PQuantity), QColor(255, 255, 255)); // red first, green not yet
        QCOMPARE(fg.cellBackground(3, PDate), QColor(255, 255, 255));

        fg.setText(1, PDate, QStringLiteral("2008-5-1"));
        f.boxes.expect("第 3 行没有产品，请选择产品或删除该行");
        f.gui->click("Command1");
        QCOMPARE(fg.cellBackground(3, PProduct), QColor(255, 128, 128));
        QCOMPARE(fg.cellToolTip(3, PProduct), QStringLiteral("第 3 行没有产品，请选择产品或删除该行"));
        fg.fillText(3, 0, 3, fg.cols() - 1, QString());
        f.boxes.expect("绿色");
        f.gui->click("Command1");
        QCOMPARE(fg.cellBackground(1, PDate), QColor(255, 255, 255));
        QCOMPARE(fg.cellBackground(2, PQuantity), QColor(192, 255, 192));
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 工资流水").toInt(), 0);

        fg.setText(2, PQuantity, QStringLiteral("4"));
        f.boxes.expect("保存成功！");
        f.gui->click("Command1");
        QCOMPARE(f.boxes.shown().last().icon, ui::Icon::Information);
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 工资流水").toInt(), 2);
        KV_VERIFY_BOXES(f.boxes);
    }

    // What a line shows is what a save does with it: a line whose product was wiped keeps its
    // date and quantity and is refused, red, by its number; a date typed that is no date stays as
    // typed, red, the cursor on it, and is refused too. Nothing is stored until both are put right.
    void aLineIsNeverDroppedOrChangedBehindTheClerksBack()
    {
        LineFixture f;
        f.loadEmployee();
        ui::DataGrid& fg = f.fg();
        for (const auto& [row, date, product, no, qty] :
             {std::tuple{1, "2008-5-2", "外壳", "P01", "3"}, {2, "2008-5-3", "大外壳", "P02", "2"}}) {
            fg.setText(row, PDate, QString::fromUtf8(date));
            fg.setText(row, PProduct, QString::fromUtf8(product));
            fg.setText(row, PProductNo, QString::fromUtf8(no));
            fg.setText(row, PUnit, QStringLiteral("个"));
            fg.setText(row, PQuantity, QString::fromUtf8(qty));
            fg.setText(row, PPrice, QStringLiteral("1"));
        }
        // Letters that match nothing, and Enter: the product goes, its date and quantity stay.
        clickCell(fg, 2, PProduct);
        QVERIFY(openEditor(fg) || fg.editCell());
        openEditor(fg)->clear();
        QVERIFY(typeInEditor(fg, QStringLiteral("zzz")));
        keyInEditor(fg, Qt::Key_Return);
        QTRY_COMPARE(fg.col(), int(PQuantity)); // Enter went on to the quantity
        QCOMPARE(fg.text(2, PProduct), QString());
        QCOMPARE(fg.text(2, PQuantity), QStringLiteral("2"));
        f.boxes.expect("第 2 行没有产品，请选择产品或删除该行");
        f.gui->click("Command1");
        QCOMPARE(f.boxes.shown().last().caption, QStringLiteral("未填写完整！"));
        QCOMPARE(fg.cellBackground(2, PProduct), QColor(255, 128, 128));
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 工资流水").toInt(), 0);
        fg.setCurrentCell(2, PDate);
        QTest::keyClick(fg.table(), Qt::Key_Delete);
        QCOMPARE(fg.text(2, PQuantity), QString());

        // Typed on the date cell of a line: read whole on Enter, kept as typed when it is no date.
        fg.setText(3, PProduct, QStringLiteral("螺丝"));
        fg.setText(3, PUnit, QStringLiteral("个"));
        fg.setText(3, PQuantity, QStringLiteral("5"));
        DatePicker* pick = f.picker("dtPick");
        for (const char* typed : {"45", "12/32"}) {
            QVERIFY(fg.setCurrentCell(3, PDate));
            QTest::keyClick(fg.table(), QString::fromUtf8(typed).at(0).toLatin1());
            QVERIFY(pick->isVisible());
            QTest::keyClicks(pick, QString::fromUtf8(typed).mid(1));
            QTest::keyClick(pick, Qt::Key_Return);
            QVERIFY(!pick->isVisible());
            QCOMPARE(fg.text(3, PDate), QString::fromUtf8(typed));
            QCOMPARE(fg.cellBackground(3, PDate), QColor(255, 128, 128));
            QCOMPARE(fg.cellToolTip(3, PDate), QStringLiteral("日期不正确"));
            QCOMPARE(fg.row(), 3);
            QCOMPARE(fg.col(), int(PDate));
        }
        f.boxes.expect("日期“12/32”不正确");
        f.gui->click("Command1");
        QCOMPARE(f.boxes.shown().last().caption, QStringLiteral("日期不正确！"));
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 工资流水").toInt(), 0);

        // A date that reads, typed over it, takes the red away; the month is stored whole.
        QVERIFY(fg.setCurrentCell(3, PDate));
        QTest::keyClick(fg.table(), '9');
        QTest::keyClick(pick, Qt::Key_Return);
        QCOMPARE(fg.text(3, PDate), QStringLiteral("2008-5-9"));
        QCOMPARE(fg.cellBackground(3, PDate), QColor(255, 255, 255));
        f.boxes.expect("保存成功！");
        f.gui->click("Command1");
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 工资流水").toInt(), 2);
        KV_VERIFY_BOXES(f.boxes);
    }

    // A quantity, price or deduction that is no number, or has more places than a figure keeps,
    // is refused in its own red cell and nothing is stored; put right, the month is stored to
    // the last place and the net pay box shows its sign.
    void numbersThatAreNoNumbersAreRefusedInTheirCells()
    {
        LineFixture f;
        f.loadEmployee();
        ui::DataGrid& fg = f.fg();
        ui::DataGrid& fg1 = f.fg1();
        for (int r : {1, 2}) {
            fg.setText(r, PDate, QStringLiteral("2008-5-%1").arg(r));
            fg.setText(r, PProduct, QStringLiteral("外壳"));
            fg.setText(r, PUnit, QStringLiteral("个"));
        }
        fg.setText(2, PPrice, QStringLiteral("1.25"));
        clickCell(fg, 1, PQuantity);
        typeInEditor(fg, "zsf");
        QCOMPARE(fg.text(1, PAmount), QString()); // no amount while the quantity is none
        keyInEditor(fg, Qt::Key_Return);
        fg.setText(2, PQuantity, QStringLiteral("72.02"));
        fg.setText(2, PPrice, QStringLiteral("1.25元"));
        fg1.setText(1, DDate, QStringLiteral("2008-5-9"));
        fg1.setText(1, DItem, QStringLiteral("罚款"));
        fg1.setText(1, DAmount, QStringLiteral("100"));

        f.boxes.expect("数量必须是数字！");
        f.gui->click("Command1");
        QCOMPARE(fg.cellBackground(1, PQuantity), QColor(255, 128, 128));
        QCOMPARE(fg.cellToolTip(1, PQuantity), QStringLiteral("数量必须是数字！"));
        QCOMPARE(fg.cellBackground(2, PPrice), QColor(255, 128, 128));
        QCOMPARE(fg.cellToolTip(2, PPrice), QStringLiteral("工价必须是数字！"));
        QCOMPARE(fg1.cellBackground(1, DAmount), QColor(255, 255, 255));
        // Too many places are refused as well, not rounded away behind the clerk's back.
        fg.setText(1, PQuantity, QStringLiteral("1.255"));
        fg.setText(2, PPrice, QStringLiteral("1.25"));
        fg1.setText(1, DAmount, QStringLiteral("1e2"));
        f.boxes.expect("数量最多保留 2 位小数！");
        f.gui->click("Command1");
        QCOMPARE(fg.cellBackground(2, PPrice), QColor(255, 255, 255));
        QCOMPARE(fg.cellToolTip(2, PPrice), QString());
        QCOMPARE(fg1.cellToolTip(1, DAmount), QStringLiteral("扣减金额必须是数字！"));
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 工资流水").toInt(), 0);
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 扣减流水").toInt(), 0);
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 员工工资").toInt(), 0);

        // 0 × 1.25 + 72.02 × 1.25 − 100 = −9.975, stored and shown to the last place.
        fg.setText(1, PQuantity, QStringLiteral("0"));
        fg1.setText(1, DAmount, QStringLiteral("100"));
        f.boxes.expect("保存成功！");
        f.gui->click("Command1");
        QCOMPARE(fg.text(2, PAmount), QStringLiteral("90.025"));
        QCOMPARE(fg.shownText(2, PAmount), QStringLiteral("90.025"));
        QCOMPARE(fg.shownText(1, PAmount), QStringLiteral("0.00"));
        QCOMPARE(f.text("Text3"), QStringLiteral("90.025"));
        QCOMPARE(f.text("Text5"), QStringLiteral("-9.975"));
        auto* netPay = f.gui->find<QLineEdit>("Text5");
        QCOMPARE(netPay->cursorPosition(), 0);
        QVERIFY(netPay->fontMetrics().horizontalAdvance(netPay->text()) < netPay->contentsRect().width());
        QCOMPARE(f.app.db().scalar("SELECT 实发工资 FROM 员工工资").toDouble(), -9.975);
        f.gui->find<QComboBox>("Combo1")->setCurrentIndex(0);
        f.gui->find<QComboBox>("Combo1")->setCurrentIndex(2);
        QCOMPARE(fg.text(2, PAmount), QStringLiteral("90.025"));
        QCOMPARE(f.text("Text5"), QStringLiteral("-9.975"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void undatedDeductionIsRefusedNotDropped()
    {
        LineFixture f;
        f.store("001", "2008-5", {productionLine("2008-5-3", "外壳", "40", "50")});
        f.loadEmployee();
        clickCell(f.fg1(), 2, DItem);
        typeInEditor(f.fg1(), "fk");
        keyInEditor(f.fg1(), Qt::Key_Return);
        QCOMPARE(f.fg1().text(2, DAmount), QStringLiteral("50"));
        QCOMPARE(f.text("Text5"), QStringLiteral("0.00"));

        f.boxes.expect("请将红色区域的日期填写完整！");
        f.gui->click("Command1");
        QCOMPARE(f.fg1().cellBackground(2, DDate), QColor(255, 128, 128));
        QCOMPARE(f.fg1().cellBackground(1, DDate), QColor(255, 255, 255));
        QCOMPARE(f.fg().cellBackground(1, PDate), QColor(255, 255, 255));
        // The month stays as it was stored: no summary written, the production line untouched.
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 扣减流水").toInt(), 0);
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 工资流水").toInt(), 1);

        f.fg1().setText(2, DDate, QStringLiteral("2008-5-6"));
        f.boxes.expect("保存成功！");
        f.gui->click("Command1");
        QCOMPARE(f.fg1().cellBackground(2, DDate), QColor(255, 255, 255));
        QCOMPARE(storedRow(f.app.db(), "SELECT 扣减, 实发工资 FROM 员工工资"), QStringLiteral("50|0"));
        f.gui->find<QComboBox>("Combo1")->setCurrentIndex(0);
        f.gui->find<QComboBox>("Combo1")->setCurrentIndex(2);
        QCOMPARE(f.fg1().text(1, DItem), QStringLiteral("罚款"));
        QCOMPARE(f.text("Text4"), QStringLiteral("50.00"));
        KV_VERIFY_BOXES(f.boxes);
    }

    void clearAsksFirst()
    {
        LineFixture f;
        f.store("001", "2008-5", {productionLine("2008-5-3", "外壳", "40", "50")});
        f.loadEmployee();
        f.boxes.expect("您确定要清除吗？", Answer::Cancel);
        f.gui->click("Command3");
        QVERIFY(f.boxes.shown().last().text.startsWith("清空会将当前用户在当前时间内的所有记录删除，删除后不可恢复。"));
        QCOMPARE(f.boxes.shown().last().caption, QStringLiteral("确定清除"));
        QCOMPARE(f.fg().text(1, PProduct), QStringLiteral("外壳"));
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 工资流水").toInt(), 1);

        f.boxes.expect("您确定要清除吗？", Answer::Ok);
        f.gui->click("Command3");
        QCOMPARE(f.fg().text(1, PProduct), QString());
        QCOMPARE(f.text("Text3"), QStringLiteral("0.00"));
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 工资流水").toInt(), 0);
        KV_VERIFY_BOXES(f.boxes);
    }

    void printProducesTwoTitledDocuments()
    {
        LineFixture f;
        f.store("001", "2008-5", {productionLine("2008-5-3", "外壳", "40", "50")}, {{"2008-5-4", "迟到", "20"}});
        QTemporaryDir pdfs;
        f.app.ctx().printToPdfDir = pdfs.path();
        f.loadEmployee();
        f.gui->click("Command2");
        const QString production = pdfs.filePath("张三(001)2008-5 生产详细.pdf");
        const QString deductions = pdfs.filePath("张三(001)2008-5 扣减详细.pdf");
        QVERIFY2(QFile::exists(production), qPrintable(QDir(pdfs.path()).entryList().join(',')));
        QVERIFY(QFile::exists(deductions));
        QProcess p;
        p.start("pdftotext", {production, "-"});
        QVERIFY(p.waitForFinished());
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY(text.contains("外壳"));
        QVERIFY(text.contains("张三(001)2008-5 生产详细"));
        // Both documents end with the month's totals, under the window's heading.
        for (const QString& file : {production, deductions}) {
            QProcess t;
            t.start("pdftotext", {file, "-"});
            QVERIFY(t.waitForFinished());
            const QString all = QString::fromUtf8(t.readAllStandardOutput()).remove(QRegularExpression("\\s+"));
            for (const char* part : {"工资计算", "一车间", "生产金额合计：50", "减扣金额合计：20", "实发工资：30"})
                QVERIFY2(all.contains(QString::fromUtf8(part)), qPrintable(all));
        }
        KV_VERIFY_BOXES(f.boxes);
    }

    void wholeMonthByKeyboard()
    {
        LineFixture f;
        f.gui->type("Text1", "张三");
        f.gui->key("Text1", Qt::Key_Return);
        QVERIFY(f.entryEnabled());

        // Tab leads from the name box past the number box and the month to the lines.
        QTest::keyClick(f.gui->find("Text1"), Qt::Key_Tab);
        QVERIFY(f.gui->find("Text2")->hasFocus());
        QTest::keyClick(f.gui->find("Text2"), Qt::Key_Tab);
        QVERIFY(f.gui->find("Combo1")->hasFocus());
        QTest::keyClick(f.gui->find("Combo1"), Qt::Key_Tab);
        QTRY_VERIFY(f.fg().isAncestorOf(QApplication::focusWidget()) || f.fg().hasFocus());

        // Three production lines: date by picker, product by look-up, quantity, Enter on.
        const struct {
            int day;
            const char* product;
            const char* qty;
        } lines[] = {{20, "ls", "10"}, {5, "wk", "40"}, {12, "dwk", "2"}};
        f.fg().setFocus();
        f.fg().setCurrentCell(1, PDate);
        for (const auto& l : lines) {
            QTest::keyClick(f.fg().table(), Qt::Key_F2); // opens the picker on the date cell
            DatePicker* pick = f.picker("dtPick");
            QVERIFY(pick->isVisible());
            pick->setDate(QDate(2008, 5, l.day));
            QTest::keyClick(pick, Qt::Key_Return);
            QTRY_VERIFY(openEditor(f.fg())); // on to the product, editing at once
            typeInEditor(f.fg(), l.product);
            keyInEditor(f.fg(), Qt::Key_Return);
            QTRY_COMPARE(f.fg().col(), int(PQuantity));
            QTRY_VERIFY(openEditor(f.fg()));
            typeInEditor(f.fg(), l.qty);
            keyInEditor(f.fg(), Qt::Key_Return); // to the remark
            QTRY_COMPARE(f.fg().col(), int(PRemark));
            keyInEditor(f.fg(), Qt::Key_Return); // to the next line's date
            QTRY_COMPARE(f.fg().col(), int(PDate));
        }
        QCOMPARE(f.text("Text3"), QStringLiteral("64.00")); // 8 + 50 + 6

        f.fg1().setFocus();
        f.fg1().setCurrentCell(1, DDate);
        for (const auto& [day, item] : {std::pair{9, "cd"}, {2, "fk"}}) {
            QTest::keyClick(f.fg1().table(), Qt::Key_F2);
            f.picker("DTPick1")->setDate(QDate(2008, 5, day));
            QTest::keyClick(f.picker("DTPick1"), Qt::Key_Return);
            QTRY_VERIFY(openEditor(f.fg1()));
            typeInEditor(f.fg1(), item);
            keyInEditor(f.fg1(), Qt::Key_Return);
            QTRY_COMPARE(f.fg1().col(), int(DAmount));
            QTRY_VERIFY(openEditor(f.fg1()));
            keyInEditor(f.fg1(), Qt::Key_Return);
            QTRY_COMPARE(f.fg1().col(), int(DDate));
        }
        QCOMPARE(f.text("Text4"), QStringLiteral("70.00"));
        QCOMPARE(f.text("Text5"), QStringLiteral("-6.00"));

        f.boxes.expect("保存成功！");
        f.gui->click("Command1");
        // Reload by switching month and back: lines come ordered by date.
        auto* month = f.gui->find<QComboBox>("Combo1");
        month->setCurrentIndex(0);
        month->setCurrentIndex(2);
        QCOMPARE(f.fg().text(1, PDate), QStringLiteral("2008-5-5"));
        QCOMPARE(f.fg().text(1, PProduct), QStringLiteral("外壳"));
        QCOMPARE(f.fg().text(2, PProduct), QStringLiteral("大外壳"));
        QCOMPARE(f.fg().text(3, PProduct), QStringLiteral("螺丝"));
        QCOMPARE(f.fg1().text(1, DItem), QStringLiteral("罚款"));
        QCOMPARE(f.text("Text3"), QStringLiteral("64.00"));
        QCOMPARE(f.text("Text5"), QStringLiteral("-6.00"));
        KV_VERIFY_BOXES(f.boxes);
    }
};

QTEST_MAIN(TestLineEntry)
#include "test_lineentry.moc"
