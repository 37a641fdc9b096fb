#include "data/Accounts.h"

#include "data/Database.h"
#include "data/Passwords.h"
#include "data/TextRules.h"

namespace kv {

QStringList accountNames(Database& db)
{
    QStringList names;
    Statement st = db.prepare(QStringLiteral("SELECT 账号 FROM 管理员 ORDER BY id"));
    while (st.next())
        names << st.text(0);
    return names;
}

std::optional<QString> checkLogin(Database& db, const QString& account, const QString& password)
{
    const QString name = cleanText(account);
    const QString pass = cleanText(password);
    Statement st = db.prepare(QStringLiteral("SELECT 账号, 密码 FROM 管理员 WHERE 账号 = ? ORDER BY id"));
    st.bind(1, name);
    while (st.next()) {
        if (verifyPassword(st.text(1), pass))
            return st.text(0);
    }
    return std::nullopt;
}

} // namespace kv
