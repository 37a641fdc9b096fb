#include "teams/Teams.h"

#include "data/Database.h"
#include "data/OperationLog.h"
#include "data/Session.h"

#include <algorithm>

namespace kv {

namespace {
std::optional<QDate> storedDate(const Statement& st, int col)
{
    if (st.isNull(col) || st.text(col).isEmpty())
        return std::nullopt;
    const QDate d = QDate::fromString(st.text(col), Qt::ISODate);
    return d.isValid() ? std::optional<QDate>(d) : std::nullopt;
}

void requireFigure(Decimal value, const QString& what, const QString& employeeNo)
{
    if (value.isNegative() || value.places() > 2 || !value.isStorable())
        throw InputError(QStringLiteral("工号 %1 的%2必须是不小于零、最多两位小数的数字。").arg(employeeNo, what));
}
} // namespace

QList<Team> Teams::all()
{
    Statement st = m_db.prepare(
        QStringLiteral("SELECT id, 班组编号, 班组名称, 车间, 分配方式, 备注 FROM 班组 ORDER BY 班组编号, id"));
    QList<Team> teams;
    while (st.next())
        teams.append({st.integer(0), st.text(1), st.text(2), st.text(3), splitRuleFromName(st.text(4)), st.text(5)});
    return teams;
}

std::optional<Team> Teams::find(qint64 id)
{
    for (const Team& t : all())
        if (t.id == id)
            return t;
    return std::nullopt;
}

qint64 Teams::save(const Team& team)
{
    const QString number = cleanText(team.number);
    const QString name = cleanText(team.name);
    if (number.isEmpty())
        throw InputError(QStringLiteral("班组编号未填写！"));
    if (name.isEmpty())
        throw InputError(QStringLiteral("班组名称未填写！"));
    Transaction tx(m_db);
    requireRight(m_db, Right::MasterData);
    m_db.lock(QStringLiteral("班组"));
    if (m_db.scalar(QStringLiteral("SELECT count(*) FROM 班组 WHERE 班组编号 = ? AND id <> ?"), {number, team.id})
            .toLongLong() > 0)
        throw InputError(QStringLiteral("己有相同的班组编号！"));
    const QVariantList values{number, name, cleanText(team.workshop), splitRuleName(team.rule), cleanText(team.remark)};
    qint64 id = team.id;
    if (id == 0) {
        m_db.exec(QStringLiteral("INSERT INTO 班组 (班组编号, 班组名称, 车间, 分配方式, 备注) VALUES (?, ?, ?, ?, ?)"),
                  values);
        id = m_db.scalar(QStringLiteral("SELECT id FROM 班组 WHERE 班组编号 = ?"), {number}).toLongLong();
    } else {
        m_db.exec(
            QStringLiteral("UPDATE 班组 SET 班组编号 = ?, 班组名称 = ?, 车间 = ?, 分配方式 = ?, 备注 = ? WHERE id = ?"),
            QVariantList(values) << id);
        if (m_db.changes() == 0)
            throw InputError(QStringLiteral("该班组已被其他用户删除。"));
    }
    OperationLog(m_db).record(team.id == 0 ? QStringLiteral("新增班组") : QStringLiteral("修改班组"),
                              QStringLiteral("%1 %2").arg(number, name));
    tx.commit();
    return id;
}

void Teams::remove(qint64 id)
{
    Transaction tx(m_db);
    requireRight(m_db, Right::MasterData);
    if (m_db.scalar(QStringLiteral("SELECT count(*) FROM 班组月 WHERE 班组id = ?"), {id}).toLongLong() > 0)
        throw InputError(QStringLiteral("该班组已有集体计件记录，不能删除。"));
    const QString number = m_db.scalar(QStringLiteral("SELECT 班组编号 FROM 班组 WHERE id = ?"), {id}).toString();
    m_db.exec(QStringLiteral("DELETE FROM 班组成员 WHERE 班组id = ?"), {id});
    m_db.exec(QStringLiteral("DELETE FROM 班组 WHERE id = ?"), {id});
    OperationLog(m_db).record(QStringLiteral("删除班组"), number);
    tx.commit();
}

QList<TeamMember> Teams::members(qint64 teamId)
{
    Statement st = m_db.prepare(
        QStringLiteral("SELECT m.工号, (SELECT max(e.姓名) FROM 员工 e WHERE e.工号 = m.工号), m.日工资, m.点数, "
                       "m.加入日期, m.离开日期 FROM 班组成员 m WHERE m.班组id = ? ORDER BY m.加入日期, m.id"));
    st.bindAll({teamId});
    QList<TeamMember> out;
    while (st.next())
        out.append({st.text(0), st.text(1), st.decimal(2), st.decimal(3), storedDate(st, 4).value_or(QDate()),
                    storedDate(st, 5)});
    std::stable_sort(out.begin(), out.end(), [](const TeamMember& a, const TeamMember& b) {
        return employeeNoBefore(a.employeeNo, b.employeeNo);
    });
    return out;
}

QList<TeamMember> Teams::membersIn(qint64 teamId, const YearMonth& month)
{
    QList<TeamMember> out;
    for (const TeamMember& m : members(teamId))
        if (m.belongsIn(month))
            out.append(m);
    return out;
}

void Teams::setMembers(qint64 teamId, const QList<TeamMember>& members)
{
    QList<TeamMember> checked;
    for (TeamMember m : members) {
        m.employeeNo = cleanText(m.employeeNo);
        if (m.employeeNo.isEmpty())
            continue;
        if (!m.joined.isValid())
            throw InputError(QStringLiteral("工号 %1 没有加入日期。").arg(m.employeeNo));
        if (m.left && *m.left < m.joined)
            throw InputError(QStringLiteral("工号 %1 的离开日期早于加入日期。").arg(m.employeeNo));
        requireFigure(m.dayRate, QStringLiteral("日工资"), m.employeeNo);
        requireFigure(m.points, QStringLiteral("点数"), m.employeeNo);
        for (const TeamMember& other : std::as_const(checked)) {
            const bool overlap = other.employeeNo == m.employeeNo && (!other.left || *other.left >= m.joined) &&
                                 (!m.left || *m.left >= other.joined);
            if (overlap)
                throw InputError(QStringLiteral("工号 %1 在班组中的时间重叠了。").arg(m.employeeNo));
        }
        checked.append(m);
    }
    Transaction tx(m_db);
    requireRight(m_db, Right::MasterData);
    m_db.lock(QStringLiteral("班组 %1").arg(teamId));
    if (m_db.scalar(QStringLiteral("SELECT count(*) FROM 班组 WHERE id = ?"), {teamId}).toLongLong() == 0)
        throw InputError(QStringLiteral("该班组已被其他用户删除。"));
    for (const TeamMember& m : std::as_const(checked))
        if (m_db.scalar(QStringLiteral("SELECT count(*) FROM 员工 WHERE 工号 = ?"), {m.employeeNo}).toLongLong() == 0)
            throw InputError(QStringLiteral("没有工号为 %1 的员工。").arg(m.employeeNo));
    m_db.exec(QStringLiteral("DELETE FROM 班组成员 WHERE 班组id = ?"), {teamId});
    for (const TeamMember& m : std::as_const(checked))
        m_db.exec(
            QStringLiteral(
                "INSERT INTO 班组成员 (班组id, 工号, 日工资, 点数, 加入日期, 离开日期) VALUES (?, ?, ?, ?, ?, ?)"),
            {teamId, m.employeeNo, m.dayRate.toDouble(), m.points.toDouble(), isoDate(m.joined),
             m.left ? QVariant(isoDate(*m.left)) : QVariant()});
    OperationLog(m_db).record(
        QStringLiteral("修改班组成员"),
        QStringLiteral("%1：%2 人")
            .arg(m_db.scalar(QStringLiteral("SELECT 班组编号 FROM 班组 WHERE id = ?"), {teamId}).toString())
            .arg(checked.size()));
    tx.commit();
}

} // namespace kv
