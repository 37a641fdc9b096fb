#include "entry/LineGridEditor.h"

#include "data/AppContext.h"
#include "data/TextRules.h"
#include "entry/DatePicker.h"
#include "entry/EntryGrids.h"
#include "entry/LookupPopup.h"
#include "entry/MonthRecords.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>
#include <QToolTip>

namespace kv {

using entry::kRowTwips;

LineGridEditor::LineGridEditor(Kind kind, AppContext& ctx, ui::DataGrid* grid, LookupPopup* popup, Host host,
                               QWidget* window)
    : QObject(grid), m_kind(kind), m_ctx(ctx), m_grid(grid), m_popup(popup), m_host(std::move(host)), m_window(window),
      m_catalog(lookupKind())
{
    m_picker = new DatePicker(grid);
    m_picker->setObjectName(isProduction() ? QStringLiteral("dtPick") : QStringLiteral("DTPick1"));

    using ui::DataGrid;
    connect(grid, &DataGrid::currentCellChanged, this, &LineGridEditor::onCurrentCellChanged);
    connect(grid, &DataGrid::editTextChanged, this, &LineGridEditor::onEditTextChanged);
    connect(grid, &DataGrid::editorKeyDown, this,
            [this](int row, int col, int key, bool& consume) { consume = onEditorKey(row, col, key); });
    connect(grid, &DataGrid::startEdit, this, [this](int row, int col, bool& cancel) {
        if (!cancel)
            m_editOriginal = m_grid->text(row, col);
    });
    connect(grid, &DataGrid::afterEdit, this, &LineGridEditor::onAfterEdit);
    connect(grid, &DataGrid::dateEditRequested, this, &LineGridEditor::onDateEditRequested);
    connect(grid, &DataGrid::clicked, this, [this] {
        if (isProduction())
            m_host.hideCandidates();
    });
    connect(grid, &DataGrid::beforeEdit, this, [this](int row, int col, bool& cancel) {
        // Unit and amount of a production line come from the look-up and the quantity; product
        // and quantity of a scanned line from its ticket (deleting the line gives the ticket back);
        // a team's share or time work is changed only through its own entry.
        if (isProduction() && (col == PUnit || col == PAmount || !m_grid->text(row, PSource).isEmpty()))
            cancel = true;
        if (isProduction() && (col == PProduct || col == PQuantity) && entry::isTicketLine(*m_grid, row))
            cancel = true;
    });
    // While the picker is shown, the grid keeps its current cell, scroll position and sizes,
    // so that the picker stays over the cell it edits.
    connect(grid, &DataGrid::beforeMove, this, [this](int, int, int, int, bool& cancel) {
        if (m_picker->isVisible())
            cancel = true;
        else
            m_popup->hide();
    });
    connect(grid, &DataGrid::beforeScroll, this, [this](bool& cancel) {
        if (m_picker->isVisible())
            cancel = true;
        else
            m_popup->hide();
    });
    connect(grid, &DataGrid::beforeUserResize, this, [this](int, int, bool& cancel) {
        if (m_picker->isVisible())
            cancel = true;
    });

    grid->table()->installEventFilter(this);

    connect(m_picker, &QDateEdit::dateChanged, this, &LineGridEditor::onPickerDateChanged);
    connect(m_picker, &DatePicker::escapePressed, this, [this] {
        if (m_pickRow > 0)
            setLineDate(m_pickRow, m_picker->restoreText);
        hidePicker(true);
    });
    connect(m_picker, &DatePicker::enterPressed, this, [this] {
        const int row = m_pickRow;
        hidePicker(true);
        advanceAfterEnter(row, 0);
    });
    connect(m_picker, &DatePicker::focusLeft, this, [this] { hidePicker(false); });
    connect(m_picker, &DatePicker::unreadableTyped, this, &LineGridEditor::keepUnreadableDate);
    // The focus going to another control of the window ends the picker, also while its calendar
    // is still closing: the other grid's picker opened by the same click once stayed on, holding
    // this grid still, until clicked.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (!m_picker->isVisible() || !now || now->window() != m_picker->window() || now == m_picker ||
            m_picker->isAncestorOf(now))
            return;
        if (const auto typed = m_picker->unreadableText())
            keepUnreadableDate(*typed);
        else
            hidePicker(false);
    });
}

