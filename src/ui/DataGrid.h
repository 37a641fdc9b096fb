#pragma once

#include "data/Decimal.h"
#include "ui/GridEvents.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QRect>
#include <QSet>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class QTableView;

namespace kv::ui {

class GridCells;
class GridEditing;
class GridModel;
class GridRange;
class GridRowSource;
class GridSelectionModel;
class GridSizing;
class GridTable;
class GridTotals;

// The grid every table of the program is shown in.
//
// Addressing: row 0 is the header row (the column captions), data rows are 1 … rows()-1, so
// rows() == 1 means "header only"; text(0, c) is the caption of column c. Columns count from 0.
// All cells hold text. Sizes are in twips (see ui/Twips.h) except cellRect(), which is in pixels
// of this widget so that a control can be laid exactly over a cell.
//
// Events are Qt signals delivered at once (direct connections only). The refusable ones carry a
// `bool& cancel` that a handler sets to true to refuse; every connected handler sees the value
// the earlier ones left.
//
// Editing a cell goes through two refusable stages, whether the user or editCell() starts it:
// beforeEdit (may this cell be edited at all?) and then startEdit (the editor is about to open).
// In a column marked as a date column the grid never opens its own editor: after both stages it
// emits dateEditRequested and the window shows its date picker instead.
class DataGrid : public QWidget, private GridTableEvents, private GridEditEvents {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);
    ~DataGrid() override;

    // --- Counts -------------------------------------------------------------------------------
    int rows() const;        // header included
    void setRows(int count); // at least 1; rows beyond are removed, new rows are empty
    int cols() const;
    void setCols(int count);
    int addRow(); // appends an empty row; returns its index
    // Replaces the data rows by the rows of a source, for a long read-only list (thousands of
    // employees of a statistics run): the grid keeps no text of its own for them and asks the
    // source for a cell only when it shows, prints, finds or exports it, and for the numbers it
    // sums. Writing a cell of such a row gives the row texts of its own. setRows(1) lets it go.
    void setRowSource(std::shared_ptr<const GridRowSource> source);

    // --- Cell text ----------------------------------------------------------------------------
    QString text(int row, int col) const; // "" outside the grid
    void setText(int row, int col, const QString& text);
    // Writes one text into every cell of the rectangle (corners in any order).
    void fillText(int row1, int col1, int row2, int col2, const QString& text);

    // --- Number columns -----------------------------------------------------------------------
    // What a column's cells hold. Number and money cells stand right. A money cell holding a
    // number shows it with thousands separators and at least two places (3,336.25, -9.975,
    // 436.00); its text stays the plain number. Exports write the cells of number and money
    // columns as numbers, every other cell as text.
    enum class ColumnKind { Text, Number, Money };
    void setColumnKind(int col, ColumnKind kind);
    ColumnKind columnKind(int col) const;
    // What the cell shows on screen and on paper: its text, written as money in a money column
    // and in the sums of a totals row.
    QString shownText(int row, int col) const;

    // --- Hiding -------------------------------------------------------------------------------
    void setColHidden(int col, bool hidden = true);
    bool isColHidden(int col) const;
    void setRowHidden(int row, bool hidden = true); // the header row cannot be hidden
    bool isRowHidden(int row) const;

    // --- Sizes (twips) ------------------------------------------------------------------------
    void setRowHeight(int row, int twips); // row 0 sets the header's height
    int rowHeight(int row) const;
    void setDefaultRowHeight(int twips); // height of rows added later
    void setColWidth(int col, int twips);
    int colWidth(int col) const;
    // Fits the columns col1 … col2 to their contents, header captions included.
    void autoFitCols(int col1, int col2);

    // --- Colours ------------------------------------------------------------------------------
    void setCellBackground(int row, int col, const QColor& color);
    void fillBackground(int row1, int col1, int row2, int col2, const QColor& color);
    QColor cellBackground(int row, int col) const; // white unless set
    // The text shown when the pointer rests on the cell, such as why its value is refused.
    void setCellToolTip(int row, int col, const QString& text);
    QString cellToolTip(int row, int col) const;
    // The captions, totals rows and rows made bold are printed and exported bold.
    bool isRowBold(int row) const;

    // --- Current cell and view ----------------------------------------------------------------
    // Current row; 0 when the header (no data cell) is current. A grid that gets the focus
    // without a current cell makes its first cell current, asking beforeMove as usual.
    int row() const;
    int col() const; // current column
    // Makes the cell current (row 0: no data cell current, col remembered). Asks beforeMove
    // first, like a move by the user; returns false when it was refused.
    bool setCurrentCell(int row, int col);
    void showCell(int row, int col); // scrolls it into view
    int topRow() const;              // first data row in view (0 when there is none)
    // Last data row that is at least half in view (0 when there is none). With the grid sized
    // to show n whole rows under the header, the rows in view are bottomRow()-n+1 … bottomRow().
    int bottomRow() const;
    // The cell's rectangle in this widget's pixel coordinates; empty for a hidden cell. A control
    // made a child of the grid and raised covers the cell exactly when given this geometry; the
    // grid then leaves that control's keys to it.
    QRect cellRect(int row, int col) const;

