#include "teams/TeamMonths.h"

#include "data/Database.h"
#include "data/OperationLog.h"
#include "data/Session.h"
#include "entry/ClosedMonths.h"
#include "entry/MonthRecords.h"

#include <QSet>

#include <algorithm>

namespace kv {

namespace {
void requirePlaces(Decimal value, int places, const QString& what, int row)
{
    if (value.places() > places || !value.isStorable())
        throw InputError(
            QStringLiteral("集体产量第 %1 行：%2最多保留 %3 位小数，且不能太大。").arg(row).arg(what).arg(places));
}

void requireMemberFigure(Decimal value, const QString& what, const QString& employeeNo)
{
    if (value.isNegative() || value.places() > 2 || !value.isStorable())
        throw InputError(QStringLiteral("工号 %1 的%2必须是不小于零、最多两位小数的数字。").arg(employeeNo, what));
}

QString teamLockName(qint64 teamId, const QString& monthText)
{
    return QStringLiteral("班组月 %1 %2").arg(teamId).arg(monthText);
}
} // namespace

TeamSplit splitOfSheet(const TeamMonthSheet& sheet)
{
    const YearMonth month = *parseMonthText(requireMonth(sheet.monthText));
    Decimal total;
    for (int i = 0; i < sheet.lines.size(); ++i) {
        const TeamOutputLine& line = sheet.lines.at(i);
        if (!line.date.isValid() || !month.contains(line.date))
            throw InputError(
                QStringLiteral("集体产量第 %1 行的日期不在计工月份 %2 内。").arg(i + 1).arg(sheet.monthText));
        if (cleanText(line.product).isEmpty())
            throw InputError(QStringLiteral("集体产量第 %1 行没有产品，请选择产品后再保存。").arg(i + 1));
        requirePlaces(line.quantity, Decimal::kQuantityPlaces, QStringLiteral("数量"), i + 1);
        requirePlaces(line.price, Decimal::kPricePlaces, QStringLiteral("工价"), i + 1);
        total += line.amount();
    }
    if (!total.isStorable())
        throw InputError(QString::fromUtf16(kDecimalRangeText));
    QList<SplitMember> weights;
    for (const TeamAttendance& m : sheet.members) {
        const QString no = cleanText(m.employeeNo);
        requireMemberFigure(m.days, QStringLiteral("出勤"), no);
        requireMemberFigure(m.dayRate, QStringLiteral("日工资"), no);
        requireMemberFigure(m.points, QStringLiteral("点数"), no);
        weights.append({no, splitWeight(sheet.rule, m.days, m.dayRate, m.points)});
    }
    return splitTeamPay(total, weights);
}

QString shareRemark(SplitRule rule, const TeamAttendance& member, const SplitShare& share, const TeamSplit& split)
{
    QString part;
    switch (rule) {
    case SplitRule::DaysByRate:
        part = QStringLiteral("%1 天 × %2").arg(member.days.plainText(), member.dayRate.moneyText());
        break;
    case SplitRule::Points: part = QStringLiteral("%1 点").arg(member.points.plainText()); break;
    case SplitRule::Days: part = QStringLiteral("%1 天").arg(member.days.plainText()); break;
    }
    QString text = QStringLiteral("%1 ÷ %2 × %3").arg(part, split.weightSum.plainText(), split.total.moneyText());
    if (share.roundedUp)
        text += QStringLiteral("（尾差 +0.01）");
    return text;
}

TeamMonth TeamMonths::load(qint64 teamId, const YearMonth& month)
{
    TeamMonth tm;
    Statement head =
        m_db.prepare(QStringLiteral("SELECT id, 版本, 分配方式, 合计 FROM 班组月 WHERE 班组id = ? AND 月份 = ?"));
    head.bindAll({teamId, monthText(month.year, month.month)});
    if (!head.next())
        return tm;
    tm.id = head.integer(0);
    tm.version = head.integer(1);
    tm.rule = splitRuleFromName(head.text(2));
    tm.total = head.decimal(3);
    Statement lines = m_db.prepare(QStringLiteral(
        "SELECT 日期, 产品编号, 产品, 计量单位, 数量, 工价 FROM 班组产量 WHERE 班组月id = ? ORDER BY 日期, id"));
    lines.bindAll({tm.id});
    while (lines.next())
        tm.lines.append({QDate::fromString(lines.text(0), Qt::ISODate), lines.text(1), lines.text(2), lines.text(3),
                         lines.decimal(4), lines.decimal(5)});
    Statement members = m_db.prepare(
        QStringLiteral("SELECT 工号, 姓名, 天数, 日工资, 点数, 份额 FROM 班组出勤 WHERE 班组月id = ? ORDER BY id"));
    members.bindAll({tm.id});
    while (members.next()) {
        tm.members.append(
            {members.text(0), members.text(1), members.decimal(2), members.decimal(3), members.decimal(4)});
        tm.shares.append(members.decimal(5));
    }
    return tm;
}

QStringList TeamMonths::storedMonths(qint64 teamId)
{
    Statement st = m_db.prepare(QStringLiteral("SELECT 月份 FROM 班组月 WHERE 班组id = ?"));
    st.bindAll({teamId});
    QList<YearMonth> months;
    while (st.next())
        if (const auto m = parseMonthText(st.text(0)))
            months.append(*m);
    std::sort(months.begin(), months.end(), [](const YearMonth& a, const YearMonth& b) {
        return std::pair(a.year, a.month) > std::pair(b.year, b.month);
    });
    QStringList out;
    for (const YearMonth& m : std::as_const(months))
        out << monthText(m.year, m.month);
    return out;
}

qint64 TeamMonths::claim(qint64 teamId, const QString& monthText, std::optional<qint64> loadedVersion)
{
    m_db.lock(teamLockName(teamId, monthText));
    refuseClosedMonth(m_db, monthText);
    Statement st = m_db.prepare(QStringLiteral("SELECT id, 版本 FROM 班组月 WHERE 班组id = ? AND 月份 = ?"));
    st.bindAll({teamId, monthText});
    qint64 id = 0, version = 0;
    if (st.next()) {
        id = st.integer(0);
        version = st.integer(1);
    }
    if (loadedVersion && *loadedVersion != version)
        throw InputError(QStringLiteral("该班组本月数据已被其他用户修改，请重新载入后再保存。"));
    return id;
}

QStringList TeamMonths::dropShares(qint64 teamMonthId, const YearMonth& month)
{
    QStringList members;
    Statement st = m_db.prepare(QStringLiteral("SELECT DISTINCT 工号 FROM 工资流水 WHERE 班组月id = ? AND 来源 = ?"));
    st.bindAll({teamMonthId, QString::fromUtf16(kTeamLineSource)});
    while (st.next())
        members << st.text(0);
    Q_UNUSED(month);
    m_db.exec(QStringLiteral("DELETE FROM 工资流水 WHERE 班组月id = ? AND 来源 = ?"),
              {teamMonthId, QString::fromUtf16(kTeamLineSource)});
    return members;
}

qint64 TeamMonths::save(const TeamMonthSheet& sheet)
{
    return retryingConflicts(m_db, [&] { return saveOnce(sheet); });
}

qint64 TeamMonths::saveOnce(const TeamMonthSheet& sheet)
{
    const QString monthKey = requireMonth(sheet.monthText);
    const YearMonth month = *parseMonthText(monthKey);
    const TeamSplit split = splitOfSheet(sheet);

    Transaction tx(m_db);
    requireRight(m_db, Right::WageEntry);
    const QString teamName =
        m_db.scalar(QStringLiteral("SELECT 班组名称 FROM 班组 WHERE id = ?"), {sheet.teamId}).toString();
    if (teamName.isEmpty())
        throw InputError(QStringLiteral("该班组已被其他用户删除。"));
    qint64 id = claim(sheet.teamId, monthKey, sheet.loadedVersion);

    // Every member's month that changes waits for the clerks changing it, in one order for all.
    QList<TeamAttendance> members = sheet.members;
    for (TeamAttendance& m : members) {
        m.employeeNo = cleanText(m.employeeNo);
        m.name = m_db.scalar(QStringLiteral("SELECT max(姓名) FROM 员工 WHERE 工号 = ?"), {m.employeeNo}).toString();
        if (m_db.scalar(QStringLiteral("SELECT count(*) FROM 员工 WHERE 工号 = ?"), {m.employeeNo}).toLongLong() == 0)
            throw InputError(QStringLiteral("没有工号为 %1 的员工。").arg(m.employeeNo));
    }
    QStringList touched;
    if (id != 0) {
        Statement before =
            m_db.prepare(QStringLiteral("SELECT DISTINCT 工号 FROM 工资流水 WHERE 班组月id = ? AND 来源 = ?"));
        before.bindAll({id, QString::fromUtf16(kTeamLineSource)});
        while (before.next())
            touched << before.text(0);
    }
    for (const TeamAttendance& m : std::as_const(members))
        if (!touched.contains(m.employeeNo))
            touched << m.employeeNo;
    std::sort(touched.begin(), touched.end(), employeeNoBefore);
    for (const QString& no : std::as_const(touched))
        lockEmployeeMonth(m_db, no, monthKey);

    const QString rule = splitRuleName(sheet.rule);
    if (id == 0) {
        m_db.exec(QStringLiteral("INSERT INTO 班组月 (班组id, 月份, 分配方式, 合计, 版本) VALUES (?, ?, ?, ?, 1)"),
                  {sheet.teamId, monthKey, rule, split.total.toDouble()});
        id =
            m_db.scalar(QStringLiteral("SELECT id FROM 班组月 WHERE 班组id = ? AND 月份 = ?"), {sheet.teamId, monthKey})
                .toLongLong();
    } else {
        m_db.exec(QStringLiteral("UPDATE 班组月 SET 分配方式 = ?, 合计 = ?, 版本 = 版本 + 1 WHERE id = ?"),
                  {rule, split.total.toDouble(), id});
        m_db.exec(QStringLiteral("DELETE FROM 班组产量 WHERE 班组月id = ?"), {id});
        m_db.exec(QStringLiteral("DELETE FROM 班组出勤 WHERE 班组月id = ?"), {id});
    }
    dropShares(id, month);

    Statement line = m_db.prepare(QStringLiteral("INSERT INTO 班组产量 (班组月id, 日期, 产品编号, 产品, 计量单位, "
                                                 "数量, 工价, 金额) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const TeamOutputLine& l : sheet.lines) {
        line.bindAll({id, isoDate(l.date), cleanText(l.productNo), l.product, l.unit, l.quantity.toDouble(),
                      l.price.toDouble(), l.amount().toDouble()});
        line.run();
        line.reset();
    }
    Statement attendance = m_db.prepare(QStringLiteral(
        "INSERT INTO 班组出勤 (班组月id, 工号, 姓名, 天数, 日工资, 点数, 份额) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    Statement share = m_db.prepare(
        QStringLiteral("INSERT INTO 工资流水 (日期, 工号, 产品, 计量单位, 数量, 工价, 金额, 备注, 来源, 班组月id) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QString shareDate = isoDate(month.nextFirstDay().addDays(-1));
    const QString shareProduct = QStringLiteral("集体计件 %1").arg(teamName);
    for (qsizetype i = 0; i < members.size(); ++i) {
        const TeamAttendance& m = members.at(i);
        const SplitShare& s = split.shares.at(i);
        attendance.bindAll({id, m.employeeNo, m.name, m.days.toDouble(), m.dayRate.toDouble(), m.points.toDouble(),
                            s.share.toDouble()});
        attendance.run();
        attendance.reset();
        if (s.share.isZero())
            continue;
        share.bindAll({shareDate, m.employeeNo, shareProduct, QStringLiteral("份"), 1.0, s.share.toDouble(),
                       s.share.toDouble(), shareRemark(sheet.rule, m, s, split), QString::fromUtf16(kTeamLineSource),
                       id});
        share.run();
        share.reset();
    }
    for (const QString& no : std::as_const(touched))
        rewriteMonthSummary(m_db, no, {}, month);
    const qint64 version = m_db.scalar(QStringLiteral("SELECT 版本 FROM 班组月 WHERE id = ?"), {id}).toLongLong();
    OperationLog(m_db).record(QStringLiteral("保存集体计件"), QStringLiteral("%1 %2：合计 %3，%4 人，按%5分配")
                                                                  .arg(teamName, monthKey, split.total.moneyText())
                                                                  .arg(members.size())
                                                                  .arg(rule));
    tx.commit();
    return version;
}

void TeamMonths::remove(qint64 teamId, const QString& typedMonth, std::optional<qint64> loadedVersion)
{
    const QString monthKey = requireMonth(typedMonth);
    const YearMonth month = *parseMonthText(monthKey);
    retryingConflicts(m_db, [&] {
        Transaction tx(m_db);
        requireRight(m_db, Right::WageEntry);
        const qint64 id = claim(teamId, monthKey, loadedVersion);
        if (id == 0)
            return;
        QStringList touched;
        Statement before =
            m_db.prepare(QStringLiteral("SELECT DISTINCT 工号 FROM 工资流水 WHERE 班组月id = ? AND 来源 = ?"));
        before.bindAll({id, QString::fromUtf16(kTeamLineSource)});
        while (before.next())
            touched << before.text(0);
        std::sort(touched.begin(), touched.end(), employeeNoBefore);
        for (const QString& no : std::as_const(touched))
            lockEmployeeMonth(m_db, no, monthKey);
        dropShares(id, month);
        m_db.exec(QStringLiteral("DELETE FROM 班组产量 WHERE 班组月id = ?"), {id});
        m_db.exec(QStringLiteral("DELETE FROM 班组出勤 WHERE 班组月id = ?"), {id});
        m_db.exec(QStringLiteral("DELETE FROM 班组月 WHERE id = ?"), {id});
        for (const QString& no : std::as_const(touched))
            rewriteMonthSummary(m_db, no, {}, month);
        OperationLog(m_db).record(QStringLiteral("删除集体计件"),
                                  QStringLiteral("班组 %1 %2").arg(teamId).arg(monthKey));
        tx.commit();
    });
}

} // namespace kv
