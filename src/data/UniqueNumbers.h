#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kv {

class Database;

// The refusal of a number that another record of the table already has.
inline constexpr auto kNumberTakenText = u"编号已存在";

// The numbers of employees, products and deduction items are kept apart by a unique index on each
// table's number column. Data from before that index may hold a number twice: such a table stays
// without its index (the program refuses new duplicates itself, see MasterRecords) until the
// numbers are told apart, and the index is made at the next start after that.
struct DuplicateNumbers {
    QString table;      // "员工"
    QString column;     // "工号"
    QStringList numbers; // each number stored more than once, "Y001（2 条）", in number order
};

// Makes the unique index of every numbered table that lacks it and holds no number twice, inside
// the caller's transaction. Returns the tables that must stay without it, with their duplicates.
QList<DuplicateNumbers> makeUniqueNumberIndexes(Database& db);
// The numbered tables without their unique index, with their duplicates; reads only. A table
// that lacks its index but holds no duplicate (fixed since) is listed with no numbers.
QList<DuplicateNumbers> tablesWithoutUniqueNumbers(Database& db);
// Before the rows of `from` replace those of `to`: drops from `to` (inside its transaction) the
// unique indexes that `from` goes without, its plain index taking their place, so that numbers
// `from` holds twice come across; makeUniqueNumberIndexes afterwards makes what the rows allow.
void dropUniqueNumberIndexesAbsentFrom(Database& from, Database& to);
// Whether the table's numbers are kept apart by its index.
bool hasUniqueNumberIndex(Database& db, const QString& table);
// For the user: which numbers are stored twice and what to do; empty when none are.
QString duplicateNumbersText(const QList<DuplicateNumbers>& tables);

} // namespace kv
