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

namespace {
constexpr qint64 kSuperAdministratorId = 1;
}

bool isSuperAdministrator(Database& db, const QString& account)
{
    const QVariant name = db.scalar(QStringLiteral("SELECT 账号 FROM 管理员 WHERE id = ?"), {kSuperAdministratorId});
    return !name.isNull() && name.toString() == cleanText(account);
}

bool superAdministratorPasswordFits(Database& db, const QString& password)
{
    const QVariant hash = db.scalar(QStringLiteral("SELECT 密码 FROM 管理员 WHERE id = ?"), {kSuperAdministratorId});
    return !hash.isNull() && verifyPassword(hash.toString(), cleanText(password));
}

} // namespace kv
