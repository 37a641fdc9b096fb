#include "ui/DataGrid.h"

#include "data/NumberFormat.h"
#include "data/TextRules.h"
#include "ui/TabText.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace kv::ui {

namespace {
constexpr int kTotalsRole = Qt::UserRole + 1;      // set on column 0 of a totals row
constexpr int kTotalsValueRole = Qt::UserRole + 2; // the exact sum in a summed cell of it
constexpr int kDefaultRowTwips = 300;
constexpr int kWidestFitTwips = 6000; // a column fitted to a long text stops here; the text is cut
} // namespace

// Draws the current cell and a marked range highlighted, shows a cut text whole as a tooltip,
// and hands the editor's keys and text changes to the grid's window before the grid reacts.
class GridDelegate : public QStyledItemDelegate {
public:
    GridDelegate(DataGrid* grid, QObject* parent) : QStyledItemDelegate(parent), m_grid(grid) {}

    // Null once the editor's row is gone, too.
    QLineEdit* editor() const { return m_index.isValid() ? m_editor.data() : nullptr; }
    int editRow() const { return m_editor && m_index.isValid() ? m_index.row() + 1 : -1; }
    int editCol() const { return m_editor && m_index.isValid() ? m_index.column() : -1; }

    void finish(bool keep)
    {
        QLineEdit* e = m_editor;
        if (!e)
            return;
        if (keep)
            emit commitData(e);
        emit closeEditor(e, keep ? NoHint : RevertModelCache);
    }

    void forget() { m_editor = nullptr; }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        auto* e = new QLineEdit(parent);
        e->setFrame(false);
        auto* self = const_cast<GridDelegate*>(this);
        self->m_editor = e;
        self->m_index = index;
        connect(e, &QLineEdit::textEdited, self, [self, e](const QString& text) {
            if (self->m_editor == e)
                emit self->m_grid->editTextChanged(self->editRow(), self->editCol(), text);
        });
        return e;
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto* view = qobject_cast<const QAbstractItemView*>(option->widget);
        const QRect range = m_grid->selectedRange();
        const bool marked = range.width() * range.height() > 1 && m_grid->isInRange(index.row() + 1, index.column());
        if (view && (view->currentIndex() == index || marked))
            option->state |= QStyle::State_Selected;
        else
            option->state &= ~QStyle::State_Selected;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        // A date cell that is current shows a drop-down mark: a click opens the date picker.
        const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
        if (view && view->currentIndex() == index && m_grid->isEditable() && m_grid->isDateColumn(index.column())) {
            const int h = option.rect.height();
            const int side = std::max(4, h / 3);
            const QPoint c(option.rect.right() - side - 2, option.rect.center().y());
            const QPolygon arrow({QPoint(c.x() - side / 2, c.y() - side / 4),
                                  QPoint(c.x() + side / 2, c.y() - side / 4), QPoint(c.x(), c.y() + side / 4)});
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(Qt::NoPen);
            painter->setBrush(option.palette.highlightedText());
            painter->drawPolygon(arrow);
            painter->restore();
        }
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip)
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        // A tooltip set on the cell (why its value is refused) comes first; otherwise only a
        // text the cell shows cut needs one.
        if (const QString own = index.data(Qt::ToolTipRole).toString(); !own.isEmpty()) {
            QToolTip::showText(event->globalPos(), own, view->viewport(), opt.rect);
            return true;
        }
        const int margin = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
        if (!opt.text.isEmpty() && opt.fontMetrics.horizontalAdvance(opt.text) + margin > opt.rect.width()) {
            QToolTip::showText(event->globalPos(), opt.text, view->viewport(), opt.rect);
        } else {
            QToolTip::hideText();
        }
        return true;
    }

    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* e = qobject_cast<QLineEdit*>(object);
        if (e && e == m_editor && event->type() == QEvent::KeyPress) {
            auto* keyEvent = static_cast<QKeyEvent*>(event);
            int key = keyEvent->key();
            if (key == Qt::Key_Enter)
                key = Qt::Key_Return;
            bool consume = false;
            emit m_grid->editorKeyDown(editRow(), editCol(), key, consume);
            if (consume || m_editor != e)
                return true;
            switch (key) {
            case Qt::Key_Return: finish(true); return true;
            case Qt::Key_Escape: finish(false); return true;
            case Qt::Key_Tab:
            case Qt::Key_Backtab: {
                // Tab ends editing and moves one column on, unless the window refuses the move.
                const int row = editRow();
                const int col = editCol() + (key == Qt::Key_Tab ? 1 : -1);
                const bool moving = col >= 0 && col < m_grid->cols();
                if (moving && !m_grid->askMove(row, col))
                    return true;
                finish(true);
                if (moving)
                    m_grid->moveAsked(row, col);
                return true;
            }
            default: break;
            }
        }
        // A window being hidden or closed keeps its editor: closing it then would run the
        // window's handlers while the window is being taken apart.
        if (e && event->type() == QEvent::FocusOut && beingHidden(e))
            return false;
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    static bool beingHidden(const QWidget* w)
    {
        if (!w->isVisible())
            return true;
        for (; w; w = w->parentWidget()) {
            if (w->isHidden())
                return true;
            if (w->isWindow())
                break;
        }
        return false;
    }

    DataGrid* m_grid;
    QPointer<QLineEdit> m_editor;
    QPersistentModelIndex m_index;
};

