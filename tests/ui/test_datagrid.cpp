#include "GridDriver.h"
#include "ui/DataGrid.h"
#include "ui/GridModel.h"
#include "ui/Twips.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

using kv::ui::DataGrid;

namespace {

// A shown, active window holding one grid, so that focus, keys and mouse act as for a user.
struct GridWindow {
    QWidget window;
    DataGrid* grid;

    explicit GridWindow(int rows = 8, int cols = 4)
    {
        window.resize(520, 300);
        auto* layout = new QVBoxLayout(&window);
        grid = new DataGrid(&window);
        grid->setObjectName(QStringLiteral("fg"));
        layout->addWidget(grid);
        grid->setRows(rows);
        grid->setCols(cols);
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("grid window did not become active");
        grid->setFocus();
    }

    QPoint cellCentre(int row, int col) const { return grid_driver::cellCentre(*grid, row, col); }
};

using grid_driver::openEditor;

// Rows of a number and an amount, the amounts given as numbers; counts how often the text of an
// amount was asked for.
class AmountRows final : public kv::ui::GridRowSource {
public:
    explicit AmountRows(QList<kv::Decimal> amounts) : m_amounts(std::move(amounts)) {}
    int rowCount() const override { return int(m_amounts.size()); }
    QString text(int row, int col) const override
    {
        textsAsked += col == 1 ? 1 : 0;
        return col == 0 ? QStringLiteral("E%1").arg(row + 1) : m_amounts.at(row).plainText();
    }
    std::optional<kv::Decimal> number(int row, int col) const override
    {
        return col == 1 ? std::optional(m_amounts.at(row)) : std::nullopt;
    }
    mutable int textsAsked = 0;

private:
    QList<kv::Decimal> m_amounts;
};

kv::Decimal money(const char* text)
{
    return *kv::Decimal::parse(QString::fromLatin1(text));
}

struct Recorded {
    QStringList events;
    void add(const QString& name, int row, int col)
    {
        events << QStringLiteral("%1(%2,%3)").arg(name).arg(row).arg(col);
    }
};

} // namespace

class TestDataGrid : public QObject {
    Q_OBJECT
private slots:
    void headerIsRowZeroAndDataRowsFollow()
    {
        DataGrid grid;
        QCOMPARE(grid.rows(), 1); // a new grid holds its header row only
        grid.setCols(3);
        grid.setRows(3);
        QCOMPARE(grid.rows(), 3);
        QCOMPARE(grid.table()->model()->rowCount(), 2);
        // Columns without a caption show nothing, not the column's number.
        QCOMPARE(grid.table()->model()->headerData(1, Qt::Horizontal).toString(), QString());

        grid.setText(0, 1, QStringLiteral("产品"));
        grid.setText(1, 1, QStringLiteral("外壳"));
        QCOMPARE(grid.text(0, 1), QStringLiteral("产品"));
        QCOMPARE(grid.table()->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("产品"));
        QCOMPARE(grid.table()->model()->index(0, 1).data().toString(), QStringLiteral("外壳"));
        QCOMPARE(grid.text(2, 2), QString());
        QCOMPARE(grid.text(3, 0), QString()); // outside the grid
        QCOMPARE(grid.text(-1, 0), QString());

        QCOMPARE(grid.addRow(), 3);
        QCOMPARE(grid.rows(), 4);
        grid.fillText(3, 2, 1, 0, QStringLiteral("x")); // corners in any order
        for (int r = 1; r <= 3; ++r)
            for (int c = 0; c <= 2; ++c)
                QCOMPARE(grid.text(r, c), QStringLiteral("x"));
        QCOMPARE(grid.text(0, 0), QString());

        grid.setRows(2);
        QCOMPARE(grid.rows(), 2);
        grid.setRows(0); // the header row always stays
        QCOMPARE(grid.rows(), 1);
        QCOMPARE(grid.text(0, 1), QStringLiteral("产品"));
    }

