#include "maintenance/RestoreLoss.h"

#include "data/AppContext.h"
#include "data/Database.h"
#include "data/KeyFile.h"

#include <QDir>
#include <QHash>
#include <QMap>
#include <QSet>

#include <algorithm>

namespace kv {

namespace {
// The journals whose lines a save writes, each with its date column.
const QStringList kJournals{QStringLiteral("工资流水"), QStringLiteral("扣减流水")};

// A month as the program writes it ("2008-5") from an ISO date or a month text; empty when the
// text holds none.
QString monthOf(const QString& text)
{
    const QStringList parts = text.split(u'-');
    if (parts.size() < 2)
        return {};
    bool yearOk = false;
    bool monthOk = false;
    const int year = parts.at(0).toInt(&yearOk);
    const int month = parts.at(1).toInt(&monthOk);
    if (!yearOk || !monthOk || month < 1 || month > 12)
        return {};
    return QStringLiteral("%1-%2").arg(year).arg(month);
}

// Calendar order of month texts ("2008-5" before "2008-12").
bool monthBefore(const QString& a, const QString& b)
{
    const auto key = [](const QString& m) {
        return m.section(u'-', 0, 0).toInt() * 100 + m.section(u'-', 1, 1).toInt();
    };
    return key(a) < key(b);
}

// One line as the comparison tells it from another: its id and whose it is on which day. A line
// saved again gets a new id, so a month saved since the backup counts as saved since.
using LineKey = std::pair<qint64, size_t>;

size_t lineHash(const Statement& st)
{
    return qHash(st.text(1)) ^ (qHash(st.text(2)) * 31u);
}

QSet<QString> closedMonths(Database& db)
{
    QSet<QString> months;
    Statement st = db.prepare(QStringLiteral("SELECT 月份 FROM 月结"));
    while (st.next())
        months.insert(monthOf(st.text(0)));
    return months;
}

QHash<qint64, size_t> lineKeys(Database& db, const QString& journal)
{
    QHash<qint64, size_t> keys;
    Statement st = db.prepare(QStringLiteral("SELECT id, 工号, 日期 FROM %1").arg(journal));
    while (st.next())
        keys.insert(st.integer(0), lineHash(st));
    return keys;
}
} // namespace

qint64 RestoreLoss::lines() const
{
    qint64 total = 0;
    for (const auto& [month, count] : linesSince)
        total += count;
    return total;
}

std::optional<RestoreLoss> restoreLoss(AppContext& ctx, const QString& backupName)
{
    const QString path = QDir(ctx.paths().backupDir()).filePath(backupName);
    std::unique_ptr<Database> backup;
    try {
        backup = openWithKeys(path, readKeyFile(ctx.paths().keyFile()));
    } catch (const DbError&) {
        return std::nullopt;
    }
    RestoreLoss loss;
    Database& live = ctx.conn();

    // A backup from before months were closed has none closed.
    QSet<QString> closedThen;
    try {
        closedThen = closedMonths(*backup);
    } catch (const DbError&) {
        loss.partial = backup->tables().contains(QStringLiteral("月结"));
    }
    for (const QString& month : closedMonths(live))
        if (!closedThen.contains(month))
            loss.monthsClosedSince << month;
    std::sort(loss.monthsClosedSince.begin(), loss.monthsClosedSince.end(), monthBefore);

    QMap<QString, qint64> byMonth;
    for (const QString& journal : kJournals) {
        QHash<qint64, size_t> then;
        try {
            then = lineKeys(*backup, journal);
        } catch (const DbError&) {
            loss.partial = true;
        }
        Statement st = live.prepare(QStringLiteral("SELECT id, 工号, 日期 FROM %1").arg(journal));
        while (st.next()) {
            const auto found = then.constFind(st.integer(0));
            if (found == then.constEnd() || *found != lineHash(st))
                ++byMonth[monthOf(st.text(2))];
        }
    }
    QStringList months = byMonth.keys();
    std::sort(months.begin(), months.end(), monthBefore);
    for (const QString& month : std::as_const(months))
        loss.linesSince.append({month, byMonth.value(month)});
    return loss;
}

QString restoreQuestion(const QString& backupName, const RestoreLoss& loss)
{
    QStringList lines;
    lines << QStringLiteral("恢复“%1”后，数据回到这份备份时的样子，备份之后的改动都会撤销：").arg(backupName);
    if (loss.monthsClosedSince.isEmpty())
        lines << QStringLiteral("● 备份之后没有结账的月份。");
    else
        lines << QStringLiteral("● 备份之后结账的月份：%1（恢复后重新成为未结账）")
                     .arg(loss.monthsClosedSince.join(QStringLiteral("、")));
    if (loss.linesSince.isEmpty()) {
        lines << QStringLiteral("● 备份之后没有保存过工资明细。");
    } else {
        QStringList parts;
        for (const auto& [month, count] : loss.linesSince)
            parts << (month.isEmpty() ? QStringLiteral("日期不明 %1 条").arg(count)
                                      : QStringLiteral("%1 月 %2 条").arg(month).arg(count));
        lines << QStringLiteral("● 备份之后保存的工资明细共 %1 条：%2")
                     .arg(loss.lines())
                     .arg(parts.join(QStringLiteral("，")));
    }
    if (loss.partial)
        lines << QStringLiteral("● 备份中有的表读不全，实际撤销的可能更多。");
    lines << QStringLiteral("操作日志保留；恢复前的数据会另存一份安全副本。") << QStringLiteral("确定恢复吗？");
    return lines.join(u'\n');
}

} // namespace kv