// Every change of the current cell passes here, so that the window can refuse it.
class GridSelectionModel : public QItemSelectionModel {
public:
    GridSelectionModel(DataGrid* grid, QAbstractItemModel* model, QObject* parent)
        : QItemSelectionModel(model, parent), m_grid(grid)
    {
    }

    // A move the grid already asked about (keys) is not asked again.
    void approve(const QModelIndex& index) { m_approved = index; }

    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override
    {
        if (index != currentIndex()) {
            const bool approved = m_approved.isValid() && m_approved == index;
            m_approved = QPersistentModelIndex();
            if (!approved && !m_grid->askMove(index.isValid() ? index.row() + 1 : 0,
                                              index.isValid() ? index.column() : m_grid->col()))
                return;
        }
        QItemSelectionModel::setCurrentIndex(index, command);
    }

private:
    DataGrid* m_grid;
    QPersistentModelIndex m_approved;
};

class GridTable : public QTableWidget {
public:
    explicit GridTable(DataGrid* grid) : QTableWidget(grid), m_grid(grid) {}

    using QTableWidget::edit;

    bool openEditor(const QModelIndex& index) { return edit(index, AllEditTriggers, nullptr); }

    GridSelectionModel* gate() const { return static_cast<GridSelectionModel*>(selectionModel()); }

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override
    {
        const bool opening =
            index.isValid() && state() != EditingState && (trigger == AllEditTriggers || (editTriggers() & trigger));
        if (opening && !m_grid->askEdit(index.row() + 1, index.column()))
            return false;
        return QTableWidget::edit(index, trigger, event);
    }

    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override
    {
        auto* delegate = m_grid->m_delegate;
        const bool ours = editor == delegate->editor();
        const int row = delegate->editRow();
        const int col = delegate->editCol();
        if (ours)
            delegate->forget();
        QTableWidget::closeEditor(editor, hint);
        if (ours)
            emit m_grid->afterEdit(row, col);
    }