bool LineGridEditor::eventFilter(QObject* watched, QEvent* event)
{
    const bool typed = event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod;
    if (typed && watched == m_grid->table() && makePendingMove()) {
        // The move may have opened the next cell's editor: the key is the first one typed there.
        QWidget* focus = QApplication::focusWidget();
        if (focus && focus != m_grid->table() && m_grid->isAncestorOf(focus)) {
            QApplication::sendEvent(focus, event);
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && watched == m_grid->table() && onTableKey(*static_cast<QKeyEvent*>(event)))
        return true;
    return QObject::eventFilter(watched, event);
}

int LineGridEditor::itemColumn() const
{
    return isProduction() ? int(PProduct) : int(DItem);
}

LookupKind LineGridEditor::lookupKind() const
{
    return isProduction() ? LookupKind::Product : LookupKind::Deduction;
}

void LineGridEditor::lookUp(int row, int col, const QString& typed, bool all)
{
    if (!ui::guarded(m_window, [&] { m_catalog.refresh(m_ctx.conn()); }))
        return;
    if (isProduction()) {
        const auto day = parseDateText(m_grid->text(row, PDate));
        m_catalog.setDay(day ? *day : defaultDate(row));
    }
    m_popup->placeUnder(*m_grid, row, col);
    m_popup->showMatches(m_catalog, m_catalog.matches(all ? QString() : typed));
    m_matchWalked = false; // a new list starts at its first match
}

void LineGridEditor::onCurrentCellChanged(int row, int col)
{
    if (isProduction())
        m_host.hideCandidates();
    if (row < 1)
        return;
    emit becameTarget(this);
    // There is always an empty line below the one being worked on.
    if (row == m_grid->rows() - 1 && !m_placing)
        m_grid->setRowHeight(m_grid->addRow(), kRowTwips);

    const bool typedColumn =
        isProduction() ? (col == PProduct || col == PQuantity || col == PRemark) : (col == DItem || col == DAmount);
    // An empty item cell offers every item; a filled one keeps its item until letters are typed.
    if (col == itemColumn() && m_grid->isEditable() && cleanText(m_grid->text(row, col)).isEmpty())
        lookUp(row, col, QString(), true);
    else
        m_popup->hide();
    if (typedColumn)
        m_grid->editCell(); // the operator types without a key to open the cell first
}

void LineGridEditor::onEditTextChanged(int row, int col, const QString& text)
{
    emit becameTarget(this);
    if (col == itemColumn())
        lookUp(row, col, text, false);
    else if (isProduction() && col == PQuantity)
        updateAmount(row, text);
}

void LineGridEditor::updateAmount(int row, const QString& quantity)
{
    m_grid->setText(row, PAmount, amountText(quantity, m_grid->text(row, PPrice)));
    m_host.totals();
}

bool LineGridEditor::onEditorKey(int row, int col, int key)
{
    emit becameTarget(this);
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && m_popup->isVisible() && m_popup->matchCount() > 0) {
        // The arrows walk the matches while the text stays in the cell being typed in.
        const int n = m_popup->matchCount();
        const int at = std::max(m_popup->currentMatch(), 1);
        const int next = key == Qt::Key_Down ? (at == n ? 1 : at + 1) : (at == 1 ? n : at - 1);
        m_popup->setCurrentMatch(next);
        m_matchWalked = true;
        return true;
    }
    if (key == Qt::Key_Escape) {
        // Giving up the typed text gives up its matches too; the grid puts the text back.
        m_popup->hide();
        return false;
    }
    if (key != Qt::Key_Return)
        return false;
    m_enterPressed = true;
    if (col == itemColumn())
        enterOnItem(row, col);
    return false;
}

void LineGridEditor::enterOnItem(int row, int col)
{
    // Enter chooses only what the operator chose: a match walked to with the arrows, or the
    // first match of letters typed. On a cell left as it was it only moves on.
    const QString typed = cleanText(m_grid->editText());
    if (m_popup->isVisible() && m_matchWalked) {
        takeMatch(row, std::max(m_popup->currentMatch(), 1));
    } else if (typed == cleanText(m_editOriginal)) {
        m_grid->setEditText(m_editOriginal);
        m_popup->hide();
    } else if (typed.isEmpty()) {
        takeMatch(row, 0); // the item was wiped out: so are its unit, price and amount
    } else {
        if (!m_popup->isVisible()) // closed by a click elsewhere while the letters stayed
            lookUp(row, col, typed, false);
        takeMatch(row, 1);
    }
}

void LineGridEditor::takeMatch(int row, int match)
{
    const bool none = match < 1 || m_popup->matchCount() < match;
    // The item's number goes with it, so that the line names the one item chosen among namesakes.
    m_grid->setText(row, isProduction() ? int(PProductNo) : int(DItemNo), none ? QString() : m_popup->text(match, 0));
    if (isProduction()) {
        m_grid->setEditText(none ? QString() : m_popup->text(match, 1));
        m_grid->setText(row, PUnit, none ? QString() : m_popup->text(match, 2));
        m_grid->setText(row, PPrice, none ? QString() : m_popup->text(match, 3));
        m_grid->setText(row, PAmount,
                        none ? QString() : amountText(m_grid->text(row, PQuantity), m_popup->text(match, 3)));
    } else {
        m_grid->setEditText(none ? QString() : m_popup->text(match, 1));
        m_grid->setText(row, DAmount, none ? QString() : m_popup->text(match, 2));
    }
    m_popup->hide();
    m_host.totals();
}

