#include "stats/StatsPeriod.h"

#include "data/TextRules.h"

#include <QRegularExpression>

#include <optional>

namespace kv {

namespace {
// A month or quarter text is read as a date: a whole date, or a year and month meaning its
// first day.
std::optional<QDate> readDate(const QString& text)
{
    if (const auto date = parseDateText(text))
        return date;
    if (const auto month = parseMonthText(text))
        return month->firstDay();
    return std::nullopt;
}

PeriodReading ok(const QDate& first, const QDate& last)
{
    return {PeriodReading::Ok, dateRange(first, last)};
}

PeriodReading readYear(const QString& text)
{
    static const QRegularExpression whole(QStringLiteral("^\\s*([-+]?\\d+)\\s*$"));
    const auto m = whole.match(text);
    if (!m.hasMatch())
        return {};
    bool fits = false;
    const int year = m.captured(1).toInt(&fits);
    if (!fits || year < 1 || year > 9999)
        return {PeriodReading::Ok, DateRange{}};
    return ok(QDate(year, 1, 1), QDate(year, 12, 31));
}
} // namespace

DateRange dateRange(const QDate& first, const QDate& last)
{
    return {isoDate(first), isoDate(last)};
}

PeriodReading readPeriod(PeriodKind kind, const QString& text)
{
    switch (kind) {
    case PeriodKind::Year: return readYear(text);
    case PeriodKind::Day: {
        const auto day = parseDateText(text);
        return day ? ok(*day, *day) : PeriodReading{};
    }
    case PeriodKind::Month: {
        const auto date = readDate(text);
        if (!date)
            return {};
        const QDate first(date->year(), date->month(), 1);
        return ok(first, first.addMonths(1).addDays(-1));
    }
    case PeriodKind::Quarter: {
        const auto date = readDate(text);
        if (!date)
            return {};
        const int quarter = date->month();
        if (quarter < 1 || quarter > 4)
            return {PeriodReading::InvalidQuarter, {}};
        const QDate first(date->year(), 3 * quarter - 2, 1);
        return ok(first, first.addMonths(3).addDays(-1));
    }
    }
    return {};
}

PeriodChoices periodChoices(PeriodKind kind, const QDate& today)
{
    PeriodChoices choices;
    const int year = today.year();
    switch (kind) {
    case PeriodKind::Month:
        // Two years back: last December is there to pick in January.
        for (int back = kMonthChoices - 1; back >= 0; --back) {
            const QDate month = QDate(year, today.month(), 1).addMonths(-back);
            choices.items << monthText(month.year(), month.month());
        }
        choices.selected = int(choices.items.size()) - 1;
        break;
    case PeriodKind::Quarter:
        for (int q = 1; q <= 4; ++q)
            choices.items << monthText(year, q);
        choices.selected = (today.month() - 1) / 3;
        break;
    case PeriodKind::Year:
        for (int y = year; y >= year - 10; --y)
            choices.items << QString::number(y);
        break;
    case PeriodKind::Day:
        for (QDate d = today; d.month() == today.month(); d = d.addDays(-1))
            choices.items << dateText(d);
        break;
    }
    return choices;
}

} // namespace kv