    void hidingSizesAndColours()
    {
        DataGrid grid;
        grid.setCols(3);
        grid.setRows(4);
        grid.setColHidden(2);
        QVERIFY(grid.isColHidden(2));
        QVERIFY(!grid.isColHidden(1));
        grid.setRowHidden(2);
        QVERIFY(grid.isRowHidden(2));
        grid.setRowHidden(0); // the header cannot be hidden
        QVERIFY(!grid.isRowHidden(0));
        grid.setRowHidden(2, false);
        QVERIFY(!grid.isRowHidden(2));

        QCOMPARE(kv::ui::twipsToPixels(kv::ui::pixelsToTwips(20)), 20);
        grid.setRowHeight(1, 300);
        QCOMPARE(grid.table()->rowHeight(0), kv::ui::twipsToPixels(300));
        QCOMPARE(grid.rowHeight(1), kv::ui::pixelsToTwips(kv::ui::twipsToPixels(300)));
        grid.setRowHeight(0, 600);
        QCOMPARE(grid.rowHeight(0), kv::ui::pixelsToTwips(kv::ui::twipsToPixels(600)));
        grid.setColWidth(0, 1300);
        QCOMPARE(grid.table()->columnWidth(0), kv::ui::twipsToPixels(1300));
        QCOMPARE(grid.colWidth(0), kv::ui::pixelsToTwips(kv::ui::twipsToPixels(1300)));
        grid.setDefaultRowHeight(450);
        QCOMPARE(grid.rowHeight(grid.addRow()), kv::ui::pixelsToTwips(kv::ui::twipsToPixels(450)));

        // Fitting, in the grid's own font: a long text widens its column, up to 6000 twips (the
        // cell then shows it cut); a hidden column stays hidden.
        QFont large = grid.font();
        large.setPointSize(20);
        grid.setFont(large);
        grid.setColWidth(1, 150);
        grid.setText(0, 1, QStringLiteral("说明"));
        grid.setText(3, 1, QStringLiteral("一段相当长的产品说明文字，用来撑宽这一列"));
        grid.setText(1, 2, QStringLiteral("12345678901234567890"));
        grid.autoFitCols(0, 2);
        const QFontMetrics fm(grid.table()->font());
        QVERIFY(fm.horizontalAdvance(QStringLiteral("一段相当长的产品说明文字，用来撑宽这一列")) >
                kv::ui::twipsToPixels(6000));
        QCOMPARE(grid.table()->columnWidth(1), kv::ui::twipsToPixels(6000));
        QVERIFY(grid.isColHidden(2));
        grid.setColHidden(2, false);
        QVERIFY(grid.table()->columnWidth(2) >= fm.horizontalAdvance(QStringLiteral("12345678901234567890")));

        // Texts are measured by their shape, yet every one fits: digits of different widths,
        // Chinese, wide and narrow Latin letters, money with separators and signs.
        const QStringList mixed{QStringLiteral("1111111"), QStringLiteral("9,999.98"), QStringLiteral("-0.05"),
                                QStringLiteral("张三（001）"), QStringLiteral("WWWWWW"), QStringLiteral("iiiiiiiiiiii"),
                                QStringLiteral("Mg 外壳 M8×20"), QStringLiteral("1,111.11")};
        DataGrid fitted;
        fitted.setFont(large);
        fitted.setCols(1);
        fitted.setRows(int(mixed.size()) + 1);
        for (int i = 0; i < mixed.size(); ++i)
            fitted.setText(i + 1, 0, mixed.at(i));
        fitted.autoFitCols(0, 0);
        for (const QString& text : mixed)
            QVERIFY2(fm.horizontalAdvance(text) < fitted.table()->columnWidth(0), qPrintable(text));

        QCOMPARE(grid.cellBackground(1, 1), QColor(Qt::white));
        grid.fillBackground(1, 0, 2, 1, QColor(255, 255, 192));
        QCOMPARE(grid.cellBackground(2, 1), QColor(255, 255, 192));
        QCOMPARE(grid.cellBackground(3, 1), QColor(Qt::white));
        grid.setCellBackground(1, 0, QColor(255, 128, 128));
        QCOMPARE(grid.cellBackground(1, 0), QColor(255, 128, 128));
        QCOMPARE(grid.text(1, 0), QString()); // colouring leaves the text alone
    }

    void rowsOfASourceAreShownSummedAndFittedWithoutTextsOfTheirOwn()
    {
        DataGrid grid;
        QFont large = grid.font();
        large.setPointSize(20);
        grid.setFont(large);
        grid.setCols(2);
        grid.setColumnKind(1, DataGrid::ColumnKind::Money);
        grid.setText(0, 0, QStringLiteral("工号"));
        grid.setText(0, 1, QStringLiteral("金额"));
        QList<kv::Decimal> amounts;
        for (int i = 0; i < 3000; ++i)
            amounts << kv::Decimal::fromUnits(qint64(i) * 1'250'000);
        // The widest shapes: most digits, most places, a sign.
        amounts[7] = money("-9.975125");
        amounts[2500] = money("12345678.5");
        auto source = std::make_shared<AmountRows>(amounts);
        grid.setRowSource(source);
        QCOMPARE(grid.rows(), 3001);
        QCOMPARE(grid.text(0, 1), QStringLiteral("金额")); // the captions stay
        QCOMPARE(grid.text(8, 1), QStringLiteral("-9.975125"));
        QCOMPARE(grid.shownText(2501, 1), QStringLiteral("12,345,678.50"));
        QCOMPARE(grid.text(3, 0), QStringLiteral("E3"));

        // Totals from the numbers, with hidden rows left out; neither they nor the fitting make the
        // amounts into texts.
        kv::Decimal sum;
        for (int i = 0; i < amounts.size(); ++i)
            if (i != 4)
                sum += amounts.at(i);
        grid.setRowHidden(5);
        source->textsAsked = 0;
        const int totals = grid.addTotalsRow({1});
        grid.autoFitCols(0, 1);
        QCOMPARE(grid.totalsValue(totals, 1), std::optional(sum));
        QCOMPARE(source->textsAsked, 0);
        QCOMPARE(grid.text(9, 1), QStringLiteral("-9.975125")); // moved down under the totals
        const QFontMetrics fm(large);
        for (const QString& widest : {QStringLiteral("-9.975125"), QStringLiteral("12,345,678.50"),
                                      QStringLiteral("E3000"), grid.shownText(totals, 1)})
            QVERIFY2(fm.horizontalAdvance(widest) < grid.table()->columnWidth(widest.startsWith(u'E') ? 0 : 1),
                     qPrintable(widest));

        // A written cell makes the row's texts its own, the rest of them as the source gave them.
        grid.setText(9, 0, QStringLiteral("改"));
        QCOMPARE(grid.text(9, 0), QStringLiteral("改"));
        QCOMPARE(grid.text(9, 1), QStringLiteral("-9.975125"));
        QCOMPARE(grid.shownText(9, 1), QStringLiteral("-9.975125"));
        QCOMPARE(grid.columnSum(1, 2, grid.rows() - 1), sum + amounts.at(4));

        // Removing the totals and setting the rows back leaves the source behind.
        grid.removeTotalsRows();
        QCOMPARE(grid.rows(), 3001);
        grid.setRows(1);
        grid.setRows(3);
        QCOMPARE(grid.text(2, 1), QString());
    }

