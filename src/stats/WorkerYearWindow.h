#pragma once

#include "data/PaySnapshot.h"
#include "stats/BankTransfer.h"
#include "stats/WorkerYear.h"

#include <QWidget>

class QComboBox;
class QSpinBox;

namespace kv {
class AppContext;
namespace ui {
class DataGrid;
}

// The window "员工年度汇总Frm": the twelve months of one worker of the statistics sheet, or of
// each worker it shows, with production, deductions and net pay (and the paid figure when net
// pay is rounded), the year's totals below each; printed and exported.
class WorkerYearWindow final : public QWidget {
    Q_OBJECT
public:
    // `employees` are the workers the sheet shows (their net pay is not used); `chosen` the id
    // shown first, 0 for all of them.
    WorkerYearWindow(AppContext& ctx, QList<PayDue> employees, int year, qint64 chosen, QWidget* parent = nullptr);

    ui::DataGrid* grid() const { return m_grid; }
    const QList<WorkerYear>& years() const { return m_years; }

    bool print();
    bool exportSheet();

private:
    void showYears();
    // "张三(001)" or "全部 12 人", for captions and file names.
    QString subject() const;

    AppContext& m_ctx;
    QList<PayDue> m_employees;
    QList<WorkerYear> m_years;
    PaidRounding m_rounding; // of the year's months
    QSpinBox* m_year;
    QComboBox* m_employee; // 全部, then each worker in the sheet's order
    ui::DataGrid* m_grid;
};

} // namespace kv
