#include "ui/GridEditing.h"

#include "ui/GridCells.h"
#include "ui/GridEvents.h"
#include "ui/GridTable.h"

#include <QLineEdit>

namespace kv::ui {

GridEditing::GridEditing(GridEditEvents& events, const GridCells& cells, GridTable* table)
    : m_events(events), m_cells(cells), m_table(table)
{
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void GridEditing::setEditable(bool editable)
{
    m_editable = editable;
    m_table->setEditTriggers(editable ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                            QAbstractItemView::AnyKeyPressed
                                      : QAbstractItemView::NoEditTriggers);
    if (!editable)
        finish(true);
}

void GridEditing::setDateColumn(int col, bool isDate)
{
    if (isDate)
        m_dateCols.insert(col);
    else
        m_dateCols.remove(col);
}

bool GridEditing::mayOpen(int row, int col)
{
    if (!m_editable || row < 1 || row >= m_cells.rows() || col < 0 || col >= m_cells.cols() ||
        m_cells.isRowHidden(row) || m_cells.isColHidden(col))
        return false;
    if (!m_events.askEdit(row, col))
        return false;
    if (isDateColumn(col)) {
        m_events.askDate(row, col);
        return false;
    }
    return true;
}

bool GridEditing::editCurrent()
{
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid())
        return false;
    if (editor())
        return row() == current.row() + 1 && col() == current.column();
    m_table->openEditor(current);
    return editor() != nullptr;
}

QLineEdit* GridEditing::editor() const
{
    return m_index.isValid() ? m_editor.data() : nullptr;
}

int GridEditing::row() const
{
    return m_editor && m_index.isValid() ? m_index.row() + 1 : -1;
}

int GridEditing::col() const
{
    return m_editor && m_index.isValid() ? m_index.column() : -1;
}

QString GridEditing::text() const
{
    const QLineEdit* e = editor();
    return e ? e->text() : QString();
}

void GridEditing::setText(const QString& text)
{
    if (QLineEdit* e = editor())
        e->setText(text);
}

void GridEditing::finish(bool keep)
{
    // As the editor's own Enter (keep) or Escape would close it.
    QLineEdit* e = m_editor;
    if (!e)
        return;
    if (keep)
        m_table->commitData(e);
    m_table->closeEditor(e, keep ? QAbstractItemDelegate::NoHint : QAbstractItemDelegate::RevertModelCache);
}

void GridEditing::opened(QLineEdit* editor, const QModelIndex& index)
{
    m_editor = editor;
    m_index = index;
    QObject::connect(editor, &QLineEdit::textEdited, editor, [this, editor](const QString& text) {
        if (m_editor == editor)
            m_events.typed(row(), col(), text);
    });
}

bool GridEditing::onEditorKey(QLineEdit* editor, int key)
{
    if (key == Qt::Key_Enter)
        key = Qt::Key_Return;
    if (m_events.editorKey(row(), col(), key) || m_editor != editor)
        return true;
    switch (key) {
    case Qt::Key_Return: finish(true); return true;
    case Qt::Key_Escape: finish(false); return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        const int r = row();
        const int c = col() + (key == Qt::Key_Tab ? 1 : -1);
        const bool moving = c >= 0 && c < m_cells.cols();
        if (moving && !m_events.askMove(r, c))
            return true;
        finish(true);
        if (moving)
            m_table->moveAsked(r, c);
        return true;
    }
    default: return false;
    }
}

bool GridEditing::staysOpenOnFocusOut(const QWidget* editor)
{
    // Closing the editor of a window being hidden or closed would run the window's handlers
    // while the window is being taken apart.
    if (!editor->isVisible())
        return true;
    for (const QWidget* w = editor; w; w = w->parentWidget()) {
        if (w->isHidden())
            return true;
        if (w->isWindow())
            break;
    }
    return false;
}

std::optional<GridEditing::Cell> GridEditing::closing(const QWidget* closed)
{
    if (closed != editor())
        return std::nullopt;
    const Cell cell{row(), col()};
    m_editor = nullptr;
    return cell;
}

} // namespace kv::ui
