#include "stats/ChartData.h"

#include "data/Database.h"
#include "data/TextRules.h"
#include "lists/CodeList.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace kv {

QList<NamedAmount> productionByWorkshop(Database& db, const QList<EmployeeWage>& rows)
{
    QList<NamedAmount> out;
    for (const EmployeeWage& row : orderByWorkshop(rows, CodeList(db, CodeListKind::Workshop).names())) {
        const QString name = row.workshop.isEmpty() ? QStringLiteral("未分车间") : row.workshop;
        if (out.isEmpty() || out.last().name != name)
            out.append({name, {}});
        out.last().amount += row.production;
    }
    return out;
}

QList<NamedAmount> topProducers(const QList<EmployeeWage>& rows, int count)
{
    QList<EmployeeWage> sorted;
    for (const EmployeeWage& row : rows)
        if (row.production > Decimal())
            sorted << row;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const EmployeeWage& a, const EmployeeWage& b) { return a.production > b.production; });
    QHash<QString, int> namesakes;
    for (const EmployeeWage& row : rows)
        ++namesakes[row.name];
    QList<NamedAmount> out;
    QSet<QString> labels;
    for (int i = 0; i < std::min<qsizetype>(count, sorted.size()); ++i) {
        const EmployeeWage& row = sorted.at(i);
        QString label = namesakes.value(row.name) > 1 ? QStringLiteral("%1（%2）").arg(row.name, row.number) : row.name;
        // Two employees under one number as well (a file from before numbers were unique).
        if (labels.contains(label))
            label += QStringLiteral("#%1").arg(row.id);
        labels.insert(label);
        out.append({label, row.production});
    }
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
        MonthPoint point{monthText(first.year(), first.month()), {}, {}};
        for (const EmployeeWage& row :
             statistics.compute(PeriodKind::Month, dateRange(first, first.addMonths(1).addDays(-1)))) {
            point.production += row.production;
            point.netPay += row.netPay();
        }
        data.trend << point;
    }
    return data;
}

} // namespace kv
