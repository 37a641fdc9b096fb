#include "stats/BankTransferWindow.h"

#include "data/AppContext.h"
#include "data/Database.h"
#include "data/TextRules.h"
#include "master/BankCards.h"
#include "ui/DataGrid.h"
#include "ui/ListGrid.h"
#include "ui/MessageBox.h"
#include "ui/Printing.h"
#include "ui/WindowParts.h"
#include "ui/WorkbookExport.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

namespace {
enum TransferColumn { TNumber, TName, TBank, TCard, TNetPay, TAmount, TMethod, TransferColumnCount };

ui::SheetCell text(const QString& t, bool bold = false)
{
    return {t, std::nullopt, bold};
}

ui::SheetCell bold(const QString& t)
{
    return text(t, true);
}

ui::SheetCell amount(Decimal value)
{
    return {QString(), value, false};
}
} // namespace

BankTransferWindow::BankTransferWindow(AppContext& ctx, QList<PayDue> pays, const QString& periodText, QWidget* parent)
    : QWidget(parent, Qt::Window), m_ctx(ctx), m_pays(std::move(pays)), m_period(periodText)
{
    ui::makeModalWindow(this, QStringLiteral("银行代发Frm"), QStringLiteral("银行代发 - %1").arg(periodText));

    m_grid = ui::sheetGrid(this);
    m_note = ui::sheetNote(this);

    auto* label = new QLabel(QStringLiteral("备注："), this);
    m_remark = new QLineEdit(periodText + QStringLiteral("工资"), this);
    m_remark->setObjectName(QStringLiteral("TextRemark"));
    m_remark->setMinimumWidth(180);
    auto* workbook = ui::commandButton(QStringLiteral("导出Excel"), QStringLiteral("CommandExport"), this);
    auto* csv = ui::commandButton(QStringLiteral("导出CSV"), QStringLiteral("CommandCsv"), this);
    auto* printButton = ui::commandButton(QStringLiteral("打印"), QStringLiteral("CommandPrint"), this);
    auto* close = ui::commandButton(QStringLiteral("关闭"), QStringLiteral("CommandClose"), this);
    connect(workbook, &QPushButton::clicked, this, &BankTransferWindow::exportWorkbook);
    connect(csv, &QPushButton::clicked, this, &BankTransferWindow::exportCsv);
    connect(printButton, &QPushButton::clicked, this, &BankTransferWindow::print);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* commands = new QHBoxLayout;
    commands->addWidget(label);
    commands->addWidget(m_remark);
    commands->addStretch(1);
    commands->addWidget(workbook);
    commands->addWidget(csv);
    commands->addWidget(printButton);
    commands->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_note);
    layout->addLayout(commands);
    resize(960, 560);
    showSheet();
}

void BankTransferWindow::showSheet()
{
    ui::guarded(this, [&] {
        if (const std::optional<YearMonth> month = parseMonthText(m_period))
            m_sheet = monthTransferSheet(m_ctx.conn(), m_pays, *month);
        else
            m_sheet = transferSheet(m_ctx.conn(), m_pays, netPayRounding(m_ctx.conn()));
    });
    const NetPayRounding& rounding = m_sheet.rounding;

    m_grid->setRows(1);
    m_grid->setCols(TransferColumnCount);
    const QStringList headers{QStringLiteral("工号"),     QStringLiteral("姓名"),     QStringLiteral("开户银行"),
                              QStringLiteral("银行卡号"), QStringLiteral("实发工资"), QStringLiteral("发放金额"),
                              QStringLiteral("发放方式")};
    for (int c = 0; c < TransferColumnCount; ++c)
        m_grid->setText(0, c, headers.at(c));
    m_grid->setColumnKind(TNetPay, ui::DataGrid::ColumnKind::Money);
    m_grid->setColumnKind(TAmount, ui::DataGrid::ColumnKind::Money);
    QList<std::pair<const Payment*, QString>> rows;
    for (const Payment& p : m_sheet.transfers)
        rows.append({&p, QStringLiteral("银行")});
    for (const Payment& p : m_sheet.cash)
        rows.append({&p, QStringLiteral("现金")});
    m_grid->setRows(int(rows.size()) + 1);
    for (int r = 1; r <= rows.size(); ++r) {
        const auto& [p, method] = rows.at(r - 1);
        m_grid->setText(r, TNumber, p->number);
        m_grid->setText(r, TName, p->name);
        m_grid->setText(r, TBank, p->bank);
        m_grid->setText(r, TCard, maskedBankCard(p->card));
        m_grid->setText(r, TNetPay, p->netPay.plainText());
        m_grid->setText(r, TAmount, p->amount.plainText());
        m_grid->setText(r, TMethod, method);
    }
    if (!rows.isEmpty())
        m_grid->addTotalsRow({TNetPay, TAmount});
    ui::setListRowHeights(*m_grid);
    ui::fitListColumns(*m_grid);

    QStringList notes;
    notes << QStringLiteral("银行代发 %1 人，合计 %2 元；现金发放 %3 人，合计 %4 元。")
                 .arg(m_sheet.transfers.size())
                 .arg(m_sheet.transferTotal.moneyText())
                 .arg(m_sheet.cash.size())
                 .arg(m_sheet.cashTotal.moneyText());
    notes << (rounding.isNone() ? QStringLiteral("发放金额取整到分（四舍五入）。")
                                : QStringLiteral("实发工资%1。").arg(rounding.text()));
    if (!m_sheet.notPaid.isEmpty())
        notes << QStringLiteral("实发工资为零或负数、不发放：%1。").arg(m_sheet.notPaid.join(u'、'));
    if (m_sheet.refused())
        notes << transferRefusal(m_sheet);
    m_note->setText(notes.join(u' '));
    m_note->setStyleSheet(m_sheet.refused() ? QStringLiteral("color: #c00000;") : QString());
}

