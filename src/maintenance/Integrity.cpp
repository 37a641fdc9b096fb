#include "maintenance/Integrity.h"

#include "data/Database.h"

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
        return verdict(State::OtherKey, e.message());
    }
    try {
        const qint64 pageSize = db->scalar(QStringLiteral("PRAGMA page_size")).toLongLong();
        const qint64 pages = db->scalar(QStringLiteral("PRAGMA page_count")).toLongLong();
        if (pageSize * pages != info.size())
            return verdict(State::Damaged, QStringLiteral("文件长 %1 字节，应为 %2 页共 %3 字节")
                                               .arg(info.size())
                                               .arg(pages)
                                               .arg(pageSize * pages));
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

} // namespace kv
