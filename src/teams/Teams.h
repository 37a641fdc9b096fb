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

// A team (班组) whose members are paid together for what the team makes.
struct Team {
    qint64 id = 0;
    QString number;
    QString name;
    QString workshop;
    SplitRule rule = SplitRule::DaysByRate;
    QString remark;
};

// A member of a team from the day he joined until the day he left (none while he stays), with
// his standard day rate and his points.
struct TeamMember {
    QString employeeNo;
    QString name; // read from 员工
    Decimal dayRate;
    Decimal points;
    QDate joined;
    std::optional<QDate> left = std::nullopt;
    bool belongsIn(const YearMonth& month) const
    {
        return joined < month.nextFirstDay() && (!left || *left >= month.firstDay());
    }
};

// The master list of teams and their dated members (tables 班组, 班组成员). Changes need the right
// to keep master data; past team months keep the members and rates they were entered with.
class Teams {
public:
    explicit Teams(Database& db) : m_db(db) {}

    QList<Team> all();
    std::optional<Team> find(qint64 id);

    // Adds (id 0) or changes a team; returns its id. InputError for an empty number or name or a
    // number another team has.
    qint64 save(const Team& team);
    // Deletes a team and its members; refused while a month of the team is stored.
    void remove(qint64 id);

    // Every membership of the team, by employee number and joining day.
    QList<TeamMember> members(qint64 teamId);
    // The members who belong to the team on some day of the month.
    QList<TeamMember> membersIn(qint64 teamId, const YearMonth& month);
    // Replaces the team's memberships, in one transaction. InputError for a number that is no
    // employee, a missing joining day, a day of leaving before joining, a rate or points that
    // are negative or have more than two places, or two memberships of one employee that overlap.
    void setMembers(qint64 teamId, const QList<TeamMember>& members);

private:
    Database& m_db;
};

} // namespace kv
