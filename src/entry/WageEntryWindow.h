#pragma once

#include "entry/ItemLookup.h"
#include "entry/MonthRecords.h"

#include <QList>
#include <QWidget>
#include <memory>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kv {
class AppContext;
class CandidateList;
class EmployeeSelection;
class LineAreaGrowth;
class LineGridEditor;
class LookupPopup;
class ScanQueue;
namespace ui {
class DataGrid;
}

// The window "工资计算Frm": one employee's working month — production lines, deduction lines
// and the three totals — entered, saved, cleared and printed.
class WageEntryWindow final : public QWidget {
    Q_OBJECT
public:
    // `employeeNo`: number of the employee to open on; empty for the window on the first tab.
    // `month`: working month to open on ("2008-5"), offered too when it is not among the three
    // latest; empty for the current one.
    explicit WageEntryWindow(AppContext& ctx, QWidget* parent = nullptr, const QString& employeeNo = {},
                             const QString& month = {});
    ~WageEntryWindow() override;

    // Fills the look-up popup's grid with a look-up result.
    void showLookupResult(const LookupResult& result);
    // Enables the entry area and loads the current employee's working month.
    void openEmployee();
    // Recomputes the three totals from the grids.
    void showTotals();
    // Shows the current employee's lines of the given working month.
    void loadMonth(const QString& month);
    // Replaces the stored month by the lines read from the grids (readSheetLines), refused with
    // InputError while any of them has a fault (one transaction). Throws DbError.
    void saveMonth(const SheetLines& lines);
    // Deletes the current employee's stored month. Throws DbError.
    void deleteStoredMonth();

    QString workingMonth() const;
    // True when the lines on screen differ from those loaded or saved last.
    bool hasUnsavedChanges() const;
    // Before the lines are dropped (another employee or month, leaving): asks whether unsaved
    // changes may go. True when nothing changed or the operator agrees.
    bool mayDropChanges();
    // Employee number the window was opened on.
    const QString openedEmployeeNo;

protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void buildLineEditors();
    void buildLineAreaGrowth();
    void addShortcuts();
    void setKeyboardOrder();
    void setUpGrids();
    int offerMonth(const QString& month); // index of the month in Combo1, added if need be
    void onMonthChanged();
    // Shows or hides the mark of a closed working month; true when it is closed.
    bool showClosedMark();
    // A closed working month loads read-only: grey grids, no saving, clearing or deleting.
    void lockClosedMonth();
    void enableChangeCommands();
    void focusBox(QLineEdit* box);
    // Puts the keyboard in a line grid, on its current line or the first empty one.
    void focusLines(ui::DataGrid* grid);
    // Says "该月份已结账，不能修改！" and returns true when the working month is closed.
    bool monthClosedRefused();
    void emptyGrids();
    void markSaved(); // the lines on screen are the ones stored
    // The lines under the grids that say a month has no stored lines of a kind.
    void showNotes(const QString& month, bool productionStored, bool deductionsStored);
    void hidePopups();
    void onSave();
    void onClear();
    void onReprice();
    void onPrint();
    void onPrintSlip();
    // A closed month is found closed again (closed or reopened meanwhile, on the settings page
    // or by another clerk) whenever the window is shown or activated: the lines lock or unlock
    // at once.
    void recheckClosed();

    AppContext& m_ctx;
    QLineEdit* m_name = nullptr;            // Text1
    QLineEdit* m_number = nullptr;          // Text2
    QLabel* m_workshop = nullptr;           // Label4
    CandidateList* m_candidates = nullptr;  // List1
    QPushButton* m_showAll = nullptr;       // Command4
    LookupPopup* m_popup = nullptr;         // ajaxBox
    QGroupBox* m_frame = nullptr;           // Frame1
    QComboBox* m_month = nullptr;           // Combo1
    QLabel* m_closedMark = nullptr;         // LabelClosed
    ScanQueue* m_scan = nullptr;            // 扫描: bundle tickets from a scanner
    ui::DataGrid* m_production = nullptr;   // fg
    ui::DataGrid* m_deductions = nullptr;   // fg1
    QLineEdit* m_productionTotal = nullptr; // Text3
    QLineEdit* m_deductionTotal = nullptr;  // Text4
    QLineEdit* m_netPay = nullptr;          // Text5
    QLabel* m_productionNote = nullptr;     // Label9
    QLabel* m_deductionNote = nullptr;      // Label10
    EmployeeSelection* m_selection = nullptr;
    LineGridEditor* m_productionEditor = nullptr;
    LineGridEditor* m_deductionEditor = nullptr;
    qint64 m_loadedVersion = 0;         // the stored month's version when loaded or saved (MonthRecords)
    QList<LineTexts> m_savedProduction; // lines with content as last loaded or saved
    QList<LineTexts> m_savedDeductions;
    bool m_readOnly = false;            // the working month shown is closed
    int m_monthIndex = -1;              // the working month whose lines are shown
    LineGridEditor* m_target = nullptr; // the grid a choice in the look-up popup goes to
    std::unique_ptr<LineAreaGrowth> m_growth;
};

} // namespace kv