void LineGridEditor::onAfterEdit(int row, int col)
{
    // An item cell left other than by Enter or a choice in the look-up (Tab, a click elsewhere,
    // Ctrl+S) keeps its item: letters typed there were a search, never a new item.
    if (col == itemColumn()) {
        if (!m_enterPressed && m_grid->text(row, col) != m_editOriginal)
            m_grid->setText(row, col, m_editOriginal);
        m_popup->hide();
    }
    // The amount followed the typed quantity; however the edit ended (Escape puts the old
    // quantity back), it follows the quantity the cell now holds.
    if (isProduction() && col == PQuantity)
        updateAmount(row, m_grid->text(row, PQuantity));
    if (!isProduction() && col == DAmount)
        m_host.totals();
    if (m_enterPressed) {
        m_enterPressed = false;
        advanceAfterEnter(row, col);
    }
}

void LineGridEditor::advanceAfterEnter(int row, int col)
{
    // Enter moves on to the next cell the operator fills in, so a month goes in by keyboard.
    int nextRow = row;
    int nextCol = 0;
    if (isProduction()) {
        switch (col) {
        case PDate: nextCol = PProduct; break;
        case PProduct: nextCol = PQuantity; break;
        case PQuantity: nextCol = PRemark; break;
        default: nextRow = row + 1; nextCol = PDate;
        }
    } else {
        switch (col) {
        case DDate: nextCol = DItem; break;
        case DItem: nextCol = DAmount; break;
        default: nextRow = row + 1; nextCol = DDate;
        }
    }
    if (nextRow == m_grid->rows()) // the line was the last one, placed there by a load
        m_grid->setRowHeight(m_grid->addRow(), kRowTwips);
    if (nextRow < 1 || nextRow >= m_grid->rows())
        return;
    // The move waits until the editor that took the Enter is gone; a key typed before then
    // makes it at once, so that the key lands in the next cell, never in the one just left.
    m_pendingMove = {nextRow, nextCol};
    QTimer::singleShot(0, this, [this] { makePendingMove(); });
}

bool LineGridEditor::makePendingMove()
{
    const QPoint move = std::exchange(m_pendingMove, QPoint());
    if (move.isNull() || m_grid->isEditing())
        return false;
    m_grid->setCurrentCell(move.x(), move.y());
    m_grid->showCell(move.x(), move.y());
    return true;
}

void LineGridEditor::choose(const QStringList& item)
{
    const int r = m_grid->row();
    if (r < 1 || item.size() < (isProduction() ? 4 : 3) || (isProduction() && entry::isTicketLine(*m_grid, r)))
        return;
    if (m_grid->isEditing())
        m_grid->finishEdit(false); // the choice replaces what was being typed
    m_grid->setText(r, 1, item.at(1));
    m_grid->setText(r, 2, item.at(2));
    m_grid->setText(r, isProduction() ? int(PProductNo) : int(DItemNo), item.at(0));
    if (isProduction()) {
        m_grid->setText(r, PPrice, item.at(3));
        m_grid->setText(r, PAmount, amountText(m_grid->text(r, PQuantity), m_grid->text(r, PPrice)));
    }
    m_host.totals();
    m_popup->hide();
}

void LineGridEditor::clearVisibleLine(int index, int count)
{
    clearLine(m_grid->bottomRow() - (count - 1 - index));
}

void LineGridEditor::clearLine(int r)
{
    m_popup->hide();
    if (r < 1 || r >= m_grid->rows())
        return;
    if (isProduction() && !m_grid->text(r, PSource).isEmpty()) {
        ui::message(m_window, QString::fromUtf16(kSourcedLineText), QStringLiteral("提示！"), ui::Icon::Information);
        return;
    }
    m_grid->setCurrentCell(r, 0);
    m_grid->showCell(r, 0);
    m_grid->fillText(r, 0, r, m_grid->cols() - 1, QString());
    m_host.totals();
    m_popup->hide();
}

void LineGridEditor::placeCursor(int row)
{
    m_placing = true;
    m_grid->setCurrentCell(row, 0);
    m_placing = false;
    m_grid->showCell(row, 0);
}

void LineGridEditor::dismissLookup()
{
    m_popup->hide();
    if (m_grid->isEditing() && m_grid->editCol() == itemColumn())
        m_grid->setEditText(m_editOriginal);
}

