#include "stats/WorkerYear.h"

#include "data/Database.h"
#include "data/TextRules.h"

#include <QHash>
#include <QSet>

namespace kv {

namespace {
// Up to this many workers their rows are looked up one worker at a time; beyond, the year's rows
// of everybody are read once.
constexpr qsizetype kFewWorkers = 50;
} // namespace

Decimal WorkerYear::production() const
{
    Decimal sum;
    for (const WorkerMonth& m : months)
        sum += m.production;
    return sum;
}

Decimal WorkerYear::deductions() const
{
    Decimal sum;
    for (const WorkerMonth& m : months)
        sum += m.deductions;
    return sum;
}

Decimal WorkerYear::paid(const NetPayRounding& rounding) const
{
    Decimal sum;
    for (const WorkerMonth& m : months)
        sum += rounding.apply(m.netPay());
    return sum;
}

QList<WorkerYear> workerYears(Database& db, int year, const QList<qint64>& employeeIds)
{
    const QSet<qint64> wanted(employeeIds.cbegin(), employeeIds.cend());
    QHash<qint64, WorkerYear> byId;
    QHash<QString, QList<qint64>> idsOfNumber; // a number stored twice counts for both, as in the statistics
    {
        Statement st = db.prepare(QStringLiteral("SELECT id, 工号, 姓名 FROM 员工"));
        while (st.next()) {
            const qint64 id = st.integer(0);
            if (!wanted.contains(id))
                continue;
            WorkerYear w;
            w.id = id;
            w.number = st.text(1);
            w.name = st.text(2);
            w.year = year;
            w.months = QList<WorkerMonth>(12);
            byId.insert(id, w);
            idsOfNumber[cleanText(w.number)] << id;
        }
    }
    const QVariant first = QStringLiteral("%1-01").arg(year, 4, 10, QChar(u'0'));
    const QVariant last = QStringLiteral("%1-12").arg(year, 4, 10, QChar(u'0'));
    const auto add = [&](Statement& st) {
        while (st.next()) {
            const auto ids = idsOfNumber.constFind(st.text(0));
            if (ids == idsOfNumber.cend())
                continue;
            const int month = st.text(1).mid(5, 2).toInt();
            if (month < 1 || month > 12)
                continue;
            for (const qint64 id : *ids) {
                WorkerMonth& m = byId[id].months[month - 1];
                m.production += st.decimal(2);
                m.deductions += st.decimal(3);
            }
        }
    };
    if (idsOfNumber.size() <= kFewWorkers) {
        // A few workers: each one's twelve rows through the (工号, 月份, sums) index.
        Statement st = db.prepare(QStringLiteral(
            "SELECT 工号, 月份, 生产金额, 扣减 FROM 月度合计 WHERE 工号 = ? AND 月份 >= ? AND 月份 <= ?"));
        for (auto it = idsOfNumber.cbegin(); it != idsOfNumber.cend(); ++it) {
            st.reset();
            st.bindAll({it.key(), first, last});
            add(st);
        }
    } else {
        // Many: the year is a range of the key (月份, 工号), twelve months of rows read once.
        Statement st =
            db.prepare(QStringLiteral("SELECT 工号, 月份, 生产金额, 扣减 FROM 月度合计 WHERE 月份 >= ? AND 月份 <= ?"));
        st.bindAll({first, last});
        add(st);
    }
    QList<WorkerYear> out;
    for (const qint64 id : employeeIds)
        if (const auto found = byId.constFind(id); found != byId.cend())
            out << *found;
    return out;
}

} // namespace kv
