#include "teams/TeamSplit.h"

#include "data/Error.h"

#include <QSet>

#include <algorithm>
#include <numeric>

namespace kv {

namespace {
constexpr qint64 kFen = Decimal::kScale / 100; // units in one 分

bool allDigits(const QString& text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); });
}
} // namespace

QString splitRuleName(SplitRule rule)
{
    switch (rule) {
    case SplitRule::Points: return QStringLiteral("点数");
    case SplitRule::Days: return QStringLiteral("天数");
    case SplitRule::DaysByRate: break;
    }
    return QStringLiteral("日工资");
}

SplitRule splitRuleFromName(const QString& name)
{
    if (name == QStringLiteral("点数"))
        return SplitRule::Points;
    if (name == QStringLiteral("天数"))
        return SplitRule::Days;
    return SplitRule::DaysByRate;
}

Decimal splitWeight(SplitRule rule, Decimal days, Decimal rate, Decimal points)
{
    if (days.isNegative() || rate.isNegative() || points.isNegative())
        throw InputError(QStringLiteral("出勤天数、日工资和点数都不能是负数。"));
    switch (rule) {
    case SplitRule::Points: return points;
    case SplitRule::Days: return days;
    case SplitRule::DaysByRate: break;
    }
    return days * rate;
}

Decimal roundToFen(Decimal amount)
{
    const qint64 units = amount.units();
    const qint64 magnitude = units < 0 ? -units : units;
    const qint64 fen = (magnitude + kFen / 2) / kFen;
    return Decimal::fromUnits((units < 0 ? -fen : fen) * kFen);
}

bool employeeNoBefore(const QString& a, const QString& b)
{
    const bool da = allDigits(a), db = allDigits(b);
    if (da && db) {
        // Numbers of digits: by value, leading zeros aside; the same value in more digits last.
        QString sa = a, sb = b;
        while (sa.size() > 1 && sa.front() == u'0')
            sa.remove(0, 1);
        while (sb.size() > 1 && sb.front() == u'0')
            sb.remove(0, 1);
        if (sa.size() != sb.size())
            return sa.size() < sb.size();
        if (sa != sb)
            return sa < sb;
        return a.size() < b.size();
    }
    if (da != db)
        return da;
    return a < b;
}

TeamSplit splitTeamPay(Decimal total, const QList<SplitMember>& members)
{
    if (members.isEmpty())
        throw InputError(QStringLiteral("班组本月没有成员，无法分配集体计件工资。"));
    TeamSplit split;
    split.totalBeforeRounding = total;
    split.total = roundToFen(total);
    QSet<QString> seen;
    for (const SplitMember& m : members) {
        if (seen.contains(m.employeeNo))
            throw InputError(QStringLiteral("工号 %1 在成员中出现了两次。").arg(m.employeeNo));
        seen.insert(m.employeeNo);
        if (m.weight.isNegative())
            throw InputError(QStringLiteral("工号 %1 的分配权数是负数。").arg(m.employeeNo));
        split.weightSum += m.weight;
    }
    if (split.weightSum.isZero() && !split.total.isZero())
        throw InputError(QStringLiteral("所有成员的出勤（或点数）都是零，无法分配集体计件工资。"));

    // In 分 and in weight units, every product fits 128 bits: the exact share of member i is
    // fen × w_i ÷ W, its whole 分 the quotient and what is left the remainder.
    const bool negative = split.total.isNegative();
    const __int128 fen = (negative ? -split.total.units() : split.total.units()) / kFen;
    const __int128 weightSum = split.weightSum.units();
    struct Part {
        qsizetype index;
        __int128 whole;
        __int128 remainder;
    };
    QList<Part> parts;
    __int128 given = 0;
    for (qsizetype i = 0; i < members.size(); ++i) {
        const __int128 scaled = fen * members.at(i).weight.units();
        const Part p{i, weightSum == 0 ? 0 : scaled / weightSum, weightSum == 0 ? 0 : scaled % weightSum};
        given += p.whole;
        parts.append(p);
    }
    // What the cut shares leave is less than one 分 per member: it goes by remainder, the largest
    // first, equal remainders to the lower number.
    QList<Part> byRemainder = parts;
    std::sort(byRemainder.begin(), byRemainder.end(), [&](const Part& x, const Part& y) {
        if (x.remainder != y.remainder)
            return x.remainder > y.remainder;
        return employeeNoBefore(members.at(x.index).employeeNo, members.at(y.index).employeeNo);
    });
    QList<bool> up(members.size(), false);
    for (__int128 left = fen - given, k = 0; k < left; ++k)
        up[byRemainder.at(qsizetype(k)).index] = true;

    for (const Part& p : std::as_const(parts)) {
        const SplitMember& m = members.at(p.index);
        const qint64 shareFen = qint64(p.whole) + (up.at(p.index) ? 1 : 0);
        // The exact value cut to millionths: whole 分 plus the remainder's part of one 分.
        const qint64 exactUnits =
            qint64(p.whole) * kFen + (weightSum == 0 ? 0 : qint64(p.remainder * kFen / weightSum));
        SplitShare s{m.employeeNo, m.weight, Decimal::fromUnits(negative ? -exactUnits : exactUnits),
                     Decimal::fromUnits((negative ? -shareFen : shareFen) * kFen), up.at(p.index)};
        split.shares.append(s);
    }
    return split;
}

} // namespace kv
