#include "stats/CashBreakdownWindow.h"

#include "data/AppContext.h"
#include "data/Database.h"
#include "data/PaySnapshot.h"
#include "data/Session.h"
#include "data/TextRules.h"
#include "ui/DataGrid.h"
#include "ui/ListGrid.h"
#include "ui/MessageBox.h"
#include "ui/Permission.h"
#include "ui/Printing.h"
#include "ui/WindowParts.h"
#include "ui/WorkbookExport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

namespace {
// Columns before the denominations.
enum CashColumn { CNumber, CName, CNetPay, CPaid, CFirstDenomination };
} // namespace

CashBreakdownWindow::CashBreakdownWindow(AppContext& ctx, QList<PayDue> pays, const QString& periodText,
                                         QWidget* parent)
    : QWidget(parent, Qt::Window), m_ctx(ctx), m_pays(std::move(pays)), m_period(periodText)
{
    ui::makeModalWindow(this, QStringLiteral("零钞统计Frm"), QStringLiteral("零钞统计 - %1").arg(periodText));

    m_grid = ui::sheetGrid(this);
    m_note = ui::sheetNote(this);

    auto* label = new QLabel(QStringLiteral("面额（元）："), this);
    m_denominations = new QLineEdit(this);
    m_denominations->setObjectName(QStringLiteral("TextDenominations"));
    m_denominations->setMinimumWidth(260);
    auto* save = ui::commandButton(QStringLiteral("保存面额"), QStringLiteral("CommandDenominations"), this);
    auto* printButton = ui::commandButton(QStringLiteral("打印"), QStringLiteral("CommandPrint"), this);
    auto* exportButton = ui::commandButton(QStringLiteral("导出"), QStringLiteral("CommandExport"), this);
    auto* close = ui::commandButton(QStringLiteral("关闭"), QStringLiteral("CommandClose"), this);
    // A closed month is paid with the denominations it was closed with: they are set for the
    // open months.
    QString refusal = m_ctx.session().refusal(Right::CloseMonths);
    const std::optional<YearMonth> month = parseMonthText(m_period);
    if (refusal.isEmpty() && month)
        ui::guarded(this, [&] {
            if (paidMonth(m_ctx.conn(), *month))
                refusal =
                    QStringLiteral("%1 已结账，按结账时的面额计算。面额请在未结账月份的零钞统计中修改。").arg(m_period);
        });
    ui::permit(save, refusal);
    ui::permit(m_denominations, refusal);
    connect(save, &QPushButton::clicked, this, &CashBreakdownWindow::saveDenominations);
    connect(m_denominations, &QLineEdit::returnPressed, this, &CashBreakdownWindow::saveDenominations);
    connect(printButton, &QPushButton::clicked, this, &CashBreakdownWindow::print);
    connect(exportButton, &QPushButton::clicked, this, &CashBreakdownWindow::exportSheet);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* commands = new QHBoxLayout;
    commands->addWidget(label);
    commands->addWidget(m_denominations);
    commands->addWidget(save);
    commands->addStretch(1);
    commands->addWidget(printButton);
    commands->addWidget(exportButton);
    commands->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_note);
    layout->addLayout(commands);
    resize(1000, 560);
    showBreakdown();
}