    bool event(QEvent* event) override
    {
        // Keys that the table leaves to its parent must not be handed back to it. (Input-method
        // text is never passed on to parents.)
        const bool typed = event->type() == QEvent::KeyPress;
        if (typed)
            m_grid->m_insideEvent = event;
        const bool result = QTableWidget::event(event);
        if (typed && event->isAccepted())
            m_grid->m_insideEvent = nullptr;
        return result;
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->matches(QKeySequence::Copy)) {
            m_grid->copySelection();
            event->accept();
            return;
        }
        if (event->matches(QKeySequence::SelectAll)) {
            m_grid->selectAllCells();
            event->accept();
            return;
        }
        if (event->modifiers() == Qt::ShiftModifier && m_grid->extendRangeByKey(event->key())) {
            event->accept();
            return;
        }
        if (opensDatePicker(event)) {
            m_grid->askEdit(currentIndex().row() + 1, currentIndex().column());
            event->accept();
            return;
        }
        // Ask about a move by keys before the view reacts: it would otherwise close an open
        // editor even when the window then refuses the move.
        const auto action = cursorActionFor(event);
        if (action) {
            const QModelIndex target = moveCursor(*action, event->modifiers());
            if (target.isValid() && target != currentIndex()) {
                if (!m_grid->askMove(target.row() + 1, target.column())) {
                    event->accept();
                    return;
                }
                gate()->approve(target);
            }
        }
        const bool wasEditing = state() == EditingState;
        QTableWidget::keyPressEvent(event);
        gate()->approve(QModelIndex());
        if (!wasEditing && state() == EditingState)
            event->accept(); // the key went into the new editor
    }

    void inputMethodEvent(QInputMethodEvent* event) override
    {
        // Text committed by an input method starts editing like a typed key and goes into the
        // new editor.
        if (!event->commitString().isEmpty() && state() != EditingState && currentIndex().isValid()) {
            if (edit(currentIndex(), AnyKeyPressed, nullptr)) {
                if (QLineEdit* e = m_grid->m_delegate->editor())
                    QApplication::sendEvent(e, event);
            }
            event->accept();
            return;
        }
        QTableWidget::inputMethodEvent(event);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        m_pressed = indexAt(event->position().toPoint());
        QTableWidget::mousePressEvent(event);
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        // Dragging marks a range from the pressed cell; the current cell stays where it was
        // pressed, so that nothing is edited on the way.
        if (!(event->buttons() & Qt::LeftButton) || !m_pressed.isValid()) {
            QTableWidget::mouseMoveEvent(event);
            return;
        }
        const QModelIndex here = indexAt(event->position().toPoint());
        if (here.isValid() &&
            (here != m_pressed || m_grid->selectedRange().width() * m_grid->selectedRange().height() > 1)) {
            if (here != m_pressed && m_grid->isEditing()) {
                m_grid->finishEdit(true);
                setFocus(Qt::MouseFocusReason);
            }
            m_grid->selectRange(m_pressed.row() + 1, m_pressed.column(), here.row() + 1, here.column());
            scrollTo(here);
        }
        event->accept();
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const QModelIndex index = indexAt(event->position().toPoint());
        const bool sameCell = index.isValid() && index == m_pressed;
        m_pressed = QPersistentModelIndex();
        QTableWidget::mouseReleaseEvent(event);
        if (!sameCell || event->button() != Qt::LeftButton)
            return;
        emit m_grid->clicked(index.row() + 1, index.column());
        // A click on a date cell asks for the picker, as the drop-down mark suggests.
        if (index == currentIndex() && m_grid->isDateColumn(index.column()) && state() != EditingState)
            m_grid->askEdit(index.row() + 1, index.column());
    }

    void keyboardSearch(const QString&) override {} // typing never jumps to another cell

private:
    // Enter, Space or a typed character on a date cell asks for the date picker, as a click does.
    bool opensDatePicker(const QKeyEvent* event) const
    {
        const QModelIndex current = currentIndex();
        if (state() == EditingState || !current.isValid() || !m_grid->isDateColumn(current.column()) ||
            !m_grid->isEditable() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return false;
        const int key = event->key();
        return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space ||
               (!event->text().isEmpty() && event->text().at(0).isPrint());
    }

    static std::optional<CursorAction> cursorActionFor(const QKeyEvent* event)
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

    DataGrid* m_grid;
    QPersistentModelIndex m_pressed;
};

DataGrid::DataGrid(QWidget* parent) : QWidget(parent), m_table(new GridTable(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);
    setFocusProxy(m_table);
    m_table->setObjectName(QStringLiteral("table"));

    m_delegate = new GridDelegate(this, this);
    m_table->setItemDelegate(m_delegate);
    m_table->setSelectionModel(new GridSelectionModel(this, m_table->model(), m_table));
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSortingEnabled(false);
    m_table->setWordWrap(false);
    m_table->setTabKeyNavigation(true);

    QHeaderView* vertical = m_table->verticalHeader();
    vertical->hide();
    vertical->setMinimumSectionSize(1);
    vertical->setSectionResizeMode(QHeaderView::Fixed);
    vertical->setDefaultSectionSize(twipsToPixels(kDefaultRowTwips));

    QHeaderView* header = m_table->horizontalHeader();
    header->setMinimumSectionSize(1);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->viewport()->installEventFilter(this);

    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid())
                    m_headerCol = current.column();
                collapseRange();
                emit currentCellChanged(row(), col());
            });
    for (QScrollBar* bar : {m_table->verticalScrollBar(), m_table->horizontalScrollBar()}) {
        connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar](int action) {
            if (action == QAbstractSlider::SliderNoAction)
                return;
            bool cancel = false;
            emit beforeScroll(cancel);
            if (cancel)
                bar->setSliderPosition(bar->value());
        });
    }

    m_table->setRowCount(0);
    m_table->setColumnCount(0);
}

