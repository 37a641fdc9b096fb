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
    Decimal paid; // as paid out: a closed month's stored figure, an open month's rounded as set now
    bool closed = false;
    QString number; // of a closed month: the worker's number and name as it paid him
    QString name;
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
    // The year's pay as paid out: each month's paid figure, added up.
    Decimal paid() const;
};

// The years of the given employees (by id, in that order; ids neither stored nor paid in a
// closed month of the year are left out), each with its twelve months: an open month from the
// monthly totals of the cleaned number stored now, a closed month from what it paid the
// employee of that id (PaySnapshot.h). A worker no longer stored is named as the last closed
// month paid him. Throws DbError.
QList<WorkerYear> workerYears(Database& db, int year, const QList<qint64>& employeeIds);

} // namespace kv
