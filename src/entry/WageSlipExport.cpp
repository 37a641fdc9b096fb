#include "entry/WageSlipExport.h"

#include "entry/WageSlip.h"

namespace kv {

namespace {
ui::SheetCell text(const QString& t, bool bold = false)
{
    return {t, std::nullopt, bold};
}

ui::SheetCell number(Decimal value)
{
    return {QString(), value, false};
}
} // namespace

ui::SheetRows slipSheet(const QList<WageSlip>& slips)
{
    ui::SheetRows rows;
    const QString factory = slips.isEmpty() ? QString() : slips.first().factory;
    const QString month = slips.isEmpty() ? QString() : slips.first().monthText;
    rows.append({text((factory.isEmpty() ? QString() : factory + u' ') + month + QStringLiteral(" 工资条"), true)});
    rows.append(QList<ui::SheetCell>{});
    const bool rounded = !slips.isEmpty() && !slips.first().rounding.isNone();
    QStringList captions{
        QStringLiteral("月份"),         QStringLiteral("工号"),     QStringLiteral("姓名"),
        QStringLiteral("车间"),         QStringLiteral("工种"),     QStringLiteral("生产金额合计"),
        QStringLiteral("减扣金额合计"), QStringLiteral("实发工资")};
    if (rounded)
        captions << QStringLiteral("取整后实发") << QStringLiteral("取整差额");
    captions << QStringLiteral("签收");
    for (const WageSlip& slip : slips) {
        QList<ui::SheetCell> caption;
        for (const QString& c : captions)
            caption.append(text(c, true));
        rows.append(caption);
        const EmployeeRef& e = slip.employee;
        QList<ui::SheetCell> row{text(slip.monthText),        text(e.number),
                                 text(e.name),                text(e.workshop),
                                 text(e.jobType),             number(slip.productionTotal),
                                 number(slip.deductionTotal), number(slip.netPay())};
        if (rounded)
            row << number(slip.paidNetPay()) << number(slip.rounding.difference(slip.netPay()));
        row << text({});
        rows.append(row);
        rows.append(QList<ui::SheetCell>{});
    }
    return rows;
}

QList<int> slipSheetWidths(bool rounded)
{
    if (rounded)
        return {1200, 1200, 1300, 1500, 1300, 1800, 1800, 1500, 1500, 1300, 2000};
    return {1200, 1200, 1300, 1500, 1300, 1800, 1800, 1500, 2000};
}

bool exportWageSlips(QWidget* parent, const QList<WageSlip>& slips, const QString& filePath)
{
    return ui::exportSheet(parent, slipSheet(slips), slipSheetWidths(!slips.isEmpty() && !slips.first().rounding.isNone()),
                           filePath);
}

} // namespace kv
