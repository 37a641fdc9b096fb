#include "entry/SheetCheck.h"

#include "entry/EntryGrids.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"

namespace kv {

using ui::DataGrid;

namespace {
bool mark(DataGrid& grid, const QList<int>& indexes, int col, const QColor& colour)
{
    for (int i : indexes)
        grid.setCellBackground(i + 1, col, colour);
    return !indexes.isEmpty();
}

void markFaults(DataGrid& grid, const QList<LineFault>& faults)
{
    for (int r = 1; r < grid.rows(); ++r)
        for (int c = 0; c < grid.cols(); ++c)
            grid.setCellToolTip(r, c, {});
    for (const LineFault& fault : faults) {
        grid.setCellBackground(fault.line + 1, fault.column, entry::kLightRed);
        grid.setCellToolTip(fault.line + 1, fault.column, fault.message);
    }
}

QString faultCaption(const LineFault& fault, int itemColumn)
{
    if (fault.column == 0)
        return QStringLiteral("日期不正确！");
    if (fault.column == itemColumn)
        return QStringLiteral("未填写完整！");
    return QStringLiteral("数字不正确！");
}
} // namespace

std::optional<SheetLines> checkSheet(QWidget* window, DataGrid& production, DataGrid& deductions)
{
    const QList<LineTexts> lines = entry::gridLines(production);
    const QList<LineTexts> deductionLines = entry::gridLines(deductions);
    for (DataGrid* grid : {&production, &deductions})
        if (grid->rows() > 1)
            grid->fillBackground(1, 0, grid->rows() - 1, grid->cols() - 1, entry::kWhite);
    // Dates first: the quantities are looked at only once every dated line is complete. A
    // deduction line without a date could not be stored, so it is refused like a production line.
    const bool productionUndated = mark(production, linesMissingDate(lines), PDate, entry::kLightRed);
    const bool deductionUndated = mark(deductions, deductionLinesMissingDate(deductionLines), DDate, entry::kLightRed);
    if (productionUndated || deductionUndated) {
        ui::message(window, QStringLiteral("请将红色区域的日期填写完整！"), QStringLiteral("未填写完整！"),
                    ui::Icon::Warning);
        return std::nullopt;
    }
    // The lines are read once, here: a date that is none, a quantity, price or amount that is
    // not a number, a line without its product are refused in their own cell, and nothing is
    // saved. Only lines with nothing in them are left out.
    const SheetLines read = readSheetLines(lines, deductionLines);
    markFaults(production, read.productionFaults);
    markFaults(deductions, read.deductionFaults);
    if (!read.ok()) {
        const bool inProduction = !read.productionFaults.isEmpty();
        const LineFault& first = inProduction ? read.productionFaults.first() : read.deductionFaults.first();
        ui::message(window, first.message, faultCaption(first, inProduction ? int(PProduct) : int(DItem)),
                    ui::Icon::Warning);
        return std::nullopt;
    }
    if (mark(production, linesMissingQuantity(lines), PQuantity, entry::kLightGreen)) {
        ui::message(window, QStringLiteral("请将绿色区域的数量填写完整！"), QStringLiteral("未填写完整！"),
                    ui::Icon::Warning);
        return std::nullopt;
    }
    return read;
}

} // namespace kv