    void sumsCountOnlyNumberTexts()
    {
        DataGrid grid;
        grid.setCols(2);
        grid.setRows(7);
        const QStringList amounts{QStringLiteral("12.5"), QStringLiteral("abc"),  QString(),
                                  QStringLiteral("12kg"), QStringLiteral("-2.5"), QStringLiteral(" 40 ")};
        for (int i = 0; i < amounts.size(); ++i)
            grid.setText(i + 1, 1, amounts.at(i));
        const kv::Decimal fifty = kv::Decimal::fromInteger(50);
        QCOMPARE(grid.columnSum(1, 1, 6), fifty);
        QCOMPARE(grid.columnSum(1, 6, 1), fifty);
        QCOMPARE(grid.columnSum(1, 2, 4), kv::Decimal());
        grid.setRowHidden(1); // a hidden line still counts in its grid's sum
        QCOMPARE(grid.columnSum(1, 1, 6), fifty);
        QCOMPARE(grid.columnSum(1, 0, 99), fifty); // the caption and rows beyond the end are ignored
        // Amounts of a tenth, a hundred times over, come to ten exactly.
        grid.setRows(101);
        grid.fillText(1, 1, 100, 1, QStringLiteral("0.1"));
        QCOMPARE(grid.columnSum(1, 1, 100), kv::Decimal::fromInteger(10));
    }

    void totalsRowFormatsRoundsAndGoesAboveTheRows()
    {
        DataGrid grid;
        grid.setCols(4);
        grid.setRows(1);
        grid.setText(0, 3, QStringLiteral("生产金额"));
        const QList<QStringList> lines{{QStringLiteral("2008-5"), QStringLiteral("1234.4"), QStringLiteral("2000")},
                                       {QStringLiteral("2008-5"), QStringLiteral("0.6"), QStringLiteral("0")},
                                       {QStringLiteral("2008-5"), QStringLiteral("abc"), QStringLiteral("-2765.6")}};
        for (const QStringList& line : lines) {
            const int r = grid.addRow();
            grid.setText(r, 0, line.at(0));
            grid.setText(r, 1, line.at(1));
            grid.setText(r, 2, line.at(2));
        }
        QCOMPARE(grid.addTotalsRow({1, 2}), 1);
        QCOMPARE(grid.rows(), 5);
        QVERIFY(grid.isTotalsRow(1));
        QVERIFY(!grid.isTotalsRow(2));
        QCOMPARE(grid.text(1, 0), QStringLiteral("合计"));
        QCOMPARE(grid.shownText(1, 1), QStringLiteral("1,235.00"));
        QCOMPARE(grid.text(1, 1), QStringLiteral("1235")); // the exact sum behind it
        QCOMPARE(grid.totalsValue(1, 1), kv::Decimal::fromInteger(1235));
        QCOMPARE(grid.shownText(1, 2), QStringLiteral("-765.60"));
        QCOMPARE(grid.text(1, 3), QString());
        QVERIFY(!grid.totalsValue(1, 3));
        QCOMPARE(grid.text(2, 1), QStringLiteral("1234.4")); // the summed rows moved down unchanged
        QCOMPARE(grid.text(4, 1), QStringLiteral("abc"));
        for (int c = 0; c < 4; ++c)
            QVERIFY(grid.table()->model()->index(0, c).data(Qt::FontRole).value<QFont>().bold());
        QVERIFY(!grid.table()->model()->index(1, 1).data(Qt::FontRole).value<QFont>().bold());

        // Computed again after hiding a row: the old totals row goes, hidden rows are left out.
        grid.setRowHidden(3);
        grid.removeTotalsRows();
        QCOMPARE(grid.rows(), 4);
        QVERIFY(!grid.isTotalsRow(1));
        QCOMPARE(grid.addTotalsRow({1, 2}, QStringLiteral("合计"), 1, -1), 1);
        QCOMPARE(grid.shownText(1, 1), QStringLiteral("1,234.40"));
        QCOMPARE(grid.shownText(1, 2), QStringLiteral("-765.60"));
        // A totals row in the range is never summed again.
        grid.setRowHidden(4, false);
        QCOMPARE(grid.addTotalsRow({1}, QStringLiteral("小计"), 1, -1), 1);
        QCOMPARE(grid.shownText(1, 1), QStringLiteral("1,234.40"));

        // An empty range gives zero totals.
        DataGrid empty;
        empty.setCols(2);
        QCOMPARE(empty.addTotalsRow({1}), 1);
        QCOMPARE(empty.shownText(1, 1), QStringLiteral("0.00"));
    }

