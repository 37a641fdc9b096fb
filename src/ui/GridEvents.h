#pragma once

#include <QString>

namespace kv::ui {

// What the parts of a grid ask of the grid and tell it, each part only its own share. DataGrid
// answers them and passes them on to the window as its signals (see DataGrid.h); the parts know
// nothing else of it. Rows and columns are the grid's: row 0 is the header row.

// The table underneath (GridTable) and its gate on the current cell (GridSelectionModel).
class GridTableEvents {
public:
    // beforeMove: may the current cell move to (row, col)? True when the window allows it.
    virtual bool askMove(int row, int col) = 0;
    // clicked: pressed and released on the same cell.
    virtual void cellClicked(int row, int col) = 0;
    // afterEdit: the table closed the cell's editor, the cell holding its final text.
    virtual void edited(int row, int col) = 0;

protected:
    ~GridTableEvents() = default;
};

// The edit of a cell (GridEditing).
class GridEditEvents {
public:
    // beforeMove, for Tab and Backtab in an editor.
    virtual bool askMove(int row, int col) = 0;
    // beforeEdit, then startEdit: true when both let the cell be edited.
    virtual bool askEdit(int row, int col) = 0;
    // dateEditRequested: the window's date picker takes the cell over.
    virtual void askDate(int row, int col) = 0;
    // editorKeyDown: true when the window used the key up.
    virtual bool editorKey(int row, int col, int key) = 0;
    // editTextChanged: the user changed the editor's text.
    virtual void typed(int row, int col, const QString& text) = 0;

protected:
    ~GridEditEvents() = default;
};

} // namespace kv::ui
