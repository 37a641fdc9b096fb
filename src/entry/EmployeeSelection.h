#pragma once

#include <QListWidget>
#include <QObject>

#include <functional>

class QLabel;
class QLineEdit;
class QFocusEvent;
class QPushButton;

namespace kv {
class AppContext;
struct EmployeeRef;

// The candidate list under the name box. It never takes the focus, so a press on it is
// handled while the name box (or the "↓" button) still has the focus.
class CandidateList final : public QListWidget {
    Q_OBJECT
public:
    explicit CandidateList(QWidget* parent);
    // Shows these employees, in this order, none chosen.
    void setCandidates(const QList<EmployeeRef>& employees);
    // The id of the employee of a row.
    qint64 idAt(int row) const;
signals:
    void leftPressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QList<qint64> m_ids; // of the rows shown
};

// How the entry window finds its employee: by part of the name with the candidate list, by the
// list of all employees, or by the number. The employee whose number the number box shows is
// the current one.
class EmployeeSelection final : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QLineEdit* name;      // Text1
        QLineEdit* number;    // Text2
        CandidateList* list;  // List1
        QPushButton* showAll; // Command4
        QLabel* workshopLine; // Label4
    };
    EmployeeSelection(AppContext& ctx, const Controls& controls, QWidget* window);

    // Selects the employee with this id, as choosing a candidate does.
    void selectById(qint64 id);
    // Asked before another employee, or none, takes the place of the one whose lines are
    // shown; false keeps him (the boxes show him again and employeeKept follows).
    void setLeaveCheck(std::function<bool()> mayLeave) { m_mayLeave = std::move(mayLeave); }

signals:
    // The number box names an employee: load his month (openEmployee).
    void employeeFound(qint64 id);
    // The name box was left with a name nobody bears: both boxes are blank now.
    void nameNotFound();
    // The number box was left with a number nobody has: both boxes are blank now.
    void numberNotFound();
    void hideLookupPopup();
    // A change of employee was refused: the boxes show the loaded employee again.
    void employeeKept();
    // Enter in a box that shows the loaded employee: on to his lines.
    void goToLines();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool leavesForWithinWindow(const QFocusEvent& event) const;
    void clearWorkshopLine(); // no employee: the captions alone
    void onNameChanged(const QString& text);
    void onNumberChanged(const QString& text);
    bool onNameKey(int key);
    void onNameLeft();
    void onNumberLeft();
    void onListPressed();
    void onShowAll();

    AppContext& m_ctx;
    Controls m_c;
    bool mayLeaveFor(const QString& number) const;
    bool loadedIsShown() const; // both boxes name the employee whose month is loaded
    void keepLoaded();
    // Nobody loaded and both boxes empty, once the lines on screen may go (true); else the
    // loaded employee is kept in the boxes (false).
    bool forgetLoaded();

    QWidget* m_window;
    std::function<bool()> m_mayLeave;
    QString m_loadedNumber; // the employee whose month is loaded
    QString m_loadedName;
    // The number of the employee last chosen by id (from the statistics): found in the number box
    // even when he has left, as is the employee whose month is loaded.
    QString m_pickedNumber;
    bool findsLeft(const QString& number) const;
};

} // namespace kv
