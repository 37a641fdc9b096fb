#pragma once

#include "data/Decimal.h"
#include "tickets/BundleTickets.h"

#include <QList>
#include <QString>

#include <optional>

namespace kv {

class Database;

// A ticket of a work order and what was paid for it: the amount stored on the production line
// that names it (empty while the ticket is open) and the name of the employee who claimed it.
struct TicketStanding {
    BundleTicket ticket;
    QString claimedName;
    std::optional<Decimal> paid;
    // Why the line paying the ticket pays more than its bundle (other product or unit, more
    // pieces, or the bundle's operation paid through another ticket too); empty when it does not.
    QString overpaid = {};
};

// One operation of a work order over all its bundles.
struct OperationStanding {
    QString productNo;
    QString product;
    QString unit;
    int tickets = 0;
    int claimed = 0;
    int piecesClaimed = 0;
    int piecesOpen = 0;
    Decimal paid;
};

// Where every bundle of a work order stands: each ticket claimed (by whom, when, for how much)
// or open, the operations with their counts and amounts, and the labour paid for the order so
// far, which is the sum of the amounts the journal holds for its tickets.
struct OrderStanding {
    QList<TicketStanding> tickets;
    QList<OperationStanding> operations; // in the order's own order of operations
    Decimal labourCost;
    int claimed = 0;
    int overpaid = 0; // tickets whose lines pay more than their bundle
};

OrderStanding orderStanding(Database& db, qint64 orderId);

} // namespace kv