DataGrid::~DataGrid()
{
    // The table goes first, while the grid is whole, and closing its editor then tells nobody:
    // the window's handlers may already be gone.
    blockSignals(true);
    delete m_table;
}

QTableWidget* DataGrid::table() const
{
    return m_table;
}

// --- Counts -----------------------------------------------------------------------------------

int DataGrid::rows() const
{
    return m_table->rowCount() + 1;
}

void DataGrid::setRows(int count)
{
    count = std::max(count, 1);
    if (isEditing() && editRow() >= count)
        finishEdit(false);
    m_table->setRowCount(count - 1);
}

int DataGrid::cols() const
{
    return m_table->columnCount();
}

void DataGrid::setCols(int count)
{
    const int old = m_table->columnCount();
    m_table->setColumnCount(std::max(count, 0));
    // Without an item of its own a caption would show the column's number.
    for (int c = old; c < count; ++c)
        m_table->setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
}

int DataGrid::addRow()
{
    m_table->insertRow(m_table->rowCount());
    return rows() - 1;
}

// --- Cell text --------------------------------------------------------------------------------

QTableWidgetItem* DataGrid::item(int row, int col) const
{
    if (row < 0 || row >= rows() || col < 0 || col >= cols())
        return nullptr;
    return row == 0 ? m_table->horizontalHeaderItem(col) : m_table->item(row - 1, col);
}

QTableWidgetItem* DataGrid::ensureItem(int row, int col)
{
    if (row < 0 || row >= rows() || col < 0 || col >= cols())
        return nullptr;
    if (QTableWidgetItem* it = item(row, col))
        return it;
    auto* it = new QTableWidgetItem;
    if (row == 0)
        m_table->setHorizontalHeaderItem(col, it);
    else
        m_table->setItem(row - 1, col, it);
    return it;
}

QString DataGrid::text(int row, int col) const
{
    const QTableWidgetItem* it = item(row, col);
    return it ? it->text() : QString();
}

void DataGrid::setText(int row, int col, const QString& text)
{
    if (QTableWidgetItem* it = ensureItem(row, col))
        it->setText(text);
}

void DataGrid::fillText(int row1, int col1, int row2, int col2, const QString& text)
{
    for (int r = std::min(row1, row2); r <= std::max(row1, row2); ++r)
        for (int c = std::min(col1, col2); c <= std::max(col1, col2); ++c)
            setText(r, c, text);
}

// --- Hiding -----------------------------------------------------------------------------------

void DataGrid::setColHidden(int col, bool hidden)
{
    if (col >= 0 && col < cols())
        m_table->setColumnHidden(col, hidden);
}

bool DataGrid::isColHidden(int col) const
{
    return m_table->isColumnHidden(col);
}

void DataGrid::setRowHidden(int row, bool hidden)
{
    if (row >= 1 && row < rows())
        m_table->setRowHidden(row - 1, hidden);
}

bool DataGrid::isRowHidden(int row) const
{
    return row >= 1 && row < rows() && m_table->isRowHidden(row - 1);
}

// --- Sizes ------------------------------------------------------------------------------------

void DataGrid::setRowHeight(int row, int twips)
{
    const int px = std::max(twipsToPixels(twips), 1);
    if (row == 0)
        m_table->horizontalHeader()->setFixedHeight(px);
    else if (row >= 1 && row < rows())
        m_table->setRowHeight(row - 1, px);
}

