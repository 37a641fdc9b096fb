#include "entry/EmployeeFinder.h"

#include "data/Database.h"
#include "data/TextRules.h"

namespace kv {

QString EmployeeRef::workshopLine() const
{
    return QStringLiteral("所在车间：") + workshop + QStringLiteral("  工种：") + jobType;
}

QList<EmployeeRef> EmployeeFinder::select(const QString& where, const QVariantList& values)
{
    Statement st = m_db.prepare(QStringLiteral("SELECT id, 工号, 姓名, 车间, 工种 FROM 员工 ") + where);
    st.bindAll(values);
    QList<EmployeeRef> out;
    while (st.next())
        out.append({st.integer(0), st.text(1), st.text(2), st.text(3), st.text(4)});
    return out;
}

QList<EmployeeRef> EmployeeFinder::nameContains(const QString& typed)
{
    return select(QStringLiteral("WHERE 姓名 LIKE ? ESCAPE '\\' AND 离职日期 IS NULL ORDER BY id"),
                  {u'%' + escapeLike(cleanText(typed)) + u'%'});
}

QList<EmployeeRef> EmployeeFinder::all()
{
    return select(QStringLiteral("WHERE 离职日期 IS NULL ORDER BY id"), {});
}

std::optional<EmployeeRef> EmployeeFinder::byId(qint64 id)
{
    const auto rows = select(QStringLiteral("WHERE id = ?"), {id});
    return rows.isEmpty() ? std::nullopt : std::optional(rows.first());
}

std::optional<EmployeeRef> EmployeeFinder::byNumber(const QString& typed, bool withLeft)
{
    const auto rows = select(QStringLiteral("WHERE 工号 = ? %1 ORDER BY id LIMIT 1")
                                 .arg(withLeft ? QString() : QStringLiteral("AND 离职日期 IS NULL")),
                             {cleanText(typed)});
    return rows.isEmpty() ? std::nullopt : std::optional(rows.first());
}

bool EmployeeFinder::nameExists(const QString& typed)
{
    return m_db.scalar(QStringLiteral("SELECT count(*) FROM 员工 WHERE 姓名 = ? AND 离职日期 IS NULL"),
                       {cleanText(typed)})
               .toInt() > 0;
}

} // namespace kv
