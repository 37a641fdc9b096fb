#include "lists/AdminAccounts.h"

#include "data/Database.h"
#include "data/Passwords.h"
#include "data/TextRules.h"

namespace kv {

QList<ListEntry> AdminAccounts::entries()
{
    Statement st = m_db.prepare(QStringLiteral("SELECT id, 账号 FROM 管理员 ORDER BY id"));
    QList<ListEntry> list;
    while (st.next())
        list.append({st.integer(0), st.text(1)});
    return list;
}

ListChange AdminAccounts::add(const QString& typedName, const QString& typedPassword)
{
    const QString name = cleanText(typedName);
    if (name.isEmpty())
        return ListChange::EmptyName;
    m_db.exec(QStringLiteral("INSERT INTO 管理员 (账号, 密码) VALUES (?, ?)"),
              {name, hashPassword(cleanText(typedPassword))});
    return ListChange::Done;
}

ListChange AdminAccounts::change(qint64 id, const QString& typedName, const std::optional<QString>& typedPassword)
{
    const QString name = cleanText(typedName);
    if (name.isEmpty())
        return ListChange::EmptyName;
    if (typedPassword)
        m_db.exec(QStringLiteral("UPDATE 管理员 SET 账号 = ?, 密码 = ? WHERE id = ?"),
                  {name, hashPassword(cleanText(*typedPassword)), id});
    else
        m_db.exec(QStringLiteral("UPDATE 管理员 SET 账号 = ? WHERE id = ?"), {name, id});
    return m_db.changes() > 0 ? ListChange::Done : ListChange::Missing;
}

ListChange AdminAccounts::remove(qint64 id)
{
    if (id == kSuperAdminId)
        return ListChange::Protected;
    m_db.exec(QStringLiteral("DELETE FROM 管理员 WHERE id = ?"), {id});
    return m_db.changes() > 0 ? ListChange::Done : ListChange::Missing;
}

} // namespace kv
