#include "stats/StatsGridRows.h"

#include "stats/WageStatisticsWindow.h"

namespace kv {

StatsGridRows::StatsGridRows(QList<EmployeeWage> wages, QString periodText, bool grouped, bool rounded)
    : m_wages(std::move(wages)), m_periodText(std::move(periodText)), m_grouped(grouped),
      m_roundedCol(rounded ? (grouped ? SWorkshop + 1 : int(StatsColumnCount)) : -1)
{
}

int StatsGridRows::columnCount() const
{
    return (m_grouped ? SWorkshop + 1 : int(StatsColumnCount)) + (m_roundedCol < 0 ? 0 : 2);
}

QString StatsGridRows::text(int row, int col) const
{
    if (row < 0 || row >= m_wages.size())
        return {};
    const EmployeeWage& wage = m_wages.at(row);
    switch (col) {
    case SPeriod: return m_periodText;
    case SNumber: return wage.number;
    case SName: return wage.name;
    case SId: return QString::number(wage.id);
    default: break;
    }
    if (m_grouped && col == SWorkshop)
        return wage.workshop;
    const std::optional<Decimal> value = number(row, col);
    return value ? value->plainText() : QString();
}

std::optional<Decimal> StatsGridRows::number(int row, int col) const
{
    if (row < 0 || row >= m_wages.size())
        return std::nullopt;
    const EmployeeWage& wage = m_wages.at(row);
    switch (col) {
    case SProduction: return wage.production;
    case SDeductions: return wage.deductions;
    case SNetPay: return wage.netPay();
    default: break;
    }
    if (m_roundedCol >= 0 && col == m_roundedCol)
        return wage.paid;
    if (m_roundedCol >= 0 && col == m_roundedCol + 1)
        return wage.paid - wage.netPay();
    return std::nullopt;
}

} // namespace kv
