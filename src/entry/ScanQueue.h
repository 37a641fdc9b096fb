#pragma once

#include "entry/MonthRecords.h"

#include <QDate>
#include <QList>
#include <QObject>

#include <functional>

class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QWidget;

namespace kv {
class AppContext;

// The 扫描 box of the wage entry window, taking bundle tickets as a scanner types them: every
// number ended by Enter is taken as it comes. A ticket the scan adds goes to the production grid
// as its line; a refused one is listed beside the grid in red with the reason (who holds it),
// with a beep and a flash of the box, and no message box, so that the scans after it are taken
// too. A counter tells the tickets taken and refused today; the scan day (the date of the lines
// added) can be chosen and starts on today, or on the last day of a month gone by.
class ScanQueue final : public QObject {
    Q_OBJECT
public:
    struct Host {
        std::function<QString()> employeeNo;
        std::function<QString()> workingMonth;
        std::function<bool()> monthClosed; // asked at each scan
        std::function<QList<LineTexts>()> shownLines;
        std::function<void(const LineTexts&)> addLine;
    };

    ScanQueue(AppContext& ctx, QWidget* frame, Host host);

    QLineEdit* box() const { return m_box; }
    QDateEdit* dayBox() const { return m_day; }
    // The widgets that stand beside the production grid and move down when it grows.
    QList<QWidget*> besideGrid() const;
    // The working month changed: the scan day moves into it.
    void followMonth();

    int takenToday() const { return m_taken; }
    int refusedToday() const { return m_refused; }

private:
    void take();
    void refuse(const QString& number, const QString& why);
    void countFor(const QDate& today);
    void showCount();
    void flash();

    AppContext& m_ctx;
    Host m_host;
    QLineEdit* m_box;
    QDateEdit* m_day;
    QLabel* m_count;
    QListWidget* m_refusals;
    QDate m_countDay;         // the day the counts are of
    bool m_dayChosen = false; // the scan day was set by the clerk
    int m_taken = 0;
    int m_refused = 0;
};

} // namespace kv
