#pragma once

#include "entry/ItemLookup.h"

#include <QFrame>

class QLabel;

namespace kv {
namespace ui {
class DataGrid;
}

// The look-up popup "ajaxBox": a light blue box with a caption to drag it by, a close button
// and the grid "Ajax" listing the matching products or deduction items.
class LookupPopup final : public QFrame {
    Q_OBJECT
public:
    explicit LookupPopup(QWidget* window);

    // Fills the grid: field names as header, one row per item; row 1 current.
    void LoadAjax(const LookupResult& result);
    // Shows the popup under a cell of a line grid, shifted 1500 twips to the right.
    void placeUnder(const ui::DataGrid& grid, int row, int col);

    int matchCount() const; // rows below the header
    QString text(int row, int col) const;
    ui::DataGrid* grid() const { return m_grid; }

signals:
    // A row was clicked; its texts by column.
    void chosen(const QStringList& row);

private:
    void onGridClicked(int row);

    QLabel* m_caption;    // Label8
    ui::DataGrid* m_grid; // Ajax
};

} // namespace kv
