#pragma once

#include <QFrame>
#include <QList>
#include <QPoint>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kv::ui {

class DataGrid;
class FindPanel;

// One condition row of the panel: the field combo, what stands between (the "=" sign or an
// operator combo; none on added rows of the list windows) and the value box.
struct ConditionRow {
    QComboBox* field = nullptr;
    QWidget* sign = nullptr;
    QLineEdit* value = nullptr;
};

// The field combo and value box of condition row `index` as the list windows make it, the field
// combo empty for the window to fill; on row 0 also the label `sign` between them ("=", "含").
ConditionRow labelledConditionRow(FindPanel* panel, int index, const QString& sign);

// The floating find/filter panel `Picture1` of the list windows and the statistics window:
// dragged about by its title strip, finds and highlights the cells of its grid that hold a
// keyword, and collects filter conditions. Applying the filter and reloading after closing are
// left to the window, which also says how a condition row is made.
class FindPanel final : public QFrame {
    Q_OBJECT
public:
    // Makes the controls of condition row `index` as children of the panel; row 0 exists
    // from the start, further rows copy what they need from it.
    using RowFactory = std::function<ConditionRow(FindPanel* panel, int index)>;

    FindPanel(ui::DataGrid* grid, QWidget* parent, RowFactory makeRow);

    const QList<ConditionRow>& conditionRows() const { return m_rows; }
    int designHeight() const { return m_designHeight; }

    // Toolbar "查找"/"筛选": shows the panel where it last stood, with the result line and the
    // first value box emptied.
    void showPanel();
    // "查找下一个": highlights every visible cell holding the keyword and counts them.
    void find();
    // "增加条件↓": a further condition row below the last; the panel grows with it.
    void addConditionRow();
    // "×": hides the panel, clears the highlights, keeps row 0 only and asks for a reload.
    void closePanel();

signals:
    void filterRequested(); // "筛选"
    void closed();          // the window reloads its unfiltered grid

private:
    void placeRow(int index);
    void clearHighlights();

    ui::DataGrid* m_grid;
    RowFactory m_makeRow;
    QWidget* m_strip;
    QPushButton* m_close;
    QLineEdit* m_keyword;
    QRadioButton* m_all;
    QRadioButton* m_fromCurrent;
    QLabel* m_result;
    QList<ConditionRow> m_rows;
    int m_designHeight = 0;
};

} // namespace kv::ui
