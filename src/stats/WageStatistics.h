#pragma once

#include "data/Decimal.h"
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
    QList<EmployeeWage> compute(PeriodKind kind, const DateRange& range);

    // The same sums read from the journals over any range of days: each journal read once,
    // grouped by number over its date index.
    QList<EmployeeWage> fromJournals(const DateRange& range);
    // The same sums read from 月度合计 over the whole months from the range's first to its last.
    QList<EmployeeWage> fromMonthlyTotals(const DateRange& range);

    // True when the progress told the run to stop.
    bool stopped() const;

private:
    Database& m_db;
    WorkProgress* m_progress;
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
