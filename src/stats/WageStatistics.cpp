#include "stats/WageStatistics.h"

#include "data/Database.h"
#include "data/MonthlyTotals.h"
#include "data/TextRules.h"
#include "data/WorkProgress.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QVarLengthArray>

#include <algorithm>
#include <list>

namespace kv {

namespace {
// Counts the rows read and tells the progress now and then; false once the run is to stop, and
// from then on.
class RowCount {
public:
    explicit RowCount(WorkProgress* progress) : m_progress(progress) {}
    bool next()
    {
        constexpr int kRowsPerReport = 1024;
        if (m_stopped)
            return false;
        if (++m_rows % kRowsPerReport != 0 || !m_progress)
            return true;
        m_stopped = !m_progress->advance(m_rows);
        return !m_stopped;
    }

private:
    WorkProgress* m_progress;
    int m_rows = 0;
    bool m_stopped = false;
};

// A column's text as a view, made without allocating when it is ASCII, as employee numbers
// nearly always are: a year's statistics read one for every employee.
class TextReader {
public:
    QStringView read(const Statement& st, int col)
    {
        const QByteArrayView bytes = st.utf8(col);
        if (std::any_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) >= 0x80; })) {
            m_text = st.text(col);
            return m_text;
        }
        m_ascii.resize(bytes.size());
        std::copy(bytes.begin(), bytes.end(), m_ascii.begin());
        return {m_ascii.constData(), m_ascii.size()};
    }

private:
    QVarLengthArray<char16_t, 32> m_ascii;
    QString m_text;
};

// Every employee in ascending id, without sums yet.
QList<EmployeeWage> listEmployees(Database& db, RowCount& count)
{
    QList<EmployeeWage> wages;
    // A factory has a few workshops and many employees in each: the same texts are made once.
    QList<std::pair<QByteArray, QString>> workshops;
    constexpr qsizetype kWorkshopsKept = 32;
    Statement st = db.prepare(QStringLiteral("SELECT id, 工号, 姓名, 车间 FROM 员工 ORDER BY id"));
    while (count.next() && st.next()) {
        EmployeeWage& wage = wages.emplace_back();
        wage.id = st.integer(0);
        wage.number = st.text(1);
        wage.name = st.text(2);
        const QByteArrayView workshop = st.utf8(3);
        const auto known = std::find_if(workshops.cbegin(), workshops.cend(),
                                        [&](const auto& w) { return QByteArrayView(w.first) == workshop; });
        if (known != workshops.cend()) {
            wage.workshop = known->second;
        } else {
            wage.workshop = cleanText(st.text(3));
            if (workshops.size() < kWorkshopsKept)
                workshops.append({workshop.toByteArray(), wage.workshop});
        }
    }
    return wages;
}

// A number as the lines store it (cleaned), hashed cheaply: employee numbers are short and
// differ in their last characters, and a year's statistics look up tens of thousands of them.
struct NumberKey {
    QStringView text;
    friend bool operator==(NumberKey a, NumberKey b) { return a.text == b.text; }
    friend size_t qHash(NumberKey key, size_t seed)
    {
        size_t h = seed ^ 0xcbf29ce484222325ULL;
        for (const QChar c : key.text)
            h = (h ^ c.unicode()) * 0x100000001b3ULL;
        return h;
    }
};

// The employees by the cleaned number their lines are stored under; several employees may share
// one, and each of them is given its sums.
class EmployeesByNumber {
public:
    explicit EmployeesByNumber(const QList<EmployeeWage>& wages)
    {
        // Views of the stored numbers, cleaned as lines are stored: most only lose blanks around
        // them, if anything; those with TABs are cleaned into texts of their own.
        m_numbers.reserve(wages.size());
        for (const EmployeeWage& w : wages) {
            if (w.number.contains(u'\t')) {
                m_numbers.append(m_cleaned.emplace_back(cleanText(w.number)));
                continue;
            }
            m_numbers.append(trimBlanks(w.number));
        }
        // Numbers given in ascending order as employees were added ("001", "002", …) are all
        // different and are found by halving; otherwise they are hashed.
        const auto descending = std::adjacent_find(m_numbers.cbegin(), m_numbers.cend(),
                                                   [](QStringView a, QStringView b) { return a.compare(b) >= 0; });
        if (descending == m_numbers.cend())
            return;
        m_hashed = true;
        m_next.resize(wages.size());
        m_first.reserve(wages.size());
        for (qsizetype i = wages.size() - 1; i >= 0; --i) {
            qsizetype& first = m_first[NumberKey{m_numbers.at(i)}]; // 0 when new
            m_next[i] = first - 1;
            first = i + 1;
        }
    }

