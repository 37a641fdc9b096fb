#pragma once

#include "data/Decimal.h"
#include "data/NetPayRounding.h"
#include "data/TextRules.h"

#include <QList>
#include <QString>

namespace kv {

class Database;

// 零钞统计: how many notes and coins of each denomination the office fetches from the bank so
// that every worker paid in cash gets the net pay in an envelope.

// The denominations paid in, largest first: 100, 50, 20, 10, 5, 1 元 and 5, 1 角 until changed.
QList<Decimal> defaultDenominations();
// "100元", "5角", "2分".
QString denominationName(Decimal value);
// The denominations as the settings keep them: "100 50 20 10 5 1 0.5 0.1".
QString denominationsText(const QList<Decimal>& denominations);
// Reads typed denominations (separated by blanks, commas or 、): each a positive amount of whole
// 分 below ten thousand, none twice. Sorted largest first; InputError naming the faulty entry.
QList<Decimal> parseDenominations(const QString& typed);

// The denominations kept with the data (kelvaro_meta); the default ones until set.
QList<Decimal> cashDenominations(Database& db);
// Those that pay the month: a closed month's as when it was closed, an open month's as set now.
QList<Decimal> cashDenominations(Database& db, const YearMonth& month);
// The denominations of a stored setting; the default ones for none or one no longer readable.
QList<Decimal> denominationsOf(const QString& stored);
// Stores typed denominations and logs the change; needs the right to close months.
void setCashDenominations(Database& db, const QString& typed);

// One worker's envelope.
struct CashEnvelope {
    QString number;
    QString name;
    Decimal netPay;        // exact, as the sheet shows it
    Decimal paid;          // paidOut of the net pay: what goes into the envelope
    QList<qint64> counts;  // per denomination, in the order of CashBreakdown::denominations
    Decimal remainder;     // what the notes cannot make up: paid otherwise
};

struct CashBreakdown {
    QList<Decimal> denominations;
    QList<CashEnvelope> envelopes;
    QList<qint64> totals; // per denomination
    Decimal totalPaid;    // of the envelopes
    Decimal totalRemainder;
    QStringList notPaidInCash; // workers whose net pay is zero or less: no envelope
    QStringList inexact;       // workers whose pay the denominations cannot make up exactly
};

// Worker's pay as shown on the statistics sheet.
struct ShownPay {
    QString number;
    QString name;
    Decimal netPay;
};

// Breaks each positive paid figure (paidOut, PayMethod.h) into notes of the given denominations:
// as much of it as they can make up, in the fewest notes (an exact count over 分, for any set of
// denominations: with 50 and 20, 60 is three 20s), and among equally few the larger notes. What
// they cannot make up is the envelope's remainder, paid otherwise. Every envelope adds up to its
// paid figure exactly, and the totals to the sum of the envelopes. InputError when the
// denominations are too odd for amounts that large to be counted.
CashBreakdown breakDownCash(const QList<ShownPay>& pays, const QList<Decimal>& denominations,
                            const NetPayRounding& rounding);

} // namespace kv
