#include "tickets/OrderStanding.h"

#include "data/Database.h"

#include <QHash>

namespace kv {

OrderStanding orderStanding(Database& db, qint64 orderId)
{
    OrderStanding standing;
    // What the journal holds for the order's tickets, and who holds them.
    struct PaidLine {
        Decimal amount;
        QString product;
        QString unit;
        Decimal quantity;
    };
    QHash<QString, PaidLine> paid;
    Statement lines = db.prepare(QStringLiteral("SELECT l.菲票号, l.金额, l.产品, l.计量单位, l.数量 FROM 工资流水 l "
                                                "JOIN 菲票 t ON t.票号 = l.菲票号 WHERE t.生产单id = ?"));
    lines.bind(1, orderId);
    while (lines.next())
        paid.insert(lines.text(0), {lines.decimal(1), lines.text(2), lines.text(3), lines.decimal(4)});
    QHash<QString, QString> names;
    Statement people = db.prepare(QStringLiteral("SELECT 工号, 姓名 FROM 员工 WHERE 工号 IN "
                                                 "(SELECT 领取工号 FROM 菲票 WHERE 生产单id = ?) ORDER BY id DESC"));
    people.bind(1, orderId);
    while (people.next())
        names.insert(people.text(0), people.text(1)); // the first stored of namesakes wins

    QHash<QString, qsizetype> operationOf;
    // Pieces paid per bundle and operation, over every ticket of it (an order made before
    // operations listed twice were refused has two tickets for one).
    QHash<QString, Decimal> piecesOfBundle;
    const auto bundleKey = [](const BundleTicket& t) {
        return QString::number(t.bundleNo) + u'\x1f' + t.productNo + u'\x1f' + t.product;
    };
    for (const BundleTicket& t : BundleTickets(db).ticketsOf(orderId)) {
        TicketStanding row{t, names.value(t.claimedBy), std::nullopt};
        if (const auto it = paid.constFind(t.number); it != paid.cend()) {
            row.paid = it->amount;
            if (it->product != t.product || it->unit != t.unit)
                row.overpaid = QStringLiteral("付的是 %1（%2），不是本票的 %3（%4）")
                                   .arg(it->product, it->unit, t.product, t.unit);
            else if (it->quantity > Decimal::fromInteger(t.quantity))
                row.overpaid = QStringLiteral("付了 %1 %2，本扎只有 %3 %2")
                                   .arg(it->quantity.plainText(), t.unit, QString::number(t.quantity));
            else
                piecesOfBundle[bundleKey(t)] += it->quantity;
        }
        const QString key = t.productNo + u'\x1f' + t.product + u'\x1f' + t.unit;
        qsizetype at = operationOf.value(key, -1);
        if (at < 0) {
            at = standing.operations.size();
            operationOf.insert(key, at);
            OperationStanding operation;
            operation.productNo = t.productNo;
            operation.product = t.product;
            operation.unit = t.unit;
            standing.operations.append(operation);
        }
        OperationStanding& operation = standing.operations[at];
        ++operation.tickets;
        if (t.isClaimed()) {
            ++operation.claimed;
            ++standing.claimed;
            operation.piecesClaimed += t.quantity;
        } else {
            operation.piecesOpen += t.quantity;
        }
        if (row.paid) {
            operation.paid += *row.paid;
            standing.labourCost += *row.paid;
        }
        standing.tickets.append(row);
    }
    for (TicketStanding& row : standing.tickets) {
        const BundleTicket& t = row.ticket;
        const Decimal pieces = piecesOfBundle.value(bundleKey(t));
        if (row.paid && row.overpaid.isEmpty() && pieces > Decimal::fromInteger(t.quantity))
            row.overpaid = QStringLiteral("第 %1 扎的 %2 共付了 %3 %4，本扎只有 %5 %4")
                               .arg(QString::number(t.bundleNo), t.product, pieces.plainText(), t.unit,
                                    QString::number(t.quantity));
        if (!row.overpaid.isEmpty())
            ++standing.overpaid;
    }
    return standing;
}

} // namespace kv
