#pragma once

#include <QDate>
#include <QString>

namespace kv {

class Database;
struct YearMonth;

// 月度合计 keeps, per employee number and month, the sums of the month's lines in 工资流水
// (生产金额) and 扣减流水 (扣减): one row for every number and month that has lines. Month,
// quarter and year statistics read it instead of the journals. The journals stay the truth:
// whatever changes their lines refreshes the rows of the months it touched in the same
// transaction, and a rebuild from the journals gives the same rows.

// The month key of 月度合计 for a day: "2008-05", the first seven characters of its ISO date.
QString totalsMonthKey(const QDate& day);

// The 月份 of a condition over several months (… BETWEEN ? AND ?) that reads 月度合计 in the order
// of its (工号, 月份, sums) index, each employee's months together, and keeps the planner off the
// month range of the key (which it would take and then sort): SQLite's unary plus, which changes
// nothing but keeps the term off any index; on the server, which has no unary plus for texts, a
// concatenation with ''.
QString monthsByEmployeeTerm(const Database& db);

// Sums the employee's lines of the month again and stores the row, or removes it when the month
// has no line left. Runs inside the transaction that changed the lines. Throws DbError.
void refreshMonthlyTotals(Database& db, const QString& employeeNo, const YearMonth& month);

// Empties 月度合计 and fills it from the journals. Runs inside a transaction. Throws DbError.
void rebuildMonthlyTotals(Database& db);

} // namespace kv
