#pragma once

#include "data/Decimal.h"

#include <QList>
#include <QString>

namespace kv {

// How a team's pay is divided among its members.
enum class SplitRule {
    DaysByRate, // days (or hours) worked × the member's standard day rate
    Points,     // the member's points
    Days,       // equally by days worked
};

// The rule's stored name ("日工资", "点数", "天数") and back; an unknown name reads as DaysByRate.
QString splitRuleName(SplitRule rule);
SplitRule splitRuleFromName(const QString& name);

// One member's part of a split: the number orders ties, the weight is what the rule counts.
struct SplitMember {
    QString employeeNo;
    Decimal weight;
};

// A member's share: the exact value of total × weight ÷ Σ weight, to Decimal::kPlaces (cut, not
// rounded), and the share paid, to the 分: the exact value cut to the 分, plus one 分 for the
// members with the largest remainders, so that the shares add up to the total.
struct SplitShare {
    QString employeeNo;
    Decimal weight;
    Decimal exact;
    Decimal share;
    bool roundedUp = false;
};

struct TeamSplit {
    Decimal total;               // the team's pay to the 分 (what the shares add up to)
    Decimal totalBeforeRounding; // the sum of the team's lines, which may have more places
    Decimal weightSum;
    QList<SplitShare> shares; // in the order the members were given
};

// The weight a member brings under the rule: days × rate, points, or days. Throws InputError for a
// negative figure.
Decimal splitWeight(SplitRule rule, Decimal days, Decimal rate, Decimal points);

// The team total rounded half away from zero to the 分.
Decimal roundToFen(Decimal amount);

// Divides `total` (rounded to the 分 first) among the members in proportion to their weights by
// the largest-remainder method: every share lies within one 分 of its exact value and the shares
// add up to the total exactly. Equal remainders give the extra 分 to the lower employee number
// (numbers of digits compared as numbers), whatever order the members came in. Throws InputError
// for no members, a number given twice, a negative weight, or weights that are all zero under a
// total that is not.
TeamSplit splitTeamPay(Decimal total, const QList<SplitMember>& members);

// Orders employee numbers as a clerk reads them: "9" before "10", digits before other texts'
// plain order.
bool employeeNoBefore(const QString& a, const QString& b);

} // namespace kv
