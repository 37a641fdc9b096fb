#pragma once

#include "entry/ItemCatalog.h"

#include <QObject>
#include <QPoint>

#include <functional>

class QKeyEvent;
class QWidget;

namespace kv {
class AppContext;
class DatePicker;
class LookupPopup;
namespace ui {
class DataGrid;
}

// Entering lines into one line grid of the wage entry window: editing at once in the typed
// columns, the item look-up while typing, amounts that follow the quantity, the date picker
// bounded to the working month, and the delete buttons beside the grid.
class LineGridEditor final : public QObject {
    Q_OBJECT
public:
    enum class Kind { Production, Deduction };

    // What the editor needs of its window.
    struct Host {
        std::function<QString()> workingMonth;
        std::function<void()> totals;         // showTotals
        std::function<void()> hideCandidates; // the employee candidate list
    };

    LineGridEditor(Kind kind, AppContext& ctx, ui::DataGrid* grid, LookupPopup* popup, Host host, QWidget* window);

    Kind kind() const { return m_kind; }
    ui::DataGrid* grid() const { return m_grid; }
    DatePicker* picker() const { return m_picker; }

    // Writes an item chosen in the look-up popup into the current line.
    void choose(const QStringList& item);
    // Empties the line beside delete button `index` of `count`, counted on the visible rows.
    void clearVisibleLine(int index, int count);
    // Empties line `row` as its delete button does: it becomes current and stays, empty.
    void clearLine(int row);
    // Makes the date of `row` the current cell, as a load leaves it for the next line; the grid
    // grows only once that line is worked on.
    void placeCursor(int row);
    // The look-up was closed without a choice (its "×", a click elsewhere): the item cell being
    // typed in gets back the text it had.
    void dismissLookup();

signals:
    // This grid is now the one a choice in the look-up popup goes to.
    void becameTarget(LineGridEditor* editor);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isProduction() const { return m_kind == Kind::Production; }
    int itemColumn() const;
    LookupKind lookupKind() const;
    void lookUp(int row, int col, const QString& typed, bool all);
    void updateAmount(int row, const QString& quantity);
    void takeMatch(int row, int match); // 0: none, the line loses its item
    void enterOnItem(int row, int col);
    void advanceAfterEnter(int row, int col);
    bool makePendingMove(); // true when the current cell moved

    void onCurrentCellChanged(int row, int col);
    void onEditTextChanged(int row, int col, const QString& text);
    bool onEditorKey(int row, int col, int key); // true: the key is used up
    bool onTableKey(const QKeyEvent& key);       // true: the key is used up
    void onAfterEdit(int row, int col);
    void onDateEditRequested(int row, int col);
    void onPickerDateChanged(const QDate& date);
    // Writes a line's date cell, and the price of its product on that date into a line not
    // stored yet.
    void setLineDate(int row, const QString& text);
    // Typing in the picker ended on text that reads as no date ("45", "12/32").
    void keepUnreadableDate(const QString& typed);
    void hidePicker(bool backToGrid);
    QDate defaultDate(int row) const;

    Kind m_kind;
    AppContext& m_ctx;
    ui::DataGrid* m_grid;
    LookupPopup* m_popup;
    Host m_host;
    QWidget* m_window;
    DatePicker* m_picker;
    int m_pickRow = -1;
    bool m_enterPressed = false;
    bool m_placing = false;     // placeCursor is moving the current cell
    QString m_editOriginal;     // the text the cell being edited had when its editor opened
    QString m_typedDigit;       // a digit typed on a date cell, the first key of its date
    QPoint m_pendingMove;       // row, column the grid moves to after Enter; null when none
    bool m_matchWalked = false; // the arrows moved the popup's highlight since the last look-up
    ItemCatalog m_catalog;      // the products or deduction items, read again when they change
};

} // namespace kv