bool LineGridEditor::onTableKey(const QKeyEvent& key)
{
    // A digit typed on a date cell is the first digit of its day, typed into the picker.
    const QString text = key.text();
    if (text.size() != 1 || !text.at(0).isDigit() || (key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier ||
        m_grid->isEditing() || m_grid->row() < 1 || !m_grid->isDateColumn(m_grid->col()))
        return false;
    m_typedDigit = text;
    m_grid->editCell();
    m_typedDigit.clear();
    return true;
}

QDate LineGridEditor::defaultDate(int row) const
{
    const auto month = parseMonthText(m_host.workingMonth());
    const QDate today = m_ctx.clock().today();
    if (!month)
        return today;
    // Lines are mostly entered day by day: a new line starts on the date of the line above.
    if (const auto above = parseDateText(m_grid->text(row - 1, PDate)); row > 1 && above && month->contains(*above))
        return *above;
    // A day the working month does not have (the 30th in February) becomes its last day.
    const QDate first = month->firstDay();
    return QDate(month->year, month->month, std::min(today.day(), first.daysInMonth()));
}

void LineGridEditor::onDateEditRequested(int row, int col)
{
    emit becameTarget(this);
    m_popup->hide();
    m_pickRow = row;
    m_picker->setGeometry(m_grid->cellRect(row, col));
    // Escape gives the cell back what it had, nothing on a new line.
    m_picker->restoreText = m_grid->text(row, col);
    if (m_grid->text(row, col).isEmpty())
        setLineDate(row, dateText(defaultDate(row)));
    const auto date = parseDateText(m_grid->text(row, col));
    {
        const QSignalBlocker quiet(m_picker);
        m_picker->setDate(date ? *date : defaultDate(row));
    }
    m_picker->show();
    m_picker->raise();
    m_picker->setFocus();
    // Typing goes on in the picker as a date; otherwise the calendar is there to pick from.
    if (!m_typedDigit.isEmpty())
        m_picker->typeDate(m_typedDigit);
    else
        m_picker->openCalendar();
}

void LineGridEditor::onPickerDateChanged(const QDate& date)
{
    if (!m_picker->isVisible() || m_pickRow < 1)
        return;
    const auto month = parseMonthText(m_host.workingMonth());
    if (!month || !month->contains(date)) {
        ui::message(m_window, QStringLiteral("只能是计工月份内的日期！"), QStringLiteral("提示！"), ui::Icon::Warning);
        return;
    }
    setLineDate(m_pickRow, dateText(date));
}

void LineGridEditor::keepUnreadableDate(const QString& typed)
{
    // What was typed stays in the cell, red, and the cursor with it: a date that is no date is
    // never replaced by another one behind the clerk's back, and the save refuses it.
    const int row = m_pickRow;
    hidePicker(m_picker->hasFocus()); // Enter stays on the cell; a click elsewhere goes there
    if (row < 1)
        return;
    m_grid->setText(row, 0, typed);
    m_grid->setCellBackground(row, 0, entry::kLightRed);
    m_grid->setCellToolTip(row, 0, QStringLiteral("日期不正确"));
    QToolTip::showText(m_grid->mapToGlobal(m_grid->cellRect(row, 0).bottomLeft()), QStringLiteral("日期不正确"),
                       m_grid);
}

void LineGridEditor::setLineDate(int row, const QString& text)
{
    m_grid->setText(row, 0, text);
    if (parseDateText(text) && !m_grid->cellToolTip(row, 0).isEmpty()) {
        m_grid->setCellBackground(row, 0, entry::kWhite);
        m_grid->setCellToolTip(row, 0, {});
    }
    // A line not stored yet takes the piece price in force on its date; a stored line keeps the
    // price it was paid at.
    const auto day = parseDateText(text);
    if (!isProduction() || !day || !m_grid->text(row, PId).isEmpty() ||
        cleanText(m_grid->text(row, PProduct)).isEmpty())
        return;
    if (!ui::guarded(m_window, [&] { m_catalog.refresh(m_ctx.conn()); }))
        return;
    m_catalog.setDay(*day);
    const std::optional<QString> price =
        m_catalog.priceOf(m_grid->text(row, PProductNo), m_grid->text(row, PProduct), m_grid->text(row, PUnit));
    if (!price || *price == m_grid->text(row, PPrice))
        return;
    m_grid->setText(row, PPrice, *price);
    updateAmount(row, m_grid->text(row, PQuantity));
}

void LineGridEditor::hidePicker(bool backToGrid)
{
    m_picker->hide();
    m_pickRow = -1;
    if (backToGrid)
        m_grid->setFocus();
}

} // namespace kv
