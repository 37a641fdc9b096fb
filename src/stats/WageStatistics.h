#pragma once

#include "data/Decimal.h"
#include "data/PaySnapshot.h"
#include "stats/StatsPeriod.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kv {

class Database;
class WorkProgress;

// One employee's line of the statistics.
struct EmployeeWage {
    qint64 id = 0;
    QString number; // 工号 as stored with the employee
    QString name;
    QString workshop;
    Decimal production; // sum of 金额 in 工资流水 (or of the months' 生产金额 in 月度合计)
    Decimal deductions; // sum of 扣减金额 in 扣减流水 (or of the months' 扣减 in 月度合计)
    Decimal paid;       // as paid out: each closed month's stored figure, the rest rounded as set now
    Decimal netPay() const { return production - deductions; }
};

// Sums per employee the production and deductions of a period.
class WageStatistics {
public:
    // With a progress, the reading of rows reports to it now and then and stops early once it is
    // told to stop; the figures of a stopped run are incomplete and are thrown away.
    explicit WageStatistics(Database& db, WorkProgress* progress = nullptr) : m_db(db), m_progress(progress) {}

    // Every employee, in ascending id, with the sums of the lines stored under its number
    // (cleaned, as lines are stored) in the period; 0 for an employee without lines. A month, a
    // quarter or a year is read from the monthly totals, a day from the journals; both give the
    // same figures. Throws DbError.
    // Closed months are read from what they paid (PaySnapshot.h): a closed month, or a range of
    // closed months only, lists the workers paid, as they were then (of several months, as in
    // the last one); a range with open months lists every employee as now, with the closed
    // months' figures added to the employee they paid, and a row of its own for a worker paid
    // in them who is no longer stored. A day of a closed month lists that month's workers with
    // the day's lines under their numbers then.
    QList<EmployeeWage> compute(PeriodKind kind, const DateRange& range);
    // How the paid figures of the last compute were rounded.
    const PaidRounding& rounding() const { return m_rounding; }

    // The same sums read from the journals over any range of days: each journal read once,
    // grouped by number over its date index.
    QList<EmployeeWage> fromJournals(const DateRange& range);
    // The same sums read from 月度合计 over the whole months from the range's first to its last.
    QList<EmployeeWage> fromMonthlyTotals(const DateRange& range);

    // True when the progress told the run to stop.
    bool stopped() const;

private:
    // The live sums of the open months of the range, the closed ones' added from their snapshots.
    QList<EmployeeWage> withClosedMonths(const DateRange& range, const QList<PaidMonth>& closed);
    // A day of a closed month: its workers with the day's lines.
    QList<EmployeeWage> dayOfClosedMonth(const DateRange& range, const PaidMonth& month);

    Database& m_db;
    WorkProgress* m_progress;
    PaidRounding m_rounding;
};

// How many employees the statistics list, one row each. Throws DbError.
int employeeCount(Database& db);
// Whether a run of the period over that many employees reads rows enough (a row of the monthly
// totals per employee and month; of a day, its lines) to take a noticeable part of a second, and
// so runs off the window's thread.
bool runsOffWindow(int employees, PeriodKind kind, const DateRange& range);

// The wages ordered by workshop, for a payroll sheet with a subtotal per workshop: first the
// workshops of the workshop list in its order, then workshops not listed by name, then the
// employees without a workshop. Within a workshop the order stays as it was.
QList<EmployeeWage> orderByWorkshop(QList<EmployeeWage> wages, const QStringList& workshopList);

} // namespace kv

// Moved as its bytes when a list of them grows.
Q_DECLARE_TYPEINFO(kv::EmployeeWage, Q_RELOCATABLE_TYPE);
