#pragma once

#include "data/TextRules.h"
#include "stats/WageStatistics.h"

#include <QStringList>

// Number, production, deductions and net pay of every row, as the statistics grid shows them.
inline QStringList shownWages(const QList<kv::EmployeeWage>& wages)
{
    QStringList out;
    for (const kv::EmployeeWage& w : wages)
        out << QStringLiteral("%1:%2/%3/%4")
                   .arg(w.number, w.production.plainText(), w.deductions.plainText(), w.netPay().plainText());
    return out;
}
