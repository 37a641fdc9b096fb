#pragma once

#include "stats/WageStatistics.h"
#include "ui/GridModel.h"

namespace kv {

// The rows of a statistics run as the statistics grid shows them, one per employee, made into
// texts only for the cells the grid shows, prints, finds or exports. Columns as StatsColumn; the
// workshop after them while grouped, then the rounded net pay and its difference while net pay
// is rounded.
class StatsGridRows final : public ui::GridRowSource {
public:
    // With `rounded`, two more columns: the net pay as paid out and what rounding changed.
    StatsGridRows(QList<EmployeeWage> wages, QString periodText, bool grouped, bool rounded);

    int columnCount() const;
    int rowCount() const override { return int(m_wages.size()); }
    QString text(int row, int col) const override;
    std::optional<Decimal> number(int row, int col) const override;

private:
    QList<EmployeeWage> m_wages;
    QString m_periodText;
    bool m_grouped;
    int m_roundedCol; // -1 while net pay is not rounded
};

} // namespace kv
