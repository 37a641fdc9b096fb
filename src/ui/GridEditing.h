#pragma once

#include <QPersistentModelIndex>
#include <QPointer>
#include <QSet>
#include <QString>

#include <optional>

class QLineEdit;
class QWidget;

namespace kv::ui {

class GridCells;
class GridEditEvents;
class GridTable;

// The edit of a grid's cells: one cell at a time, in one of two states.
//
//   Closed  No editor. Typing, F2, a double click, input-method text or editCell() ask to open
//           one, through two refusable stages (mayOpen): beforeEdit, then startEdit.
//             both pass on an ordinary column  -> Open
//             both pass on a date column       -> stays Closed; dateEditRequested hands the cell
//                                                 to the window's date picker
//             either refuses, or read-only     -> stays Closed
//   Open    An editor on one cell. Every key is offered to the window first (editorKeyDown); a
//           key it consumes stops there. Then (onEditorKey):
//             Enter          -> keeps the text, Closed
//             Escape         -> drops the text, Closed
//             Tab, Backtab   -> asks beforeMove to the next / previous column; refused: stays
//                               Open; allowed: keeps the text, Closed, moves (past the row's
//                               end: keeps the text, Closed, no move)
//             anything else  -> into the editor; a move key the editor leaves (Up, Down, Page
//                               keys) reaches the table, which asks beforeMove first and,
//                               allowed, keeps the text and moves
//           Focus leaving keeps the text and closes, except while the window is being hidden:
//           the editor then stays Open and silent. Removing its row drops it.
//
// Every change from Open to Closed reports afterEdit, the cell holding its final text.
//
// Enter in an editor: the delegate hands the editor's key here (onEditorKey), which offers it to
// the window and then finishes the edit. Finishing closes the editor in the table, where every
// close passes (GridTable::closeEditor): the open editor is forgotten here (closing), and the
// table reports afterEdit once it has closed it.
class GridEditing {
public:
    GridEditing(GridEditEvents& events, const GridCells& cells, GridTable* table);

    void setEditable(bool editable);
    bool isEditable() const { return m_editable; }
    void setDateColumn(int col, bool isDate);
    bool isDateColumn(int col) const { return m_dateCols.contains(col); }

    // Closed: the two stages and the date-column takeover. True when an editor may open.
    bool mayOpen(int row, int col);
    bool editCurrent(); // editCell()

    // Open: the editor, its cell and text. Null, -1 and "" when Closed.
    QLineEdit* editor() const; // null, too, once the editor's row is gone
    int row() const;
    int col() const;
    QString text() const;
    void setText(const QString& text); // not reported as typing
    void finish(bool keep);

    // The transitions the delegate and the table report.
    void opened(QLineEdit* editor, const QModelIndex& index);
    bool onEditorKey(QLineEdit* editor, int key); // true: the key is used up
    static bool staysOpenOnFocusOut(const QWidget* editor);
    struct Cell {
        int row;
        int col;
    };
    // The table closes an editor; the cell when it was the open one, which is then forgotten.
    std::optional<Cell> closing(const QWidget* closed);

private:
    GridEditEvents& m_events;
    const GridCells& m_cells;
    GridTable* m_table;
    QSet<int> m_dateCols;
    bool m_editable = false;
    QPointer<QLineEdit> m_editor;
    QPersistentModelIndex m_index;
};

} // namespace kv::ui
