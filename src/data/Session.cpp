#include "data/Session.h"

#include "data/Database.h"

#include <QStringList>

namespace kv {

QList<Right> allRights()
{
    return {Right::WageEntry, Right::Statistics,   Right::MasterData, Right::Backup,
            Right::RestoreClear, Right::Accounts, Right::CloseMonths};
}

QString rightName(Right right)
{
    switch (right) {
    case Right::WageEntry: return QStringLiteral("工资录入");
    case Right::Statistics: return QStringLiteral("统计与打印");
    case Right::MasterData: return QStringLiteral("基础资料");
    case Right::Backup: return QStringLiteral("数据备份");
    case Right::RestoreClear: return QStringLiteral("恢复与清空");
    case Right::Accounts: return QStringLiteral("账号管理");
    case Right::CloseMonths: return QStringLiteral("结账");
    }
    return {};
}

QString rightsText(Rights rights)
{
    QStringList names;
    for (const Right right : allRights())
        if (rights.testFlag(right))
            names << rightName(right);
    return names.isEmpty() ? QStringLiteral("无") : names.join(u'、');
}

Rights newAccountRights()
{
    return Right::WageEntry | Right::Statistics | Right::MasterData | Right::Backup;
}

Rights upgradedAccountRights()
{
    return newAccountRights() | Right::RestoreClear | Right::Accounts;
}

Session::Session(qint64 accountId, QString account, Rights rights)
    : m_id(accountId), m_account(std::move(account)), m_rights(rights)
{
}

QString Session::refusal(Right right) const
{
    return may(right) ? QString() : refusalText(right);
}

QString refusalText(Right right)
{
    return QStringLiteral("当前账号没有“%1”权限，请让超级管理员在账号设置中授予。").arg(rightName(right));
}

QString superAdministratorOnlyText()
{
    return QStringLiteral("只有超级管理员才能这样做！");
}

void requireRight(Database& db, Right right)
{
    const Session& session = db.session();
    if (session.isSuperAdministrator())
        return;
    if (session.accountId() > 0) {
        const QVariant stored =
            db.scalar(QStringLiteral("SELECT 权限 FROM 管理员 WHERE id = ?"), {session.accountId()});
        if (!stored.isNull() && Rights::fromInt(stored.toInt()).testFlag(right))
            return;
    }
    throw InputError(refusalText(right));
}

void requireSuperAdministrator(Database& db)
{
    if (!db.session().isSuperAdministrator())
        throw InputError(superAdministratorOnlyText());
}

} // namespace kv