    // A money column shows its numbers to the cent and every place beyond that they have, with
    // the sign; text stays text. Number columns stand right; the cells keep their plain text.
    void moneyColumnsShowEveryPlaceAndStandRight()
    {
        DataGrid grid;
        grid.setCols(3);
        grid.setRows(1);
        grid.setColumnKind(1, DataGrid::ColumnKind::Money);
        grid.setColumnKind(2, DataGrid::ColumnKind::Number);
        const QList<std::pair<QString, QString>> shown{{"1234.5", "1,234.50"},
                                                       {"-9.975", "-9.975"},
                                                       {"-0.4", "-0.40"},
                                                       {"0", "0.00"},
                                                       {"1234567890.2", "1,234,567,890.20"},
                                                       {"abc", "abc"},
                                                       {"", ""}};
        for (const auto& [text, money] : shown) {
            const int r = grid.addRow();
            grid.setText(r, 0, text);
            grid.setText(r, 1, text);
            grid.setText(r, 2, text);
            QCOMPARE(grid.shownText(r, 1), money);
            QCOMPARE(grid.shownText(r, 0), text);
            QCOMPARE(grid.shownText(r, 2), text);
            QCOMPARE(grid.text(r, 1), text);
        }
        QCOMPARE(grid.shownText(0, 1), QString()); // captions are never numbers
        for (int c = 0; c < 3; ++c)
            grid.setColWidth(c, 3000);
        grid.resize(700, 300);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        // Where the ink of the second line's cell starts: right of the middle for numbers.
        const QImage image = grid.table()->viewport()->grab().toImage();
        const auto inkStart = [&](int col) {
            const QRect cell = grid.table()->visualRect(grid.table()->model()->index(1, col)).adjusted(3, 2, -3, -2);
            for (int x = cell.left(); x <= cell.right(); ++x)
                for (int y = cell.top(); y <= cell.bottom(); ++y)
                    if (qGray(image.pixel(x * image.width() / grid.table()->viewport()->width(),
                                          y * image.height() / grid.table()->viewport()->height())) < 128)
                        return x - cell.left() > cell.width() / 2;
            return false;
        };
        QVERIFY(!inkStart(0));
        QVERIFY(inkStart(1));
        QVERIFY(inkStart(2));
    }

    void currentCellMovesAskFirst()
    {
        Recorded log;
        bool refuse = false;
        GridWindow w;
        DataGrid& grid = *w.grid;
        connect(&grid, &DataGrid::beforeMove, &grid, [&](int oldRow, int oldCol, int newRow, int newCol, bool& cancel) {
            log.events << QStringLiteral("before(%1,%2->%3,%4)").arg(oldRow).arg(oldCol).arg(newRow).arg(newCol);
            cancel = refuse;
        });
        connect(&grid, &DataGrid::currentCellChanged, &grid,
                [&](int r, int c) { log.add(QStringLiteral("now"), r, c); });

        // Getting the focus without a current cell makes the first cell current.
        QCOMPARE(grid.row(), 1);
        QCOMPARE(grid.col(), 0);
        QVERIFY(grid.setCurrentCell(2, 1));
        QCOMPARE(grid.row(), 2);
        QCOMPARE(grid.col(), 1);
        QCOMPARE(grid.table()->currentIndex().row(), 1);
        QCOMPARE(log.events, QStringList({QStringLiteral("before(1,0->2,1)"), QStringLiteral("now(2,1)")}));

        log.events.clear();
        QTest::keyClick(&grid, Qt::Key_Down);
        QCOMPARE(grid.row(), 3);
        QCOMPARE(log.events, QStringList({QStringLiteral("before(2,1->3,1)"), QStringLiteral("now(3,1)")}));

        log.events.clear();
        QTest::mouseClick(grid.table()->viewport(), Qt::LeftButton, {}, w.cellCentre(5, 2));
        QCOMPARE(grid.row(), 5);
        QCOMPARE(grid.col(), 2);
        QCOMPARE(log.events.size(), 2);

        refuse = true;
        log.events.clear();
        QVERIFY(!grid.setCurrentCell(1, 0));
        QTest::keyClick(&grid, Qt::Key_Up);
        QTest::mouseClick(grid.table()->viewport(), Qt::LeftButton, {}, w.cellCentre(2, 0));
        QCOMPARE(grid.row(), 5);
        QCOMPARE(grid.col(), 2);
        QCOMPARE(log.events.size(), 3); // asked three times, never moved

        // The header row as current cell: no data cell is current, the column is kept.
        refuse = false;
        QVERIFY(grid.setCurrentCell(0, 0));
        QCOMPARE(grid.row(), 0);
        QCOMPARE(grid.col(), 0);
        QVERIFY(!grid.table()->currentIndex().isValid());
        QCOMPARE(log.events.last(), QStringLiteral("now(0,0)"));
    }