int DataGrid::rowHeight(int row) const
{
    if (row == 0) {
        const QHeaderView* header = m_table->horizontalHeader();
        const int px =
            header->minimumHeight() == header->maximumHeight() ? header->maximumHeight() : header->sizeHint().height();
        return pixelsToTwips(px);
    }
    if (row < 1 || row >= rows())
        return 0;
    return pixelsToTwips(m_table->rowHeight(row - 1));
}

void DataGrid::setDefaultRowHeight(int twips)
{
    m_table->verticalHeader()->setDefaultSectionSize(std::max(twipsToPixels(twips), 1));
}

void DataGrid::setColWidth(int col, int twips)
{
    if (col >= 0 && col < cols())
        m_table->setColumnWidth(col, std::max(twipsToPixels(twips), 1));
}

int DataGrid::colWidth(int col) const
{
    if (col < 0 || col >= cols())
        return 0;
    return pixelsToTwips(m_table->columnWidth(col));
}

void DataGrid::autoFitCols(int col1, int col2)
{
    // Measured over every row, not only those in view, so that a long list fits throughout.
    const int margin = 2 * (m_table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_table) + 1) + 2;
    const QHeaderView* header = m_table->horizontalHeader();
    for (int c = std::max(std::min(col1, col2), 0); c <= std::min(std::max(col1, col2), cols() - 1); ++c) {
        int width = header->sectionSizeHint(c);
        for (int r = 0; r < m_table->rowCount(); ++r) {
            const QTableWidgetItem* it = m_table->item(r, c);
            if (!it || it->text().isEmpty() || m_table->isRowHidden(r))
                continue;
            const QVariant own = it->data(Qt::FontRole); // unset: the grid's font
            const QFontMetrics fm(own.isValid() ? own.value<QFont>() : m_table->font());
            width = std::max(width, fm.horizontalAdvance(it->text()) + margin);
        }
        width = std::min(width, twipsToPixels(kWidestFitTwips));
        const bool hidden = m_table->isColumnHidden(c);
        m_table->horizontalHeader()->resizeSection(c, width);
        if (hidden)
            m_table->setColumnHidden(c, true);
    }
}

// --- Colours ----------------------------------------------------------------------------------

void DataGrid::setCellBackground(int row, int col, const QColor& color)
{
    if (QTableWidgetItem* it = ensureItem(row, col))
        it->setBackground(color);
}

void DataGrid::fillBackground(int row1, int col1, int row2, int col2, const QColor& color)
{
    for (int r = std::min(row1, row2); r <= std::max(row1, row2); ++r)
        for (int c = std::min(col1, col2); c <= std::max(col1, col2); ++c)
            setCellBackground(r, c, color);
}

QColor DataGrid::cellBackground(int row, int col) const
{
    const QTableWidgetItem* it = item(row, col);
    if (!it || it->background().style() == Qt::NoBrush)
        return QColor(Qt::white);
    return it->background().color();
}

void DataGrid::setCellToolTip(int row, int col, const QString& text)
{
    if (QTableWidgetItem* it = ensureItem(row, col))
        it->setToolTip(text);
}

QString DataGrid::cellToolTip(int row, int col) const
{
    const QTableWidgetItem* it = item(row, col);
    return it ? it->toolTip() : QString();
}

// --- Current cell and view --------------------------------------------------------------------

