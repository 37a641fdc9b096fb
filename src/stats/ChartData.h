#pragma once

#include "stats/WageStatistics.h"

#include <QList>
#include <QString>

namespace kv {

class Database;

// One month of the trend: the statistics totals of that month.
struct MonthPoint {
    QString month; // "2008-5"
    Decimal production;
    Decimal netPay;
};

// A bar: a workshop's or an employee's production total, under the label its axis shows.
struct NamedAmount {
    QString name;
    Decimal amount;
};

// What the charts of the statistics window draw, made from the same sums as its grid.
struct ChartData {
    QList<MonthPoint> trend;         // the months up to the period's last, oldest first
    QList<NamedAmount> workshops;    // production per workshop in the period, by name
    QList<NamedAmount> topEmployees; // the highest production totals of the period, highest first
};

inline constexpr int kTrendMonths = 12;
inline constexpr int kTopEmployees = 20;

// The production total per workshop of the employees' rows, in the order of the payroll sheet
// grouped by workshop: the workshop list's order, then workshops not in the list by name, then
// "未分车间" for employees whose record names none.
QList<NamedAmount> productionByWorkshop(Database& db, const QList<EmployeeWage>& rows);
// The `count` highest production totals above zero, highest first; equal totals in row order.
// Each bar is labelled with the employee's name, followed by the number ("张三（001）") when
// another employee of the rows has the same name: an axis shows one category per label, so
// every employee needs a label of its own.
QList<NamedAmount> topProducers(const QList<EmployeeWage>& rows, int count = kTopEmployees);

// The charts' data for a period: its rows, and the trend of the kTrendMonths months ending
// with the month of the period's last day. Throws DbError.
ChartData chartData(Database& db, PeriodKind kind, const DateRange& period);

} // namespace kv
