#pragma once

#include "data/Decimal.h"
#include "data/NetPayRounding.h"

#include <QList>
#include <QString>

namespace kv {

class Database;

// 员工年度汇总: one worker's twelve months side by side, for the yearly review and the income
// certificate a worker asks for. Read from 月度合计, so a year of any size answers at once.

struct WorkerMonth {
    Decimal production;
    Decimal deductions;
    Decimal netPay() const { return production - deductions; }
};

struct WorkerYear {
    qint64 id = 0;
    QString number;
    QString name;
    int year = 0;
    QList<WorkerMonth> months; // twelve, January first; a month without lines is zero
    Decimal production() const;
    Decimal deductions() const;
    Decimal netPay() const { return production() - deductions(); }
    // The year's pay as paid out: each month's net pay rounded as the settings say, added up.
    Decimal paid(const NetPayRounding& rounding) const;
};

// The years of the given employees (by id, in that order; ids no longer stored are left out),
// each with its twelve months, from the monthly totals of its cleaned number. Throws DbError.
QList<WorkerYear> workerYears(Database& db, int year, const QList<qint64>& employeeIds);

} // namespace kv
