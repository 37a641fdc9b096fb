#include "data/Accounts.h"

#include "data/Database.h"
#include "data/OperationLog.h"
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

namespace {
// The id of the account that account and password fit; none when they fit no account.
std::optional<qint64> matchingAccount(Database& db, const QString& account, const QString& password)
{
    const QString pass = cleanText(password);
    Statement st = db.prepare(QStringLiteral("SELECT id, 密码 FROM 管理员 WHERE 账号 = ? ORDER BY id"));
    st.bind(1, cleanText(account));
    while (st.next()) {
        if (verifyPassword(st.text(1), pass))
            return st.integer(0);
    }
    return std::nullopt;
}
} // namespace

std::optional<QString> checkLogin(Database& db, const QString& account, const QString& password)
{
    const auto id = matchingAccount(db, account, password);
    if (!id)
        return std::nullopt;
    return db.scalar(QStringLiteral("SELECT 账号 FROM 管理员 WHERE id = ?"), {*id}).toString();
}

std::optional<Session> logIn(Database& db, const QString& account, const QString& password)
{
    if (const auto id = matchingAccount(db, account, password)) {
        std::optional<Session> session = accountSession(db, *id);
        // On a server the session carries its proof for the server's functions, and an account
        // from before check values gets one; a file keeps working without it.
        if (session && db.isServer())
            session->setPasswordProof(accountProof(db, *id, password));
        return session;
    }
    // Written for nobody: the connection has no account yet. A file that cannot be written
    // still tells the user the login failed.
    try {
        OperationLog(db).recordAlone(QStringLiteral("登录失败"), cleanText(account));
    } catch (const DbError&) {
    }
    return std::nullopt;
}

std::optional<Session> accountSession(Database& db, qint64 id)
{
    Statement st = db.prepare(QStringLiteral("SELECT 账号, 权限 FROM 管理员 WHERE id = ?"));
    st.bind(1, id);
    if (!st.next())
        return std::nullopt;
    return Session(id, st.text(0), Rights::fromInt(int(st.integer(1))));
}

bool superAdministratorPasswordFits(Database& db, const QString& password)
{
    const QVariant hash = db.scalar(QStringLiteral("SELECT 密码 FROM 管理员 WHERE id = ?"), {kSuperAdministratorId});
    return !hash.isNull() && verifyPassword(hash.toString(), cleanText(password));
}

bool throughServerFunctions(Database& db)
{
    return db.isServer() && !db.scalar(QStringLiteral("SELECT has_table_privilege('管理员', 'UPDATE')")).toBool();
}

QString ownerOnlyRefusal(Database& db, const QString& what)
{
    if (!db.isServer() || db.mayChangeSchema())
        return {};
    return QStringLiteral("%1需要数据库所有者的权限，登录所用的数据库角色是操作员的，没有这项权限；数据没有改动。"
                          "请让管理服务器的人以数据库所有者的身份来做。")
        .arg(what);
}

QString accountProof(Database& db, qint64 id, const QString& password)
{
    const QString pass = cleanText(password);
    QString check = db.scalar(QStringLiteral("SELECT 校验 FROM 管理员 WHERE id = ?"), {id}).toString();
    if (check.isEmpty()) {
        // A clerk's role may not give an account its check value: whoever came first would set
        // it. Only the super administrator, setting the password again, or the server's owner do.
        if (throughServerFunctions(db))
            throw InputError(
                id == kSuperAdministratorId
                    ? QStringLiteral(
                          "超级管理员还没有密码校验值，在服务器上还不能用它登录。请让管理服务器的人再运行一次 "
                          "kelvaro --setup-server，按提示输入超级管理员的密码。")
                    : QStringLiteral("这个账号还没有密码校验值，在服务器上还不能用它登录。"
                                     "请让超级管理员在程序中重新设置这个账号的密码。"));
        check = makePasswordCheck(pass);
        db.exec(QStringLiteral("UPDATE 管理员 SET 校验 = ? WHERE id = ? AND 校验 IS NULL"), {check, id});
        // Another connection may have given it one meanwhile: the stored one counts.
        check = db.scalar(QStringLiteral("SELECT 校验 FROM 管理员 WHERE id = ?"), {id}).toString();
    }
    const auto proof = passwordProof(check, pass);
    if (!proof)
        throw InputError(QStringLiteral("账号的密码校验值无法读取，请让超级管理员重新设置这个账号的密码。"));
    return *proof;
}

} // namespace kv
