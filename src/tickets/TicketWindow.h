#pragma once

#include "tickets/TicketPrint.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace kv {
class AppContext;
class OrderStandingWindow;
namespace ui {
class DataGrid;
}

// The window "菲票": makes a work order — order number, style, date, the operations by product
// number, the bundles by a quick fill (total pieces in bundles of so many) — prints its tickets,
// and lists the work orders made, each with how many of its tickets are claimed, to print again
// or to see where each bundle stands.
class TicketWindow final : public QDialog {
    Q_OBJECT
public:
    // `productNo`: the operation offered first (the product chosen in the product list).
    explicit TicketWindow(AppContext& ctx, QWidget* parent = nullptr, const QString& productNo = {});

    // Makes the work order from the boxes and prints its tickets; false when refused or failed.
    bool createAndPrint();
    // Prints the tickets of the work order on the grid's current row.
    bool printCurrent();
    // Opens "生产单进度" of the work order on the grid's current row.
    OrderStandingWindow* openStanding();
    void loadOrders();

private:
    // The id of the work order on the current row; 0, with the user told, when none is chosen.
    qint64 currentOrder();
    TicketPaper paper() const;

    AppContext& m_ctx;
    QLineEdit* m_orderNo = nullptr;
    QLineEdit* m_style = nullptr;
    QLineEdit* m_date = nullptr;
    QLineEdit* m_operations = nullptr;
    QSpinBox* m_total = nullptr;
    QSpinBox* m_perBundle = nullptr;
    QComboBox* m_paper = nullptr;
    ui::DataGrid* m_grid = nullptr;
};

} // namespace kv
