#pragma once

#include "data/Decimal.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace kv {

class Database;

// One entry of the operation log: when, which account, what was done, to what.
struct LogEntry {
    QString time; // "2026-12-07 10:40:14"
    QString account;
    QString accountId; // the account's id as text; empty for nobody and for entries older than ids
    QString action; // "保存工资", "删除员工", "登录"
    QString target; // what the change touched, in words
};

// The operation log (table 操作日志). Each change writes its entry inside its own transaction,
// so a change that fails leaves no entry and an entry never stands for a change not made. The
// account is the one the connection works for (Database::session), by name and id. Passwords are
// never written.
class OperationLog {
public:
    explicit OperationLog(Database& db) : m_db(db) {}

    // Writes one entry; the caller's transaction holds it together with the change.
    void record(const QString& action, const QString& target = {});
    // Writes one entry in a transaction of its own, for actions that change no table (a
    // login, a backup).
    void recordAlone(const QString& action, const QString& target = {});

    // The entries, newest first, whose field (an index into logColumnTitles()) holds the text,
    // for every condition; every entry without conditions. The account and its id match only
    // exactly, letter case included, as accounts are told apart.
    QList<LogEntry> entries(const QList<std::pair<int, QString>>& conditions = {});

private:
    Database& m_db;
};

// The column titles of the log's grid, in the order of the entry's fields.
QStringList logColumnTitles();
// An amount as the log shows a change of it: "15 → 20".
QString changeText(Decimal before, Decimal after);

} // namespace kv