    void clickReportsTheCellAfterItBecameCurrent()
    {
        QList<QPair<int, int>> clicks;
        int currentAtClick = -1;
        GridWindow w;
        DataGrid& grid = *w.grid;
        grid.setText(0, 1, QStringLiteral("产品说明"));
        connect(&grid, &DataGrid::clicked, &grid, [&](int r, int c) {
            clicks.append({r, c});
            currentAtClick = grid.row();
        });
        QTest::mouseClick(grid.table()->viewport(), Qt::LeftButton, {}, w.cellCentre(3, 1));
        QCOMPARE(clicks, (QList<QPair<int, int>>{{3, 1}}));
        QCOMPARE(currentAtClick, 3);
        QWidget* captions = grid.table()->horizontalHeader()->viewport();
        QTest::mouseClick(captions, Qt::LeftButton, {}, captions->mapFrom(&grid, grid.cellRect(0, 1).center()));
        QCOMPARE(clicks.last(), (QPair<int, int>{0, 1}));
        QCOMPARE(grid.row(), 3); // a caption click does not move the current cell
    }

    void editingPassesBothStagesAndReportsTheEditor()
    {
        Recorded log;
        QStringList typed;
        GridWindow w;
        DataGrid& grid = *w.grid;
        grid.setEditable(true);
        grid.setText(2, 1, QStringLiteral("旧"));
        connect(&grid, &DataGrid::beforeEdit, &grid, [&](int r, int c, bool& cancel) {
            log.add(QStringLiteral("may"), r, c);
            cancel = c == 2; // the amount column is computed, never typed
        });
        connect(&grid, &DataGrid::startEdit, &grid,
                [&](int r, int c, bool&) { log.add(QStringLiteral("open"), r, c); });
        connect(&grid, &DataGrid::afterEdit, &grid, [&](int r, int c) { log.add(QStringLiteral("after"), r, c); });
        connect(&grid, &DataGrid::editTextChanged, &grid, [&](int r, int c, const QString& text) {
            typed << QStringLiteral("%1,%2:%3").arg(r).arg(c).arg(text);
        });

        // Refused column: typing neither edits nor jumps to another cell.
        grid.setText(3, 2, QStringLiteral("a9"));
        QVERIFY(grid.setCurrentCell(2, 2));
        QTest::keyClicks(&grid, QStringLiteral("a9"));
        QVERIFY(!grid.isEditing());
        QCOMPARE(grid.row(), 2);
        QCOMPARE(log.events, QStringList({QStringLiteral("may(2,2)"), QStringLiteral("may(2,2)")}));
        QCOMPARE(grid.text(2, 2), QString());

        // Typing starts editing with the key replacing the old text; each keystroke is reported.
        log.events.clear();
        QVERIFY(grid.setCurrentCell(2, 1));
        QTest::keyClicks(&grid, QStringLiteral("wk"));
        QVERIFY(grid.isEditing());
        QCOMPARE(grid.editRow(), 2);
        QCOMPARE(grid.editCol(), 1);
        QCOMPARE(grid.editText(), QStringLiteral("wk"));
        QCOMPARE(typed, QStringList({QStringLiteral("2,1:w"), QStringLiteral("2,1:wk")}));
        GuiDriver::commitText(openEditor(grid), QStringLiteral("外壳"));
        QCOMPARE(typed.last(), QStringLiteral("2,1:wk外壳"));
        QCOMPARE(log.events, QStringList({QStringLiteral("may(2,1)"), QStringLiteral("open(2,1)")}));

        // The window writes the editor; Enter ends editing with that text in the cell.
        grid.setEditText(QStringLiteral("大外壳"));
        QCOMPARE(typed.size(), 3); // writing from the program is not typing
        QTest::keyClick(openEditor(grid), Qt::Key_Return);
        QVERIFY(!grid.isEditing());
        QCOMPARE(grid.text(2, 1), QStringLiteral("大外壳"));
        QCOMPARE(log.events.last(), QStringLiteral("after(2,1)"));

        // Escape drops what was typed.
        QVERIFY(grid.editCell());
        QCOMPARE(grid.editText(), QStringLiteral("大外壳"));
        QTest::keyClicks(openEditor(grid), QStringLiteral("xyz"));
        QTest::keyClick(openEditor(grid), Qt::Key_Escape);
        QVERIFY(!grid.isEditing());
        QCOMPARE(grid.text(2, 1), QStringLiteral("大外壳"));
        QCOMPARE(log.events.last(), QStringLiteral("after(2,1)"));

        // Chinese typed on a cell without an editor opens one holding the text.
        QVERIFY(grid.setCurrentCell(4, 1));
        w.window.activateWindow();
        grid.setFocus();
        GuiDriver::typeInto(&grid, QStringLiteral("产品"));
        QVERIFY(grid.isEditing());
        QCOMPARE(grid.editText(), QStringLiteral("产品"));
        grid.finishEdit();
        QCOMPARE(grid.text(4, 1), QStringLiteral("产品"));

        // The second stage can refuse on its own; a read-only grid never edits.
        connect(&grid, &DataGrid::startEdit, &grid, [](int, int c, bool& cancel) { cancel = cancel || c == 3; });
        QVERIFY(grid.setCurrentCell(1, 3));
        QVERIFY(!grid.editCell());
        grid.setEditable(false);
        QVERIFY(grid.setCurrentCell(1, 1));
        log.events.clear();
        QVERIFY(!grid.editCell());
        QTest::keyClicks(&grid, QStringLiteral("q"));
        QVERIFY(!grid.isEditing());
        QVERIFY(log.events.isEmpty());
    }

