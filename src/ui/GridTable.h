#pragma once

#include <QItemSelectionModel>
#include <QPersistentModelIndex>
#include <QTableView>

#include <optional>

namespace kv::ui {

class DataGrid;

// Every change of the current cell passes here, so that the window can refuse it.
class GridSelectionModel : public QItemSelectionModel {
public:
    GridSelectionModel(DataGrid* grid, QAbstractItemModel* model, QObject* parent);

    // A move the grid already asked about (keys) is not asked again.
    void approve(const QModelIndex& index) { m_approved = index; }

    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override;

private:
    DataGrid* m_grid;
    QPersistentModelIndex m_approved;
};

// The table underneath a grid: asks the window before the current cell moves by keys, opens
// editors only through the grid's edit stages, marks a range by dragging and by keys, and reports
// clicks on cells.
class GridTable : public QTableView {
public:
    explicit GridTable(DataGrid* grid);

    using QTableView::edit;

    bool openEditor(const QModelIndex& index) { return edit(index, AllEditTriggers, nullptr); }

    GridSelectionModel* gate() const { return static_cast<GridSelectionModel*>(selectionModel()); }

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyboardSearch(const QString&) override {} // typing never jumps to another cell

private:
    bool opensDatePicker(const QKeyEvent* event) const;
    static std::optional<CursorAction> cursorActionFor(const QKeyEvent* event);

    DataGrid* m_grid;
    QPersistentModelIndex m_pressed;
};

} // namespace kv::ui
