#include "TestDb.h"
#include "ui/MessageBox.h"
#include "ui/WindowPlacement.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>

using namespace kv;
using namespace kv::ui;

class TestWindows : public QObject {
    Q_OBJECT
private slots:
    void questionsThatLoseSomethingDefaultToCancelAndBoxesShowTheirCaption()
    {
        // One Enter on a question that deletes or drops must not do it.
        const auto question = makeMessageBox(
            {QStringLiteral("确定要删除？"), QStringLiteral("确定删除"), Icon::None, Buttons::OkCancel, true}, nullptr);
        QCOMPARE(static_cast<QAbstractButton*>(question->defaultButton()), question->button(QMessageBox::Cancel));
        QVERIFY(question->escapeButton() == question->button(QMessageBox::Cancel));
        question->show();
        QTest::keyClick(question.get(), Qt::Key_Return);
        QCOMPARE(question->clickedButton(), question->button(QMessageBox::Cancel));
        // Other questions keep the usual default.
        const auto exit = makeMessageBox(
            {QStringLiteral("确定退出本系统？"), QStringLiteral("退出系统"), Icon::None, Buttons::YesNo}, nullptr);
        QVERIFY(static_cast<QAbstractButton*>(exit->defaultButton()) != exit->button(QMessageBox::No));

        // A two-character text under a long caption: the box is as wide as the caption needs.
        const QString caption = QStringLiteral("保存成功，本月的工资数据已经全部写入数据库");
        const auto box = makeMessageBox({QStringLiteral("好！"), caption, Icon::Information}, nullptr);
        QFont bold = box->font();
        bold.setBold(true);
        box->adjustSize();
        QVERIFY2(box->width() > QFontMetrics(bold).horizontalAdvance(caption),
                 qPrintable(QString::number(box->width())));
    }

    void restoredWindowsKeepTheirTitleBarOnTheScreen()
    {
        const QRect small(0, 0, 1024, 700);
        const QMargins frame(5, 30, 5, 5); // borders and a title bar
        const auto inside = [&](const QRect& inner, const QRect& available) {
            return available.contains(inner.marginsAdded(frame));
        };
        // A frame whose title bar stood above the screen comes down whole.
        QRect inner = innerGeometryInside(QRect(100, -40, 900, 600), frame, small);
        QVERIFY(inside(inner, small));
        QCOMPARE(inner.topLeft(), QPoint(105, 30));
        QCOMPARE(inner.size(), QSize(890, 565));
        // Saved at scale 2 and back on a small screen at scale 1: shrunk and moved in.
        inner = innerGeometryInside(QRect(-760, -520, 4800, 3040), frame, small);
        QVERIFY(inside(inner, small));
        QCOMPARE(inner, QRect(5, 30, 1014, 665));
        // Off the bottom right of a second screen beside the first.
        const QRect right(1024, 0, 1280, 1024);
        inner = innerGeometryInside(QRect(2000, 900, 800, 500), frame, right);
        QVERIFY(inside(inner, right));

        // What is saved comes back, whole on the screen the window opens on.
        TestApp app;
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QSettings settings(QStringLiteral("Kelvaro"), QStringLiteral("Kelvaro"));
        settings.setValue(QStringLiteral("windows/w/frame"), QRect(screen.left() - 50, screen.top() - 60, 700, 500));
        settings.setValue(QStringLiteral("windows/w/frameMargins"), QVariantList{5, 30, 5, 5});
        settings.sync();
        QWidget window;
        restorePlacement(&window, QStringLiteral("w"), QSize(300, 200));
        QCOMPARE(window.pos(), screen.topLeft()); // the frame's corner
        QCOMPARE(window.size(), QSize(std::min(700, screen.width()) - 10, std::min(500, screen.height()) - 35));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(screen.contains(window.frameGeometry()));
        window.move(screen.right() - 100, screen.bottom() - 100); // dragged mostly off the screen
        savePlacement(&window, QStringLiteral("w"));
        QWidget again;
        restorePlacement(&again, QStringLiteral("w"), QSize(300, 200));
        QVERIFY(screen.contains(again.geometry()));
        QCOMPARE(again.size(), window.size());
    }

    // A remembered frame comes back on its own corner, whatever margins the window manager draws
    // now (another scale or manager): the inner area is never put where the frame stood, one
    // title bar too low with the bottom, the status bar, off the screen.
    void aRestoredFrameStandsWhereItWasSeen()
    {
        TestApp app;
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        for (const QMargins& margins : {QMargins(1, 20, 1, 1), QMargins(4, 40, 4, 4)}) {
            // Flush with the bottom of the screen, as a window dragged down to it.
            const QRect frame(screen.left() + 10, screen.bottom() + 1 - screen.height() * 2 / 3, screen.width() / 2,
                              screen.height() * 2 / 3);
            QSettings settings(QStringLiteral("Kelvaro"), QStringLiteral("Kelvaro"));
            settings.setValue(QStringLiteral("windows/w/frame"), frame);
            settings.setValue(QStringLiteral("windows/w/frameMargins"),
                              QVariantList{margins.left(), margins.top(), margins.right(), margins.bottom()});
            settings.sync();
            QWidget window;
            restorePlacement(&window, QStringLiteral("w"), QSize(300, 200));
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QTRY_COMPARE(window.frameGeometry().topLeft(), frame.topLeft());
            QVERIFY2(screen.contains(window.frameGeometry()),
                     qPrintable(QStringLiteral("%1 %2").arg(window.frameGeometry().bottom()).arg(screen.bottom())));
        }
    }
};

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
