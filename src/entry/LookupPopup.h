#pragma once

#include "entry/ItemLookup.h"

#include <QFrame>

class QLabel;
class QTableView;

namespace kv {
class ItemCatalog;
class LookupModel;
namespace ui {
class DataGrid;
}

// The look-up popup "ajaxBox": a light blue box with a caption to drag it by, a close button
// and the table "Ajax" listing the matching products or deduction items. The table is a view
// over the matches: nothing is built per row, and only the rows in sight are measured.
class LookupPopup final : public QFrame {
    Q_OBJECT
public:
    explicit LookupPopup(QWidget* window);

    // Lists the catalog's rows of the given indexes, the field names as header; the first row
    // current.
    void showMatches(const ItemCatalog& catalog, const QList<int>& matches);
    // Lists the rows of a look-up result.
    void showLookupResult(const LookupResult& result);
    // Shows the popup under a cell of a line grid, shifted 1500 twips to the right.
    void placeUnder(const ui::DataGrid& grid, int row, int col);

    int matchCount() const;
    // Row 0 holds the field names, rows 1 … matchCount() the matches.
    QString text(int row, int col) const;
    // The highlighted match, 1 … matchCount(); 0 when none is.
    int currentMatch() const;
    // Highlights a match and scrolls it into sight.
    void setCurrentMatch(int match);
    QTableView* view() const { return m_view; }

signals:
    // A row was clicked; its texts by column.
    void chosen(const QStringList& row);
    // Closed by its "×" without a choice.
    void dismissed();

private:
    void shown();

    QLabel* m_caption; // Label8
    LookupModel* m_model;
    QTableView* m_view; // Ajax
};

} // namespace kv
