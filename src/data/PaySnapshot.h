#pragma once

#include "data/Decimal.h"
#include "data/NetPayRounding.h"
#include "data/TextRules.h"

#include <QList>
#include <QString>

#include <optional>

namespace kv {

class Database;

// What a closed month paid, kept as a fact: closing stores, beside its 月结 row, one 月结明细 row
// per worker paid in the month (number, name, workshop, job type and how he was paid, as they
// were; production, deductions, net pay and the figure paid out) and, in the 月结 row, the
// pay-out settings then in force (rounding and cash denominations). Every report reads a closed
// month from here, so that renaming, moving, renumbering or removing an employee and changing
// the settings leave it as it was paid. Reopening drops it; closing again takes a new one.

// The key of the cash denominations in kelvaro_meta (kept by 零钞统计).
inline constexpr auto kCashDenominationsKey = u"cash_denominations";

struct PaidWorker {
    qint64 employeeId = 0; // 员工.id when the month was closed
    QString number;
    QString name;
    QString workshop; // cleaned, as the statistics group by it
    QString jobType;
    QString bank;   // 开户银行
    QString card;   // 银行卡号
    QString method; // 发放方式
    Decimal production;
    Decimal deductions;
    Decimal paid; // the net pay rounded as the month's rounding said
    Decimal netPay() const { return production - deductions; }
};

struct PaidMonth {
    YearMonth month;
    NetPayRounding rounding;
    QString denominations;     // as the setting was stored; empty: the default ones
    QList<PaidWorker> workers; // in ascending employee id
};

// Inside the closing transaction, after the month's saves have been waited for: stores the
// snapshot of the month from its monthly totals and the employees as they are now, and the 月结
// row with the settings in force. A worker is every employee whose cleaned number has lines in
// the month (as the statistics count them). Throws DbError, or InputError when snapshot rows of
// the month are already there (written past the program).
// A clerk's role on a server writes the 月结 row (and the log entry) through the server's function,
// with the server's time and the account its password's proof shows: ByServer.
enum class ClosingWritten { Here, ByServer };
ClosingWritten storeClosedMonth(Database& db, const YearMonth& month, const QString& at, const QString& account);

// The snapshot of a month already closed without one (files of older versions): taken from the
// data as they stand, with the settings in force now.
void snapshotClosedMonth(Database& db, const YearMonth& month);

// Removes the snapshot of a month being reopened (the 月结 row goes with it, by the caller).
void dropPaySnapshot(Database& db, const YearMonth& month);

// The closed months from first to last (both included), oldest first, each with its snapshot.
// Throws DbError.
QList<PaidMonth> paidMonths(Database& db, const YearMonth& first, const YearMonth& last);
// One month's; none while it is open.
std::optional<PaidMonth> paidMonth(Database& db, const YearMonth& month);

// The rounding a month is paid out with: a closed month's own, an open month's as set now.
NetPayRounding monthRounding(Database& db, const YearMonth& month);
// The cash denominations setting (as stored, empty when never set) that pays a month.
QString monthDenominationsText(Database& db, const YearMonth& month);
// The setting now, as stored.
QString denominationsSetting(Database& db);

// How the paid figures over several months were rounded: each closed month as when it was
// closed, the open ones as set now.
struct PaidRounding {
    QList<NetPayRounding> used; // each rounding once
    void add(const NetPayRounding& rounding);
    // No month rounded: the paid figures are the net pay.
    bool isNone() const;
    // "取整到角（四舍五入）", or, when the months differ, "按各月的取整设置".
    QString text() const;
};

// The roundings of the months first to last. Throws DbError.
PaidRounding roundingOfMonths(Database& db, const YearMonth& first, const YearMonth& last);

} // namespace kv
