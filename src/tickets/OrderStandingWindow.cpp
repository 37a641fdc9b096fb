#include "tickets/OrderStandingWindow.h"

#include "data/AppContext.h"
#include "data/TextRules.h"
#include "ui/DataGrid.h"
#include "ui/ListGrid.h"
#include "ui/MessageBox.h"
#include "ui/Printing.h"
#include "ui/WindowParts.h"
#include "ui/WorkbookExport.h"

#include <QColor>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

namespace {
const QStringList kTicketCaptions{QStringLiteral("扎号"),     QStringLiteral("工序"),   QStringLiteral("数量"),
                                  QStringLiteral("菲票号"),   QStringLiteral("领取人"), QStringLiteral("领取月份"),
                                  QStringLiteral("领取时间"), QStringLiteral("工费"),   QStringLiteral("核对")};
const QStringList kOperationCaptions{QStringLiteral("工序"),     QStringLiteral("菲票数"),   QStringLiteral("已领取"),
                                     QStringLiteral("已领数量"), QStringLiteral("未领数量"), QStringLiteral("已付工费")};
enum TicketColumn { TBundle, TOperation, TQuantity, TNumber, TClaimedBy, TMonth, TAt, TPaid, TCheck };
const QColor kOverpaidRed(255, 160, 160);

QString operationText(const QString& productNo, const QString& product)
{
    return productNo.isEmpty() ? product : QStringLiteral("%1 %2").arg(productNo, product);
}

QStringList ticketTexts(const TicketStanding& row)
{
    const BundleTicket& t = row.ticket;
    return {QString::number(t.bundleNo),
            operationText(t.productNo, t.product),
            QString::number(t.quantity),
            t.number,
            t.isClaimed() ? QStringLiteral("%1（%2）").arg(row.claimedName, t.claimedBy) : QStringLiteral("未领取"),
            t.claimedMonth,
            t.isClaimed() ? t.claimedAt.toString(QStringLiteral("yyyy-M-d HH:mm")) : QString(),
            row.paid ? row.paid->moneyText() : QString(),
            row.overpaid};
}

QStringList operationTexts(const OperationStanding& o)
{
    return {operationText(o.productNo, o.product), QString::number(o.tickets),       QString::number(o.claimed),
            QString::number(o.piecesClaimed),      QString::number(o.piecesOpen), o.paid.moneyText()};
}

void fill(ui::DataGrid& grid, const QStringList& captions, const QList<QStringList>& rows)
{
    grid.setCols(int(captions.size()));
    grid.setRows(int(rows.size()) + 1);
    for (int c = 0; c < captions.size(); ++c)
        grid.setText(0, c, captions.at(c));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < captions.size(); ++c)
            grid.setText(r + 1, c, rows.at(r).value(c));
    ui::setListRowHeights(grid);
    ui::fitListColumns(grid);
}

QList<ui::SheetCell> sheetRow(const QStringList& texts, bool bold = false)
{
    QList<ui::SheetCell> cells;
    for (const QString& text : texts)
        cells.append({text, std::nullopt, bold});
    return cells;
}
} // namespace

OrderStandingWindow::OrderStandingWindow(AppContext& ctx, qint64 orderId, const QString& orderNo, QWidget* parent)
    : QWidget(parent, Qt::Window), m_ctx(ctx), m_orderId(orderId), m_orderNo(orderNo)
{
    setObjectName(QStringLiteral("生产单进度Frm"));
    setWindowTitle(QStringLiteral("生产单进度 - %1").arg(orderNo));
    setAttribute(Qt::WA_DeleteOnClose);

    m_operations = new ui::DataGrid(this);
    m_operations->setObjectName(QStringLiteral("fgOperations"));
    m_operations->setColumnKind(5, ui::DataGrid::ColumnKind::Money);
    m_tickets = new ui::DataGrid(this);
    m_tickets->setObjectName(QStringLiteral("fg"));
    m_tickets->setColumnKind(TPaid, ui::DataGrid::ColumnKind::Money);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("LabelSummary"));

    auto* refresh = ui::commandButton(QStringLiteral("刷新"), QStringLiteral("CommandRefresh"), this);
    auto* printButton = ui::commandButton(QStringLiteral("打印"), QStringLiteral("CommandPrint"), this);
    auto* exportButton = ui::commandButton(QStringLiteral("导出"), QStringLiteral("CommandExport"), this);
    auto* close = ui::commandButton(QStringLiteral("关闭"), QStringLiteral("CommandClose"), this);
    connect(refresh, &QPushButton::clicked, this, &OrderStandingWindow::showStanding);
    connect(printButton, &QPushButton::clicked, this, &OrderStandingWindow::print);
    connect(exportButton, &QPushButton::clicked, this, &OrderStandingWindow::exportSheet);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* commands = new QHBoxLayout;
    commands->addWidget(m_summary, 1);
    commands->addWidget(refresh);
    commands->addWidget(printButton);
    commands->addWidget(exportButton);
    commands->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_operations, 1);
    layout->addWidget(m_tickets, 3);
    layout->addLayout(commands);
    resize(900, 600);
    showStanding();
}

