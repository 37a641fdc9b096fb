#include "stats/WageStatistics.h"

#include "data/Database.h"
#include "data/TextRules.h"

#include <QHash>

#include <algorithm>

namespace kv {

namespace {
// Sums of one journal's amounts per employee number over the range, from a query of the form
// "SELECT 工号, sum(amount) FROM journal WHERE 日期 >= ? AND 日期 <= ? GROUP BY 工号". The range
// comes first in the journal's (日期, 工号, amount) index, so the scan reads that index alone.
QHash<QString, double> sumsByNumber(Database& db, const QString& groupedSql, const DateRange& range)
{
    QHash<QString, double> sums;
    if (range.isEmpty())
        return sums;
    Statement st = db.prepare(groupedSql);
    st.bindAll({range.first, range.last});
    while (st.next())
        if (!st.isNull(0)) // a line without a number belongs to nobody
            sums.insert(st.text(0), st.number(1));
    return sums;
}
} // namespace

QList<EmployeeWage> WageStatistics::compute(const DateRange& range)
{
    const QHash<QString, double> production = sumsByNumber(
        m_db, QStringLiteral("SELECT 工号, sum(金额) FROM 工资流水 WHERE 日期 >= ? AND 日期 <= ? GROUP BY 工号"),
        range);
    const QHash<QString, double> deductions = sumsByNumber(
        m_db, QStringLiteral("SELECT 工号, sum(扣减金额) FROM 扣减流水 WHERE 日期 >= ? AND 日期 <= ? GROUP BY 工号"),
        range);

    QList<EmployeeWage> wages;
    Statement st = m_db.prepare(QStringLiteral("SELECT id, 工号, 姓名, 车间 FROM 员工 ORDER BY id"));
    while (st.next()) {
        EmployeeWage wage;
        wage.id = st.integer(0);
        wage.number = st.text(1);
        wage.name = st.text(2);
        wage.workshop = cleanText(st.text(3));
        const QString key = cleanText(wage.number);
        wage.production = production.value(key);
        wage.deductions = deductions.value(key);
        wages.append(wage);
    }
    return wages;
}

QList<EmployeeWage> orderByWorkshop(QList<EmployeeWage> wages, const QStringList& workshopList)
{
    const auto rank = [&](const EmployeeWage& w) {
        if (w.workshop.isEmpty())
            return std::pair{workshopList.size() + 1, QString()};
        const qsizetype listed = workshopList.indexOf(w.workshop);
        return listed >= 0 ? std::pair{listed, QString()} : std::pair{workshopList.size(), w.workshop};
    };
    std::stable_sort(wages.begin(), wages.end(),
                     [&](const EmployeeWage& a, const EmployeeWage& b) { return rank(a) < rank(b); });
    return wages;
}

} // namespace kv
