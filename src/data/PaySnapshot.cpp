#include "data/PaySnapshot.h"

#include "data/Accounts.h"
#include "data/Database.h"
#include "data/Error.h"
#include "data/MonthlyTotals.h"

#include <QHash>

#include <algorithm>

namespace kv {

namespace {
int monthIndex(const YearMonth& m)
{
    return m.year * 12 + m.month - 1;
}

QString metaValue(Database& db, const QString& key)
{
    return db.scalar(QStringLiteral("SELECT value FROM kelvaro_meta WHERE key = ?"), {key}).toString();
}

// Writes the month's workers from its monthly totals and the employees as they are now.
void writeWorkers(Database& db, const YearMonth& month, const NetPayRounding& rounding)
{
    const QString key = monthText(month.year, month.month);
    if (db.scalar(QStringLiteral("SELECT count(*) FROM 月结明细 WHERE 月份 = ?"), {key}).toInt() > 0)
        throw InputError(QStringLiteral("%1 已有结账明细，不能再结账。请让管理员检查数据库中的月结明细。").arg(key));

    QHash<QString, std::pair<Decimal, Decimal>> sums; // by the number the lines are stored under
    {
        Statement st = db.prepare(QStringLiteral("SELECT 工号, 生产金额, 扣减 FROM 月度合计 WHERE 月份 = ?"));
        st.bindAll({totalsMonthKey(month.firstDay())});
        while (st.next())
            if (!st.isNull(0))
                sums.insert(st.text(0), {st.decimal(1), st.decimal(2)});
    }
    if (sums.isEmpty())
        return;
    Statement insert = db.prepare(
        QStringLiteral("INSERT INTO 月结明细 (月份, 员工ID, 工号, 姓名, 车间, 工种, 开户银行, 银行卡号, 发放方式, "
                       "生产金额, 扣减, 实发工资, 取整后实发) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    Statement st = db.prepare(
        QStringLiteral("SELECT id, 工号, 姓名, 车间, 工种, 开户银行, 银行卡号, 发放方式 FROM 员工 ORDER BY id"));
    while (st.next()) {
        // Lines are stored under the cleaned number, and the statistics find them so.
        const auto found = sums.constFind(cleanText(st.text(1)));
        if (found == sums.cend())
            continue;
        const auto& [production, deductions] = *found;
        const Decimal net = production - deductions;
        insert.reset();
        insert.bindAll({key, st.integer(0), st.text(1), st.text(2), cleanText(st.text(3)), st.text(4), st.text(5),
                        st.text(6), st.text(7), production.toDouble(), deductions.toDouble(), net.toDouble(),
                        rounding.apply(net).toDouble()});
        insert.run();
    }
}

PaidWorker readWorker(const Statement& st)
{
    PaidWorker w;
    w.employeeId = st.integer(0);
    w.number = st.text(1);
    w.name = st.text(2);
    w.workshop = st.text(3);
    w.jobType = st.text(4);
    w.bank = st.text(5);
    w.card = st.text(6);
    w.method = st.text(7);
    w.production = st.decimal(8);
    w.deductions = st.decimal(9);
    w.paid = st.decimal(10);
    return w;
}
} // namespace

QString denominationsSetting(Database& db)
{
    return metaValue(db, QString::fromUtf16(kCashDenominationsKey));
}

ClosingWritten storeClosedMonth(Database& db, const YearMonth& month, const QString& at, const QString& account)
{
    const NetPayRounding rounding = netPayRounding(db);
    writeWorkers(db, month, rounding);
    if (throughServerFunctions(db)) {
        const Session& session = db.session();
        if (!db.scalar(QStringLiteral("SELECT kelvaro_close_month(?, ?, ?, ?, ?)"),
                       {session.accountId(), session.passwordProof(), monthText(month.year, month.month),
                        rounding.storedText(), denominationsSetting(db)})
                 .toBool())
            throw InputError(QStringLiteral("该月份已经结账！"));
        return ClosingWritten::ByServer;
    }
    db.exec(QStringLiteral("INSERT INTO 月结 (月份, 结账时间, 账号, 取整, 零钞面额) VALUES (?, ?, ?, ?, ?)"),
            {monthText(month.year, month.month), at, account, rounding.storedText(), denominationsSetting(db)});
    return ClosingWritten::Here;
}

void snapshotClosedMonth(Database& db, const YearMonth& month)
{
    const NetPayRounding rounding = netPayRounding(db);
    writeWorkers(db, month, rounding);
    db.exec(QStringLiteral("UPDATE 月结 SET 取整 = ?, 零钞面额 = ? WHERE 月份 = ?"),
            {rounding.storedText(), denominationsSetting(db), monthText(month.year, month.month)});
}

void dropPaySnapshot(Database& db, const YearMonth& month)
{
    db.exec(QStringLiteral("DELETE FROM 月结明细 WHERE 月份 = ?"), {monthText(month.year, month.month)});
}

QList<PaidMonth> paidMonths(Database& db, const YearMonth& first, const YearMonth& last)
{
    // A few closed months a year: all of them read, those of the range kept.
    QList<PaidMonth> out;
    {
        Statement st = db.prepare(QStringLiteral("SELECT 月份, 取整, 零钞面额 FROM 月结"));
        while (st.next()) {
            const std::optional<YearMonth> month = parseMonthText(st.text(0));
            if (!month || monthIndex(*month) < monthIndex(first) || monthIndex(*month) > monthIndex(last))
                continue;
            out.append({*month, NetPayRounding::fromStoredText(st.text(1)), st.text(2), {}});
        }
    }
    std::sort(out.begin(), out.end(),
              [](const PaidMonth& a, const PaidMonth& b) { return monthIndex(a.month) < monthIndex(b.month); });
    Statement st =
        db.prepare(QStringLiteral("SELECT 员工ID, 工号, 姓名, 车间, 工种, 开户银行, 银行卡号, 发放方式, "
                                  "生产金额, 扣减, 取整后实发 FROM 月结明细 WHERE 月份 = ? ORDER BY 员工ID, id"));
    for (PaidMonth& paid : out) {
        st.reset();
        st.bindAll({monthText(paid.month.year, paid.month.month)});
        while (st.next())
            paid.workers.append(readWorker(st));
    }
    return out;
}

std::optional<PaidMonth> paidMonth(Database& db, const YearMonth& month)
{
    QList<PaidMonth> found = paidMonths(db, month, month);
    if (found.isEmpty())
        return std::nullopt;
    return found.takeFirst();
}

NetPayRounding monthRounding(Database& db, const YearMonth& month)
{
    const QVariant stored =
        db.scalar(QStringLiteral("SELECT 取整 FROM 月结 WHERE 月份 = ?"), {monthText(month.year, month.month)});
    return stored.isValid() ? NetPayRounding::fromStoredText(stored.toString()) : netPayRounding(db);
}

QString monthDenominationsText(Database& db, const YearMonth& month)
{
    Statement st = db.prepare(QStringLiteral("SELECT 零钞面额 FROM 月结 WHERE 月份 = ?"));
    st.bindAll({monthText(month.year, month.month)});
    return st.next() ? st.text(0) : denominationsSetting(db);
}

void PaidRounding::add(const NetPayRounding& rounding)
{
    if (!used.contains(rounding))
        used.append(rounding);
}

bool PaidRounding::isNone() const
{
    return std::all_of(used.cbegin(), used.cend(), [](const NetPayRounding& r) { return r.isNone(); });
}

QString PaidRounding::text() const
{
    if (used.size() == 1)
        return used.first().text();
    return isNone() ? NetPayRounding().text() : QStringLiteral("按各月的取整设置");
}

PaidRounding roundingOfMonths(Database& db, const YearMonth& first, const YearMonth& last)
{
    PaidRounding out;
    int closed = 0;
    Statement st = db.prepare(QStringLiteral("SELECT 月份, 取整 FROM 月结"));
    while (st.next()) {
        const std::optional<YearMonth> month = parseMonthText(st.text(0));
        if (month && monthIndex(*month) >= monthIndex(first) && monthIndex(*month) <= monthIndex(last)) {
            out.add(NetPayRounding::fromStoredText(st.text(1)));
            ++closed;
        }
    }
    if (closed < monthIndex(last) - monthIndex(first) + 1)
        out.add(netPayRounding(db));
    return out;
}

} // namespace kv
