#include "lists/AdminAccounts.h"

#include "data/Accounts.h"
#include "data/Database.h"
#include "data/LookAlikeNames.h"
#include "data/OperationLog.h"
#include "data/Passwords.h"
#include "data/TextRules.h"

namespace kv {

namespace {
QString accountsOnlyText()
{
    return QStringLiteral("不能修改比自己权限多的账号！");
}

// What is written of one account row: none leaves a value as stored.
struct AccountRow {
    std::optional<QString> name;
    std::optional<QString> password; // as typed and cleaned; stored as its hash and check value
    std::optional<Rights> rights;
};

// Writes the account (a new one for no id; removes it with `remove`): directly where the connection
// may write 管理员, otherwise through the server's function, which knows the acting account by
// `proof` and keeps the same rules again. Returns the account's id.
qint64 writeAccount(Database& db, std::optional<qint64> id, const AccountRow& row, bool remove = false,
                    const std::optional<QString>& proof = std::nullopt)
{
    const QVariant hash = row.password ? QVariant(hashPassword(*row.password)) : QVariant();
    const QVariant check = row.password ? QVariant(makePasswordCheck(*row.password)) : QVariant();
    const QVariant rights = row.rights ? QVariant(row.rights->toInt()) : QVariant();
    if (throughServerFunctions(db)) {
        const qint64 written = db.scalar(QStringLiteral("SELECT kelvaro_account_write(?, ?, ?, ?, ?, ?, ?, ?)"),
                                         {db.session().accountId(), proof.value_or(db.session().passwordProof()),
                                          id ? QVariant(*id) : QVariant(), row.name ? QVariant(*row.name) : QVariant(),
                                          hash, check, rights, remove})
                                   .toLongLong();
        // The account's own new password: what it does next (the log entry of this change first)
        // shows the proof of the new one.
        if (id && *id == db.session().accountId() && row.password && !remove) {
            Session session = db.session();
            session.setPasswordProof(passwordProof(check.toString(), *row.password).value_or(QString()));
            db.setSession(session);
        }
        return written;
    }
    if (!id) {
        db.exec(QStringLiteral("INSERT INTO 管理员 (账号, 密码, 校验, 权限) VALUES (?, ?, ?, ?)"),
                {row.name.value_or(QString()), hash, check, row.rights.value_or(newAccountRights()).toInt()});
        return db.scalar(QStringLiteral("SELECT id FROM 管理员 WHERE 账号 = ?"), {row.name.value_or(QString())})
            .toLongLong();
    }
    if (remove)
        db.exec(QStringLiteral("DELETE FROM 管理员 WHERE id = ?"), {*id});
    else
        db.exec(QStringLiteral("UPDATE 管理员 SET 账号 = coalesce(?, 账号), 密码 = coalesce(?, 密码), "
                               "校验 = coalesce(?, 校验), 权限 = coalesce(?, 权限) WHERE id = ?"),
                {row.name ? QVariant(*row.name) : QVariant(), hash, check, rights, *id});
    return *id;
}
} // namespace

QString accountChangeRefusal(const Session& session, qint64 id, Rights rightsOfAccount)
{
    if (session.isSuperAdministrator() || id == session.accountId())
        return {};
    if (id == kSuperAdministratorId)
        return QStringLiteral("只有超级管理员才能修改超级管理员！");
    if (!session.may(Right::Accounts))
        return refusalText(Right::Accounts);
    if ((rightsOfAccount & ~session.rights()) != Rights())
        return accountsOnlyText();
    return {};
}

QList<ListEntry> AdminAccounts::entries()
{
    Statement st = m_db.prepare(QStringLiteral("SELECT id, 账号 FROM 管理员 ORDER BY id"));
    QList<ListEntry> list;
    while (st.next())
        list.append({st.integer(0), st.text(1)});
    return list;
}

std::optional<Rights> AdminAccounts::rights(qint64 id)
{
    const QVariant stored = m_db.scalar(QStringLiteral("SELECT 权限 FROM 管理员 WHERE id = ?"), {id});
    if (stored.isNull())
        return std::nullopt;
    return Rights::fromInt(stored.toInt());
}

void AdminAccounts::requireManaging(qint64 id)
{
    const Session& session = m_db.session();
    if (session.isSuperAdministrator())
        return;
    if (id == kSuperAdministratorId)
        throw InputError(QStringLiteral("只有超级管理员才能修改超级管理员！"));
    requireRight(m_db, Right::Accounts);
    // The manager's rights as stored now, not as at its login.
    const Rights own = rights(session.accountId()).value_or(Rights());
    if ((rights(id).value_or(Rights()) & ~own) != Rights())
        throw InputError(accountsOnlyText());
}

void AdminAccounts::requireFreeName(const QString& typed, qint64 id)
{
    if (const QString fault = invisibleCharacterFault(typed, QStringLiteral("账号")); !fault.isEmpty())
        throw InputError(fault);
    const QString name = cleanText(typed);
    if (!m_db.scalar(QStringLiteral("SELECT id FROM 管理员 WHERE 账号 = ? AND id <> ?"), {name, id}).isNull())
        throw InputError(QString::fromUtf16(kAccountExistsText));
    // Two names that look the same in the list would let one account pass for another.
    Statement st = m_db.prepare(QStringLiteral("SELECT 账号 FROM 管理员 WHERE id <> ? ORDER BY id"));
    st.bind(1, id);
    while (st.next())
        if (namesLookAlike(name, st.text(0)))
            throw InputError(QStringLiteral("该账号与 %1 看起来一样，请换一个").arg(st.text(0)));
}

void AdminAccounts::writeRights(qint64 id, const QString& name, Rights before, Rights after)
{
    if (before == after || id == kSuperAdministratorId)
        return;
    requireSuperAdministrator(m_db);
    writeAccount(m_db, id, AccountRow{std::nullopt, std::nullopt, after});
    QStringList parts;
    if (const Rights granted = after & ~before; granted != Rights())
        parts << QStringLiteral("授予 ") + rightsText(granted);
    if (const Rights taken = before & ~after; taken != Rights())
        parts << QStringLiteral("收回 ") + rightsText(taken);
    OperationLog(m_db).record(QStringLiteral("修改权限"),
                              name + QStringLiteral("：") + parts.join(QStringLiteral("；")));
}

ListChange AdminAccounts::add(const QString& typedName, const QString& typedPassword,
                              const std::optional<Rights>& rights)
{
    const QString name = cleanText(typedName);
    if (name.isEmpty())
        return ListChange::EmptyName;
    Transaction tx(m_db);
    requireRight(m_db, Right::Accounts);
    requireFreeName(typedName, 0);
    const qint64 id = writeAccount(m_db, std::nullopt, AccountRow{name, cleanText(typedPassword), std::nullopt});
    OperationLog(m_db).record(QStringLiteral("新增账号"), name);
    if (rights)
        writeRights(id, name, newAccountRights(), *rights);
    tx.commit();
    return ListChange::Done;
}

ListChange AdminAccounts::change(qint64 id, const QString& typedName, const std::optional<QString>& typedPassword)
{
    return change(id, AccountChange{typedName, typedPassword, std::nullopt, std::nullopt});
}

ListChange AdminAccounts::change(qint64 id, const AccountChange& change)
{
    const QString name = cleanText(change.typedName);
    if (name.isEmpty())
        return ListChange::EmptyName;
    Transaction tx(m_db);
    QString before;
    QString storedHash;
    Rights storedRights;
    // A clerk's role on a server may not lock the row: the server's function locks it when it writes.
    const bool direct = !throughServerFunctions(m_db);
    {
        Statement st = m_db.prepare(QStringLiteral("SELECT 账号, 密码, 权限 FROM 管理员 WHERE id = ?") +
                                    (direct ? m_db.lockClause() : QString()));
        st.bind(1, id);
        if (!st.next())
            return ListChange::Missing;
        before = st.text(0);
        storedHash = st.text(1);
        storedRights = Rights::fromInt(int(st.integer(2)));
    }

    std::optional<QString> proof;
    if (id == m_db.session().accountId()) {
        // One's own password: the old one first, so that a session left open is not enough.
        const QString oldPassword = cleanText(change.oldPassword.value_or(QString()));
        if (change.typedPassword && !verifyPassword(storedHash, oldPassword))
            throw InputError(QStringLiteral("原密码不正确！"));
        // The server's function is shown the old password's proof too.
        if (change.typedPassword && !direct)
            proof = accountProof(m_db, id, oldPassword);
    } else {
        requireManaging(id);
    }
    requireFreeName(change.typedName, id);
    writeAccount(m_db, id,
                 AccountRow{name, change.typedPassword ? std::optional(cleanText(*change.typedPassword)) : std::nullopt,
                            std::nullopt},
                 false, proof);
    // Only that the password changed, never the password.
    if (before != name || change.typedPassword)
        OperationLog(m_db).record(QStringLiteral("修改账号"),
                                  before + QStringLiteral(" → ") + name +
                                      (change.typedPassword ? QStringLiteral("（密码已修改）") : QString()));
    if (change.rights)
        writeRights(id, name, storedRights, *change.rights);
    tx.commit();
    return ListChange::Done;
}

ListChange AdminAccounts::remove(qint64 id)
{
    if (id == kSuperAdminId)
        return ListChange::Protected;
    Transaction tx(m_db);
    const QVariant before = m_db.scalar(QStringLiteral("SELECT 账号 FROM 管理员 WHERE id = ?"), {id});
    if (before.isNull())
        return ListChange::Missing;
    requireManaging(id);
    writeAccount(m_db, id, AccountRow{}, true);
    OperationLog(m_db).record(QStringLiteral("删除账号"), before.toString());
    tx.commit();
    return ListChange::Done;
}

} // namespace kv