    void editorKeysReachTheWindowFirst()
    {
        QStringList keys;
        QString editorTextAtEnter;
        GridWindow w;
        DataGrid& grid = *w.grid;
        grid.setEditable(true);
        QVERIFY(grid.setCurrentCell(1, 1));
        QVERIFY(grid.editCell());
        connect(&grid, &DataGrid::editorKeyDown, &grid, [&](int r, int c, int key, bool& consume) {
            keys << QStringLiteral("%1,%2:%3").arg(r).arg(c).arg(key);
            if (key == Qt::Key_X)
                consume = true;
            if (key == Qt::Key_Return) {
                editorTextAtEnter = grid.editText();
                grid.setEditText(QStringLiteral("外壳")); // the first match of the look-up
            }
        });
        QTest::keyClicks(openEditor(grid), QStringLiteral("axb"));
        QCOMPARE(grid.editText(), QStringLiteral("ab"));
        QCOMPARE(keys, QStringList({QStringLiteral("1,1:%1").arg(Qt::Key_A), QStringLiteral("1,1:%1").arg(Qt::Key_X),
                                    QStringLiteral("1,1:%1").arg(Qt::Key_B)}));
        QTest::keyClick(openEditor(grid), Qt::Key_Enter); // the keypad's Enter is Enter too
        QCOMPARE(keys.last(), QStringLiteral("1,1:%1").arg(Qt::Key_Return));
        QCOMPARE(editorTextAtEnter, QStringLiteral("ab"));
        QVERIFY(!grid.isEditing());
        QCOMPARE(grid.text(1, 1), QStringLiteral("外壳"));
    }

    void refusedMoveKeepsAnOpenEditor()
    {
        bool pickerShown = false;
        GridWindow w;
        DataGrid& grid = *w.grid;
        grid.setEditable(true);
        connect(&grid, &DataGrid::beforeMove, &grid, [&](int, int, int, int, bool& cancel) { cancel = pickerShown; });
        QVERIFY(grid.setCurrentCell(2, 2));
        QVERIFY(grid.editCell());
        QTest::keyClicks(openEditor(grid), QStringLiteral("40"));

        pickerShown = true;
        QTest::keyClick(openEditor(grid), Qt::Key_Down);
        QTest::keyClick(openEditor(grid), Qt::Key_Tab);
        QCOMPARE(grid.row(), 2);
        QCOMPARE(grid.col(), 2);
        QVERIFY(grid.isEditing());
        QCOMPARE(grid.editText(), QStringLiteral("40"));

        // Allowed again, the move ends the editing and keeps the typed text.
        pickerShown = false;
        QTest::keyClick(openEditor(grid), Qt::Key_Down);
        QCOMPARE(grid.row(), 3);
        QVERIFY(!grid.isEditing());
        QCOMPARE(grid.text(2, 2), QStringLiteral("40"));

        // Tab in an editor ends it and moves one column on.
        QVERIFY(grid.setCurrentCell(1, 1));
        QVERIFY(grid.editCell());
        QTest::keyClicks(openEditor(grid), QStringLiteral("7"));
        QTest::keyClick(openEditor(grid), Qt::Key_Tab);
        QCOMPARE(grid.text(1, 1), QStringLiteral("7"));
        QCOMPARE(grid.row(), 1);
        QCOMPARE(grid.col(), 2);
    }

