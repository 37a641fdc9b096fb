#pragma once

#include <QGroupBox>

namespace kv {
class AppContext;
namespace ui {
class DataGrid;
class FindPanel;
struct ConditionRow;
} // namespace ui

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
    ui::ConditionRow makeConditionRow(ui::FindPanel* panel, int index);

    AppContext& m_ctx;
    ui::DataGrid* m_grid;
    ui::FindPanel* m_panel;
};

} // namespace kv