void OrderStandingWindow::showStanding()
{
    if (!ui::guarded(this, [&] { m_standing = orderStanding(m_ctx.conn(), m_orderId); }))
        return;
    QList<QStringList> operations;
    for (const OperationStanding& o : m_standing.operations)
        operations << operationTexts(o);
    fill(*m_operations, kOperationCaptions, operations);
    QList<QStringList> tickets;
    for (const TicketStanding& row : m_standing.tickets)
        tickets << ticketTexts(row);
    fill(*m_tickets, kTicketCaptions, tickets);
    // A line paying more than its bundle stands out in red, with why.
    for (int r = 0; r < m_standing.tickets.size(); ++r)
        if (!m_standing.tickets.at(r).overpaid.isEmpty())
            m_tickets->fillBackground(r + 1, 0, r + 1, TCheck, kOverpaidRed);
    m_summary->setText(summaryLines().constLast());
}

QStringList OrderStandingWindow::summaryLines() const
{
    QStringList lines;
    for (const OperationStanding& o : m_standing.operations)
        lines << QStringLiteral("%1：菲票 %2 张，已领取 %3 张（%4 %5），未领 %6 %5，已付工费 %7 元")
                     .arg(operationText(o.productNo, o.product))
                     .arg(o.tickets)
                     .arg(o.claimed)
                     .arg(o.piecesClaimed)
                     .arg(o.unit)
                     .arg(o.piecesOpen)
                     .arg(o.paid.moneyText());
    lines << QStringLiteral("菲票 %1 张，已领取 %2 张，已付工费合计 %3 元")
                 .arg(m_standing.tickets.size())
                 .arg(m_standing.claimed)
                 .arg(m_standing.labourCost.moneyText());
    if (m_standing.overpaid > 0)
        lines.last() += QStringLiteral("；%1 张菲票付的超过本扎（红色行）").arg(m_standing.overpaid);
    return lines;
}

bool OrderStandingWindow::print()
{
    return ui::printDocument(m_ctx, this, *m_tickets,
                             {QStringLiteral("生产单进度"), QStringLiteral("生产单：%1").arg(m_orderNo), summaryLines()});
}

bool OrderStandingWindow::exportSheet()
{
    ui::SheetRows rows;
    rows << sheetRow({QStringLiteral("生产单进度"), m_orderNo}, true) << QList<ui::SheetCell>{};
    rows << sheetRow(kOperationCaptions, true);
    for (const OperationStanding& o : m_standing.operations) {
        QList<ui::SheetCell> row = sheetRow(operationTexts(o));
        row.last() = {{}, o.paid};
        rows << row;
    }
    QList<ui::SheetCell> total = sheetRow({QStringLiteral("合计")}, true);
    total.resize(kOperationCaptions.size());
    total.last() = {{}, m_standing.labourCost, true};
    rows << total << QList<ui::SheetCell>{} << sheetRow(kTicketCaptions, true);
    for (const TicketStanding& t : m_standing.tickets) {
        QList<ui::SheetCell> row = sheetRow(ticketTexts(t));
        if (t.paid)
            row[TPaid] = {{}, t.paid};
        rows << row;
    }
    const QList<int> widths{900, 2400, 900, 2200, 1800, 1200, 1900, 1200, 3600};
    return ui::exportSheet(this, rows, widths,
                           m_ctx.paths().file(QStringLiteral("生产单进度%1.xlsx").arg(fileNamePart(m_orderNo))));
}

} // namespace kv
