#include "maintenance/ClearData.h"

#include "data/Database.h"
#include "data/OperationLog.h"
#include "data/Schema.h"
#include "data/Session.h"
#include "data/Tables.h"
#include "data/UniqueNumbers.h"

namespace kv {

void clearAllData(Database& db)
{
    try {
        // Saves under way on other connections end first; those that come later wait, then find
        // their month changed.
        Transaction tx(db, Access::Maintenance);
        requireRight(db, Right::RestoreClear);
        db.exec(QStringLiteral("DELETE FROM 管理员 WHERE id <> ?"), {kSuperAdministratorId});
        for (const QString& table : tableNames(TableRole::Data))
            db.exec(QStringLiteral("DELETE FROM \"%1\"").arg(table));
        // Numbers stored twice are gone with the rows: the database keeps them apart from now on.
        makeUniqueNumberIndexes(db);
        OperationLog(db).record(QStringLiteral("清空数据"));
        markDataReplaced(db);
        tx.commit();
    } catch (const DbError& e) {
        throw e.retold(QStringLiteral("清空没有完成，所有数据保持原样。\n%1").arg(e.message()));
    }
    // Hand the freed pages back, so that the file and later backups shrink to what is left. The
    // data are cleared already; a file that stays large is no reason to report a failure.
    try {
        db.execScript(QStringLiteral("VACUUM"));
    } catch (const DbError&) {
    }
}

} // namespace kv