int DataGrid::row() const
{
    const QModelIndex current = m_table->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

int DataGrid::col() const
{
    const QModelIndex current = m_table->currentIndex();
    return current.isValid() ? current.column() : m_headerCol;
}

bool DataGrid::askMove(int newRow, int newCol)
{
    bool cancel = false;
    emit beforeMove(row(), col(), newRow, newCol, cancel);
    return !cancel;
}

bool DataGrid::setCurrentCell(int row, int col)
{
    if (row < 0 || row >= rows() || col < 0 || (cols() > 0 && col >= cols()))
        return false;
    if (row == 0) {
        if (!m_table->currentIndex().isValid()) {
            if (col != m_headerCol) {
                if (!askMove(0, col))
                    return false;
                m_headerCol = col;
                emit currentCellChanged(0, col);
            }
            return true;
        }
        if (!askMove(0, col))
            return false;
        m_headerCol = col;
        // Already asked: go past the gate.
        m_table->gate()->QItemSelectionModel::setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return true;
    }
    const QModelIndex target = m_table->model()->index(row - 1, col);
    if (target == m_table->currentIndex())
        return true;
    m_table->selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
    return m_table->currentIndex() == target;
}

void DataGrid::moveAsked(int row, int col)
{
    const QModelIndex target = m_table->model()->index(row - 1, col);
    m_table->gate()->approve(target);
    m_table->selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
    m_table->gate()->approve(QModelIndex());
}

void DataGrid::showCell(int row, int col)
{
    if (row >= 1 && row < rows() && col >= 0 && col < cols())
        m_table->scrollTo(m_table->model()->index(row - 1, col));
    else if (row == 0 && col >= 0 && col < cols())
        m_table->horizontalScrollBar()->setValue(
            std::min(m_table->horizontalHeader()->sectionPosition(col), m_table->horizontalScrollBar()->maximum()));
}

int DataGrid::topRow() const
{
    const int r = m_table->rowAt(0);
    return r < 0 ? 0 : r + 1;
}

int DataGrid::bottomRow() const
{
    const int top = m_table->rowAt(0);
    if (top < 0)
        return 0;
    const int height = m_table->viewport()->height();
    int last = top;
    for (int r = top; r < m_table->rowCount(); ++r) {
        if (m_table->isRowHidden(r))
            continue;
        const int y = m_table->rowViewportPosition(r);
        if (y + m_table->rowHeight(r) / 2 > height)
            break;
        last = r;
    }
    return last + 1;
}

QRect DataGrid::cellRect(int row, int col) const
{
    if (row < 0 || row >= rows() || col < 0 || col >= cols() || isColHidden(col) || isRowHidden(row))
        return {};
    if (row == 0) {
        const QHeaderView* header = m_table->horizontalHeader();
        const QRect r(header->sectionViewportPosition(col), 0, header->sectionSize(col), header->height());
        return QRect(header->viewport()->mapTo(this, r.topLeft()), r.size());
    }
    const QRect r = m_table->visualRect(m_table->model()->index(row - 1, col));
    return QRect(m_table->viewport()->mapTo(this, r.topLeft()), r.size());
}

// --- Range of cells ---------------------------------------------------------------------------

void DataGrid::collapseRange()
{
    const QModelIndex current = m_table->currentIndex();
    m_anchor = m_corner = current.isValid() ? QPoint(current.column(), current.row() + 1) : QPoint(-1, -1);
    m_table->viewport()->update();
}

void DataGrid::selectRange(int row1, int col1, int row2, int col2)
{
    const auto rowIn = [this](int r) { return std::clamp(r, 1, std::max(rows() - 1, 1)); };
    const auto colIn = [this](int c) { return std::clamp(c, 0, std::max(cols() - 1, 0)); };
    m_anchor = QPoint(colIn(col1), rowIn(row1));
    m_corner = QPoint(colIn(col2), rowIn(row2));
    m_table->viewport()->update();
}

void DataGrid::selectAllCells()
{
    if (rows() > 1 && cols() > 0)
        selectRange(1, 0, rows() - 1, cols() - 1);
}

QRect DataGrid::selectedRange() const
{
    if (m_anchor.y() < 1 || rows() < 2 || cols() < 1)
        return {};
    const QRect range(QPoint(std::min(m_anchor.x(), m_corner.x()), std::min(m_anchor.y(), m_corner.y())),
                      QPoint(std::max(m_anchor.x(), m_corner.x()), std::max(m_anchor.y(), m_corner.y())));
    return range.intersected(QRect(0, 1, cols(), rows() - 1));
}

bool DataGrid::isInRange(int row, int col) const
{
    return selectedRange().contains(col, row);
}

bool DataGrid::extendRangeByKey(int key)
{
    int dc = 0;
    int dr = 0;
    switch (key) {
    case Qt::Key_Left: dc = -1; break;
    case Qt::Key_Right: dc = 1; break;
    case Qt::Key_Up: dr = -1; break;
    case Qt::Key_Down: dr = 1; break;
    default: return false;
    }
    if (m_anchor.y() < 1)
        return true;
    // One step to the next shown cell; at the edge the range stays.
    QPoint next = m_corner;
    do {
        next += QPoint(dc, dr);
    } while (next.x() >= 0 && next.x() < cols() && next.y() >= 1 && next.y() < rows() &&
             (isColHidden(next.x()) || isRowHidden(next.y())));
    if (next.x() < 0 || next.x() >= cols() || next.y() < 1 || next.y() >= rows())
        return true;
    m_corner = next;
    m_table->scrollTo(m_table->model()->index(next.y() - 1, next.x()));
    m_table->viewport()->update();
    return true;
}

QString DataGrid::selectedText() const
{
    const QRect range = selectedRange();
    if (range.isEmpty())
        return {};
    QList<QStringList> lines{{}};
    for (int c = range.left(); c <= range.right(); ++c)
        if (!isColHidden(c))
            lines.first() << text(0, c);
    for (int r = range.top(); r <= range.bottom(); ++r) {
        if (isRowHidden(r))
            continue;
        QStringList line;
        for (int c = range.left(); c <= range.right(); ++c)
            if (!isColHidden(c))
                line << text(r, c);
        lines << line;
    }
    return tabSeparated(lines);
}

void DataGrid::copySelection() const
{
    const QString copied = selectedText();
    if (!copied.isEmpty())
        QGuiApplication::clipboard()->setText(copied);
}

// --- Editing ----------------------------------------------------------------------------------

void DataGrid::setEditable(bool editable)
{
    m_editable = editable;
    m_table->setEditTriggers(editable ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                            QAbstractItemView::AnyKeyPressed
                                      : QAbstractItemView::NoEditTriggers);
    if (!editable)
        finishEdit(true);
}

bool DataGrid::isEditable() const
{
    return m_editable;
}

void DataGrid::setDateColumn(int col, bool isDate)
{
    if (isDate)
        m_dateCols.insert(col);
    else
        m_dateCols.remove(col);
}

bool DataGrid::isDateColumn(int col) const
{
    return m_dateCols.contains(col);
}

bool DataGrid::askEdit(int row, int col)
{
    if (!m_editable || row < 1 || row >= rows() || col < 0 || col >= cols() || isRowHidden(row) || isColHidden(col))
        return false;
    bool cancel = false;
    emit beforeEdit(row, col, cancel);
    if (cancel)
        return false;
    emit startEdit(row, col, cancel);
    if (cancel)
        return false;
    if (isDateColumn(col)) {
        emit dateEditRequested(row, col);
        return false;
    }
    return true;
}

bool DataGrid::editCell()
{
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid())
        return false;
    if (isEditing())
        return editRow() == row() && editCol() == col();
    m_table->openEditor(current);
    return isEditing();
}

