#pragma once

#include "data/Decimal.h"
#include "data/TextRules.h"
#include "teams/TeamSplit.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

namespace kv {

class Database;

// A line of what the team made: as a production line of the entry window, at the piece price in
// force on its date.
struct TeamOutputLine {
    QDate date;
    QString productNo;
    QString product;
    QString unit;
    Decimal quantity;
    Decimal price;
    Decimal amount() const { return quantity * price; }
};

// A member's attendance in a team month: days (or hours) worked, his standard day rate and his
// points, as the month was entered.
struct TeamAttendance {
    QString employeeNo;
    QString name;
    Decimal days;
    Decimal dayRate;
    Decimal points;
};

// What a team month's save writes.
struct TeamMonthSheet {
    qint64 teamId = 0;
    QString monthText; // "2026-11"
    SplitRule rule = SplitRule::DaysByRate;
    QList<TeamOutputLine> lines;
    QList<TeamAttendance> members;
    // The version loaded (TeamMonth::version); the save is refused when another clerk saved the
    // month since. None: not checked.
    std::optional<qint64> loadedVersion = std::nullopt;
};

// A stored team month: the sheet, the shares paid and its version (0: none stored).
struct TeamMonth {
    qint64 id = 0;
    qint64 version = 0;
    SplitRule rule = SplitRule::DaysByRate;
    QList<TeamOutputLine> lines;
    QList<TeamAttendance> members;
    QList<Decimal> shares; // per member, as paid
    Decimal total;
};

// The split of a sheet: its lines' sum divided among its members by the rule (splitTeamPay).
// InputError for a line outside the month, without product, or with a quantity or price of too
// many places; for a member entered twice or with a negative or over-precise figure.
TeamSplit splitOfSheet(const TeamMonthSheet& sheet);

// How a member's share line explains itself ("12.5 天 × 180.00，共 12,780.00 份中"): the member's
// part of the weights, and the 分 added by rounding.
QString shareRemark(SplitRule rule, const TeamAttendance& member, const SplitShare& share, const TeamSplit& split);

// Team months (班组月 with 班组产量 and 班组出勤) and the members' shares, which are production lines of
// each member's month (工资流水 with 来源 '集体' and the team month's id) counted in his totals like
// his own lines and changed only here.
class TeamMonths {
public:
    explicit TeamMonths(Database& db) : m_db(db) {}

    TeamMonth load(qint64 teamId, const YearMonth& month);
    // The months of the team that are stored, newest first.
    QStringList storedMonths(qint64 teamId);

    // Stores the team month and every member's share line, and writes anew the month summary of
    // every member whose share changed (members taken out of the month lose theirs), all in one
    // transaction. Needs the right to enter wages; refused when the month is closed, when another
    // clerk saved the team month since it was loaded, or with the refusals of splitOfSheet and a
    // number that is no employee. Returns the version now stored.
    qint64 save(const TeamMonthSheet& sheet);
    // Removes the team month and its share lines, with the same rights and refusals.
    void remove(qint64 teamId, const QString& typedMonth, std::optional<qint64> loadedVersion = std::nullopt);

private:
    qint64 saveOnce(const TeamMonthSheet& sheet);
    // Inside the change's transaction: the stored team month's id (0: none), after waiting for
    // other clerks changing it and refusing a closed month or another version than loaded.
    qint64 claim(qint64 teamId, const QString& monthText, std::optional<qint64> loadedVersion);
    // Takes the share lines of the team month out of its members' months; returns those members.
    QStringList dropShares(qint64 teamMonthId, const YearMonth& month);

    Database& m_db;
};

} // namespace kv
