#include "ui/DataGrid.h"

#include "ui/GridCaptions.h"
#include "ui/GridCells.h"
#include "ui/GridDelegate.h"
#include "ui/GridEditing.h"
#include "ui/GridModel.h"
#include "ui/GridRange.h"
#include "ui/GridSizing.h"
#include "ui/GridTable.h"
#include "ui/GridTotals.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace kv::ui {

DataGrid::DataGrid(QWidget* parent)
    : QWidget(parent), m_table(new GridTable(this, *this)), m_model(new GridModel(m_table)),
      m_cells(std::make_unique<GridCells>(m_model, m_table)), m_sizing(std::make_unique<GridSizing>(*m_cells, m_table)),
      m_totals(std::make_unique<GridTotals>(*m_cells)), m_range(std::make_unique<GridRange>(*m_cells, m_table)),
      m_editing(std::make_unique<GridEditing>(static_cast<GridEditEvents&>(*this), *m_cells, m_table))
{
    m_table->attach(*m_editing, *m_range);
    m_table->setItemDelegate(new GridDelegate(this, *m_editing, this));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);
    setFocusProxy(m_table);
    m_table->setObjectName(QStringLiteral("table"));
    m_table->setModel(m_model);

    m_table->setSelectionModel(new GridSelectionModel(*this, m_table->model(), m_table));
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setSortingEnabled(false);
    m_table->setWordWrap(false);
    m_table->setTabKeyNavigation(true);

    QHeaderView* vertical = m_table->verticalHeader();
    vertical->hide();
    vertical->setMinimumSectionSize(1);
    vertical->setSectionResizeMode(QHeaderView::Fixed);
    m_sizing->setDefaultRowHeight(GridSizing::kDefaultRowTwips);

    QHeaderView* header = m_table->horizontalHeader();
    header->setMinimumSectionSize(1);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setDefaultAlignment(Qt::AlignCenter);
    new GridCaptions(this, header);

    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid())
                    m_headerCol = current.column();
                m_range->collapseToCurrent();
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
}

DataGrid::~DataGrid()
{
    // The table goes first, while the grid is whole, and closing its editor then tells nobody:
    // the window's handlers may already be gone.
    blockSignals(true);
    delete m_table;
}

QTableView* DataGrid::table() const
{
    return m_table;
}

// --- Counts -----------------------------------------------------------------------------------

int DataGrid::rows() const
{
    return m_cells->rows();
}

void DataGrid::setRows(int count)
{
    count = std::max(count, 1);
    if (isEditing() && editRow() >= count)
        finishEdit(false);
    m_cells->setRowCount(count);
}

int DataGrid::cols() const
{
    return m_cells->cols();
}

void DataGrid::setCols(int count)
{
    m_cells->setColCount(count);
}

void DataGrid::setRowSource(std::shared_ptr<const GridRowSource> source)
{
    if (isEditing())
        finishEdit(false);
    m_cells->setSource(std::move(source));
    m_range->collapseToCurrent();
}

int DataGrid::addRow()
{
    m_cells->insertRow(rows());
    return rows() - 1;
}

// --- Cell text --------------------------------------------------------------------------------

QString DataGrid::text(int row, int col) const
{
    return m_cells->text(row, col);
}

void DataGrid::setText(int row, int col, const QString& text)
{
    m_cells->setText(row, col, text);
}

void DataGrid::fillText(int row1, int col1, int row2, int col2, const QString& text)
{
    m_cells->fillText(row1, col1, row2, col2, text);
}

// --- Hiding -----------------------------------------------------------------------------------

void DataGrid::setColHidden(int col, bool hidden)
{
    if (col >= 0 && col < cols())
        m_table->setColumnHidden(col, hidden);
}

bool DataGrid::isColHidden(int col) const
{
    return m_cells->isColHidden(col);
}

void DataGrid::setRowHidden(int row, bool hidden)
{
    if (row >= 1 && row < rows())
        m_table->setRowHidden(row - 1, hidden);
}

bool DataGrid::isRowHidden(int row) const
{
    return m_cells->isRowHidden(row);
}

// --- Sizes ------------------------------------------------------------------------------------

void DataGrid::setRowHeight(int row, int twips)
{
    m_sizing->setRowHeight(row, twips);
}

int DataGrid::rowHeight(int row) const
{
    return m_sizing->rowHeight(row);
}

void DataGrid::setDefaultRowHeight(int twips)
{
    m_sizing->setDefaultRowHeight(twips);
}

void DataGrid::setColWidth(int col, int twips)
{
    m_sizing->setColWidth(col, twips);
}

int DataGrid::colWidth(int col) const
{
    return m_sizing->colWidth(col);
}

void DataGrid::autoFitCols(int col1, int col2)
{
    m_sizing->autoFitCols(
        col1, col2, [this](int row, int col) { return shownText(row, col); },
        [this](Decimal number, int col) {
            return columnKind(col) == ColumnKind::Money ? number.moneyText() : number.plainText();
        });
}

// --- Colours ----------------------------------------------------------------------------------

void DataGrid::setCellBackground(int row, int col, const QColor& color)
{
    m_cells->setBackground(row, col, color);
}

void DataGrid::fillBackground(int row1, int col1, int row2, int col2, const QColor& color)
{
    m_cells->fillBackground(row1, col1, row2, col2, color);
}

