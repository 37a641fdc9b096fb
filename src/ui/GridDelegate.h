#pragma once

#include <QStyledItemDelegate>

namespace kv::ui {

class DataGrid;
class GridEditing;

// Draws the current cell and a marked range highlighted, a drop-down mark on a current date
// cell, and a cut text whole as a tooltip. Makes the cell editors and hands their keys and focus
// to the grid's edit (GridEditing) before its own handling.
class GridDelegate : public QStyledItemDelegate {
public:
    GridDelegate(const DataGrid* grid, GridEditing& editing, QObject* parent);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    const DataGrid* m_grid;
    GridEditing& m_editing;
};

} // namespace kv::ui
