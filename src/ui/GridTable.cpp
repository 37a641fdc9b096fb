#include "ui/GridTable.h"

#include "ui/GridEditing.h"
#include "ui/GridEvents.h"
#include "ui/GridRange.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace kv::ui {

GridSelectionModel::GridSelectionModel(GridTableEvents& events, QAbstractItemModel* model, QObject* parent)
    : QItemSelectionModel(model, parent), m_events(events)
{
}

void GridSelectionModel::setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command)
{
    if (index != currentIndex()) {
        const bool approved = m_approved.isValid() && m_approved == index;
        m_approved = QPersistentModelIndex();
        // Onto the header row (no current cell) the column stays the one that was current.
        const QModelIndex at = index.isValid() ? index : currentIndex();
        if (!approved && !m_events.askMove(index.isValid() ? index.row() + 1 : 0, at.column()))
            return;
    }
    QItemSelectionModel::setCurrentIndex(index, command);
}

GridTable::GridTable(QWidget* parent, GridTableEvents& events) : QTableView(parent), m_events(events) {}

void GridTable::attach(GridEditing& editing, GridRange& range)
{
    m_editing = &editing;
    m_range = &range;
}

void GridTable::moveAsked(int row, int col)
{
    const QModelIndex target = model()->index(row - 1, col);
    gate()->approve(target);
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
    gate()->approve(QModelIndex());
}

bool GridTable::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    const bool opening =
        index.isValid() && state() != EditingState && (trigger == AllEditTriggers || (editTriggers() & trigger));
    if (opening && !m_editing->mayOpen(index.row() + 1, index.column()))
        return false;
    return QTableView::edit(index, trigger, event);
}

void GridTable::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    const auto cell = m_editing->closing(editor);
    QTableView::closeEditor(editor, hint);
    if (cell)
        m_events.edited(cell->row, cell->col);
}

bool GridTable::event(QEvent* event)
{
    // Keys that the table leaves to its parent must not be handed back to it. (Input-method
    // text is never passed on to parents.)
    const bool typed = event->type() == QEvent::KeyPress;
    if (typed)
        m_leftKey = event;
    const bool result = QTableView::event(event);
    if (typed && event->isAccepted())
        m_leftKey = nullptr;
    return result;
}

void GridTable::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        m_range->copy();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        m_range->selectAll();
        event->accept();
        return;
    }
    if (event->modifiers() == Qt::ShiftModifier && m_range->extendByKey(event->key())) {
        event->accept();
        return;
    }
    if (opensDatePicker(event)) {
        m_editing->mayOpen(currentIndex().row() + 1, currentIndex().column());
        event->accept();
        return;
    }
    // Ask about a move by keys before the view reacts: it would otherwise close an open
    // editor even when the window then refuses the move.
    const auto action = cursorActionFor(event);
    if (action) {
        const QModelIndex target = moveCursor(*action, event->modifiers());
        if (target.isValid() && target != currentIndex()) {
            if (!m_events.askMove(target.row() + 1, target.column())) {
                event->accept();
                return;
            }
            gate()->approve(target);
        }
    }
    const bool wasEditing = state() == EditingState;
    QTableView::keyPressEvent(event);
    gate()->approve(QModelIndex());
    if (!wasEditing && state() == EditingState)
        event->accept(); // the key went into the new editor
}

void GridTable::inputMethodEvent(QInputMethodEvent* event)
{
    // Text committed by an input method starts editing like a typed key and goes into the
    // new editor.
    if (!event->commitString().isEmpty() && state() != EditingState && currentIndex().isValid()) {
        if (edit(currentIndex(), AnyKeyPressed, nullptr)) {
            if (QLineEdit* e = m_editing->editor())
                QApplication::sendEvent(e, event);
        }
        event->accept();
        return;
    }
    QTableView::inputMethodEvent(event);
}

void GridTable::mousePressEvent(QMouseEvent* event)
{
    m_pressed = indexAt(event->position().toPoint());
    QTableView::mousePressEvent(event);
}

void GridTable::mouseMoveEvent(QMouseEvent* event)
{
    // Dragging marks a range from the pressed cell; the current cell stays where it was
    // pressed, so that nothing is edited on the way.
    if (!(event->buttons() & Qt::LeftButton) || !m_pressed.isValid()) {
        QTableView::mouseMoveEvent(event);
        return;
    }
    const QModelIndex here = indexAt(event->position().toPoint());
    if (here.isValid() && (here != m_pressed || m_range->marksSeveral())) {
        if (here != m_pressed && m_editing->editor()) {
            m_editing->finish(true);
            setFocus(Qt::MouseFocusReason);
        }
        m_range->select(m_pressed.row() + 1, m_pressed.column(), here.row() + 1, here.column());
        scrollTo(here);
    }
    event->accept();
}

void GridTable::mouseReleaseEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    const bool sameCell = index.isValid() && index == m_pressed;
    m_pressed = QPersistentModelIndex();
    QTableView::mouseReleaseEvent(event);
    if (!sameCell || event->button() != Qt::LeftButton)
        return;
    m_events.cellClicked(index.row() + 1, index.column());
    // A click on a date cell asks for the picker, as the drop-down mark suggests.
    if (index == currentIndex() && m_editing->isDateColumn(index.column()) && state() != EditingState)
        m_editing->mayOpen(index.row() + 1, index.column());
}

// Enter, Space or a typed character on a date cell asks for the date picker, as a click does.
bool GridTable::opensDatePicker(const QKeyEvent* event) const
{
    const QModelIndex current = currentIndex();
    if (state() == EditingState || !current.isValid() || !m_editing->isDateColumn(current.column()) ||
        !m_editing->isEditable() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    const int key = event->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space ||
           (!event->text().isEmpty() && event->text().at(0).isPrint());
}

std::optional<QAbstractItemView::CursorAction> GridTable::cursorActionFor(const QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up: return MoveUp;
    case Qt::Key_Down: return MoveDown;
    case Qt::Key_Left: return MoveLeft;
    case Qt::Key_Right: return MoveRight;
    case Qt::Key_Home: return MoveHome;
    case Qt::Key_End: return MoveEnd;
    case Qt::Key_PageUp: return MovePageUp;
    case Qt::Key_PageDown: return MovePageDown;
    case Qt::Key_Tab: return MoveNext;
    case Qt::Key_Backtab: return MovePrevious;
    default: return std::nullopt;
    }
}

} // namespace kv::ui
