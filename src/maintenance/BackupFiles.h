#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace kv {

struct AppPaths;

// The copies taken automatically right before a step that replaces or removes all data, or
// rewrites every page of it (a data file of an earlier version's key given the present key).
enum class SafetyKind { BeforeRestore, BeforeClear, BeforeKeyChange };

// "2008-5-17.bak": a backup named by the day it was made.
QString backupFileName(const QDate& day);

// The path in the backup folder for a new copy named `name`: the name itself while no file has
// it, else numbered as the second, third … of the name ("2008-5-17 (2).bak"). A backup never
// replaces another one.
QString unusedBackupPath(const AppPaths& paths, const QString& name);

// "恢复前-2008-05-17-093000.bak": what the copy was taken before, and when.
QString safetyCopyName(SafetyKind kind, const QDateTime& when);

// How many safety copies of each kind are kept; older ones are removed.
inline constexpr int kSafetyCopiesKept = 10;

// The backup files ("*.bak", any name) in the backup folder, newest first by the date (and
// time) their names hold, a day's numbered backups newest first; names without a date follow in
// natural order.
QStringList backupFiles(const AppPaths& paths);

// Removes the safety copies of `kind` beyond the newest kSafetyCopiesKept.
void pruneSafetyCopies(const AppPaths& paths, SafetyKind kind);

} // namespace kv
