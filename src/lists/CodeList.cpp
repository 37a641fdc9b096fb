#include "lists/CodeList.h"

#include "data/Database.h"
#include "data/OperationLog.h"
#include "data/Session.h"
#include "data/TextRules.h"

namespace kv {

QString codeListTable(CodeListKind kind)
{
    switch (kind) {
    case CodeListKind::JobType: return QStringLiteral("工种");
    case CodeListKind::Unit: return QStringLiteral("计量单位");
    case CodeListKind::Workshop: break;
    }
    return QStringLiteral("车间");
}

CodeList::CodeList(Database& db, CodeListKind kind) : m_db(db), m_table(u'"' + codeListTable(kind) + u'"') {}

QList<ListEntry> CodeList::entries()
{
    Statement st = m_db.prepare(QStringLiteral("SELECT id, %1 FROM %1 ORDER BY id").arg(m_table));
    QList<ListEntry> list;
    while (st.next())
        list.append({st.integer(0), st.text(1)});
    return list;
}

QString CodeList::noun() const
{
    return QString(m_table).remove(u'"');
}

QString CodeList::nameOf(qint64 id)
{
    return m_db.scalar(QStringLiteral("SELECT %1 FROM %1 WHERE id = ?").arg(m_table), {id}).toString();
}

QStringList CodeList::names()
{
    QStringList list;
    for (const ListEntry& entry : entries())
        list << entry.name;
    return list;
}

bool CodeList::addIfMissing(const QString& name)
{
    requireRight(m_db, Right::MasterData);
    if (!m_db.scalar(QStringLiteral("SELECT id FROM %1 WHERE %1 = ?").arg(m_table), {name}).isNull())
        return false;
    m_db.exec(QStringLiteral("INSERT INTO %1 (%1) VALUES (?)").arg(m_table), {name});
    return true;
}

ListChange CodeList::add(const QString& typedName)
{
    const QString name = cleanText(typedName);
    if (name.isEmpty())
        return ListChange::EmptyName;
    Transaction tx(m_db);
    requireRight(m_db, Right::MasterData);
    m_db.exec(QStringLiteral("INSERT INTO %1 (%1) VALUES (?)").arg(m_table), {name});
    OperationLog(m_db).record(QStringLiteral("新增") + noun(), name);
    tx.commit();
    return ListChange::Done;
}

ListChange CodeList::rename(qint64 id, const QString& typedName)
{
    const QString name = cleanText(typedName);
    if (name.isEmpty())
        return ListChange::EmptyName;
    Transaction tx(m_db);
    requireRight(m_db, Right::MasterData);
    const QString before = nameOf(id);
    m_db.exec(QStringLiteral("UPDATE %1 SET %1 = ? WHERE id = ?").arg(m_table), {name, id});
    if (m_db.changes() == 0)
        return ListChange::Missing;
    OperationLog(m_db).record(QStringLiteral("修改") + noun(), before + QStringLiteral(" → ") + name);
    tx.commit();
    return ListChange::Done;
}

ListChange CodeList::remove(qint64 id)
{
    Transaction tx(m_db);
    requireRight(m_db, Right::MasterData);
    const QString before = nameOf(id);
    m_db.exec(QStringLiteral("DELETE FROM %1 WHERE id = ?").arg(m_table), {id});
    if (m_db.changes() == 0)
        return ListChange::Missing;
    OperationLog(m_db).record(QStringLiteral("删除") + noun(), before);
    tx.commit();
    return ListChange::Done;
}

} // namespace kv