    // Calls f with the index of every employee of the number.
    template <class F> void forEach(QStringView number, F f)
    {
        const qsizetype i = find(number);
        if (i < 0)
            return;
        m_guess = i + 1;
        if (!m_hashed) {
            f(i);
            return;
        }
        for (qsizetype j = i; j >= 0; j = m_next.at(j))
            f(j);
    }

private:
    // The first employee of the number, or -1. Ascending numbers come in the order of the
    // employees: the one after the employee found last is tried before halving.
    qsizetype find(QStringView number) const
    {
        if (m_hashed)
            return m_first.value(NumberKey{number}) - 1;
        if (m_guess < m_numbers.size() && m_numbers.at(m_guess) == number)
            return m_guess;
        const auto at = std::lower_bound(m_numbers.cbegin(), m_numbers.cend(), number,
                                         [](QStringView a, QStringView b) { return a.compare(b) < 0; });
        return at != m_numbers.cend() && *at == number ? at - m_numbers.cbegin() : -1;
    }

    std::list<QString> m_cleaned;        // the numbers that had TABs, cleaned
    QList<QStringView> m_numbers;        // cleaned, in the order of the wages
    bool m_hashed = false;               // whether the numbers are hashed (else ascending)
    QHash<NumberKey, qsizetype> m_first; // index + 1 of the first employee of a number
    QList<qsizetype> m_next;             // the next employee of the same number, or -1
    qsizetype m_guess = 0;
};

// Adds the rows "number, sum" of a query over the range to one of the two sums of the employees.
void addSums(Database& db, const QString& groupedSql, const QVariantList& range, EmployeesByNumber& employees,
             QList<EmployeeWage>& wages, Decimal EmployeeWage::*field, RowCount& count)
{
    Statement st = db.prepare(groupedSql);
    st.bindAll(range);
    TextReader number;
    while (count.next() && st.next()) {
        if (st.isNull(0)) // a line without a number belongs to nobody
            continue;
        const Decimal sum = st.decimal(1);
        employees.forEach(number.read(st, 0), [&](qsizetype i) { wages[i].*field = sum; });
    }
}

// The sums of both journals over the range added to the employees of their numbers. The range
// comes first in each journal's (日期, 工号, amount) index, so the scan reads that index alone.
void addJournalSums(Database& db, const DateRange& range, EmployeesByNumber& employees, QList<EmployeeWage>& wages,
                    RowCount& count)
{
    const QVariantList bounds{range.first, range.last};
    addSums(db,
            QStringLiteral("SELECT 工号, decimal_sum(金额) FROM 工资流水 "
                           "WHERE 日期 >= ? AND 日期 <= ? GROUP BY 工号"),
            bounds, employees, wages, &EmployeeWage::production, count);
    addSums(db,
            QStringLiteral("SELECT 工号, decimal_sum(扣减金额) FROM 扣减流水 "
                           "WHERE 日期 >= ? AND 日期 <= ? GROUP BY 工号"),
            bounds, employees, wages, &EmployeeWage::deductions, count);
}

// The sums of 月度合计 over the months first to last ("2008-05") added to the employees of their
// numbers. One month is a range of the primary key (月份, 工号), a few thousand rows to group.
// Over several months the rows are read in the order of the (工号, 月份, sums) index, which
// groups them as it goes and holds both sums.
void addMonthlyTotals(Database& db, const QString& first, const QString& last, EmployeesByNumber& employees,
                      QList<EmployeeWage>& wages, RowCount& count)
{
    const QString month = first == last ? QStringLiteral("月份") : monthsByEmployeeTerm(db);
    Statement st = db.prepare(QStringLiteral("SELECT 工号, decimal_sum(生产金额), decimal_sum(扣减) "
                                             "FROM 月度合计 WHERE %1 BETWEEN ? AND ? GROUP BY 工号")
                                  .arg(month));
    st.bindAll({first, last});
    TextReader number;
    while (count.next() && st.next()) {
        const Decimal production = st.decimal(1);
        const Decimal deductions = st.decimal(2);
        employees.forEach(number.read(st, 0), [&](qsizetype i) {
            wages[i].production += production;
            wages[i].deductions += deductions;
        });
    }
}

int monthIndex(const YearMonth& m)
{
    return m.year * 12 + m.month - 1;
}

std::optional<YearMonth> monthOfDay(const QString& isoDay)
{
    const QDate day = QDate::fromString(isoDay, QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid())
        return std::nullopt;
    return YearMonth{day.year(), day.month()};
}

// The 月度合计 key of a month index: "2008-05".
QString totalsKey(int index)
{
    return totalsMonthKey(QDate(index / 12, index % 12 + 1, 1));
}

void setPaid(QList<EmployeeWage>& wages, const NetPayRounding& rounding)
{
    for (EmployeeWage& w : wages)
        w.paid = rounding.apply(w.netPay());
}
} // namespace

