#pragma once

#include <QGroupBox>

namespace kv {
class AppContext;
class FindPanel;
struct ConditionRow;
namespace ui {
class DataGrid;
}

// The group "操作日志" of the settings page: the log in a read-only grid, newest first, with
// find, filter, export and a reload.
class LogView final : public QGroupBox {
    Q_OBJECT
public:
    explicit LogView(AppContext& ctx, QWidget* parent = nullptr);

    // Reads the log anew, limited to the panel's conditions when `filtered`. On a database
    // error the grid stays as it was.
    void reload(bool filtered = false);

    ui::DataGrid* grid() const { return m_grid; }

private:
    ConditionRow makeConditionRow(FindPanel* panel, int index);

    AppContext& m_ctx;
    ui::DataGrid* m_grid;
    FindPanel* m_panel;
};

} // namespace kv
