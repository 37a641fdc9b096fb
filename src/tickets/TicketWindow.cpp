#include "tickets/TicketWindow.h"

#include "data/AppContext.h"
#include "data/Error.h"
#include "data/TextRules.h"
#include "tickets/BundleTickets.h"
#include "tickets/OrderStandingWindow.h"
#include "tickets/TicketPrint.h"
#include "ui/DataGrid.h"
#include "ui/ListGrid.h"
#include "ui/MessageBox.h"
#include "ui/Permission.h"
#include "ui/UserSettings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kv {

namespace {
const QString kPaperKey = QStringLiteral("tickets/paper");
enum OrderColumn { OOrderNo, OStyle, ODate, OBundles, OPieces, OTickets, OClaimed, OId, OrderColumnCount };
}

TicketWindow::TicketWindow(AppContext& ctx, QWidget* parent, const QString& productNo) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("菲票Frm"));
    setWindowTitle(QStringLiteral("菲票"));
    resize(760, 520);

    auto* form = new QFormLayout;
    m_orderNo = new QLineEdit(this);
    m_orderNo->setObjectName(QStringLiteral("txtOrderNo"));
    m_style = new QLineEdit(this);
    m_style->setObjectName(QStringLiteral("txtStyle"));
    m_date = new QLineEdit(dateText(m_ctx.clock().today()), this);
    m_date->setObjectName(QStringLiteral("txtDate"));
    m_operations = new QLineEdit(productNo, this);
    m_operations->setObjectName(QStringLiteral("txtOperations"));
    m_operations->setPlaceholderText(QStringLiteral("产品编号，多道工序用空格分开"));
    m_total = new QSpinBox(this);
    m_total->setObjectName(QStringLiteral("spinTotal"));
    m_total->setRange(1, 1000000);
    m_total->setValue(100);
    m_perBundle = new QSpinBox(this);
    m_perBundle->setObjectName(QStringLiteral("spinPerBundle"));
    m_perBundle->setRange(1, 100000);
    m_perBundle->setValue(20);
    form->addRow(QStringLiteral("生产单号："), m_orderNo);
    form->addRow(QStringLiteral("款号："), m_style);
    form->addRow(QStringLiteral("日期："), m_date);
    form->addRow(QStringLiteral("工序："), m_operations);
    auto* bundles = new QHBoxLayout;
    bundles->addWidget(new QLabel(QStringLiteral("总数量"), this));
    bundles->addWidget(m_total);
    bundles->addWidget(new QLabel(QStringLiteral("每扎"), this));
    bundles->addWidget(m_perBundle);
    bundles->addStretch();
    form->addRow(QStringLiteral("分扎："), bundles);

    auto* create = new QPushButton(QStringLiteral("建单并打印菲票"), this);
    create->setObjectName(QStringLiteral("cmdCreate"));
    auto* print = new QPushButton(QStringLiteral("重打所选生产单"), this);
    print->setObjectName(QStringLiteral("cmdPrint"));
    ui::permit(create, m_ctx.session().refusal(Right::MasterData));
    connect(create, &QPushButton::clicked, this, [this] { createAndPrint(); });
    connect(print, &QPushButton::clicked, this, [this] { printCurrent(); });
    auto* standing = new QPushButton(QStringLiteral("生产单进度"), this);
    standing->setObjectName(QStringLiteral("cmdStanding"));
    connect(standing, &QPushButton::clicked, this, [this] { openStanding(); });
    // The paper belongs to this computer's printer: kept with the user's own settings.
    m_paper = new QComboBox(this);
    m_paper->setObjectName(QStringLiteral("cboPaper"));
    m_paper->addItem(QStringLiteral("A4 纸（每页 12 张）"), int(TicketPaper::A4Sheet));
    m_paper->addItem(QStringLiteral("标签纸 60×40 毫米"), int(TicketPaper::Label60x40));
    m_paper->setCurrentIndex(std::max(0, m_paper->findData(ui::userSettings().value(kPaperKey).toInt())));
    connect(m_paper, &QComboBox::currentIndexChanged, this,
            [this] { ui::userSettings().setValue(kPaperKey, m_paper->currentData().toInt()); });
    form->addRow(QStringLiteral("纸张："), m_paper);

    auto* commands = new QHBoxLayout;
    commands->addWidget(create);
    commands->addWidget(print);
    commands->addWidget(standing);
    commands->addStretch();

    m_grid = new ui::DataGrid(this);
    m_grid->setObjectName(QStringLiteral("fg"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(commands);
    layout->addWidget(m_grid, 1);
    ui::guarded(this, [this] { loadOrders(); });
}

void TicketWindow::loadOrders()
{
    const QList<WorkOrderSummary> orders = BundleTickets(m_ctx.conn()).orders();
    m_grid->setCols(OrderColumnCount);
    m_grid->setRows(int(orders.size()) + 1);
    const QStringList captions{QStringLiteral("生产单号"), QStringLiteral("款号"),   QStringLiteral("日期"),
                               QStringLiteral("扎数"),     QStringLiteral("数量"),   QStringLiteral("菲票数"),
                               QStringLiteral("已领取"),   QString()};
    for (int c = 0; c < OrderColumnCount; ++c)
        m_grid->setText(0, c, captions.at(c));
    m_grid->setColHidden(OId, true);
    for (int r = 0; r < orders.size(); ++r) {
        const WorkOrderSummary& o = orders.at(r);
        const QStringList texts{o.orderNo,
                                o.style,
                                dateText(o.date),
                                QString::number(o.bundles),
                                QString::number(o.pieces),
                                QString::number(o.tickets),
                                QString::number(o.claimed),
                                QString::number(o.id)};
        for (int c = 0; c < OrderColumnCount; ++c)
            m_grid->setText(r + 1, c, texts.at(c));
    }
    ui::setListRowHeights(*m_grid);
    ui::fitListColumns(*m_grid);
}

bool TicketWindow::createAndPrint()
{
    qint64 id = 0;
    const bool made = ui::guarded(this, [&] {
        const std::optional<QDate> date = parseDateText(m_date->text());
        if (!date)
            throw InputError(QStringLiteral("日期格式不对，请按 2026-12-7 的样子输入！"));
        const QStringList operations =
            cleanText(m_operations->text()).split(QRegularExpression(QStringLiteral("[\\s,，、]+")), Qt::SkipEmptyParts);
        id = BundleTickets(m_ctx.conn())
                 .createWorkOrder({m_orderNo->text(), m_style->text(), *date, operations,
                                   quickFillBundles(m_total->value(), m_perBundle->value())});
    });
    if (!made)
        return false;
    loadOrders();
    QList<BundleTicket> tickets;
    if (!ui::guarded(this, [&] { tickets = BundleTickets(m_ctx.conn()).ticketsOf(id); }))
        return false;
    return printTickets(m_ctx, this, cleanText(m_orderNo->text()), tickets, paper());
}

TicketPaper TicketWindow::paper() const
{
    return TicketPaper(m_paper->currentData().toInt());
}

qint64 TicketWindow::currentOrder()
{
    if (m_grid->rows() < 2 || m_grid->row() < 1) {
        ui::message(this, QStringLiteral("请先选择生产单！"), {}, ui::Icon::Information);
        return 0;
    }
    return m_grid->text(m_grid->row(), OId).toLongLong();
}

bool TicketWindow::printCurrent()
{
    const qint64 id = currentOrder();
    if (id == 0)
        return false;
    const QString orderNo = m_grid->text(m_grid->row(), OOrderNo);
    QList<BundleTicket> tickets;
    if (!ui::guarded(this, [&] { tickets = BundleTickets(m_ctx.conn()).ticketsOf(id); }))
        return false;
    return printTickets(m_ctx, this, orderNo, tickets, paper());
}

OrderStandingWindow* TicketWindow::openStanding()
{
    const qint64 id = currentOrder();
    if (id == 0)
        return nullptr;
    auto* window = new OrderStandingWindow(m_ctx, id, m_grid->text(m_grid->row(), OOrderNo), this);
    window->show();
    return window;
}

} // namespace kv
