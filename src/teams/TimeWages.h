#pragma once

#include "data/Decimal.h"
#include "data/TextRules.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

namespace kv {

class Database;

// A rate of time work (计时工价) per hour or per day, from the day it takes effect: for a job type
// (工种), or for one employee, whose own rate comes before his job type's.
struct TimeRate {
    QString jobType;    // empty for an employee's own rate
    QString employeeNo; // empty for a job type's rate
    QString unit;       // "小时" or "天"
    Decimal rate;
    QDate from;
};

// A line of time work in an employee's month: what it was (试工, 修机, 培训, 待料), how many hours
// or days, at the rate in force on its date.
struct TimeLine {
    QDate date;
    QString item;
    QString unit;
    Decimal quantity;
    Decimal rate;
    Decimal amount() const { return quantity * rate; }
};

inline const QStringList kTimeUnits{QStringLiteral("小时"), QStringLiteral("天")};

// Time rates and time lines. The lines are production lines of the employee's month with 来源
// '计时' (amount = quantity × rate), counted in his totals like his own lines and changed only
// here.
class TimeWages {
public:
    explicit TimeWages(Database& db) : m_db(db) {}

    QList<TimeRate> rates();
    // Adds a rate or replaces the one of the same job type or employee, unit and day. Needs the
    // right to keep master data; InputError for a rate that is negative or has more than four
    // places, an unknown unit, neither or both of job type and employee, or an unknown employee.
    void setRate(const TimeRate& typed);
    // The rate for the employee's time work in that unit on that day: his own, else his job type's;
    // none when neither is set.
    std::optional<Decimal> rateOn(const QString& employeeNo, const QString& unit, const QDate& day);

    QList<TimeLine> lines(const QString& employeeNo, const YearMonth& month);
    // Replaces the employee's time lines of the month and writes his month summary anew, in one
    // transaction. A line without a rate takes the rate in force on its date. Needs the right to
    // enter wages; refused for a closed month, a month another clerk changed since `loadedVersion`
    // (MonthRecords::version), a line outside the month, without item, in an unknown unit, with
    // too many places, or without any rate. Returns the month's version now stored.
    qint64 saveLines(const QString& typedNo, const QString& typedMonth, QList<TimeLine> lines,
                     std::optional<qint64> loadedVersion = std::nullopt);

private:
    Database& m_db;
};

} // namespace kv
