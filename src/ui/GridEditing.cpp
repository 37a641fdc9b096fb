#include "ui/GridEditing.h"

#include "ui/DataGrid.h"
#include "ui/GridDelegate.h"
#include "ui/GridTable.h"

#include <QLineEdit>

namespace kv::ui {

GridEditing::GridEditing(DataGrid* grid, GridTable* table)
    : m_grid(grid), m_table(table), m_delegate(new GridDelegate(grid, *this, grid))
{
    m_table->setItemDelegate(m_delegate);
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
    if (!m_editable || row < 1 || row >= m_grid->rows() || col < 0 || col >= m_grid->cols() ||
        m_grid->isRowHidden(row) || m_grid->isColHidden(col))
        return false;
    bool cancel = false;
    emit m_grid->beforeEdit(row, col, cancel);
    if (cancel)
        return false;
    emit m_grid->startEdit(row, col, cancel);
    if (cancel)
        return false;
    if (isDateColumn(col)) {
        emit m_grid->dateEditRequested(row, col);
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
    if (QLineEdit* e = m_editor)
        m_delegate->endEdit(e, keep);
}

void GridEditing::opened(QLineEdit* editor, const QModelIndex& index)
{
    m_editor = editor;
    m_index = index;
    QObject::connect(editor, &QLineEdit::textEdited, m_grid, [this, editor](const QString& typed) {
        if (m_editor == editor)
            emit m_grid->editTextChanged(row(), col(), typed);
    });
}

bool GridEditing::onEditorKey(QLineEdit* editor, int key)
{
    if (key == Qt::Key_Enter)
        key = Qt::Key_Return;
    bool consume = false;
    emit m_grid->editorKeyDown(row(), col(), key, consume);
    if (consume || m_editor != editor)
        return true;
    switch (key) {
    case Qt::Key_Return: finish(true); return true;
    case Qt::Key_Escape: finish(false); return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        const int r = row();
        const int c = col() + (key == Qt::Key_Tab ? 1 : -1);
        const bool moving = c >= 0 && c < m_grid->cols();
        if (moving && !m_grid->askMove(r, c))
            return true;
        finish(true);
        if (moving)
            m_grid->moveAsked(r, c);
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
