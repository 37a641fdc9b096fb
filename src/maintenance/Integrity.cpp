#include "maintenance/Integrity.h"

#include "data/Database.h"
#include "data/KeyFile.h"
#include "data/SqlCipherEngine.h"

#include <QFileInfo>
#include <QStringList>

namespace kv {

namespace {
constexpr int kFindingsShown = 3;

FileVerdict verdict(FileVerdict::State state, const QString& detail = {})
{
    return {state, detail};
}

// The integrity check's findings; empty when it reports the file sound.
QStringList integrityFindings(Database& db)
{
    QStringList findings;
    Statement st = db.prepare(QStringLiteral("PRAGMA integrity_check"));
    while (st.next()) {
        const QString line = st.text(0);
        if (line != QStringLiteral("ok") && findings.size() < kFindingsShown)
            findings << line;
    }
    return findings;
}
} // namespace

FileVerdict inspectDatabaseFile(const QString& path, const QString& key)
{
    using State = FileVerdict::State;
    const QFileInfo info(path);
    if (!info.isFile() || info.size() == 0)
        return verdict(State::Damaged, QStringLiteral("文件是空的或不存在"));

    std::unique_ptr<Database> db;
    try {
        db = std::make_unique<Database>(path, key);
    } catch (const DbError& e) {
        // A file cut short or grown past its pages is refused at opening, as damaged.
        return verdict(isWrongKey(e) ? State::OtherKey : State::Damaged, e.message());
    }
    try {
        if (const QStringList findings = integrityFindings(*db); !findings.isEmpty())
            return verdict(State::Damaged, findings.join(u'\n'));
        const bool hasMeta = db->scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' "
                                                       "AND name = 'kelvaro_meta'"))
                                 .toInt() == 1;
        if (!hasMeta || db->scalar(QStringLiteral("SELECT value FROM kelvaro_meta WHERE key = ?"),
                                   {QStringLiteral("schema_version")})
                            .isNull())
            return verdict(State::NotOurs);
    } catch (const DbError& e) {
        // A page that fails its authentication code ends the check with an error of its own.
        return verdict(State::Damaged, e.message());
    }
    return verdict(State::Sound);
}

FileVerdict inspectDatabaseFile(const QString& path, const DatabaseKeys& keys)
{
    FileVerdict present = inspectDatabaseFile(path, keys.key);
    if (present.state != FileVerdict::State::OtherKey || keys.legacyKey.isEmpty())
        return present;
    FileVerdict earlier = inspectDatabaseFile(path, keys.legacyKey);
    if (earlier.state == FileVerdict::State::OtherKey)
        return present;
    earlier.oldKey = true;
    return earlier;
}

void compactDatabaseFile(const QString& path, const DatabaseKeys& keys)
{
    const std::unique_ptr<Database> db = openWithKeys(path, keys);
    if (db->scalar(QStringLiteral("PRAGMA freelist_count")).toLongLong() > 0)
        db->execScript(QStringLiteral("VACUUM"));
}

} // namespace kv
