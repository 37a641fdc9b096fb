#include "stats/ChartData.h"

#include "data/Database.h"
#include "data/TextRules.h"
#include "lists/CodeList.h"

#include <algorithm>

namespace kv {

QList<NamedAmount> productionByWorkshop(Database& db, const QList<EmployeeWage>& rows)
{
    QList<NamedAmount> out;
    for (const EmployeeWage& row : orderByWorkshop(rows, CodeList(db, CodeListKind::Workshop).names())) {
        const QString name = row.workshop.isEmpty() ? QStringLiteral("未分车间") : row.workshop;
        if (out.isEmpty() || out.last().name != name)
            out.append({name, 0});
        out.last().amount += row.production;
    }
    return out;
}

QList<NamedAmount> topProducers(const QList<EmployeeWage>& rows, int count)
{
    QList<EmployeeWage> sorted;
    for (const EmployeeWage& row : rows)
        if (row.production > 0)
            sorted << row;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const EmployeeWage& a, const EmployeeWage& b) { return a.production > b.production; });
    QList<NamedAmount> out;
    for (int i = 0; i < std::min<qsizetype>(count, sorted.size()); ++i)
        out.append({sorted.at(i).name, sorted.at(i).production});
    return out;
}

ChartData chartData(Database& db, PeriodKind kind, const DateRange& period)
{
    WageStatistics statistics(db);
    const QList<EmployeeWage> rows = statistics.compute(kind, period);
    ChartData data{{}, productionByWorkshop(db, rows), topProducers(rows)};

    const QDate last = QDate::fromString(period.last, QStringLiteral("yyyy-MM-dd"));
    if (!last.isValid())
        return data;
    for (int back = kTrendMonths - 1; back >= 0; --back) {
        const QDate first = QDate(last.year(), last.month(), 1).addMonths(-back);
        MonthPoint point{monthText(first.year(), first.month())};
        for (const EmployeeWage& row : statistics.compute(PeriodKind::Month, dateRange(first, first.addMonths(1).addDays(-1)))) {
            point.production += row.production;
            point.netPay += row.netPay();
        }
        data.trend << point;
    }
    return data;
}

} // namespace kv
