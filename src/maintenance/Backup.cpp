#include "maintenance/Backup.h"

#include "data/AppContext.h"
#include "data/Database.h"
#include "data/OperationLog.h"
#include "data/Schema.h"
#include "data/TextRules.h"
#include "maintenance/FileCopy.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <memory>

namespace kv {

namespace {
void reopen(AppContext& ctx, CopyOutcome& outcome)
{
    QString error;
    if (!ctx.reconnect(&error))
        outcome.reconnectError = error;
}

// A copy that took place goes into the log of the file now open: after a restore, the restored
// one. The copy is done either way, so a log that cannot be written does not undo it.
void logCopy(AppContext& ctx, const CopyOutcome& outcome, const QString& action)
{
    if (!outcome.ok || !ctx.isConnected())
        return;
    try {
        OperationLog(ctx.conn()).recordAlone(action, QFileInfo(outcome.path).fileName());
    } catch (const DbError&) {
    }
}

QString backupPath(const AppPaths& paths, const QString& name)
{
    return QDir::cleanPath(QFileInfo(paths.backupDir()).absoluteFilePath() + u'/' + name);
}

// Why the copy at `path` cannot serve as the database, empty when it can. A copy of an older
// version is upgraded here, before it takes the place of the database, so that an upgrade that
// fails leaves the data as they were.
QString notRestorable(const QString& path, const QString& key, SchemaSteps schema)
{
    std::unique_ptr<Database> copy;
    try {
        copy = std::make_unique<Database>(path, key);
        storedVersion(*copy);
    } catch (const DbError&) {
        return QStringLiteral("所选文件不是本系统的数据备份，或者它的密码与本系统不符。");
    }
    try {
        upgradeSchema(*copy, schema);
    } catch (const DbError& e) {
        return e.message();
    }
    return {};
}

// The digits starting at `pos` as a number text without leading zeros; moves `pos` past them.
QStringView digitRun(const QString& s, qsizetype& pos)
{
    const qsizetype start = pos;
    while (pos < s.size() && s.at(pos).isDigit())
        ++pos;
    QStringView run = QStringView(s).mid(start, pos - start);
    while (run.size() > 1 && run.front() == u'0')
        run = run.mid(1);
    return run;
}

// Natural order: runs of digits compare by their value, so 2008-5-9 comes before 2008-5-17
// whatever the locale; other characters compare without regard to case.
bool naturalLess(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            const QStringView x = digitRun(a, i);
            const QStringView y = digitRun(b, j);
            if (x.size() != y.size())
                return x.size() < y.size();
            if (const int c = x.compare(y); c != 0)
                return c < 0;
            continue;
        }
        if (const int c = QStringView(a).mid(i, 1).compare(QStringView(b).mid(j, 1), Qt::CaseInsensitive); c != 0)
            return c < 0;
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}
} // namespace

QString backupFileName(const QDate& day)
{
    return dateText(day) + QStringLiteral(".bak");
}

CopyOutcome backupDatabase(AppContext& ctx)
{
    CopyOutcome outcome;
    outcome.path = backupPath(ctx.paths(), backupFileName(ctx.clock().today()));
    if (!QFileInfo(ctx.paths().backupDir()).isDir()) {
        outcome.error = QStringLiteral("备份文件夹 %1 不存在。").arg(QDir::toNativeSeparators(ctx.paths().backupDir()));
        return outcome;
    }
    ctx.disconnect();
    outcome.error = copyReplacing(ctx.paths().database(), outcome.path);
    outcome.ok = outcome.error.isEmpty();
    reopen(ctx, outcome);
    logCopy(ctx, outcome, QStringLiteral("数据备份"));
    return outcome;
}

QStringList backupFiles(const AppPaths& paths)
{
    QDir dir(paths.backupDir());
    QStringList names = dir.entryList({QStringLiteral("*.bak")}, QDir::Files);
    std::sort(names.begin(), names.end(), naturalLess);
    return names;
}

CopyOutcome restoreDatabase(AppContext& ctx, const QString& backupName)
{
    CopyOutcome outcome;
    outcome.path = backupPath(ctx.paths(), backupName);
    const QString key = dbPass(ctx.paths().keyFile());
    ctx.disconnect();
    outcome.error = copyReplacing(outcome.path, ctx.paths().database(),
                                  [&](const QString& copy) { return notRestorable(copy, key, ctx.schema()); });
    outcome.ok = outcome.error.isEmpty();
    reopen(ctx, outcome);
    logCopy(ctx, outcome, QStringLiteral("数据恢复"));
    return outcome;
}

} // namespace kv
