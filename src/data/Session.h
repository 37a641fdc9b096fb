#pragma once

#include <QFlags>
#include <QList>
#include <QString>

namespace kv {

class Database;

// What an account may do besides reading. Stored per account (管理员.权限) as the sum of the
// values; the values never change meaning.
enum class Right {
    WageEntry = 0x01,    // 工资录入: save and clear an employee's month
    Statistics = 0x02,   // 统计与打印: the statistics window, its prints and exports
    MasterData = 0x04,   // 基础资料: employees, products, deduction items, code lists, factory name
    Backup = 0x08,       // 数据备份
    RestoreClear = 0x10, // 恢复与清空: restore a backup, clear all data
    Accounts = 0x20,     // 账号管理: add, change and delete accounts other than the super administrator
    CloseMonths = 0x40, // 结账: close a month; reopening one stays with the super administrator
};
Q_DECLARE_FLAGS(Rights, Right)
Q_DECLARE_OPERATORS_FOR_FLAGS(Rights)

// The super administrator: the account with this id, whatever its name.
inline constexpr qint64 kSuperAdministratorId = 1;

// Every right in the order the account window lists them.
QList<Right> allRights();
// "工资录入", "统计与打印", ...
QString rightName(Right right);
// "工资录入、数据备份"; "无" for none.
QString rightsText(Rights rights);
// What a new account may do until the super administrator says otherwise.
Rights newAccountRights();
// What an account of a file made before rights existed keeps: everything it could do then,
// which was everything except the super administrator's own powers.
Rights upgradedAccountRights();

// Who works on a connection: the account logged in, by id and name, with the rights it had when
// it logged in (enough for windows to disable what it may not use). The default session is
// nobody: it reads, and every change that needs a right is refused.
class Session {
public:
    Session() = default;
    Session(qint64 accountId, QString account, Rights rights);

    qint64 accountId() const { return m_id; }
    const QString& account() const { return m_account; }
    Rights rights() const { return m_rights; }
    bool isSuperAdministrator() const { return m_id == kSuperAdministratorId; }
    // The super administrator may do everything.
    bool may(Right right) const { return isSuperAdministrator() || m_rights.testFlag(right); }
    // Why the account may not do what needs the right (refusalText); empty when it may.
    QString refusal(Right right) const;
    // On a server whose clerks change accounts only through its functions: the proof of the
    // password given at the login (passwordProof), by which those functions know the account.
    const QString& passwordProof() const { return m_proof; }
    void setPasswordProof(const QString& proof) { m_proof = proof; }

private:
    qint64 m_id = 0;
    QString m_account;
    Rights m_rights;
    QString m_proof;
};

// Why the account may not do what needs the right, for a message or a tooltip.
QString refusalText(Right right);
// Why only the super administrator may do it.
QString superAdministratorOnlyText();

// Inside a change: refuses with InputError (refusalText) unless the connection's account holds
// the right as stored now, so that a right taken away or an account deleted since the login
// counts at once.
void requireRight(Database& db, Right right);
// Refuses with InputError unless the connection works for the super administrator.
void requireSuperAdministrator(Database& db);

} // namespace kv
