#include "teams/TimeWages.h"

#include "data/Database.h"
#include "data/OperationLog.h"
#include "data/Session.h"
#include "entry/ClosedMonths.h"
#include "entry/MonthRecords.h"

namespace kv {

namespace {
const QString kSource = QString::fromUtf16(kTimeLineSource);

void requireUnit(const QString& unit)
{
    if (!kTimeUnits.contains(unit))
        throw InputError(QStringLiteral("计时单位只能是“小时”或“天”，不能是“%1”。").arg(unit));
}
} // namespace

QList<TimeRate> TimeWages::rates()
{
    Statement st = m_db.prepare(QStringLiteral(
        "SELECT 工种, 工号, 计量单位, 工价, 生效日期 FROM 计时工价 ORDER BY 工种, 工号, 计量单位, 生效日期"));
    QList<TimeRate> out;
    while (st.next())
        out.append({st.text(0), st.text(1), st.text(2), st.decimal(3), QDate::fromString(st.text(4), Qt::ISODate)});
    return out;
}

void TimeWages::setRate(const TimeRate& typed)
{
    TimeRate r = typed;
    r.jobType = cleanText(r.jobType);
    r.employeeNo = cleanText(r.employeeNo);
    requireUnit(r.unit);
    if (r.jobType.isEmpty() == r.employeeNo.isEmpty())
        throw InputError(QStringLiteral("计时工价要么按工种，要么按员工，请只填其中一项。"));
    if (r.rate.isNegative() || r.rate.places() > Decimal::kPricePlaces || !r.rate.isStorable())
        throw InputError(QStringLiteral("计时工价必须是不小于零、最多四位小数的数字。"));
    if (!r.from.isValid())
        throw InputError(QStringLiteral("请填写计时工价的生效日期。"));
    Transaction tx(m_db);
    requireRight(m_db, Right::MasterData);
    if (!r.employeeNo.isEmpty() &&
        m_db.scalar(QStringLiteral("SELECT count(*) FROM 员工 WHERE 工号 = ?"), {r.employeeNo}).toLongLong() == 0)
        throw InputError(QStringLiteral("没有工号为 %1 的员工。").arg(r.employeeNo));
    m_db.lock(QStringLiteral("计时工价"));
    m_db.exec(QStringLiteral("DELETE FROM 计时工价 WHERE coalesce(工种, '') = ? AND coalesce(工号, '') = ? AND "
                             "计量单位 = ? AND 生效日期 = ?"),
              {r.jobType, r.employeeNo, r.unit, isoDate(r.from)});
    m_db.exec(QStringLiteral("INSERT INTO 计时工价 (工种, 工号, 计量单位, 工价, 生效日期) VALUES (?, ?, ?, ?, ?)"),
              {r.jobType.isEmpty() ? QVariant() : QVariant(r.jobType),
               r.employeeNo.isEmpty() ? QVariant() : QVariant(r.employeeNo), r.unit, r.rate.toDouble(),
               isoDate(r.from)});
    OperationLog(m_db).record(QStringLiteral("设置计时工价"), QStringLiteral("%1 %2/%3，%4 起")
                                                                  .arg(r.jobType.isEmpty() ? r.employeeNo : r.jobType,
                                                                       r.rate.plainText(), r.unit, dateText(r.from)));
    tx.commit();
}

std::optional<Decimal> TimeWages::rateOn(const QString& employeeNo, const QString& unit, const QDate& day)
{
    const QString no = cleanText(employeeNo);
    const auto latest = [&](const QString& where, const QVariant& key) -> std::optional<Decimal> {
        Statement st = m_db.prepare(QStringLiteral("SELECT 工价 FROM 计时工价 WHERE %1 = ? AND 计量单位 = ? AND "
                                                   "生效日期 <= ? ORDER BY 生效日期 DESC LIMIT 1")
                                        .arg(where));
        st.bindAll({key, unit, isoDate(day)});
        if (st.next())
            return st.decimal(0);
        return std::nullopt;
    };
    if (const auto own = latest(QStringLiteral("工号"), no))
        return own;
    const QString jobType = m_db.scalar(QStringLiteral("SELECT max(工种) FROM 员工 WHERE 工号 = ?"), {no}).toString();
    if (jobType.isEmpty())
        return std::nullopt;
    return latest(QStringLiteral("工种"), jobType);
}

QList<TimeLine> TimeWages::lines(const QString& employeeNo, const YearMonth& month)
{
    Statement st =
        m_db.prepare(QStringLiteral("SELECT 日期, 产品, 计量单位, 数量, 工价 FROM 工资流水 WHERE 工号 = ? AND "
                                    "日期 >= ? AND 日期 < ? AND 来源 = ? ORDER BY 日期, id"));
    st.bindAll({cleanText(employeeNo), isoDate(month.firstDay()), isoDate(month.nextFirstDay()), kSource});
    QList<TimeLine> out;
    while (st.next())
        out.append({QDate::fromString(st.text(0), Qt::ISODate), st.text(1), st.text(2), st.decimal(3), st.decimal(4)});
    return out;
}

qint64 TimeWages::saveLines(const QString& typedNo, const QString& typedMonth, QList<TimeLine> lines,
                            std::optional<qint64> loadedVersion)
{
    const QString employeeNo = cleanText(typedNo);
    const QString monthKey = requireMonth(typedMonth);
    const YearMonth month = *parseMonthText(monthKey);
    return retryingConflicts(m_db, [&] {
        Transaction tx(m_db);
        requireRight(m_db, Right::WageEntry);
        lockEmployeeMonth(m_db, employeeNo, monthKey);
        refuseClosedMonth(m_db, monthKey);
        MonthRecords records(m_db);
        if (loadedVersion && *loadedVersion != records.version(employeeNo, monthKey))
            throw InputError(QString::fromUtf16(kMonthChangedText));
        if (m_db.scalar(QStringLiteral("SELECT count(*) FROM 员工 WHERE 工号 = ?"), {employeeNo}).toLongLong() == 0)
            throw InputError(QStringLiteral("没有工号为 %1 的员工。").arg(employeeNo));
        Decimal total;
        for (int i = 0; i < lines.size(); ++i) {
            TimeLine& l = lines[i];
            const QString where = QStringLiteral("计时记录第 %1 行").arg(i + 1);
            if (!l.date.isValid() || !month.contains(l.date))
                throw InputError(QStringLiteral("%1的日期不在计工月份 %2 内。").arg(where, monthKey));
            if (cleanText(l.item).isEmpty())
                throw InputError(QStringLiteral("%1没有计时项目。").arg(where));
            requireUnit(l.unit);
            if (l.quantity.places() > Decimal::kQuantityPlaces || !l.quantity.isStorable())
                throw InputError(
                    QStringLiteral("%1：数量最多保留 %2 位小数！").arg(where).arg(Decimal::kQuantityPlaces));
            if (l.rate.isZero()) {
                const auto rate = rateOn(employeeNo, l.unit, l.date);
                if (!rate)
                    throw InputError(QStringLiteral("%1：工号 %2 在 %3 没有按%4的计时工价，请先设置计时工价。")
                                         .arg(where, employeeNo, dateText(l.date), l.unit));
                l.rate = *rate;
            }
            if (l.rate.places() > Decimal::kPricePlaces || !l.rate.isStorable())
                throw InputError(QStringLiteral("%1：工价最多保留 %2 位小数！").arg(where).arg(Decimal::kPricePlaces));
            total += l.amount();
        }
        if (!total.isStorable())
            throw InputError(QString::fromUtf16(kDecimalRangeText));
        m_db.exec(QStringLiteral("DELETE FROM 工资流水 WHERE 工号 = ? AND 日期 >= ? AND 日期 < ? AND 来源 = ?"),
                  {employeeNo, isoDate(month.firstDay()), isoDate(month.nextFirstDay()), kSource});
        Statement insert = m_db.prepare(
            QStringLiteral("INSERT INTO 工资流水 (日期, 工号, 产品, 计量单位, 数量, 工价, 金额, 备注, 来源) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (const TimeLine& l : std::as_const(lines)) {
            insert.bindAll({isoDate(l.date), employeeNo, cleanText(l.item), l.unit, l.quantity.toDouble(),
                            l.rate.toDouble(), l.amount().toDouble(), QStringLiteral("计时"), kSource});
            insert.run();
            insert.reset();
        }
        rewriteMonthSummary(m_db, employeeNo, {}, month);
        OperationLog(m_db).record(
            QStringLiteral("保存计时工资"),
            QStringLiteral("%1 %2：%3 行，合计 %4").arg(employeeNo, monthKey).arg(lines.size()).arg(total.moneyText()));
        const qint64 saved = records.version(employeeNo, monthKey);
        tx.commit();
        return saved;
    });
}

} // namespace kv