void CashBreakdownWindow::showBreakdown()
{
    QList<Decimal> denominations = defaultDenominations();
    TransferSheet sheet;
    // Only those paid in cash get an envelope, as the month's 银行代发 sorts them; a sheet that
    // cannot be read shows nobody.
    if (!ui::guarded(this, [&] {
            if (const std::optional<YearMonth> month = parseMonthText(m_period)) {
                denominations = cashDenominations(m_ctx.conn(), *month);
                m_rounding = monthRounding(m_ctx.conn(), *month);
                sheet = monthTransferSheet(m_ctx.conn(), m_pays, *month);
            } else {
                denominations = cashDenominations(m_ctx.conn());
                m_rounding = netPayRounding(m_ctx.conn());
                sheet = transferSheet(m_ctx.conn(), m_pays, m_rounding);
            }
        }))
        sheet = TransferSheet{};
    CashBreakdown breakdown{denominations, {}, QList<qint64>(denominations.size(), 0), {}, {}, {}, {}};
    ui::guarded(this, [&] { breakdown = breakDownCash(cashPays(sheet), denominations, m_rounding); });
    m_breakdown = breakdown;
    m_denominations->setText(denominationsText(m_breakdown.denominations));

    const int count = int(m_breakdown.denominations.size());
    const int remainderCol = CFirstDenomination + count;
    m_grid->setRows(1);
    m_grid->setCols(remainderCol + 1);
    m_grid->setText(0, CNumber, QStringLiteral("工号"));
    m_grid->setText(0, CName, QStringLiteral("姓名"));
    m_grid->setText(0, CNetPay, QStringLiteral("实发工资"));
    m_grid->setText(0, CPaid, m_rounding.isNone() ? QStringLiteral("发放金额") : QStringLiteral("取整后实发"));
    m_grid->setColumnKind(CNetPay, ui::DataGrid::ColumnKind::Money);
    m_grid->setColumnKind(CPaid, ui::DataGrid::ColumnKind::Money);
    for (int i = 0; i < count; ++i) {
        m_grid->setText(0, CFirstDenomination + i, denominationName(m_breakdown.denominations.at(i)));
        m_grid->setColumnKind(CFirstDenomination + i, ui::DataGrid::ColumnKind::Number);
    }
    m_grid->setText(0, remainderCol, QStringLiteral("零头"));
    m_grid->setColumnKind(remainderCol, ui::DataGrid::ColumnKind::Money);
    m_grid->setRows(int(m_breakdown.envelopes.size()) + 1);
    for (int r = 1; r <= m_breakdown.envelopes.size(); ++r) {
        const CashEnvelope& e = m_breakdown.envelopes.at(r - 1);
        m_grid->setText(r, CNumber, e.number);
        m_grid->setText(r, CName, e.name);
        m_grid->setText(r, CNetPay, e.netPay.plainText());
        m_grid->setText(r, CPaid, e.paid.plainText());
        for (int i = 0; i < count; ++i)
            m_grid->setText(r, CFirstDenomination + i, QString::number(e.counts.at(i)));
        m_grid->setText(r, remainderCol, e.remainder.plainText());
    }
    if (!m_breakdown.envelopes.isEmpty()) {
        QList<int> sums{CNetPay, CPaid, remainderCol};
        for (int i = 0; i < count; ++i)
            sums << CFirstDenomination + i;
        m_grid->addTotalsRow(sums);
    }
    ui::setListRowHeights(*m_grid);
    ui::fitListColumns(*m_grid);

    QStringList notes;
    if (!m_rounding.isNone())
        notes << QStringLiteral("实发工资%1。").arg(m_rounding.text());
    if (!sheet.transfers.isEmpty())
        notes << QStringLiteral("由银行代发的 %1 人（合计 %2 元）不在本表。")
                     .arg(sheet.transfers.size())
                     .arg(sheet.transferTotal.moneyText());
    if (!sheet.withoutCard.isEmpty())
        notes << QStringLiteral("发放方式是银行但没有银行卡号、两表都没有：%1。").arg(sheet.withoutCard.join(u'、'));
    if (!m_breakdown.inexact.isEmpty())
        notes << QStringLiteral("这些面额凑不足的金额：%1，零头合计 %2 元另行发放。")
                     .arg(m_breakdown.inexact.join(u'、'), m_breakdown.totalRemainder.moneyText());
    const QStringList notPaid = sheet.notPaid + m_breakdown.notPaidInCash;
    if (!notPaid.isEmpty())
        notes << QStringLiteral("实发工资为零或负数、不发放：%1。").arg(notPaid.join(u'、'));
    m_note->setText(notes.join(u' '));
    m_note->setVisible(!notes.isEmpty());
}

void CashBreakdownWindow::saveDenominations()
{
    if (!ui::guarded(this, [&] { setCashDenominations(m_ctx.conn(), m_denominations->text()); }))
        return;
    showBreakdown();
}

bool CashBreakdownWindow::print()
{
    return ui::printDocument(m_ctx, this, *m_grid,
                             {QStringLiteral("零钞统计"), QStringLiteral("按月份统计：%1").arg(m_period),
                              m_note->isVisible() ? QStringList{m_note->text()} : QStringList{}});
}

bool CashBreakdownWindow::exportSheet()
{
    return ui::exportGrid(this, *m_grid, m_ctx.paths().file(QStringLiteral("零钞统计%1.xlsx").arg(fileNamePart(m_period))));
}

} // namespace kv
