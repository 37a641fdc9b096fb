#include "master/NumberHistory.h"

#include "data/Database.h"
#include "data/TextRules.h"

namespace kv {

QString formerOwnerText(MasterKind kind, const QString& owner, const QString& state)
{
    return QStringLiteral("该%1曾属于 %2（%3），不能再用").arg(masterTable(kind).numberColumn().name, owner, state);
}

QString outOfUseColumn(MasterKind kind)
{
    return kind == MasterKind::Employee ? QStringLiteral("离职日期") : QStringLiteral("停用日期");
}

QString outOfUseText(MasterKind kind)
{
    return kind == MasterKind::Employee ? QStringLiteral("已离职") : QStringLiteral("已停用");
}

QString formerOwnerRefusal(Database& db, MasterKind kind, const QString& number, qint64 id)
{
    const MasterTable& table = masterTable(kind);
    {
        Statement st = db.prepare(
            QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? AND id <> ? AND %4 IS NOT NULL "
                           "ORDER BY id")
                .arg(table.columns.at(1).name, table.table, table.numberColumn().name, outOfUseColumn(kind)));
        st.bindAll({number, id});
        if (st.next())
            return formerOwnerText(kind, st.text(0), outOfUseText(kind));
    }
    return givenUpNumberRefusal(db, kind, number, id);
}

QString givenUpNumberRefusal(Database& db, MasterKind kind, const QString& number, qint64 id)
{
    Statement st = db.prepare(
        QStringLiteral("SELECT 名称, 原因 FROM 停用编号 WHERE 类别 = ? AND 编号 = ? AND (原ID IS NULL OR 原ID <> ?)"));
    st.bindAll({masterTable(kind).table, number, id});
    if (st.next())
        return formerOwnerText(kind, st.text(0), st.text(1));
    return {};
}

void keepGivenUpNumber(Database& db, MasterKind kind, const QString& number, const QString& name, qint64 id,
                       const QString& reason)
{
    const QString cleaned = cleanText(number);
    if (cleaned.isEmpty())
        return;
    const QString table = masterTable(kind).table;
    if (!db.scalar(QStringLiteral("SELECT count(*) FROM 停用编号 WHERE 类别 = ? AND 编号 = ?"), {table, cleaned})
             .toLongLong())
        db.exec(QStringLiteral("INSERT INTO 停用编号 (类别, 编号, 名称, 原ID, 原因, 时间) VALUES (?, ?, ?, ?, ?, ?)"),
                {table, cleaned, name, id, reason, db.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))});
}

std::optional<QDate> outOfUseSince(Database& db, MasterKind kind, qint64 id)
{
    const QVariant since = db.scalar(
        QStringLiteral("SELECT %1 FROM %2 WHERE id = ?").arg(outOfUseColumn(kind), masterTable(kind).table), {id});
    if (since.isNull())
        return std::nullopt;
    return parseDateText(since.toString());
}

std::optional<QDate> employeeLeftOn(Database& db, const QString& number)
{
    const QVariant since =
        db.scalar(QStringLiteral("SELECT max(离职日期) FROM 员工 WHERE 工号 = ? AND 离职日期 IS NOT NULL"), {number});
    if (since.isNull())
        return std::nullopt;
    return parseDateText(since.toString());
}

} // namespace kv
