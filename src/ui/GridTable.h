#pragma once

#include <QItemSelectionModel>
#include <QPersistentModelIndex>
#include <QTableView>

#include <optional>

namespace kv::ui {

class GridEditing;
class GridRange;
class GridTableEvents;

// Every change of the current cell passes here, so that the window can refuse it.
class GridSelectionModel : public QItemSelectionModel {
public:
    GridSelectionModel(GridTableEvents& events, QAbstractItemModel* model, QObject* parent);

    // A move the grid already asked about (keys) is not asked again.
    void approve(const QModelIndex& index) { m_approved = index; }

    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override;

private:
    GridTableEvents& m_events;
    QPersistentModelIndex m_approved;
};

// The table underneath a grid: asks the window before the current cell moves by keys, opens
// editors only through the grid's edit stages, marks a range by dragging and by keys, and reports
// clicks on cells.
class GridTable : public QTableView {
public:
    GridTable(QWidget* parent, GridTableEvents& events);

    // The parts that take the table's keys, drags and editors. They look at the table, so they
    // are made after it and attached before it is used.
    void attach(GridEditing& editing, GridRange& range);

    using QTableView::edit;

    bool openEditor(const QModelIndex& index) { return edit(index, AllEditTriggers, nullptr); }

    GridSelectionModel* gate() const { return static_cast<GridSelectionModel*>(selectionModel()); }
    // Makes the cell (grid row, column) current after the window has allowed the move.
    void moveAsked(int row, int col);

    // Every editor closes here, whoever closes it: the edit finishing (GridEditing::finish, through
    // these two), a move of the current cell, or the focus leaving.
    using QTableView::commitData;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

    // A key the table left to its parent, now on its way up through the grid, which must not hand
    // it back; null when there is none.
    const QEvent* leftKey() const { return m_leftKey; }
    void forgetLeftKey() { m_leftKey = nullptr; }

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
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

    GridTableEvents& m_events;
    GridEditing* m_editing = nullptr;
    GridRange* m_range = nullptr;
    QPersistentModelIndex m_pressed;
    const QEvent* m_leftKey = nullptr;
};

} // namespace kv::ui
