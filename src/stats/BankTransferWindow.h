#pragma once

#include "stats/BankTransfer.h"

#include <QWidget>

class QLabel;
class QLineEdit;

namespace kv {
class AppContext;
namespace ui {
class DataGrid;
}

// The window "银行代发Frm": for the workers the statistics sheet shows, who is paid by bank (card
// numbers masked) and who in cash, with the sums of each. Exports the bank's sheet (.xlsx with a
// second sheet 现金发放, and .csv of the transfers alone) with the card numbers in full, and
// refuses to while an employee to be paid by bank has no card number.
class BankTransferWindow final : public QWidget {
    Q_OBJECT
public:
    // `periodText` names the month in captions, file names and the default 备注 ("2008-5").
    BankTransferWindow(AppContext& ctx, QList<PayDue> pays, const QString& periodText, QWidget* parent = nullptr);

    ui::DataGrid* grid() const { return m_grid; }
    const TransferSheet& sheet() const { return m_sheet; }

    bool exportWorkbook();
    bool exportCsv();
    bool print();

private:
    void showSheet();
    // The user is told why nothing is exported; false then.
    bool mayExport();

    AppContext& m_ctx;
    QList<PayDue> m_pays;
    QString m_period;
    TransferSheet m_sheet;
    ui::DataGrid* m_grid;
    QLineEdit* m_remark; // 备注 of every transfer
    QLabel* m_note;
};

} // namespace kv