QList<EmployeeWage> WageStatistics::compute(PeriodKind kind, const DateRange& range)
{
    m_rounding = {};
    QList<PaidMonth> closed;
    std::optional<YearMonth> first, last;
    if (!range.isEmpty()) {
        first = monthOfDay(range.first);
        last = monthOfDay(range.last);
    }
    if (first && last)
        closed = paidMonths(m_db, *first, *last);
    if (!closed.isEmpty() && kind == PeriodKind::Day && monthIndex(*first) == monthIndex(*last))
        return dayOfClosedMonth(range, closed.first());
    if (!closed.isEmpty())
        return withClosedMonths(range, closed);
    QList<EmployeeWage> wages = kind == PeriodKind::Day ? fromJournals(range) : fromMonthlyTotals(range);
    const NetPayRounding now = netPayRounding(m_db);
    setPaid(wages, now);
    m_rounding.add(now);
    return wages;
}

QList<EmployeeWage> WageStatistics::withClosedMonths(const DateRange& range, const QList<PaidMonth>& closed)
{
    RowCount count(m_progress);
    // The open months of the range, as runs of months one after the other.
    QSet<int> closedMonths;
    for (const PaidMonth& m : closed)
        closedMonths.insert(monthIndex(m.month));
    QList<std::pair<int, int>> openRuns;
    for (int m = monthIndex(*monthOfDay(range.first)); m <= monthIndex(*monthOfDay(range.last)); ++m) {
        if (closedMonths.contains(m))
            continue;
        if (!openRuns.isEmpty() && openRuns.last().second == m - 1)
            openRuns.last().second = m;
        else
            openRuns.append({m, m});
    }
    QList<EmployeeWage> wages;
    if (!openRuns.isEmpty()) {
        wages = listEmployees(m_db, count);
        if (!wages.isEmpty()) {
            EmployeesByNumber employees(wages);
            for (const auto& [from, to] : std::as_const(openRuns))
                addMonthlyTotals(m_db, totalsKey(from), totalsKey(to), employees, wages, count);
        }
        const NetPayRounding now = netPayRounding(m_db);
        setPaid(wages, now);
        m_rounding.add(now);
    }
    // The closed months' figures go to the employee they paid, by id: numbers may have been
    // given to another since. Workers no longer stored keep the number and name they had.
    QHash<qint64, qsizetype> byId;
    for (qsizetype i = 0; i < wages.size(); ++i)
        byId.insert(wages.at(i).id, i);
    const qsizetype stored = wages.size();
    for (const PaidMonth& month : closed) {
        m_rounding.add(month.rounding);
        for (const PaidWorker& w : month.workers) {
            qsizetype i = byId.value(w.employeeId, -1);
            if (i < 0) {
                i = wages.size();
                byId.insert(w.employeeId, i);
                wages.emplace_back().id = w.employeeId;
            }
            EmployeeWage& wage = wages[i];
            if (i >= stored) { // as in the latest closed month
                wage.number = w.number;
                wage.name = w.name;
                wage.workshop = w.workshop;
            }
            wage.production += w.production;
            wage.deductions += w.deductions;
            wage.paid += w.paid;
        }
    }
    std::sort(wages.begin(), wages.end(), [](const EmployeeWage& a, const EmployeeWage& b) { return a.id < b.id; });
    return wages;
}

QList<EmployeeWage> WageStatistics::dayOfClosedMonth(const DateRange& range, const PaidMonth& month)
{
    RowCount count(m_progress);
    QList<EmployeeWage> wages;
    for (const PaidWorker& w : month.workers) {
        EmployeeWage& wage = wages.emplace_back();
        wage.id = w.employeeId;
        wage.number = w.number;
        wage.name = w.name;
        wage.workshop = w.workshop;
    }
    if (!wages.isEmpty()) {
        EmployeesByNumber employees(wages);
        addJournalSums(m_db, range, employees, wages, count);
    }
    setPaid(wages, month.rounding);
    m_rounding.add(month.rounding);
    return wages;
}

QList<EmployeeWage> WageStatistics::fromJournals(const DateRange& range)
{
    RowCount count(m_progress);
    QList<EmployeeWage> wages = listEmployees(m_db, count);
    if (range.isEmpty() || wages.isEmpty())
        return wages;
    EmployeesByNumber employees(wages);
    addJournalSums(m_db, range, employees, wages, count);
    return wages;
}

QList<EmployeeWage> WageStatistics::fromMonthlyTotals(const DateRange& range)
{
    RowCount count(m_progress);
    QList<EmployeeWage> wages = listEmployees(m_db, count);
    if (range.isEmpty() || wages.isEmpty())
        return wages;
    EmployeesByNumber employees(wages);
    addMonthlyTotals(m_db, range.first.left(7), range.last.left(7), employees, wages, count);
    return wages;
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
