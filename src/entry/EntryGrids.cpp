#include "entry/EntryGrids.h"

#include "data/TextRules.h"
#include "entry/EntryLayout.h"
#include "ui/DataGrid.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QTableView>

#include <algorithm>

namespace kv::entry {

using ui::DataGrid;

namespace {
struct ColumnSpec {
    const char16_t* header;
    int widthTwips; // 0: toolkit default
    bool hidden;
};
const ColumnSpec kProductionColumns[ProductionColumnCount] = {
    {u"日期", 1300, false}, {u"产品", 3000, false}, {u"计量单位", 800, false},
    {u"数量", 1200, false}, {u"金额", 1200, false}, {u"备注", 2500, false},
    {u"", 0, true},         {u"", 0, true},         {u"", 0, true},
    {u"菲票号", 1700, true},  {u"", 0, true}};
// With the ticket column in view the others give it room: the grid has no horizontal scroll bar.
const int kBesideTicketTwips[] = {1100, 2600, 700, 1200, 1200, 700};
const ColumnSpec kDeductionColumns[DeductionColumnCount] = {
    {u"日期", 1300, false}, {u"扣减项目", 3700, false}, {u"扣减金额", 2100, false}, {u"", 0, true}};

template <size_t N> void setUpLineGrid(DataGrid& grid, int rows, const ColumnSpec (&columns)[N])
{
    grid.setFont(songFont(9));
    grid.setCols(int(N));
    grid.setRows(rows);
    for (int c = 0; c < int(N); ++c) {
        grid.setText(0, c, QString::fromUtf16(columns[c].header));
        if (columns[c].widthTwips > 0)
            grid.setColWidth(c, columns[c].widthTwips);
        grid.setColHidden(c, columns[c].hidden);
    }
    grid.setDefaultRowHeight(kRowTwips);
    for (int r = 0; r < rows; ++r)
        grid.setRowHeight(r, kRowTwips);
    grid.setEditable(true);
    grid.setDateColumn(0);
    // The grid shows exactly its line rows beside the delete buttons; a horizontal scroll bar
    // would hide the last of them.
    grid.table()->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}
} // namespace

void setUpProductionGrid(DataGrid& grid)
{
    setUpLineGrid(grid, 8, kProductionColumns);
    grid.setColumnKind(PQuantity, DataGrid::ColumnKind::Number);
    grid.setColumnKind(PPrice, DataGrid::ColumnKind::Number);
    grid.setColumnKind(PAmount, DataGrid::ColumnKind::Money);
}

void setUpDeductionGrid(DataGrid& grid)
{
    setUpLineGrid(grid, 5, kDeductionColumns);
    grid.setColumnKind(DAmount, DataGrid::ColumnKind::Money);
}

QList<LineTexts> gridLines(const DataGrid& grid)
{
    QList<LineTexts> lines;
    for (int r = 1; r < grid.rows(); ++r) {
        LineTexts line;
        for (int c = 0; c < grid.cols(); ++c)
            line << grid.text(r, c);
        lines << line;
    }
    return lines;
}

void fillLines(DataGrid& grid, const QList<LineTexts>& lines)
{
    for (int k = 1; k <= lines.size(); ++k) {
        if (k == grid.rows() - 1)
            grid.setRowHeight(grid.addRow(), kRowTwips);
        const LineTexts& line = lines.at(k - 1);
        for (int c = 0; c < line.size() && c < grid.cols(); ++c)
            grid.setText(k, c, line.at(c));
    }
}

void emptyLines(DataGrid& grid)
{
    if (grid.rows() > 1)
        grid.fillText(1, 0, grid.rows() - 1, grid.cols() - 1, QString());
}

int firstEmptyLine(const DataGrid& grid)
{
    for (int r = 1; r < grid.rows(); ++r) {
        bool empty = true;
        for (int c = 0; c < grid.cols() && empty; ++c)
            empty = cleanText(grid.text(r, c)).isEmpty();
        if (empty)
            return r;
    }
    return std::max(grid.rows() - 1, 1);
}

int appendLine(DataGrid& grid, const LineTexts& line)
{
    const int row = firstEmptyLine(grid);
    if (row == grid.rows() - 1)
        grid.setRowHeight(grid.addRow(), kRowTwips);
    for (int c = 0; c < line.size() && c < grid.cols(); ++c)
        grid.setText(row, c, line.at(c));
    grid.showCell(row, 0);
    return row;
}

bool isTicketLine(const DataGrid& production, int row)
{
    return row >= 1 && !cleanText(production.text(row, PTicket)).isEmpty();
}

void showTicketColumn(DataGrid& production)
{
    bool any = false;
    for (int r = 1; r < production.rows() && !any; ++r)
        any = isTicketLine(production, r);
    if (production.isColHidden(PTicket) != any)
        return;
    production.setColHidden(PTicket, !any);
    for (int c = 0; c < int(std::size(kBesideTicketTwips)); ++c)
        production.setColWidth(c, any ? kBesideTicketTwips[c] : kProductionColumns[c].widthTwips);
}

void showTotal(QLineEdit* box, Decimal amount)
{
    const QString text = amount.moneyText();
    QFont font = fixedFont(12);
    const int room = box->contentsRect().width() - 2 * box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) - 4;
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(text) > room)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    box->setFont(font);
    box->setText(text);
    box->setCursorPosition(0);
    box->setToolTip(text);
}

} // namespace kv::entry
