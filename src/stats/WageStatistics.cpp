#include "stats/WageStatistics.h"

#include "data/Database.h"
#include "data/TextRules.h"
#include "data/WorkProgress.h"

#include <QDate>
#include <QHash>

#include <algorithm>

namespace kv {

namespace {
struct Sums {
    Decimal production;
    Decimal deductions;
};
using SumsByNumber = QHash<QString, Sums>;

// Counts the rows read and tells the progress now and then; false once the run is to stop.
class RowCount {
public:
    explicit RowCount(WorkProgress* progress) : m_progress(progress) {}
    bool next()
    {
        constexpr int kRowsPerReport = 1024;
        if (++m_rows % kRowsPerReport != 0 || !m_progress)
            return true;
        return m_progress->advance(m_rows);
    }

private:
    WorkProgress* m_progress;
    int m_rows = 0;
};

// Adds the rows "number, sum" of a query over the range to one of the two sums.
void addSums(Database& db, const QString& groupedSql, const QVariantList& range, SumsByNumber& sums,
             Decimal Sums::*field, RowCount& count)
{
    Statement st = db.prepare(groupedSql);
    st.bindAll(range);
    while (count.next() && st.next())
        if (!st.isNull(0)) // a line without a number belongs to nobody
            sums[st.text(0)].*field = st.decimal(1);
}

// Every employee in ascending id with the sums of its cleaned number.
QList<EmployeeWage> listEmployees(Database& db, const SumsByNumber& sums, RowCount& count)
{
    QList<EmployeeWage> wages;
    wages.reserve(sums.size()); // most employees have lines
    Statement st = db.prepare(QStringLiteral("SELECT id, 工号, 姓名, 车间 FROM 员工 ORDER BY id"));
    while (count.next() && st.next()) {
        EmployeeWage wage;
        wage.id = st.integer(0);
        wage.number = st.text(1);
        wage.name = st.text(2);
        wage.workshop = cleanText(st.text(3));
        const Sums s = sums.value(cleanText(wage.number));
        wage.production = s.production;
        wage.deductions = s.deductions;
        wages.append(std::move(wage));
    }
    return wages;
}
} // namespace

QList<EmployeeWage> WageStatistics::compute(PeriodKind kind, const DateRange& range)
{
    return kind == PeriodKind::Day ? fromJournals(range) : fromMonthlyTotals(range);
}

QList<EmployeeWage> WageStatistics::fromJournals(const DateRange& range)
{
    // The range comes first in each journal's (日期, 工号, amount) index, so the scan reads that
    // index alone.
    SumsByNumber sums;
    RowCount count(m_progress);
    if (!range.isEmpty()) {
        const QVariantList bounds{range.first, range.last};
        addSums(m_db,
                QStringLiteral("SELECT 工号, decimal_sum(金额) FROM 工资流水 "
                               "WHERE 日期 >= ? AND 日期 <= ? GROUP BY 工号"),
                bounds, sums, &Sums::production, count);
        addSums(m_db,
                QStringLiteral("SELECT 工号, decimal_sum(扣减金额) FROM 扣减流水 "
                               "WHERE 日期 >= ? AND 日期 <= ? GROUP BY 工号"),
                bounds, sums, &Sums::deductions, count);
    }
    return listEmployees(m_db, sums, count);
}

QList<EmployeeWage> WageStatistics::fromMonthlyTotals(const DateRange& range)
{
    SumsByNumber sums;
    RowCount count(m_progress);
    if (!range.isEmpty()) {
        // One month is a range of the primary key (月份, 工号), a few thousand rows to group. Over
        // several months the rows are read in the order of the (工号, 月份, sums) index, which
        // groups them as it goes and holds both sums. Comparing 月份 || '' instead of 月份 keeps
        // the planner off the month range of the key, which it would take and then sort.
        const QString first = range.first.left(7);
        const QString last = range.last.left(7);
        const QString month = first == last ? QStringLiteral("月份") : QStringLiteral("月份 || ''");
        Statement st = m_db.prepare(QStringLiteral("SELECT 工号, decimal_sum(生产金额), decimal_sum(扣减) "
                                                   "FROM 月度合计 WHERE %1 >= ? AND %1 <= ? GROUP BY 工号")
                                        .arg(month));
        st.bindAll({first, last});
        while (count.next() && st.next())
            sums.insert(st.text(0), {st.decimal(1), st.decimal(2)});
    }
    return listEmployees(m_db, sums, count);
}

bool WageStatistics::stopped() const
{
    return m_progress && m_progress->cancelled();
}

int employeeCount(Database& db)
{
    Statement st = db.prepare(QStringLiteral("SELECT count(*) FROM 员工"));
    return st.next() ? int(st.integer(0)) : 0;
}

bool runsOffWindow(int employees, PeriodKind kind, const DateRange& range)
{
    // Some 400,000 rows read and summed take about a third of a second; a tenth of a second is
    // still answered on the window's thread without a progress dialog.
    constexpr qint64 kRowsOnWindow = 100'000;
    const QDate first = QDate::fromString(range.first, QStringLiteral("yyyy-MM-dd"));
    const QDate last = QDate::fromString(range.last, QStringLiteral("yyyy-MM-dd"));
    qint64 months = 1;
    if (kind != PeriodKind::Day && first.isValid() && last.isValid())
        months = std::max(1, (last.year() - first.year()) * 12 + last.month() - first.month() + 1);
    return qint64(employees) * months > kRowsOnWindow;
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