bool BankTransferWindow::mayExport()
{
    if (m_sheet.refused()) {
        ui::message(this, transferRefusal(m_sheet), QStringLiteral("银行代发"), ui::Icon::Warning);
        return false;
    }
    if (m_sheet.transfers.isEmpty()) {
        ui::message(this, QStringLiteral("表中没有由银行代发的员工，没有可导出的代发表。"), QStringLiteral("银行代发"),
                    ui::Icon::Information);
        return false;
    }
    return true;
}

bool BankTransferWindow::exportWorkbook()
{
    if (!mayExport())
        return false;
    const QString remark = cleanText(m_remark->text());
    ui::NamedSheet bank{QStringLiteral("银行代发"),
                        {{bold(QStringLiteral("姓名")), bold(QStringLiteral("卡号")), bold(QStringLiteral("金额")),
                          bold(QStringLiteral("备注"))}},
                        {1400, 3200, 1600, 2400}};
    for (const Payment& p : m_sheet.transfers)
        bank.rows.append({text(p.name), text(p.card), amount(p.amount), text(remark)});
    QList<ui::NamedSheet> sheets{bank};
    if (!m_sheet.cash.isEmpty()) {
        ui::NamedSheet cash{QStringLiteral("现金发放"),
                            {{bold(QStringLiteral("工号")), bold(QStringLiteral("姓名")), bold(QStringLiteral("金额")),
                              bold(QStringLiteral("备注"))}},
                            {1200, 1400, 1600, 2400}};
        for (const Payment& p : m_sheet.cash)
            cash.rows.append({text(p.number), text(p.name), amount(p.amount), text(remark)});
        sheets << cash;
    }
    return ui::exportSheets(this, sheets,
                            m_ctx.paths().file(QStringLiteral("银行代发%1.xlsx").arg(fileNamePart(m_period))));
}

bool BankTransferWindow::exportCsv()
{
    if (!mayExport())
        return false;
    const QString path = m_ctx.paths().file(QStringLiteral("银行代发%1.csv").arg(fileNamePart(m_period)));
    QString error;
    if (!saveTransferCsv(m_sheet, cleanText(m_remark->text()), path, &error)) {
        ui::message(this, error, QStringLiteral("导出失败"), ui::Icon::Warning);
        return false;
    }
    ui::message(this,
                QStringLiteral("己导出CSV文件到%1，请到该目录打开查看").arg(QDir::toNativeSeparators(path)) + u'\n' +
                    cardNumbersNote(path),
                QStringLiteral("成功导出！"), ui::Icon::Information);
    return true;
}

bool BankTransferWindow::print()
{
    return ui::printDocument(
        m_ctx, this, *m_grid,
        {QStringLiteral("银行代发"), QStringLiteral("按月份统计：%1").arg(m_period), QStringList{m_note->text()}});
}

} // namespace kv