bool DataGrid::isEditing() const
{
    return m_delegate->editor() != nullptr;
}

int DataGrid::editRow() const
{
    return m_delegate->editRow();
}

int DataGrid::editCol() const
{
    return m_delegate->editCol();
}

QString DataGrid::editText() const
{
    const QLineEdit* e = m_delegate->editor();
    return e ? e->text() : QString();
}

void DataGrid::setEditText(const QString& text)
{
    if (QLineEdit* e = m_delegate->editor())
        e->setText(text);
}

void DataGrid::finishEdit(bool keep)
{
    m_delegate->finish(keep);
}

// --- Sums and totals --------------------------------------------------------------------------

double DataGrid::columnSum(int col, int row1, int row2) const
{
    double sum = 0;
    for (int r = std::max(std::min(row1, row2), 1); r <= std::min(std::max(row1, row2), rows() - 1); ++r) {
        const QString t = text(r, col);
        if (isNumberText(t))
            sum += cleanText(t).toDouble();
    }
    return sum;
}

int DataGrid::addTotalsRow(const QList<int>& sumCols, const QString& caption, int row1, int row2)
{
    row1 = std::clamp(row1, 1, rows());
    if (row2 < 0 || row2 >= rows())
        row2 = rows() - 1;
    QList<double> sums;
    for (int c : sumCols) {
        double sum = 0;
        for (int r = row1; r <= row2; ++r) {
            if (isRowHidden(r) || isTotalsRow(r))
                continue;
            const QString t = text(r, c);
            if (isNumberText(t))
                sum += cleanText(t).toDouble();
        }
        sums.append(sum);
    }
    m_table->insertRow(row1 - 1);
    QFont bold = m_table->font();
    bold.setBold(true);
    for (int c = 0; c < cols(); ++c)
        ensureItem(row1, c)->setFont(bold);
    setText(row1, 0, caption);
    item(row1, 0)->setData(kTotalsRole, true);
    for (qsizetype i = 0; i < sumCols.size(); ++i) {
        setText(row1, sumCols.at(i), groupedWhole(sums.at(i)));
        if (QTableWidgetItem* it = item(row1, sumCols.at(i)))
            it->setData(kTotalsValueRole, sums.at(i));
    }
    return row1;
}

