#include "data/Settings.h"

#include "data/Accounts.h"
#include "data/Database.h"

namespace kv {

void storeSetting(Database& db, const QString& key, const QString& value)
{
    if (throughServerFunctions(db)) {
        const Session& session = db.session();
        db.scalar(QStringLiteral("SELECT kelvaro_setting(?, ?, ?, ?)"),
                  {session.accountId(), session.passwordProof(), key, value});
        return;
    }
    db.exec(db.upsertSql(QStringLiteral("kelvaro_meta"), {QStringLiteral("key"), QStringLiteral("value")}),
            {key, value});
}

} // namespace kv