    void tabAtTheRowsEndAndLeavingTheEditorKeepTheText()
    {
        Recorded log;
        GridWindow w;
        DataGrid& grid = *w.grid;
        auto* other = new QLineEdit(&w.window);
        w.window.layout()->addWidget(other);
        other->show();
        grid.setEditable(true);
        connect(&grid, &DataGrid::beforeMove, &grid,
                [&](int, int, int r, int c, bool&) { log.add(QStringLiteral("move"), r, c); });
        connect(&grid, &DataGrid::afterEdit, &grid, [&](int r, int c) { log.add(QStringLiteral("after"), r, c); });

        // Backtab asks once for the column before, then ends the edit and goes there.
        QVERIFY(grid.setCurrentCell(2, 2));
        QVERIFY(grid.editCell());
        log.events.clear();
        QTest::keyClicks(openEditor(grid), QStringLiteral("5"));
        QTest::keyClick(openEditor(grid), Qt::Key_Backtab);
        QCOMPARE(grid.text(2, 2), QStringLiteral("5"));
        QCOMPARE(grid.col(), 1);
        QCOMPARE(log.events, QStringList({QStringLiteral("move(2,1)"), QStringLiteral("after(2,2)")}));

        // In the last column Tab has nowhere to go: the text is kept and the cell stays.
        QVERIFY(grid.setCurrentCell(2, 3));
        QVERIFY(grid.editCell());
        log.events.clear();
        QTest::keyClicks(openEditor(grid), QStringLiteral("9"));
        QTest::keyClick(openEditor(grid), Qt::Key_Tab);
        QVERIFY(!grid.isEditing());
        QCOMPARE(grid.text(2, 3), QStringLiteral("9"));
        QCOMPARE(grid.col(), 3);
        QCOMPARE(log.events, QStringList({QStringLiteral("after(2,3)")}));

        // The focus going to another control of the shown window ends the edit, keeping the text.
        QVERIFY(grid.setCurrentCell(3, 1));
        QVERIFY(grid.editCell());
        log.events.clear();
        QTest::keyClicks(openEditor(grid), QStringLiteral("x"));
        other->setFocus();
        QVERIFY(!grid.isEditing());
        QCOMPARE(grid.text(3, 1), QStringLiteral("x"));
        QCOMPARE(log.events, QStringList({QStringLiteral("after(3,1)")}));
    }

    void dateColumnEditingIsHandedToTheWindow()
    {
        Recorded log;
        GridWindow w;
        DataGrid& grid = *w.grid;
        grid.setEditable(true);
        grid.setDateColumn(0);
        QVERIFY(grid.isDateColumn(0));
        connect(&grid, &DataGrid::beforeEdit, &grid,
                [&](int r, int c, bool&) { log.add(QStringLiteral("may"), r, c); });
        connect(&grid, &DataGrid::startEdit, &grid,
                [&](int r, int c, bool&) { log.add(QStringLiteral("open"), r, c); });
        connect(&grid, &DataGrid::dateEditRequested, &grid,
                [&](int r, int c) { log.add(QStringLiteral("date"), r, c); });

        QVERIFY(grid.setCurrentCell(2, 0));
        QVERIFY(!grid.editCell());
        QVERIFY(!grid.isEditing());
        QCOMPARE(log.events,
                 QStringList({QStringLiteral("may(2,0)"), QStringLiteral("open(2,0)"), QStringLiteral("date(2,0)")}));

        log.events.clear();
        QTest::keyClick(&grid, Qt::Key_F2);
        QTest::keyClicks(&grid, QStringLiteral("2"));
        QCOMPARE(log.events.count(QStringLiteral("date(2,0)")), 2);
        QVERIFY(!grid.isEditing());
        QCOMPARE(grid.text(2, 0), QString());

        log.events.clear();
        QTest::mouseClick(grid.table()->viewport(), Qt::LeftButton, {}, w.cellCentre(4, 0));
        QCOMPARE(grid.row(), 4);
        QCOMPARE(log.events.last(), QStringLiteral("date(4,0)"));
        // The picker goes exactly over the cell.
        const QRect cell = grid.cellRect(4, 0);
        const QRect shown = grid.table()->visualRect(grid.table()->model()->index(3, 0));
        QCOMPARE(cell.size(), shown.size());
        QCOMPARE(grid.table()->viewport()->mapFrom(&grid, cell.topLeft()), shown.topLeft());
        QVERIFY(grid.table()->viewport()->geometry().contains(grid.table()->mapFrom(&grid, cell.center())));

        // Refused in the first stage, no picker either.
        connect(&grid, &DataGrid::beforeEdit, &grid, [](int, int, bool& cancel) { cancel = true; });
        log.events.clear();
        QVERIFY(!grid.editCell());
        QVERIFY(!log.events.contains(QStringLiteral("date(4,0)")));
    }

