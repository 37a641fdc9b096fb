#include "stats/StatsFilter.h"

#include "data/TextRules.h"

namespace kv {

bool conditionHolds(CompareOp op, const QString& cellText, const QString& value)
{
    const QString cell = cleanText(cellText);
    const QString wanted = cleanText(value);
    if (op == CompareOp::Equal)
        return cell == wanted;
    if (!isNumberText(cell))
        return false;
    const double x = cell.toDouble();
    const double v = numericValue(wanted);
    return op == CompareOp::Greater ? x > v : x < v;
}

bool rowPasses(const QList<StatsCondition>& conditions, const std::function<QString(int column)>& cellText)
{
    for (const StatsCondition& c : conditions) {
        if (cleanText(c.value).isEmpty())
            continue;
        if (conditionHolds(c.op, cellText(c.column), c.value))
            return true;
    }
    return false;
}

} // namespace kv
