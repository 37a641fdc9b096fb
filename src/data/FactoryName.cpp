#include "data/FactoryName.h"

#include "data/Database.h"
#include "data/OperationLog.h"
#include "data/Session.h"
#include "data/Settings.h"
#include "data/TextRules.h"

namespace kv {

namespace {
const QString kKey = QStringLiteral("factory_name");
}

QString factoryName(Database& db)
{
    return db.scalar(QStringLiteral("SELECT value FROM kelvaro_meta WHERE key = ?"), {kKey}).toString();
}

QString factoryNameProblem(const QString& typed)
{
    const QString name = cleanText(typed);
    if (name.size() > kFactoryNameMaxLength)
        return QStringLiteral("单位名称最多 %1 个字，现在是 %2 个字，请缩短后再保存。")
            .arg(kFactoryNameMaxLength)
            .arg(name.size());
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("单位名称中不能有控制字符，请重新输入。");
    return {};
}

void setFactoryName(Database& db, const QString& typed)
{
    const QString name = cleanText(typed);
    Transaction tx(db);
    requireRight(db, Right::MasterData);
    const QString before = factoryName(db);
    if (before == name)
        return;
    storeSetting(db, kKey, name);
    OperationLog(db).record(QStringLiteral("修改单位名称"), before + QStringLiteral(" → ") + name);
    tx.commit();
}

} // namespace kv
