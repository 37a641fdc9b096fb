#pragma once

#include "data/Decimal.h"
#include "data/TextRules.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kv {

class Database;

// Column order of the production lines grid. The piece price, the stored line's id and the
// product's number (产品编号) are hidden.
enum ProductionColumn {
    PDate,
    PProduct,
    PUnit,
    PQuantity,
    PAmount,
    PRemark,
    PPrice,
    PId,
    PProductNo,
    ProductionColumnCount
};
// Column order of the deduction lines grid; the item's number (扣减项目编号) is hidden.
enum DeductionColumn { DDate, DItem, DAmount, DItemNo, DeductionColumnCount };

// One line as the grids show it: a text per column.
using LineTexts = QStringList;

// A production line is filled when it has a date and a product (blanks do not count).
bool isProductionLineFilled(const LineTexts& line);
// A deduction line is filled when it has a date and an item, taken as they stand.
bool isDeductionLineFilled(const LineTexts& line);

// A number typed into a line that cannot be stored: its line (index in the list), its column
// and what the user is told.
struct LineNumberFault {
    int line = 0;
    int column = 0;
    QString message;
};
// The quantities and piece prices of the filled production lines, and the amounts of the filled
// deduction lines, that are not numbers of the places allowed ("数量必须是数字！"). An empty
// cell counts as 0 here (an empty quantity has its own rule: linesMissingQuantity).
QList<LineNumberFault> productionNumberFaults(const QList<LineTexts>& lines);
QList<LineNumberFault> deductionNumberFaults(const QList<LineTexts>& lines);

// The amount of a production line: quantity × piece price, exact; nothing while the quantity or
// the price is not a number (empty counts as 0).
std::optional<Decimal> lineAmount(const LineTexts& line);
// The amount cell of a production line with this quantity and piece price: their exact product;
// empty while both are empty or either is not a number.
QString amountText(const QString& quantity, const QString& price);

// The lines that hold anything besides a date (opening a date picker writes one), as shown:
// what would be lost by leaving them unsaved.
QList<LineTexts> linesWithContent(const QList<LineTexts>& lines);

// Indexes of the production lines that name a product and unit but have no date.
QList<int> linesMissingDate(const QList<LineTexts>& lines);
// Indexes of the deduction lines that name an item but have no date.
QList<int> deductionLinesMissingDate(const QList<LineTexts>& lines);
// Indexes of the dated production lines with product and unit but no quantity.
QList<int> linesMissingQuantity(const QList<LineTexts>& lines);

// What a save writes: the month, the employee, and the filled and unfilled lines as shown. The
// amount of each stored production line is worked out again from its quantity and piece price,
// so that no line is stored with an amount it does not add up to.
struct MonthSheet {
    QString monthText; // "2008-5"
    QString employeeNo;
    QString employeeName;
    QList<LineTexts> production;
    QList<LineTexts> deductions;
    // The month's version when it was loaded (MonthRecords::version): the save is refused when
    // another connection saved or cleared the month since. None: not checked.
    std::optional<qint64> loadedVersion = std::nullopt;
};

// The refusal of a save or clearing over a month that another user changed after it was loaded.
inline constexpr auto kMonthChangedText = u"该员工本月数据已被其他用户修改，请重新载入后再保存。";

// An employee's month in the two journals and the monthly summary.
class MonthRecords {
public:
    explicit MonthRecords(Database& db) : m_db(db) {}

    // Lines of the month ordered by date, as grid texts: dates yyyy-M-d, numbers plain decimal.
    QList<LineTexts> loadProduction(const QString& employeeNo, const YearMonth& month);
    QList<LineTexts> loadDeductions(const QString& employeeNo, const YearMonth& month);

    // Which save of the employee's month is stored: the id of its summary row, which every save
    // writes anew (ids are never given twice); 0 when none is stored.
    qint64 version(const QString& employeeNo, const QString& monthText);

    // Both changes need the account's right to enter wages (Right::WageEntry) and are refused
    // with InputError otherwise, and with kMonthClosedText when the month is closed
    // (ClosedMonths), kMonthChangedText when the month's version is not the one loaded. A month
    // may be written in any form parseMonthText reads ("2008-05", " 2008-5 "): it is stored
    // and compared as "2008-5".
    // Deletes the month's lines, its summary row and its monthly totals, in one transaction.
    void deleteMonth(const QString& employeeNo, const QString& monthText,
                     std::optional<qint64> loadedVersion = std::nullopt);

    // Replaces the stored month by the filled lines of the sheet and one summary row, and
    // refreshes the month's monthly totals, in one transaction: a failure leaves the stored
    // month as it was. The summary's totals are the sums of the lines stored, so they never
    // count a line that was not kept. Throws DbError, or InputError for a line whose date cannot
    // be read or lies outside the sheet's month (the line named), or whose number is not one (see
    // productionNumberFaults). Returns the version now stored.
    // A save that crossed another clerk's change is tried again (retryingConflicts).
    qint64 saveMonth(const MonthSheet& sheet);

private:
    qint64 saveMonthOnce(const MonthSheet& sheet);

    // The month's summary as stored before a change, for the operation log.
    struct StoredTotals {
        QString name;
        Decimal production;
        Decimal deductions;
    };
    StoredTotals storedTotals(const QString& employeeNo, const QString& monthText);
    void deleteRows(const QString& employeeNo, const QString& monthText, const YearMonth& month);
    // Inside the change's transaction: waits for other connections changing the same month, then
    // refuses when the month is closed or is no longer the version loaded.
    void claim(const QString& employeeNo, const QString& monthText, std::optional<qint64> loadedVersion);

    Database& m_db;
};

// The three working months offered on `today`, oldest first: "2008-3", "2008-4", "2008-5".
QStringList workingMonths(const QDate& today);

} // namespace kv