    void editorSurvivesHiddenWindowButNotItsRow()
    {
        int ended = 0;
        GridWindow w;
        DataGrid& grid = *w.grid;
        grid.setEditable(true);
        connect(&grid, &DataGrid::afterEdit, &grid, [&](int, int) { ++ended; });
        QVERIFY(grid.setCurrentCell(3, 1));
        QVERIFY(grid.editCell());
        QTest::keyClicks(openEditor(grid), QStringLiteral("12"));
        w.window.hide(); // another tab shown
        QCOMPARE(ended, 0);
        QVERIFY(grid.isEditing());
        w.window.show();
        QCOMPARE(grid.editText(), QStringLiteral("12"));

        // Rows going away take their editor with them, without writing it anywhere.
        grid.setRows(3);
        QVERIFY(!grid.isEditing());
        QCOMPARE(grid.editRow(), -1);
        QCOMPARE(ended, 1);
        grid.setRows(5);
        QCOMPARE(grid.text(3, 1), QString());
    }

    void controlOverTheGridKeepsItsKeys()
    {
        GridWindow w;
        DataGrid& grid = *w.grid;
        grid.setEditable(true);
        QVERIFY(grid.setCurrentCell(2, 0));
        auto* picker = new QLineEdit(&grid); // stands for the window's date picker
        picker->setGeometry(grid.cellRect(2, 0));
        picker->show();
        picker->raise();
        picker->setFocus();
        QVERIFY(picker->hasFocus());
        QTest::keyClicks(&grid, QStringLiteral("7"));
        QTest::keyClicks(picker, QStringLiteral("8"));
        QCOMPARE(picker->text(), QStringLiteral("8"));
        QVERIFY(!grid.isEditing());
        QCOMPARE(grid.row(), 2);
        QTest::keyClick(picker, Qt::Key_Down); // unused by the picker: the grid does not move
        QCOMPARE(grid.row(), 2);
    }

    void scrollingAndResizingCanBeRefused()
    {
        bool frozen = true;
        int asked = 0;
        int resizeAsked = -2;
        bool refuseResize = true;
        GridWindow w(60, 4);
        DataGrid& grid = *w.grid;
        for (int c = 0; c < 4; ++c)
            grid.setColWidth(c, 1500);
        QScrollBar* bar = grid.table()->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        connect(&grid, &DataGrid::beforeScroll, &grid, [&](bool& cancel) {
            ++asked;
            cancel = frozen;
        });
        const auto wheel = [&] {
            const QPoint at = grid.table()->viewport()->rect().center();
            QWheelEvent event(at, grid.table()->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(grid.table()->viewport(), &event);
        };
        wheel();
        QCOMPARE(asked, 1);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(grid.topRow(), 1);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(bar->value(), 0);
        frozen = false;
        wheel();
        QVERIFY(bar->value() > 0);
        QVERIFY(grid.topRow() > 1);

        // Showing a cell scrolls without asking; the rows in view follow.
        asked = 0;
        grid.showCell(40, 0);
        QCOMPARE(asked, 0);
        QVERIFY(grid.topRow() <= 40 && grid.bottomRow() >= 40);
        QVERIFY(grid.bottomRow() > grid.topRow());
        QVERIFY(!grid.cellRect(grid.bottomRow(), 0).isEmpty());
        QVERIFY(grid.cellRect(grid.bottomRow(), 0).bottom() <= grid.cellRect(0, 0).top() + grid.height());

        // Dragging a caption's edge resizes its column unless the window refuses.
        QHeaderView* header = grid.table()->horizontalHeader();
        connect(&grid, &DataGrid::beforeUserResize, &grid, [&](int row, int col, bool& cancel) {
            QCOMPARE(row, -1);
            resizeAsked = col;
            cancel = refuseResize;
        });
        const auto drag = [&](int dx) {
            const int edge = header->sectionViewportPosition(1) + header->sectionSize(1) - 1;
            const QPoint from(edge, header->height() / 2);
            const QPoint to = from + QPoint(dx, 0);
            QMouseEvent press(QEvent::MouseButtonPress, from, header->viewport()->mapToGlobal(from), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(header->viewport(), &press);
            QMouseEvent move(QEvent::MouseMove, to, header->viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(header->viewport(), &move);
            QMouseEvent release(QEvent::MouseButtonRelease, to, header->viewport()->mapToGlobal(to), Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(header->viewport(), &release);
        };
        // Just inside a caption's left edge is the edge of the shown column before it.
        grid.setColHidden(2);
        const QPoint inside(header->sectionViewportPosition(3) + 1, header->height() / 2);
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, inside);
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, inside);
        QCOMPARE(resizeAsked, 1);
        grid.setColHidden(2, false);
        resizeAsked = -2;

        const int before = header->sectionSize(1);
        drag(40);
        QCOMPARE(resizeAsked, 1);
        QCOMPARE(header->sectionSize(1), before);
        refuseResize = false;
        drag(40);
        QCOMPARE(header->sectionSize(1), before + 40);
    }
};

QTEST_MAIN(TestDataGrid)
#include "test_datagrid.moc"