    // --- Range of cells -------------------------------------------------------------------------
    // Cells marked for copying, from an anchor to a corner (data rows only). The user marks them
    // by dragging the mouse, Shift+arrows or Ctrl+A, without moving the current cell; any move of
    // the current cell shrinks the range to that cell. Ctrl+C copies the range.
    void selectRange(int row1, int col1, int row2, int col2);
    void selectAllCells();
    // Rows top…bottom and columns left…right of the range (rows from 1); empty when there is none.
    QRect selectedRange() const;
    bool isInRange(int row, int col) const;
    // The range as tab-separated lines, the captions of its columns first; hidden rows and
    // columns are left out. Texts holding a tab, line break or quote are quoted.
    QString selectedText() const;
    void copySelection() const; // selectedText() to the clipboard

    // --- Editing ------------------------------------------------------------------------------
    // Editable grids open an editor on typing, F2, a double click, or startEdit(); a single
    // click on a date-column cell asks for the date picker. Read-only grids never edit.
    void setEditable(bool editable);
    bool isEditable() const;
    // Marks a column whose editing the window takes over with its own date picker.
    void setDateColumn(int col, bool isDate = true);
    bool isDateColumn(int col) const;
    // Starts editing the current cell, through the two edit stages. True when an editor opened.
    bool editCell();
    bool isEditing() const;
    int editRow() const; // cell of the open editor, -1 when none
    int editCol() const;
    QString editText() const;              // text of the open editor; "" when none is open
    void setEditText(const QString& text); // does not raise editTextChanged
    // Ends editing: keep=true writes the editor's text into the cell, false drops it.
    void finishEdit(bool keep = true);

    // --- Sums and totals ----------------------------------------------------------------------
    // Exact sum of column col over rows row1 … row2 (hidden rows included); only cells whose
    // whole text is a number count, any other text (empty, "abc", "12kg") is skipped.
    Decimal columnSum(int col, int row1, int row2) const;
    // Inserts a totals row above row1 with the caption in column 0 and, in each of sumCols, the
    // exact sum of the rows row1 … row2 shown on screen (hidden rows left out), shown as money
    // and bold. row2 = -1 means the last row. Rows that are themselves totals rows are not
    // summed. Returns the new row's index.
    int addTotalsRow(const QList<int>& sumCols, const QString& caption = QStringLiteral("合计"), int row1 = 1,
                     int row2 = -1);
    bool isTotalsRow(int row) const;
    // The sum in a summed cell of a totals row; none for any other cell.
    std::optional<Decimal> totalsValue(int row, int col) const;
    void removeTotalsRows(); // before totals are computed again

    // The table underneath, for painting and for tests that press on cells. Its rows are the
    // grid's data rows, so table row r is grid row r + 1.
    QTableView* table() const;

signals:
    void clicked(int row, int col); // a click on a cell (row 0: on a column caption)
    void currentCellChanged(int row, int col);
    // Before the current cell moves by mouse, keys or setCurrentCell.
    void beforeMove(int oldRow, int oldCol, int newRow, int newCol, bool& cancel);
    // Before the user scrolls the grid (wheel, scroll bars).
    void beforeScroll(bool& cancel);
    // Before the user resizes a column (row is -1) by dragging its caption's edge. Rows are
    // sized by the program only.
    void beforeUserResize(int row, int col, bool& cancel);
    // First edit stage: may this cell be edited at all?
    void beforeEdit(int row, int col, bool& cancel);
    // Second edit stage: the editor is about to open on this cell.
    void startEdit(int row, int col, bool& cancel);
    // A date-column cell is to be edited; the window shows its picker over cellRect(row, col).
    void dateEditRequested(int row, int col);
    // The editor closed; the cell holds its final text. An editor stays open while its window is
    // hidden (another tab shown, the window closing) and reports nothing then.
    void afterEdit(int row, int col);
    // A key went down in the open editor, before the editor or the grid react. Setting
    // consume stops the key there. Enter is reported as Qt::Key_Return whichever key it was.
    void editorKeyDown(int row, int col, int key, bool& consume);
    // The editor's text changed by the user (every keystroke or input-method commit).
    void editTextChanged(int row, int col, const QString& text);

private:
    // What the parts ask and tell (GridEvents.h), passed on as the signals above.
    bool askMove(int newRow, int newCol) override;
    void cellClicked(int row, int col) override;
    bool askEdit(int row, int col) override;
    void askDate(int row, int col) override;
    bool editorKey(int row, int col, int key) override;
    void typed(int row, int col, const QString& text) override;
    void edited(int row, int col) override;

    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void forwardInside(QEvent* event);

    // The parts, each with one job: what the cells hold, their sizes in twips, the totals rows,
    // the range marked for copying, and the edit of a cell (the state machine in GridEditing.h).
    GridTable* m_table;
    GridModel* m_model; // what the cells hold, owned by the table
    std::unique_ptr<GridCells> m_cells;
    std::unique_ptr<GridSizing> m_sizing;
    std::unique_ptr<GridTotals> m_totals;
    std::unique_ptr<GridRange> m_range;
    std::unique_ptr<GridEditing> m_editing;
    QHash<int, ColumnKind> m_columnKinds; // columns not listed hold text
    int m_headerCol = 0;                  // column remembered while the header row is current
    bool m_forwarding = false;
};

} // namespace kv::ui
