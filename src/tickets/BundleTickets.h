#pragma once

#include "data/Decimal.h"
#include "entry/MonthRecords.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kv {

class Database;

// A work order (生产单) as the clerk makes it: the order or style it is for, its date, the
// operations it pays (products of the product list, by number) and its bundles (扎), numbered
// from 1 in list order, each with its quantity.
struct WorkOrderDraft {
    QString orderNo; // 单号
    QString style;   // 款号
    QDate date;
    QStringList productNos;
    QList<int> bundles;
};

// `total` pieces in bundles of `perBundle`, the last one the remainder: 105 in 20s gives five
// of 20 and one of 5. Nothing when either is not positive.
QList<int> quickFillBundles(int total, int perBundle);

// One ticket: a bundle of a work order for one of its operations, and who claimed it.
struct BundleTicket {
    QString number;
    qint64 orderId = 0;
    QString orderNo;
    QString style;
    int bundleNo = 0;
    int quantity = 0;
    QString productNo;
    QString product;
    QString unit;
    Decimal price; // the product's piece price when the order was made
    // The claim: the employee's number and the month whose lines hold the ticket, and when it
    // was claimed; empty while the ticket is open.
    QString claimedBy;
    QString claimedMonth;
    QDateTime claimedAt;

    bool isClaimed() const { return !claimedBy.isEmpty(); }
};

// A stored work order as the ticket window lists it.
struct WorkOrderSummary {
    qint64 id = 0;
    QString orderNo;
    QString style;
    QDate date;
    int bundles = 0;
    int pieces = 0;
    int tickets = 0;
    int claimed = 0;
};

// Work orders and their bundle tickets (tables 生产单, 生产单工序, 扎, 菲票). A ticket is paid
// through a production line that names it: saving an employee's month claims the tickets of its
// lines for that employee and month, in the save's transaction, and releases those the month no
// longer names (MonthRecords).
class BundleTickets {
public:
    explicit BundleTickets(Database& db) : m_db(db) {}

    // Stores the work order and issues one ticket per bundle and operation, numbered after
    // every ticket issued before on any connection, in one transaction. Needs the right to
    // change master data; refuses with InputError an order number that is empty or taken, an
    // unknown product, an operation listed twice (two tickets would pay one bundle's operation
    // twice), no operation, no bundle or a bundle of no pieces. Returns the order's id.
    qint64 createWorkOrder(const WorkOrderDraft& draft);

    // Every work order, the newest first.
    QList<WorkOrderSummary> orders();
    // The tickets of a work order, bundle by bundle, operations in the order given.
    QList<BundleTicket> ticketsOf(qint64 orderId);
    // The ticket with this number as typed or scanned (blanks around it ignored); throws
    // InputError for a number whose check digit does not fit or that no ticket has.
    BundleTicket ticket(const QString& typed);
    // The ticket, when it may still be claimed: also refuses a ticket already claimed, saying
    // by whom and when (claimedText).
    BundleTicket openTicket(const QString& typed);

    // The production line a scanned or typed ticket adds to an employee's month whose lines are
    // `shown` (not saved yet): on `day`, the operation as product with its unit and number, the
    // bundle's quantity and the product's piece price in force on `day` (the order's, when the
    // product has gone from the list or had no price then), the ticket named. Refuses with InputError a number that is bad or
    // unknown, a ticket already on a shown line, or one that another employee or month holds.
    LineTexts scannedLine(const QString& typed, const QString& employeeNo, const QString& monthText,
                          const QDate& day, const QList<LineTexts>& shown);

    // Inside a month's save, after its month was claimed: the month's lines name exactly the
    // tickets of those `lines` that name one. Tickets it named before and no longer names are open
    // again; the others are claimed for the employee and month at `at`, kept as they were where
    // this month held them already. Throws InputError for a bad or unknown number, a ticket named
    // twice, a ticket another employee or month holds, or a line whose product, unit or quantity
    // is not its ticket's (a ticket pays its bundle's pieces of its operation, no more, no other);
    // the caller's transaction then keeps nothing.
    void claimForMonth(const QString& employeeNo, const QString& monthText, const QList<ProductionLine>& lines,
                       const QDateTime& at);
    // Inside the clearing of a month: its tickets are open again.
    void releaseMonth(const QString& employeeNo, const QString& monthText);

    // "该菲票已由 张三（001）于 2026-12-7 领取"
    QString claimedText(const BundleTicket& ticket);

    // Empty when the line pays what its ticket says (product, unit and the bundle's quantity);
    // otherwise why not, naming the line.
    static QString lineMismatch(const ProductionLine& line, const BundleTicket& ticket);

private:
    qint64 issueSerials(int count);

    Database& m_db;
};

} // namespace kv
