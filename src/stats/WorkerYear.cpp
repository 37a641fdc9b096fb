#include "stats/WorkerYear.h"

#include "data/Database.h"
#include "data/MonthlyTotals.h"
#include "data/PaySnapshot.h"
#include "data/TextRules.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace kv {

namespace {
// Up to this many workers their rows are looked up one worker at a time; beyond, the year's rows
// of everybody are read once.
constexpr qsizetype kFewWorkers = 50;
const QList<qint64> kNobody;
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

Decimal WorkerYear::paid() const
{
    Decimal sum;
    for (const WorkerMonth& m : months)
        sum += m.paid;
    return sum;
}

QList<WorkerYear> workerYears(Database& db, int year, const QList<qint64>& employeeIds)
{
    const QSet<qint64> wanted(employeeIds.cbegin(), employeeIds.cend());
    QHash<qint64, WorkerYear> byId;
    QSet<qint64> idsStored;
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
            idsStored.insert(id);
            idsOfNumber[cleanText(w.number)] << id;
        }
    }
    const QVariant first = QStringLiteral("%1-01").arg(year, 4, 10, QChar(u'0'));
    const QVariant last = QStringLiteral("%1-12").arg(year, 4, 10, QChar(u'0'));
    // The rows come a worker's months together: the number is looked up when it changes, and
    // the month is read from the text's bytes ("2008-05").
    QByteArray number;
    const QList<qint64>* ids = nullptr;
    const auto add = [&](Statement& st) {
        while (st.next()) {
            if (const QByteArrayView bytes = st.utf8(0); ids == nullptr || bytes != number) {
                number = bytes.toByteArray();
                const auto found = idsOfNumber.constFind(st.text(0));
                ids = found == idsOfNumber.cend() ? &kNobody : &*found;
            }
            if (ids->isEmpty())
                continue;
            const QByteArrayView monthText = st.utf8(1);
            int month = 0;
            for (qsizetype i = 5; i < std::min<qsizetype>(monthText.size(), 7) && month >= 0; ++i)
                month = monthText.at(i) >= '0' && monthText.at(i) <= '9' ? month * 10 + (monthText.at(i) - '0') : -1;
            if (month < 1 || month > 12)
                continue;
            const Decimal production = st.decimal(2);
            const Decimal deductions = st.decimal(3);
            for (const qint64 id : *ids) {
                WorkerMonth& m = byId[id].months[month - 1];
                m.production += production;
                m.deductions += deductions;
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
            ids = nullptr;
            add(st);
        }
    } else {
        // Many: the year's rows read once, each worker's months together.
        Statement st = db.prepare(QStringLiteral("SELECT 工号, 月份, 生产金额, 扣减 FROM 月度合计 "
                                                 "WHERE %1 BETWEEN ? AND ? ORDER BY 工号")
                                      .arg(monthsByEmployeeTerm(db)));
        st.bindAll({first, last});
        add(st);
    }
    // Open months are paid as set now; closed months as they paid, to the employee of the id.
    const QList<PaidMonth> closed = paidMonths(db, {year, 1}, {year, 12});
    const NetPayRounding now = netPayRounding(db);
    for (WorkerYear& w : byId)
        for (WorkerMonth& m : w.months)
            m.paid = now.apply(m.netPay());
    for (const PaidMonth& month : closed) {
        for (WorkerYear& w : byId)
            w.months[month.month.month - 1] = {{}, {}, {}, true, w.number, w.name};
        for (const PaidWorker& paid : month.workers) {
            if (!wanted.contains(paid.employeeId))
                continue;
            auto found = byId.find(paid.employeeId);
            if (found == byId.end()) {
                // No longer stored: named by the months that paid him.
                found = byId.insert(paid.employeeId, {paid.employeeId, {}, {}, year, QList<WorkerMonth>(12)});
            }
            if (!idsStored.contains(paid.employeeId)) {
                found->number = paid.number;
                found->name = paid.name;
            }
            found->months[month.month.month - 1] = {paid.production, paid.deductions, paid.paid, true,
                                                    paid.number,     paid.name};
        }
    }
    QList<WorkerYear> out;
    for (const qint64 id : employeeIds)
        if (const auto found = byId.constFind(id); found != byId.cend())
            out << *found;
    return out;
}

} // namespace kv
