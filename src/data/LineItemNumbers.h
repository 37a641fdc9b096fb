#pragma once

#include <QString>

#include <optional>

namespace kv {

class Database;
struct YearMonth;

// A journal line names its product (工资流水.产品编号) or deduction item (扣减流水.扣减项目编号)
// by number beside the description it shows, so that two records of one description (P01 外壳,
// P001 外壳) are told apart. A line without a number gets one here when its description names
// exactly one record, all of them with one number; where it names several numbers, or none, the
// number stays empty and the line is counted apart as uncertain.

// The employee's lines of one month.
struct JournalScope {
    QString employeeNo;
    const YearMonth& month;
};

// Fills the missing numbers of the lines in scope, or of every line without scope. Runs inside
// the caller's transaction. Throws DbError.
void fillLineItemNumbers(Database& db, const std::optional<JournalScope>& scope = std::nullopt);

} // namespace kv
