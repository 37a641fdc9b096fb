#include "entry/WageEntryWindow.h"

#include "entry/EmployeeSelection.h"
#include "entry/EntryGrids.h"
#include "entry/LineGridEditor.h"
#include "entry/LookupPopup.h"
#include "entry/ScanQueue.h"
#include "ui/DataGrid.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

#include <functional>

// How the entry window is worked by keyboard: the Tab order, the shortcuts and the jumps.
namespace kv {

using entry::firstEmptyLine;
using ui::DataGrid;

void WageEntryWindow::setKeyboardOrder()
{
    // Tab walks name, number, month, the two grids, the commands and the 扫描 box (a scanner
    // types into it once clicked, and the focus stays there between scans); the "↓" and delete buttons
    // are for the mouse (the "↓" button still takes the focus when clicked, so that leaving it
    // closes the list it opened).
    m_showAll->setFocusPolicy(Qt::ClickFocus);
    QWidget* order[] = {m_name,
                        m_number,
                        m_month,
                        m_production,
                        m_deductions,
                        findChild<QWidget*>(QStringLiteral("Command1")),
                        findChild<QWidget*>(QStringLiteral("Command2")),
                        findChild<QWidget*>(QStringLiteral("Command8")),
                        findChild<QWidget*>(QStringLiteral("Command3")),
                        m_scan->box(),
                        m_scan->dayBox()};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void WageEntryWindow::addShortcuts()
{
    // As if the button were clicked: the focus moves to it first, which ends an open cell edit
    // or date picker the way a click does.
    const auto press = [this](const QKeySequence& keys, const char* name) {
        auto* target = m_frame->findChild<QPushButton*>(QString::fromLatin1(name));
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, target, [target] {
            if (!target->isEnabled())
                return;
            target->setFocus(Qt::ShortcutFocusReason);
            target->click();
        });
    };
    press(QKeySequence::Save, "Command1");
    press(QKeySequence::Print, "Command2");

    // The four places the keyboard works in, each one key away.
    const auto jump = [this](Qt::Key key, const std::function<void()>& go) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, go);
    };
    jump(Qt::Key_F3, [this] { focusBox(m_number); });
    jump(Qt::Key_F4, [this] { focusBox(m_name); });
    jump(Qt::Key_F5, [this] { focusLines(m_production); });
    jump(Qt::Key_F6, [this] { focusLines(m_deductions); });
    m_number->setToolTip(QStringLiteral("工号（F3）：输入工号后按回车到生产记录"));
    m_name->setToolTip(QStringLiteral("员工姓名（F4）：输入姓名的一部分，↑↓选择，回车确定"));
    m_production->setToolTip(QStringLiteral("生产记录（F5）"));
    m_deductions->setToolTip(QStringLiteral("扣减记录（F6）"));
    m_showAll->setToolTip(QStringLiteral("列出全部员工（姓名框 F4）"));
    const QList<std::pair<const char*, QString>> tips{{"Command1", QStringLiteral("保存（Ctrl+S）")},
                                                      {"Command2", QStringLiteral("打印生产和扣减记录（Ctrl+P）")},
                                                      {"Command8", QStringLiteral("打印已保存的工资条")},
                                                      {"Command3", QStringLiteral("删除该员工当月的全部记录")}};
    for (const auto& [name, tip] : tips)
        m_frame->findChild<QWidget*>(QString::fromLatin1(name))->setToolTip(tip);
}

void WageEntryWindow::focusBox(QLineEdit* box)
{
    hidePopups();
    box->setFocus(Qt::ShortcutFocusReason);
    box->selectAll();
}

void WageEntryWindow::focusLines(DataGrid* grid)
{
    if (!m_frame->isEnabled())
        return;
    m_candidates->hide();
    grid->setFocus(Qt::ShortcutFocusReason);
    if (grid->row() < 1)
        (grid == m_production ? m_productionEditor : m_deductionEditor)->placeCursor(firstEmptyLine(*grid));
    grid->showCell(grid->row(), grid->col());
}

} // namespace kv
