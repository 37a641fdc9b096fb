#pragma once

#include <QList>
#include <QString>

#include <functional>

// The filter of the statistics window: condition rows of a column, an operator and a value,
// joined by OR, tested against the texts a statistics row shows.
namespace kv {

// In the order the operator combo offers them: "=", ">", "<".
enum class CompareOp { Equal, Greater, Less };

struct StatsCondition {
    int column = 0; // grid column compared
    CompareOp op = CompareOp::Equal;
    QString value; // as typed
};

// One condition against one cell, both cleaned first. "=" compares the texts exactly; ">" and
// "<" compare the cell as a number with the numeric value of the value, and do not hold for a
// cell that is not a number.
bool conditionHolds(CompareOp op, const QString& cellText, const QString& value);

// True when any condition with a value holds for the row; conditions whose cleaned value is
// empty are skipped, so a row never passes when no condition has a value.
bool rowPasses(const QList<StatsCondition>& conditions, const std::function<QString(int column)>& cellText);

} // namespace kv
