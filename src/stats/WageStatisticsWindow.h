#pragma once

#include "data/PaySnapshot.h"
#include "stats/BankTransfer.h"
#include "stats/StatsPeriod.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QToolBar;

namespace kv {
class AppContext;
class WageEntryWindow;
namespace ui {
class DataGrid;
class FindPanel;
struct ConditionRow;
} // namespace ui

// Columns of the statistics grid.
enum StatsColumn { SPeriod, SNumber, SName, SProduction, SDeductions, SNetPay, SId, StatsColumnCount };
// The workshop, a column after those only while the rows are grouped by workshop.
inline constexpr int SWorkshop = StatsColumnCount;

// The window "工资统计Frm": production, deductions and net pay of every employee over a month,
// a quarter, a year or a day, with a totals row; found in, filtered, exported and printed from
// its toolbar, and opening an employee's month in a separate entry window.
class WageStatisticsWindow final : public QWidget {
    Q_OBJECT
public:
    explicit WageStatisticsWindow(AppContext& ctx, QWidget* parent = nullptr);
    ~WageStatisticsWindow() override;

    // " 统 计": runs the statistics for the current tab's period. False when the period was
    // refused or the run failed (the user has been told); the grid then stays as it was.
    bool runStatistics();

    ui::DataGrid* grid() const { return m_grid; }
    ui::FindPanel* panel() const { return m_panel; }

    // The commands and a few grid rows: a page smaller than this scrolls.
    QSize minimumSizeHint() const override { return m_minimum; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildPeriodTabs();
    void layOut();
    // Computes the statistics of the period and fills the grid with them; false on a failed run.
    bool showStatistics(PeriodKind kind, const QString& periodText, const DateRange& range);
    void showRunError(int number, const QString& detail = {});
    void addTotals();
    // "零钞统计": the notes for the rows shown of a month.
    void showCashBreakdown();
    // "银行代发": the bank's sheet of the rows shown of a month.
    void showBankTransfer();
    // "年度汇总": the year of the period shown, for the worker of the row chosen or all shown.
    void showWorkerYear();
    // The employees of the rows shown, with their net pay as shown.
    QList<PayDue> shownEmployees() const;
    // The columns summed in the totals rows.
    QList<int> sumColumns() const;
    void onGroupingToggled(bool grouped);
    // The toolbar's commands work on statistics run: false, with the user told, before the first.
    bool hasStatistics();
    void showFindPanel();
    void exportGrid();
    void printGrid();
    void showCharts();
    // Marks the closed months in the month combo and beside it.
    void markClosedMonths();
    void applyFilter();
    void showDetails();
    enum class SlipCommand { PrintSelected, PrintAll, ExportAll };
    // The wage slips of the month shown: of the current row, or of every row shown.
    void wageSlips(SlipCommand command);
    void printSelectedSlip() { wageSlips(SlipCommand::PrintSelected); }
    void printAllSlips() { wageSlips(SlipCommand::PrintAll); }
    void exportAllSlips() { wageSlips(SlipCommand::ExportAll); }
    ui::ConditionRow makeConditionRow(ui::FindPanel* panel, int index);
    QComboBox* periodCombo(int tab) const;

    AppContext& m_ctx;
    QToolBar* m_toolbar;
    QTabWidget* m_tabs;                // C1Tab1
    QPushButton* m_run;                // Command5
    QPushButton* m_details;            // Command6
    QCheckBox* m_byWorkshop;           // rows by workshop with subtotals
    bool m_groupedShown = false;       // the grid shows the workshop column and subtotals
    PaidRounding m_rounding;           // of the run shown: two more columns unless none
    QCheckBox* m_withoutLines;         // slips also for employees without a line in the month
    QLabel* m_closedMark = nullptr;    // LabelClosed, beside the month combo
    ui::DataGrid* m_grid;              // fg
    ui::FindPanel* m_panel;            // Picture1
    QPointer<WageEntryWindow> m_entry; // the details window while it is open
    QSize m_minimum;
    struct Shown {
        PeriodKind kind = PeriodKind::Month;
        DateRange range; // empty before the first run
        QString subject; // "按月份统计：2008-5", the subject of its print
    } m_shown;           // the period the grid shows
};

} // namespace kv
