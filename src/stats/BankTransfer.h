#pragma once

#include "data/Decimal.h"
#include "data/NetPayRounding.h"
#include "data/TextRules.h"
#include "stats/CashBreakdown.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kv {

class Database;

// 银行代发: the sheet of names, card numbers and amounts the office hands the bank on pay day,
// and the workers paid in cash beside it.

// A worker's pay as the statistics sheet shows it: the employee by id, its exact net pay.
struct PayDue {
    qint64 id = 0;
    QString number;
    QString name;
    Decimal netPay;
};

// One worker's transfer or cash payment.
struct Payment {
    QString number;
    QString name;
    QString bank;   // 开户银行
    QString card;   // 银行卡号, the digits in full; empty when paid in cash
    Decimal netPay; // exact
    Decimal amount; // paidOut of the net pay
};

struct TransferSheet {
    QList<Payment> transfers; // by bank, in the order of the rows given
    QList<Payment> cash;      // 现金发放
    // Employees to be paid by bank (发放方式 银行) without a card number: the sheet is refused
    // while there are any, so that nobody is left out of a file handed to the bank unnoticed.
    QStringList withoutCard;
    QStringList notPaid; // net pay after rounding zero or less: neither transferred nor paid
    QStringList gone;    // no longer stored since the statistics ran
    Decimal transferTotal;
    Decimal cashTotal;
    NetPayRounding rounding; // the month's, as the sheet pays it

    bool refused() const { return !withoutCard.isEmpty() || !gone.isEmpty(); }
};

// Sorts the pays into transfers and cash by each employee's 发放方式 as stored now (payMethodOf,
// PayMethod.h), each paid paidOut of his net pay. The one split of pay day: 零钞统计 counts the
// notes of the cash part (cashPays). Throws DbError.
TransferSheet transferSheet(Database& db, const QList<PayDue>& pays, const NetPayRounding& rounding);
// The sheet of a month's pay: of an open month as above, with the rounding set now; of a closed
// month with its own rounding and each worker's bank, card and 发放方式 as they were when it was
// closed (PaySnapshot.h), by employee id. Throws DbError.
TransferSheet monthTransferSheet(Database& db, const QList<PayDue>& pays, const YearMonth& month);

// The workers the sheet pays in cash, for the envelopes of 零钞统计.
QList<ShownPay> cashPays(const TransferSheet& sheet);

// Why the sheet cannot be handed to the bank, naming the employees; empty when it can.
QString transferRefusal(const TransferSheet& sheet);

// The bank's file as CSV: a header row 姓名,卡号,金额,备注 and a row per transfer, UTF-8 with a
// byte-order mark so that spreadsheet programs read the Chinese, CRLF line ends, every field
// quoted. A text that a spreadsheet would take for a formula (starting with = + - @, a tab or a
// carriage return) gets a leading apostrophe, so that it stays text. Amounts to the cent.
QByteArray transferCsv(const TransferSheet& sheet, const QString& note);

// Writes the CSV file whole or not at all (an existing file stays as it was on failure), the
// owner's alone in the data folder (OutputFiles.h). False with the reason in Chinese in *error.
bool saveTransferCsv(const TransferSheet& sheet, const QString& note, const QString& filePath, QString* error);
// What the user is told with a file that holds card numbers in full, by where it lies.
QString cardNumbersNote(const QString& filePath);

// A CSV field as transferCsv writes it, for a text.
QString csvTextField(const QString& text);

} // namespace kv
