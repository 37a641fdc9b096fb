#pragma once

#include <QDate>
#include <QString>

#include <optional>

// How the program reads and writes the texts that users type and grids show.
namespace kv {

// Every TAB removed wherever it stands, and spaces at both ends.
QString cleanText(const QString& text);
// The text without the spaces at its ends: what cleanText makes of a text without TABs.
QStringView trimBlanks(QStringView text);

// The decimal number the text begins with (after leading blanks; point as separator, a leading
// sign allowed); 0 when it does not begin with a number. "12.5kg" -> 12.5, "abc" -> 0.
double numericValue(const QString& text);

// True when the whole text (blanks around it aside) is a decimal number.
bool isNumberText(const QString& text);

// No separators, no trailing zeros, at most 15 significant digits, never an exponent.
// 1234.50 -> "1234.5", 300 -> "300", 0 -> "0".
QString plainDecimal(double value);

// The text with LIKE's wildcards escaped by a backslash (use with ESCAPE '\\'), so that a
// typed "%" or "_" is matched as itself; NUL characters are dropped.
QString escapeLike(QString text);

// Date texts: shown "yyyy-M-d"; accepted as "yyyy-M-d", "yyyy-MM-dd" or "yyyy/M/d", years
// 1900 to 9999 (what the four-digit form shows and reads back alike).
std::optional<QDate> parseDateText(const QString& text);
QString dateText(const QDate& date); // 2008-5-7
QString isoDate(const QDate& date);  // 2008-05-07

// Working month text "2008-5": year (1900 to 9999), "-", month without a leading zero.
struct YearMonth {
    int year = 0;
    int month = 0;
    QDate firstDay() const { return QDate(year, month, 1); }
    QDate nextFirstDay() const { return firstDay().addMonths(1); }
    bool contains(const QDate& d) const { return d.year() == year && d.month() == month; }
};
QString monthText(int year, int month);

// A text (a period, a title) as part of a file name: characters no file name may hold, path
// separators first, become "-".
QString fileNamePart(QString text);
std::optional<YearMonth> parseMonthText(const QString& text);
// The one form a month is stored and compared in: " 2008-05 " and "2008-5" are both "2008-5";
// none for a text that is no month.
std::optional<QString> normalMonthText(const QString& text);

} // namespace kv
