#include "tickets/OrderStanding.h"

#include "data/Database.h"

#include <QHash>

namespace kv {

OrderStanding orderStanding(Database& db, qint64 orderId)
{
    OrderStanding standing;
    // What the journal holds for the order's tickets, and who holds them.
    QHash<QString, Decimal> paid;
    Statement lines = db.prepare(QStringLiteral("SELECT l.菲票号, l.金额 FROM 工资流水 l JOIN 菲票 t ON t.票号 = l.菲票号 "
                                                "WHERE t.生产单id = ?"));
    lines.bind(1, orderId);
    while (lines.next())
        paid.insert(lines.text(0), lines.decimal(1));
    QHash<QString, QString> names;
    Statement people = db.prepare(QStringLiteral("SELECT 工号, 姓名 FROM 员工 WHERE 工号 IN "
                                                 "(SELECT 领取工号 FROM 菲票 WHERE 生产单id = ?) ORDER BY id DESC"));
    people.bind(1, orderId);
    while (people.next())
        names.insert(people.text(0), people.text(1)); // the first stored of namesakes wins

    QHash<QString, qsizetype> operationOf;
    for (const BundleTicket& t : BundleTickets(db).ticketsOf(orderId)) {
        TicketStanding row{t, names.value(t.claimedBy), std::nullopt};
        if (const auto it = paid.constFind(t.number); it != paid.cend())
            row.paid = *it;
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
    return standing;
}

} // namespace kv
