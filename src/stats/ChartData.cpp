#include "stats/ChartData.h"

#include "data/Database.h"
#include "data/TextRules.h"

#include <QHash>
#include <QMap>

#include <algorithm>

namespace kv {

QList<NamedAmount> productionByWorkshop(Database& db, const QList<EmployeeWage>& rows)
{
    QHash<qint64, QString> workshopOf;
    Statement st = db.prepare(QStringLiteral("SELECT id, 车间 FROM 员工"));
    while (st.next())
        workshopOf.insert(st.integer(0), cleanText(st.text(1)));
    QMap<QString, double> sums;
    for (const EmployeeWage& row : rows) {
        QString workshop = workshopOf.value(row.id);
        if (workshop.isEmpty())
            workshop = QStringLiteral("未分车间");
        sums[workshop] += row.production;
    }
    QList<NamedAmount> out;
    for (auto it = sums.cbegin(); it != sums.cend(); ++it)
        out.append({it.key(), it.value()});
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
