#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The periods the wage statistics sum over: a month, a quarter, a year or a single day, each
// picked or typed as a text on its own tab.
namespace kv {

// In tab order.
enum class PeriodKind { Month, Quarter, Year, Day };
inline constexpr int kPeriodKindCount = 4;

// Dates first … last, both included, as ISO texts (the journals' 日期). An empty range holds no
// date at all (a year no date can have).
struct DateRange {
    QString first;
    QString last;
    bool isEmpty() const { return first.isEmpty() || first > last; }
    bool operator==(const DateRange&) const = default;
};

DateRange dateRange(const QDate& first, const QDate& last);

struct PeriodReading {
    enum Status {
        Ok,
        Unreadable,     // the text is no date (month, quarter, day) or no year
        InvalidQuarter, // read as a date, its month is not 1 to 4
    };
    Status status = Unreadable;
    DateRange range;
};

// Reads a period text:
//  - month: a date text ("2008-5", "2008-5-20", "2008/5/20"); its year and month;
//  - quarter: read as a date whose month is the quarter's number, "2008-2" = April to June 2008;
//  - year: a whole number, blanks around it allowed; a year no date has sums nothing;
//  - day: a date text.
PeriodReading readPeriod(PeriodKind kind, const QString& text);

// What a period combo offers on `today`, and which item it starts on.
struct PeriodChoices {
    QStringList items;
    int selected = 0;
};
inline constexpr int kMonthChoices = 24; // months offered, the current one last
PeriodChoices periodChoices(PeriodKind kind, const QDate& today);

} // namespace kv