QColor DataGrid::cellBackground(int row, int col) const
{
    return m_cells->background(row, col);
}

void DataGrid::setCellToolTip(int row, int col, const QString& text)
{
    m_cells->setToolTip(row, col, text);
}

QString DataGrid::cellToolTip(int row, int col) const
{
    return m_cells->toolTip(row, col);
}

bool DataGrid::isRowBold(int row) const
{
    return row == 0 || m_cells->isRowBold(row) || isTotalsRow(row);
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
    for (int r = top; r < rows() - 1; ++r) {
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

void DataGrid::selectRange(int row1, int col1, int row2, int col2)
{
    m_range->select(row1, col1, row2, col2);
}

void DataGrid::selectAllCells()
{
    m_range->selectAll();
}

QRect DataGrid::selectedRange() const
{
    return m_range->range();
}

bool DataGrid::isInRange(int row, int col) const
{
    return m_range->contains(row, col);
}

QString DataGrid::selectedText() const
{
    return m_range->text();
}

void DataGrid::copySelection() const
{
    m_range->copy();
}

// --- Editing ----------------------------------------------------------------------------------

void DataGrid::setEditable(bool editable)
{
    m_editing->setEditable(editable);
}

bool DataGrid::isEditable() const
{
    return m_editing->isEditable();
}

void DataGrid::setDateColumn(int col, bool isDate)
{
    m_editing->setDateColumn(col, isDate);
}

bool DataGrid::isDateColumn(int col) const
{
    return m_editing->isDateColumn(col);
}

bool DataGrid::editCell()
{
    return m_editing->editCurrent();
}

bool DataGrid::isEditing() const
{
    return m_editing->editor() != nullptr;
}

int DataGrid::editRow() const
{
    return m_editing->row();
}

int DataGrid::editCol() const
{
    return m_editing->col();
}

QString DataGrid::editText() const
{
    return m_editing->text();
}

void DataGrid::setEditText(const QString& text)
{
    m_editing->setText(text);
}

void DataGrid::finishEdit(bool keep)
{
    m_editing->finish(keep);
}

// --- Number columns ---------------------------------------------------------------------------

void DataGrid::setColumnKind(int col, ColumnKind kind)
{
    if (kind == ColumnKind::Text)
        m_columnKinds.remove(col);
    else
        m_columnKinds.insert(col, kind);
    m_table->viewport()->update();
}

DataGrid::ColumnKind DataGrid::columnKind(int col) const
{
    return m_columnKinds.value(col, ColumnKind::Text);
}

QString DataGrid::shownText(int row, int col) const
{
    // A count's sum stays a count; money and sums of text columns show as money.
    if (row == 0 || columnKind(col) == ColumnKind::Number ||
        (columnKind(col) != ColumnKind::Money && !totalsValue(row, col)))
        return text(row, col);
    if (m_model->isFromSource(row)) {
        const std::optional<Decimal> value = m_model->sourceNumber(row, col);
        return value ? value->moneyText() : text(row, col);
    }
    QString plain = text(row, col);
    const std::optional<Decimal> value = Decimal::fromCellText(plain);
    return value ? value->moneyText() : plain;
}

// --- Sums and totals --------------------------------------------------------------------------

Decimal DataGrid::columnSum(int col, int row1, int row2) const
{
    return m_totals->columnSum(col, row1, row2);
}

int DataGrid::addTotalsRow(const QList<int>& sumCols, const QString& caption, int row1, int row2)
{
    return m_totals->add(sumCols, caption, row1, row2);
}

std::optional<Decimal> DataGrid::totalsValue(int row, int col) const
{
    return m_totals->value(row, col);
}

bool DataGrid::isTotalsRow(int row) const
{
    return m_totals->isTotalsRow(row);
}

void DataGrid::removeTotalsRows()
{
    for (int r = rows() - 1; r >= 1; --r) {
        if (!isTotalsRow(r))
            continue;
        if (editRow() == r)
            finishEdit(false);
        m_cells->removeRow(r);
    }
}

// --- What the parts ask and tell ---------------------------------------------------------------

void DataGrid::cellClicked(int row, int col)
{
    emit clicked(row, col);
}

void DataGrid::edited(int row, int col)
{
    emit afterEdit(row, col);
}

bool DataGrid::askEdit(int row, int col)
{
    bool cancel = false;
    emit beforeEdit(row, col, cancel);
    if (cancel)
        return false;
    emit startEdit(row, col, cancel);
    return !cancel;
}

void DataGrid::askDate(int row, int col)
{
    emit dateEditRequested(row, col);
}

bool DataGrid::editorKey(int row, int col, int key)
{
    bool consume = false;
    emit editorKeyDown(row, col, key, consume);
    return consume;
}

void DataGrid::typed(int row, int col, const QString& text)
{
    emit editTextChanged(row, col, text);
}

// --- Events -----------------------------------------------------------------------------------

void DataGrid::forwardInside(QEvent* event)
{
    // Keys and text sent to the grid itself go where the focus is inside it: the editor or the
    // table. What they leave unhandled comes back up here and goes on to the window.
    if (m_forwarding || event == m_table->leftKey()) {
        m_table->forgetLeftKey();
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
    m_table->forgetLeftKey();
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

} // namespace kv::ui
