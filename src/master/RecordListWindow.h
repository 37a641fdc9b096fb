#pragma once

#include "master/MasterRecords.h"

#include <QWidget>

class QCheckBox;
class QToolBar;

namespace kv {
class AppContext;
namespace ui {
class DataGrid;
class FindPanel;
struct ConditionRow;
} // namespace ui

// The list window of a master table (员工管理Frm, 产品工价Frm, 扣减项目Frm): the whole table in a
// read-only grid, a toolbar to add, delete, edit, find, filter, import, export and print, and the
// floating find/filter panel.
class RecordListWindow final : public QWidget {
    Q_OBJECT
public:
    RecordListWindow(AppContext& ctx, MasterKind kind, QWidget* parent = nullptr);

    // Rebuilds the grid from the table, limited to the rows equal to every condition, with the
    // records out of use (离职, 停用) only when the check box asks for them. On a database error
    // the grid stays as it was.
    void loadRecords(const QList<FieldCondition>& conditions = {});

    ui::DataGrid* grid() const { return m_grid; }
    ui::FindPanel* panel() const { return m_panel; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void openDialog(qint64 editId);
    void deleteCurrent();
    // Opens the ticket window (TicketWindow) from the product list.
    void openTickets();
    void exportGrid();
    // Reads a workbook or CSV file the user picks and shows its rows for import.
    void importFile();
    void applyFilter();
    // The id of the current data row; 0 when the header is current or there are no rows.
    qint64 currentId() const;
    ui::ConditionRow makeConditionRow(ui::FindPanel* panel, int index);

    AppContext& m_ctx;
    MasterKind m_kind;
    QToolBar* m_toolbar;
    QCheckBox* m_showOutOfUse; // "显示离职员工", "显示停用产品", "显示停用项目"
    ui::DataGrid* m_grid;
    ui::FindPanel* m_panel;
};

} // namespace kv
