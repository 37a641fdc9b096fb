#include "entry/WageSlip.h"

#include "data/Database.h"
#include "data/FactoryName.h"
#include "data/PaySnapshot.h"
#include "data/TextRules.h"

#include <algorithm>

namespace kv {

namespace {
// A number cell as a save stores it: empty is 0, a number its exact value, anything else itself
// (a save refuses it).
QString numberForm(const QString& text)
{
    if (cleanText(text).isEmpty())
        return QStringLiteral("0");
    const std::optional<Decimal> value = Decimal::parse(cleanText(text));
    return value ? value->plainText() : text;
}

// A line reduced to what a save stores, in a form that compares equal when the stored line
// is the same: dates as ISO text, numbers as their values written plainly.
QString storedForm(const LineTexts& line, const QList<int>& textCols, const QList<int>& numberCols)
{
    const auto date = parseDateText(line.value(0));
    QStringList parts{date ? isoDate(*date) : line.value(0)};
    for (int c : textCols)
        parts << line.value(c);
    for (int c : numberCols)
        parts << numberForm(line.value(c));
    return parts.join(u'\x1f');
}

QStringList sortedForms(const QList<LineTexts>& lines, bool (*filled)(const LineTexts&), const QList<int>& textCols,
                        const QList<int>& numberCols)
{
    QStringList forms;
    for (const LineTexts& line : lines)
        if (!filled || filled(line))
            forms << storedForm(line, textCols, numberCols);
    std::sort(forms.begin(), forms.end());
    return forms;
}

Decimal amountSum(const QList<LineTexts>& lines, int col)
{
    Decimal sum;
    for (const LineTexts& line : lines)
        sum += Decimal::parse(line.value(col)).value_or(Decimal());
    return sum;
}
} // namespace

WageSlip WageSlips::slip(const EmployeeRef& employee, const YearMonth& month)
{
    MonthRecords records(m_db);
    WageSlip slip;
    slip.factory = factoryName(m_db);
    slip.rounding = monthRounding(m_db, month);
    slip.employee = employee;
    slip.monthText = monthText(month.year, month.month);
    slip.production = records.loadProduction(employee.number, month);
    slip.deductions = records.loadDeductions(employee.number, month);
    slip.productionTotal = amountSum(slip.production, PAmount);
    for (const LineTexts& line : std::as_const(slip.production)) {
        const Decimal amount = Decimal::parse(line.value(PAmount)).value_or(Decimal());
        if (line.value(PSource) == QString::fromUtf16(kTeamLineSource))
            slip.teamTotal += amount;
        else if (line.value(PSource) == QString::fromUtf16(kTimeLineSource))
            slip.timeTotal += amount;
    }
    slip.deductionTotal = amountSum(slip.deductions, DAmount);
    return slip;
}

std::optional<WageSlip> WageSlips::slipOf(qint64 employeeId, const YearMonth& month)
{
    if (const std::optional<PaidMonth> paid = paidMonth(m_db, month)) {
        for (const PaidWorker& w : paid->workers) {
            if (w.employeeId != employeeId)
                continue;
            WageSlip slip = this->slip({w.employeeId, w.number, w.name, w.workshop, w.jobType}, month);
            slip.rounding = paid->rounding;
            return slip;
        }
        return std::nullopt;
    }
    const std::optional<EmployeeRef> employee = EmployeeFinder(m_db).byId(employeeId);
    if (!employee)
        return std::nullopt;
    return slip(*employee, month);
}

QString productionTotalText(const WageSlip& slip)
{
    QString text = QStringLiteral("生产金额合计：%1").arg(slip.productionTotal.moneyText());
    if (!slip.teamTotal.isZero() || !slip.timeTotal.isZero())
        text += QStringLiteral("（计件 %1，集体 %2，计时 %3）")
                    .arg(slip.pieceTotal().moneyText(), slip.teamTotal.moneyText(), slip.timeTotal.moneyText());
    return text;
}

bool sameAsStored(const QList<LineTexts>& shownProduction, const QList<LineTexts>& shownDeductions,
                  const QList<LineTexts>& storedProduction, const QList<LineTexts>& storedDeductions)
{
    const QList<int> productionTexts{PProduct, PUnit, PRemark};
    const QList<int> productionNumbers{PQuantity, PPrice, PAmount};
    const QList<int> deductionTexts{DItem};
    const QList<int> deductionNumbers{DAmount};
    return sortedForms(shownProduction, isProductionLineFilled, productionTexts, productionNumbers) ==
               sortedForms(storedProduction, nullptr, productionTexts, productionNumbers) &&
           sortedForms(shownDeductions, isDeductionLineFilled, deductionTexts, deductionNumbers) ==
               sortedForms(storedDeductions, nullptr, deductionTexts, deductionNumbers);
}

} // namespace kv
