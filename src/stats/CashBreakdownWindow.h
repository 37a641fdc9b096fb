#pragma once

#include "stats/BankTransfer.h"
#include "stats/CashBreakdown.h"

#include <QWidget>

class QLabel;
class QLineEdit;

namespace kv {
class AppContext;
namespace ui {
class DataGrid;
}

// The window "零钞统计Frm": for the workers the statistics sheet shows who are paid in cash
// (transferSheet decides, as for 银行代发), the notes of each denomination in every envelope and
// in all, printed and exported. The denominations are set here and kept with the data.
class CashBreakdownWindow final : public QWidget {
    Q_OBJECT
public:
    // `periodText` names the month in captions and file names ("2008-5").
    CashBreakdownWindow(AppContext& ctx, QList<PayDue> pays, const QString& periodText, QWidget* parent = nullptr);

    ui::DataGrid* grid() const { return m_grid; }
    const CashBreakdown& breakdown() const { return m_breakdown; }

private:
    // Breaks the pays down with the stored denominations and rounding and fills the grid.
    void showBreakdown();
    void saveDenominations();
    bool print();
    bool exportSheet();

    AppContext& m_ctx;
    QList<PayDue> m_pays;
    QString m_period;
    CashBreakdown m_breakdown;
    NetPayRounding m_rounding;
    ui::DataGrid* m_grid;
    QLineEdit* m_denominations;
    QLabel* m_note;
};

} // namespace kv
