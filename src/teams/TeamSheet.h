#pragma once

#include "teams/TeamMonths.h"

#include <QStringList>

namespace kv {

// Columns of the team entry's grid of lines; the product's number is hidden.
enum TeamLineColumn { TLDate, TLProduct, TLUnit, TLQuantity, TLPrice, TLAmount, TLProductNo, TeamLineColumnCount };
// Columns of the team entry's grid of members: what is typed, then what the split gives.
enum TeamMemberColumn {
    TMNo,
    TMName,
    TMDays,
    TMRate,
    TMPoints,
    TMWeight,
    TMExact,
    TMShare,
    TMRounding,
    TeamMemberColumnCount
};

// A team month as the grids show it.
struct TeamSheetTexts {
    qint64 teamId = 0;
    QString monthText;
    SplitRule rule = SplitRule::DaysByRate;
    QList<QStringList> lines;   // TeamLineColumn
    QList<QStringList> members; // TeamMemberColumn
    std::optional<qint64> loadedVersion = std::nullopt;
};

// The sheet of the filled rows: a line with a product, a member with a number. A date is typed
// whole (2008-5-6) or as the day of the month alone (6); an empty figure is 0. InputError names
// the first cell that cannot be read, with its row.
TeamMonthSheet readTeamSheet(const TeamSheetTexts& texts);

// The texts of a stored team month for the grids.
QList<QStringList> teamLineTexts(const TeamMonth& month);
// The members' texts with what the split gives each (weight, exact value, share, the 分 added).
QList<QStringList> teamMemberTexts(const QList<TeamAttendance>& members, const TeamSplit* split);

} // namespace kv
