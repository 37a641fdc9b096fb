#include "lists/AdminAccounts.h"

#include "data/Database.h"
#include "data/OperationLog.h"
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
    Transaction tx(m_db);
    m_db.exec(QStringLiteral("INSERT INTO 管理员 (账号, 密码) VALUES (?, ?)"),
              {name, hashPassword(cleanText(typedPassword))});
    OperationLog(m_db).record(QStringLiteral("新增账号"), name);
    tx.commit();
    return ListChange::Done;
}

ListChange AdminAccounts::change(qint64 id, const QString& typedName, const std::optional<QString>& typedPassword)
{
    const QString name = cleanText(typedName);
    if (name.isEmpty())
        return ListChange::EmptyName;
    Transaction tx(m_db);
    const QString before = m_db.scalar(QStringLiteral("SELECT 账号 FROM 管理员 WHERE id = ?"), {id}).toString();
    if (typedPassword)
        m_db.exec(QStringLiteral("UPDATE 管理员 SET 账号 = ?, 密码 = ? WHERE id = ?"),
                  {name, hashPassword(cleanText(*typedPassword)), id});
    else
        m_db.exec(QStringLiteral("UPDATE 管理员 SET 账号 = ? WHERE id = ?"), {name, id});
    if (m_db.changes() == 0)
        return ListChange::Missing;
    // Only that the password changed, never the password.
    OperationLog(m_db).record(QStringLiteral("修改账号"), before + QStringLiteral(" → ") + name +
                                                             (typedPassword ? QStringLiteral("（密码已修改）") : QString()));
    tx.commit();
    return ListChange::Done;
}

ListChange AdminAccounts::remove(qint64 id)
{
    if (id == kSuperAdminId)
        return ListChange::Protected;
    Transaction tx(m_db);
    const QString before = m_db.scalar(QStringLiteral("SELECT 账号 FROM 管理员 WHERE id = ?"), {id}).toString();
    m_db.exec(QStringLiteral("DELETE FROM 管理员 WHERE id = ?"), {id});
    if (m_db.changes() == 0)
        return ListChange::Missing;
    OperationLog(m_db).record(QStringLiteral("删除账号"), before);
    tx.commit();
    return ListChange::Done;
}

} // namespace kv