std::optional<double> DataGrid::totalsValue(int row, int col) const
{
    const QTableWidgetItem* it = isTotalsRow(row) ? item(row, col) : nullptr;
    const QVariant value = it ? it->data(kTotalsValueRole) : QVariant();
    if (!value.isValid())
        return std::nullopt;
    return value.toDouble();
}

bool DataGrid::isTotalsRow(int row) const
{
    const QTableWidgetItem* it = row >= 1 ? item(row, 0) : nullptr;
    return it && it->data(kTotalsRole).toBool();
}

void DataGrid::removeTotalsRows()
{
    for (int r = rows() - 1; r >= 1; --r) {
        if (!isTotalsRow(r))
            continue;
        if (editRow() == r)
            finishEdit(false);
        m_table->removeRow(r - 1);
    }
}

// --- Events -----------------------------------------------------------------------------------

void DataGrid::forwardInside(QEvent* event)
{
    // Keys and text sent to the grid itself go where the focus is inside it: the editor or the
    // table. What they leave unhandled comes back up here and goes on to the window.
    if (m_forwarding || event == m_insideEvent) {
        m_insideEvent = nullptr;
        event->ignore();
        return;
    }
    QWidget* target = m_table;
    QWidget* focus = QApplication::focusWidget();
    if (focus && isAncestorOf(focus)) {
        // A control the window laid over the grid (a date picker) handles its own keys.
        if (focus != m_table && !m_table->isAncestorOf(focus)) {
            event->ignore();
            return;
        }
        target = focus;
    }
    m_forwarding = true;
    QApplication::sendEvent(target, event);
    m_forwarding = false;
    m_insideEvent = nullptr;
    event->accept(); // it has been through the window already if nobody inside took it
}

void DataGrid::keyPressEvent(QKeyEvent* event)
{
    forwardInside(event);
}

void DataGrid::inputMethodEvent(QInputMethodEvent* event)
{
    forwardInside(event);
}

bool DataGrid::eventFilter(QObject* watched, QEvent* event)
{
    // Only mouse buttons matter here. Looking at the event first also keeps the table alone
    // while it is being destroyed and its children still send events.
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::MouseButtonRelease)
        return QWidget::eventFilter(watched, event);
    QHeaderView* header = m_table->horizontalHeader();
    if (watched != header->viewport())
        return QWidget::eventFilter(watched, event);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const int x = mouse->position().toPoint().x();
    // The edge between two captions is where a drag resizes the column on its left.
    const int grip = header->style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, header);
    int edgeCol = -1;
    const int at = header->logicalIndexAt(x);
    if (at >= 0) {
        const int left = header->sectionViewportPosition(at);
        if (x > left + header->sectionSize(at) - grip) {
            edgeCol = at;
        } else if (x < left + grip) {
            for (int v = header->visualIndex(at) - 1; v >= 0; --v) {
                const int logical = header->logicalIndex(v);
                if (!header->isSectionHidden(logical)) {
                    edgeCol = logical;
                    break;
                }
            }
        }
    }
    if (type == QEvent::MouseButtonRelease) {
        if (edgeCol < 0 && at >= 0 && at == m_pressedCaption)
            emit clicked(0, at);
        m_pressedCaption = -1;
        return false;
    }
    m_pressedCaption = edgeCol < 0 ? at : -1;
    if (edgeCol < 0)
        return false;
    bool cancel = false;
    emit beforeUserResize(-1, edgeCol, cancel);
    return cancel;
}

} // namespace kv::ui
