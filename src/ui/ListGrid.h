#pragma once

namespace kv::ui {

class DataGrid;

// The look of the grids that list records (master data, statistics): a 350-twip caption row,
// 300-twip rows, and columns fitted to their contents with 200 twips to spare.
void setListRowHeights(DataGrid& grid);
void fitListColumns(DataGrid& grid);

} // namespace kv::ui
