#include "ui/ListGrid.h"

#include "ui/DataGrid.h"
#include "ui/Twips.h"

namespace kv::ui {

namespace {
constexpr int kHeaderRowTwips = 350;
constexpr int kRowTwips = 300;
constexpr int kExtraColTwips = 200;
} // namespace

void setListRowHeights(DataGrid& grid)
{
    grid.setRowHeight(0, kHeaderRowTwips);
    grid.setDefaultRowHeight(kRowTwips);
    // Rows at the default height already (all of a new source's) are left as they are: a year of
    // 32,000 workers has 416,000 of them.
    const int standard = pixelsToTwips(twipsToPixels(kRowTwips));
    for (int r = 1; r < grid.rows(); ++r)
        if (grid.rowHeight(r) != standard)
            grid.setRowHeight(r, kRowTwips);
}

void fitListColumns(DataGrid& grid)
{
    grid.autoFitCols(0, grid.cols() - 1);
    for (int c = 0; c < grid.cols(); ++c)
        grid.setColWidth(c, grid.colWidth(c) + kExtraColTwips);
}

} // namespace kv::ui
