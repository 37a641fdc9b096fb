#pragma once

#include "data/NetPayRounding.h"
#include "entry/EmployeeFinder.h"
#include "entry/MonthRecords.h"

#include <QList>
#include <QString>

#include <optional>

namespace kv {

class Database;

// One employee's stored month as it is handed out on pay day: every production line (date,
// product, unit, quantity, piece price, amount) and every deduction line (date, item, amount),
// with the totals of exactly those lines.
struct WageSlip {
    QString factory;
    EmployeeRef employee;        // as the employee list keeps him
    QString monthText;           // "2008-5"
    QList<LineTexts> production; // columns as ProductionColumn
    QList<LineTexts> deductions; // columns as DeductionColumn
    Decimal productionTotal;     // sum of the production lines' amounts
    Decimal teamTotal;           // of which the shares of team piece-work (集体计件)
    Decimal timeTotal;           // and time work (计时)
    Decimal pieceTotal() const { return productionTotal - teamTotal - timeTotal; }
    Decimal deductionTotal;  // sum of the deduction lines' amounts
    NetPayRounding rounding; // how the net pay is paid out
    Decimal netPay() const { return productionTotal - deductionTotal; }
    Decimal paidNetPay() const { return rounding.apply(netPay()); }
};

// Builds wage slips from the stored months.
class WageSlips {
public:
    explicit WageSlips(Database& db) : m_db(db) {}

    // The employee's slip of the month, from the stored lines, paid out as the month is. Throws
    // DbError.
    WageSlip slip(const EmployeeRef& employee, const YearMonth& month);
    // The slip of the employee with that id: of an open month as slip() makes it; of a closed
    // month from what it paid him (PaySnapshot.h): his number, name and workshop then, the lines
    // stored under that number, the month's rounding. None when there is no such employee (or
    // the closed month paid none by that id). Throws DbError.
    std::optional<WageSlip> slipOf(qint64 employeeId, const YearMonth& month);

private:
    Database& m_db;
};

// "生产金额合计：3,289.39", followed by its parts when the month has team or time pay:
// "（计件 15.00，集体 3,274.39，计时 0.00）".
QString productionTotalText(const WageSlip& slip);

// True when the lines on screen that a save would store are the stored lines: the same
// dates, texts and numbers, in any order. The slip is printed only from a saved month.
bool sameAsStored(const QList<LineTexts>& shownProduction, const QList<LineTexts>& shownDeductions,
                  const QList<LineTexts>& storedProduction, const QList<LineTexts>& storedDeductions);

} // namespace kv
