#include "GridDriver.h"
#include "ui/DataGrid.h"
#include "ui/Twips.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTableView>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

using kv::ui::DataGrid;
using namespace grid_driver;

namespace {
// A shown, active window with a grid of people: caption row, five rows, four columns of which
// the third is hidden.
struct PeopleGrid {
    QWidget window;
    DataGrid* grid;

    PeopleGrid()
    {
        window.resize(600, 300);
        auto* layout = new QVBoxLayout(&window);
        grid = new DataGrid(&window);
        layout->addWidget(grid);
        grid->setCols(4);
        grid->setRows(6);
        const QStringList captions{"工号", "姓名", "id", "备注"};
        for (int c = 0; c < 4; ++c)
            grid->setText(0, c, captions.at(c));
        for (int r = 1; r < 6; ++r) {
            grid->setText(r, 0, QStringLiteral("00%1").arg(r));
            grid->setText(r, 1, QStringLiteral("员工%1").arg(r));
            grid->setText(r, 2, QString::number(100 + r));
            grid->setText(r, 3, QString());
        }
        grid->setColHidden(2);
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("grid window did not become active");
        grid->setFocus();
    }

    void drag(int row1, int col1, int row2, int col2) const
    {
        QWidget* viewport = grid->table()->viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, cellCentre(*grid, row1, col1));
        QTest::mouseMove(viewport, cellCentre(*grid, row1, col2));
        QTest::mouseMove(viewport, cellCentre(*grid, row2, col2));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, cellCentre(*grid, row2, col2));
    }

    void key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) const
    {
        QTest::keyClick(grid->table(), key, mods);
    }

    static QString clipboard() { return QGuiApplication::clipboard()->text(); }
};
} // namespace

class TestGridSelection : public QObject {
    Q_OBJECT
private slots:
    void dragShiftArrowsAndSelectAllCopyWithCaptions()
    {
        PeopleGrid p;
        p.grid->setRowHidden(3);
        p.grid->setText(2, 3, QStringLiteral("说\"明\"\t二"));

        // A drag marks the range and leaves the current cell where it was pressed.
        p.drag(1, 0, 4, 3);
        QCOMPARE(p.grid->row(), 1);
        QCOMPARE(p.grid->col(), 0);
        QCOMPARE(p.grid->selectedRange(), QRect(QPoint(0, 1), QPoint(3, 4)));
        p.key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(p.clipboard(), QStringLiteral("工号\t姓名\t备注\n"
                                               "001\t员工1\t\n"
                                               "002\t员工2\t\"说\"\"明\"\"\t二\"\n"
                                               "004\t员工4\t\n"));

        // Shift+arrows grow the range from the current cell over shown cells only.
        QVERIFY(p.grid->setCurrentCell(4, 1));
        QCOMPARE(p.grid->selectedRange(), QRect(1, 4, 1, 1));
        p.key(Qt::Key_Up, Qt::ShiftModifier);
        p.key(Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(p.grid->selectedRange(), QRect(QPoint(1, 2), QPoint(3, 4)));
        QCOMPARE(p.grid->row(), 4);
        p.key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(p.clipboard(), QStringLiteral("姓名\t备注\n员工2\t\"说\"\"明\"\"\t二\"\n员工4\t\n"));

        // A plain move shrinks it to the new current cell; Ctrl+A takes every cell.
        p.key(Qt::Key_Down);
        QCOMPARE(p.grid->selectedRange(), QRect(1, 5, 1, 1));
        p.key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(p.clipboard(), QStringLiteral("姓名\n员工5\n"));
        p.key(Qt::Key_A, Qt::ControlModifier);
        p.key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(p.clipboard().count(u'\n'), 5); // captions and the four shown rows
        QVERIFY(p.clipboard().startsWith(QStringLiteral("工号\t姓名\t备注\n001\t")));
    }

    void dragInAnEditableGridEndsTheEditAndKeepsTheText()
    {
        PeopleGrid p;
        p.grid->setEditable(true);
        clickCell(*p.grid, 1, 1);
        p.key(Qt::Key_F2);
        QVERIFY(openEditor(*p.grid));
        QVERIFY(typeInEditor(*p.grid, "X"));
        // Ctrl+C in the open editor stays the editor's own.
        QTest::keyClick(openEditor(*p.grid), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(openEditor(*p.grid), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(p.clipboard(), QStringLiteral("X"));

        p.drag(1, 1, 2, 3);
        QVERIFY(!p.grid->isEditing());
        QCOMPARE(p.grid->text(1, 1), QStringLiteral("X"));
        p.key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(p.clipboard(), QStringLiteral("姓名\t备注\nX\t\n员工2\t\n"));
        // Typing still edits the current cell, as before.
        p.key(Qt::Key_Y);
        QVERIFY(openEditor(*p.grid));
        QCOMPARE(p.grid->editRow(), 1);
    }

    void longTextIsCutWithItsWholeTextAsTooltip()
    {
        PeopleGrid p;
        const QString longText = QStringLiteral("很长的备注").repeated(20);
        p.grid->setText(1, 3, longText);
        p.grid->setText(2, 3, QStringLiteral("短"));
        p.grid->autoFitCols(0, 3);
        QCOMPARE(p.grid->colWidth(3), kv::ui::pixelsToTwips(kv::ui::twipsToPixels(6000)));

        QWidget* viewport = p.grid->table()->viewport();
        const auto hover = [&](int row) {
            QHelpEvent help(QEvent::ToolTip, cellCentre(*p.grid, row, 3),
                            viewport->mapToGlobal(cellCentre(*p.grid, row, 3)));
            QCoreApplication::sendEvent(viewport, &help);
        };
        hover(1);
        QTRY_COMPARE(QToolTip::text(), longText);
        hover(2);
        QTRY_VERIFY(QToolTip::text().isEmpty());
    }
};

QTEST_MAIN(TestGridSelection)
#include "test_gridselection.moc"
