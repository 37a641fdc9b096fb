#pragma once

#include "GuiDriver.h"
#include "ui/DataGrid.h"

#include <QLineEdit>
#include <QTableView>

// Presses on cells of a DataGrid and types into its open editor, as a user does.
namespace grid_driver {

inline QPoint cellCentre(const kv::ui::DataGrid& grid, int row, int col)
{
    return grid.table()->viewport()->mapFrom(&grid, grid.cellRect(row, col).center());
}

inline void clickCell(kv::ui::DataGrid& grid, int row, int col)
{
    QTest::mouseClick(grid.table()->viewport(), Qt::LeftButton, {}, cellCentre(grid, row, col));
}

// The open cell editor, or null; closed editors linger hidden until deleted.
inline QLineEdit* openEditor(const kv::ui::DataGrid& grid)
{
    const auto editors = grid.table()->findChildren<QLineEdit*>();
    for (QLineEdit* e : editors)
        if (e->isVisible())
            return e;
    return nullptr;
}

// Types into the open editor (the grid must have one open).
inline bool typeInEditor(const kv::ui::DataGrid& grid, const QString& text)
{
    QLineEdit* editor = openEditor(grid);
    if (!editor)
        return false;
    GuiDriver::typeInto(editor, text);
    return true;
}

inline void keyInEditor(const kv::ui::DataGrid& grid, Qt::Key key)
{
    if (QLineEdit* editor = openEditor(grid))
        QTest::keyClick(editor, key);
}

} // namespace grid_driver
