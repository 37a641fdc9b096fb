#pragma once

#include <QDialog>

class QLineEdit;
class QSpinBox;

namespace kv {
class AppContext;
namespace ui {
class DataGrid;
}

// The window "菲票": makes a work order — order number, style, date, the operations by product
// number, the bundles by a quick fill (total pieces in bundles of so many) — prints its tickets,
// and lists the work orders made, each with how many of its tickets are claimed, to print again.
class TicketWindow final : public QDialog {
    Q_OBJECT
public:
    // `productNo`: the operation offered first (the product chosen in the product list).
    explicit TicketWindow(AppContext& ctx, QWidget* parent = nullptr, const QString& productNo = {});

    // Makes the work order from the boxes and prints its tickets; false when refused or failed.
    bool createAndPrint();
    // Prints the tickets of the work order on the grid's current row.
    bool printCurrent();
    void loadOrders();

private:
    AppContext& m_ctx;
    QLineEdit* m_orderNo = nullptr;
    QLineEdit* m_style = nullptr;
    QLineEdit* m_date = nullptr;
    QLineEdit* m_operations = nullptr;
    QSpinBox* m_total = nullptr;
    QSpinBox* m_perBundle = nullptr;
    ui::DataGrid* m_grid = nullptr;
};

} // namespace kv
