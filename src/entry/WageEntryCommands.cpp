#include "entry/WageEntryWindow.h"

#include "data/AppContext.h"
#include "entry/EmployeeFinder.h"
#include "entry/EntryGrids.h"
#include "entry/MonthRecords.h"
#include "entry/WageSlip.h"
#include "entry/WageSlipPrint.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"
#include "ui/Printing.h"

#include <QLabel>
#include <QLineEdit>

// The entry window's commands beside "保存": clearing the month, repricing it, and its prints.
namespace kv {

using entry::gridLines;
using entry::showTotal;
using ui::DataGrid;

void WageEntryWindow::onClear()
{
    if (monthClosedRefused())
        return;
    const QString question = QStringLiteral("清空会将当前用户在当前时间内的所有记录删除，删除后不可恢复。\n"
                                            "您确定要清除吗？");
    if (!ui::confirmLoss(this, question, QStringLiteral("确定清除")))
        return;
    if (!ui::guarded(this, [&] { deleteStoredMonth(); }))
        return;
    emptyGrids();
    markSaved();
    showNotes(workingMonth(), false, false);
    for (QLineEdit* box : {m_productionTotal, m_deductionTotal, m_netPay})
        showTotal(box, Decimal());
}

void WageEntryWindow::onReprice()
{
    if (monthClosedRefused())
        return;
    for (DataGrid* grid : {m_production, m_deductions})
        if (grid->isEditing())
            grid->finishEdit(true);
    // The stored lines are repriced and shown again: lines not saved yet would be lost.
    if (hasUnsavedChanges()) {
        ui::message(this, QStringLiteral("当前的修改还没有保存，请先保存，再按新工价重算。"),
                    QStringLiteral("尚未保存"), ui::Icon::Warning);
        return;
    }
    const QString month = workingMonth();
    const QString question = QStringLiteral("按各条记录日期当天的工价，重新计算%1 %2已保存的生产记录的工价和金额。\n"
                                            "确定要重算吗？")
                                 .arg(m_name->text(), month);
    if (ui::message(this, question, QStringLiteral("按新工价重算"), ui::Icon::Question, ui::Buttons::OkCancel) !=
        ui::Answer::Ok)
        return;
    int changed = 0;
    if (!ui::guarded(this, [&] {
            changed = MonthRecords(m_ctx.conn()).repriceMonth(m_number->text(), month, m_loadedVersion);
            loadMonth(month);
        }))
        return;
    ui::message(this,
                changed == 0 ? QStringLiteral("已保存的记录都是按当天的工价计算的，没有需要重算的记录。")
                             : QStringLiteral("已按新工价重算 %1 条生产记录。").arg(changed),
                QStringLiteral("按新工价重算"));
}

void WageEntryWindow::onPrint()
{
    const QString title = m_name->text() + u'(' + m_number->text() + u')' + workingMonth();
    // Both documents end with the month's three totals as the window shows them.
    const QString subject = windowTitle() + QStringLiteral("    ") + m_workshop->text();
    const QStringList totals{QStringLiteral("生产金额合计：%1        减扣金额合计：%2        实发工资：%3")
                                 .arg(m_productionTotal->text(), m_deductionTotal->text(), m_netPay->text())};
    if (ui::printDocument(m_ctx, this, *m_production, {title + QStringLiteral(" 生产详细"), subject, totals}))
        ui::printDocument(m_ctx, this, *m_deductions, {title + QStringLiteral(" 扣减详细"), subject, totals});
}

void WageEntryWindow::onPrintSlip()
{
    const auto month = parseMonthText(workingMonth());
    if (!month)
        return;
    // The slip is what the worker is paid from, so it shows the stored month only.
    std::optional<WageSlip> slip;
    const bool read = ui::guarded(this, [&] {
        WageSlips slips(m_ctx.conn());
        const auto employee = EmployeeFinder(m_ctx.conn()).byNumber(m_number->text(), true);
        if (!employee)
            return;
        MonthRecords records(m_ctx.conn());
        const QList<LineTexts> production = records.loadProduction(employee->number, *month);
        const QList<LineTexts> deductions = records.loadDeductions(employee->number, *month);
        if (!sameAsStored(gridLines(*m_production), gridLines(*m_deductions), production, deductions)) {
            ui::message(this,
                        QStringLiteral("工资条按已保存的记录打印，当前的修改还没有保存。\n请先保存，再打印工资条。"),
                        QStringLiteral("没有保存！"), ui::Icon::Warning);
            return;
        }
        if (!records.isStored(employee->number, *month)) {
            ui::message(this, QStringLiteral("没有 %1 的工资记录，请先保存，再打印工资条。").arg(workingMonth()),
                        QStringLiteral("没有保存！"), ui::Icon::Warning);
            return;
        }
        slip = slips.slip(*employee, *month);
    });
    if (!read || !slip)
        return;
    printWageSlips(m_ctx, this, {*slip},
                   m_name->text() + u'(' + m_number->text() + u')' + workingMonth() + QStringLiteral(" 工资条"));
}

} // namespace kv
