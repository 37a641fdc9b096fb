#include "maintenance/BackupFiles.h"

#include "data/AppPaths.h"
#include "data/TextRules.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace kv {

namespace {
QString kindPrefix(SafetyKind kind)
{
    switch (kind) {
    case SafetyKind::BeforeRestore: return QStringLiteral("恢复前");
    case SafetyKind::BeforeClear: return QStringLiteral("清空前");
    case SafetyKind::BeforeKeyChange: break;
    }
    return QStringLiteral("换密钥前");
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

// Natural order: runs of digits compare by their value; other characters without regard to case.
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

// The moment a backup holds: the date in its name, the time when the name has one, otherwise
// the time the file was written on that day (a day's backup is rewritten during the day).
// A numbered copy's number ("2008-5-17 (2).bak": 2); 1 for the first of a name.
const QRegularExpression& numberedName()
{
    static const QRegularExpression numbered(QStringLiteral("^(.*) \\((\\d{1,6})\\)(\\.bak)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    return numbered;
}

int copyNumber(const QString& name)
{
    const auto m = numberedName().match(name);
    return m.hasMatch() ? m.captured(2).toInt() : 1;
}

std::optional<QDateTime> heldMoment(const QDir& dir, const QString& name)
{
    static const QRegularExpression stamp(
        QStringLiteral("(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:-(\\d{2})(\\d{2})(\\d{2}))?(?: \\(\\d{1,6}\\))?\\.bak$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = stamp.match(name);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid())
        return std::nullopt;
    QTime time(0, 0);
    if (m.capturedLength(4) > 0) {
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    } else {
        const QDateTime written = QFileInfo(dir.filePath(name)).lastModified();
        if (written.date() == date)
            time = written.time();
    }
    return QDateTime(date, time.isValid() ? time : QTime(0, 0));
}
} // namespace

QString backupFileName(const QDate& day)
{
    return dateText(day) + QStringLiteral(".bak");
}

QString unusedBackupPath(const AppPaths& paths, const QString& name)
{
    const QDir dir(paths.backupDir());
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot < 0 ? name : name.left(dot);
    const QString suffix = dot < 0 ? QString() : name.mid(dot);
    QString candidate = name;
    for (int n = 2; QFileInfo::exists(dir.filePath(candidate)); ++n)
        candidate = QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(suffix);
    return QDir::cleanPath(QFileInfo(dir.filePath(candidate)).absoluteFilePath());
}

QString safetyCopyName(SafetyKind kind, const QDateTime& when)
{
    return kindPrefix(kind) + u'-' + when.toString(QStringLiteral("yyyy-MM-dd-HHmmss")) + QStringLiteral(".bak");
}

QStringList backupFiles(const AppPaths& paths)
{
    const QDir dir(paths.backupDir());
    struct Entry {
        QString name;
        std::optional<QDateTime> held;
        int number;
    };
    QList<Entry> entries;
    for (const QString& name : dir.entryList({QStringLiteral("*.bak")}, QDir::Files))
        entries.append({name, heldMoment(dir, name), copyNumber(name)});
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.held.has_value() != b.held.has_value())
            return a.held.has_value();
        if (a.held && *a.held != *b.held)
            return *a.held > *b.held;
        if (a.held && a.number != b.number)
            return a.number > b.number;
        return naturalLess(a.name, b.name);
    });
    QStringList names;
    for (const Entry& e : entries)
        names << e.name;
    return names;
}

void pruneSafetyCopies(const AppPaths& paths, SafetyKind kind)
{
    QDir dir(paths.backupDir());
    const QRegularExpression own(
        QStringLiteral("^%1-\\d{4}-\\d{2}-\\d{2}-\\d{6}(?: \\(\\d{1,6}\\))?\\.bak$").arg(kindPrefix(kind)));
    QStringList copies = dir.entryList({kindPrefix(kind) + QStringLiteral("-*.bak")}, QDir::Files).filter(own);
    // Fixed-width stamps: the name order is the order in time, a second's numbered copies after
    // its first.
    std::sort(copies.begin(), copies.end(), [](const QString& a, const QString& b) {
        const QString stampA = a.left(a.indexOf(QStringLiteral(".bak"), 0, Qt::CaseInsensitive)).section(u' ', 0, 0);
        const QString stampB = b.left(b.indexOf(QStringLiteral(".bak"), 0, Qt::CaseInsensitive)).section(u' ', 0, 0);
        if (stampA != stampB)
            return stampA > stampB;
        return copyNumber(a) > copyNumber(b);
    });
    for (qsizetype i = kSafetyCopiesKept; i < copies.size(); ++i)
        dir.remove(copies.at(i));
}

} // namespace kv
