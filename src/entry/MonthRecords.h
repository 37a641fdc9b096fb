#pragma once

#include "data/Decimal.h"
#include "data/TextRules.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kv {

class Database;

// Column order of the production lines grid. The piece price, the stored line's id, the
// product's number (产品编号), the bundle ticket it pays (菲票号, BundleTickets) and where the line
// came from (来源: a team's share or time work, written only by their own entry) are hidden.
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
    PTicket,
    PSource,
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

// A cell of a filled line that keeps the line from being stored (a number that is none or has
// more places than allowed, a date that cannot be read): its line (index in the list), its
// column and what the user is told, such as "数量必须是数字！".
struct LineFault {
    int line = 0;
    int column = 0;
    QString message;
};

// A production line as a save takes it, read once from the grid's texts (readSheetLines).
struct ProductionLine {
    int row = 0; // its place among the sheet's lines, from 1, named in messages
    QDate date;
    QString product;   // the description shown
    QString productNo; // 产品编号 of the product chosen; empty when not known
    QString unit;
    Decimal quantity; // at most Decimal::kQuantityPlaces places
    Decimal price;    // at most Decimal::kPricePlaces places
    QString remark;
    QString ticket = {}; // 菲票号 of the bundle ticket the line pays; empty for none (BundleTickets)
    // Where a stored line came from (lineSource*): empty for the clerk's own lines. A line with a
    // source is kept by a save as it is stored (its id), never written from the sheet.
    QString source = {};
    qint64 id = 0;
    // The amount the line is stored with, whatever the grid showed.
    Decimal amount() const { return quantity * price; }
};

// A deduction line as a save takes it.
struct DeductionLine {
    int row = 0;
    QDate date;
    QString item;   // the description shown
    QString itemNo; // 扣减项目编号 of the item chosen; empty when not known
    Decimal amount;
};

// The filled lines of the two grids as typed values, and the cells that keep any of them from
// being stored. An empty number counts as 0 here (an empty quantity has its own rule:
// linesMissingQuantity).
struct SheetLines {
    QList<ProductionLine> production;
    QList<DeductionLine> deductions;
    QList<LineFault> productionFaults;
    QList<LineFault> deductionFaults;
    bool ok() const { return productionFaults.isEmpty() && deductionFaults.isEmpty(); }
};
SheetLines readSheetLines(const QList<LineTexts>& production, const QList<LineTexts>& deductions);

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

// What a save writes: the month, the employee and the month's filled lines.
struct MonthSheet {
    QString monthText; // "2008-5"
    QString employeeNo;
    QString employeeName;
    QList<ProductionLine> production;
    QList<DeductionLine> deductions;
    // The month's version when it was loaded (MonthRecords::version): the save is refused when
    // another connection saved or cleared the month since. None: not checked.
    std::optional<qint64> loadedVersion = std::nullopt;
};

// A month as texts, the way the grids show it and MonthRecords loads it.
struct MonthTexts {
    QString monthText;
    QString employeeNo;
    QString employeeName;
    QList<LineTexts> production;
    QList<LineTexts> deductions;
    std::optional<qint64> loadedVersion = std::nullopt;
};
// The sheet of those texts' filled lines (readSheetLines); InputError names the first fault.
MonthSheet readMonthSheet(const MonthTexts& texts);

// The sources of production lines that other entries write into an employee's month.
inline constexpr auto kTeamLineSource = u"集体";
inline constexpr auto kTimeLineSource = u"计时";
// The refusal of a change of such a line on the employee's own sheet.
inline constexpr auto kSourcedLineText =
    u"集体计件和计时工资的记录只能在“集体计件”或“计时工资”窗口修改，不能在员工的工资表上修改或删除。";

// The working month in its one form ("2008-5"), however it was typed; InputError for a text that
// is no month. Every save of a month's lines reads its month through this.
QString requireMonth(const QString& typedMonth);

// Inside a transaction: waits for other connections changing the employee's month (a save, a
// team's entry), so that changes of one month come one after the other.
void lockEmployeeMonth(Database& db, const QString& employeeNo, const QString& monthText);
// Inside a transaction that changed lines of the employee's month without its sheet (a team's
// shares, time work): writes the month's summary row anew from the stored lines (a new version,
// so that a sheet loaded before is refused on save) or removes it when no line is left, and
// refreshes the monthly totals. `name` is the employee's name for a new summary row.
void rewriteMonthSummary(Database& db, const QString& employeeNo, const QString& name, const YearMonth& month);

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
    // Whether anything of the month is stored: a line or the month's summary row.
    bool isStored(const QString& employeeNo, const YearMonth& month);

    // Both changes need the account's right to enter wages (Right::WageEntry) and are refused
    // with InputError otherwise, and with kMonthClosedText when the month is closed
    // (ClosedMonths), kMonthChangedText when the month's version is not the one loaded. A month
    // may be written in any form parseMonthText reads ("2008-05", " 2008-5 "): it is stored
    // and compared as "2008-5".
    // Deletes the month's lines, its summary row and its monthly totals, in one transaction; the
    // bundle tickets its lines named are open again.
    void deleteMonth(const QString& employeeNo, const QString& typedMonth,
                     std::optional<qint64> loadedVersion = std::nullopt);

    // Replaces the stored month by the lines of the sheet and one summary row, and refreshes
    // the month's monthly totals, in one transaction: a failure leaves the stored month as it
    // was. The summary's totals are the sums of the lines stored, so they never count a line
    // that was not kept. Throws DbError, or InputError, before anything is written, for a line
    // without product or item, with a date outside the sheet's month, or with a number of more
    // places than allowed or beyond what is stored (the line named). The bundle tickets the lines
    // name are claimed for the employee and month, those the month named before and no longer
    // names released (BundleTickets::claimForMonth, whose refusals refuse the save). Returns the
    // version now stored.
    // A save that crossed another clerk's change is tried again (retryingConflicts).
    qint64 saveMonth(const MonthSheet& sheet);

    // "按新工价重算": gives every stored production line of the month whose product is known
    // (by description and unit) the piece price in force on the line's date, works its amount
    // out again and saves the month as saveMonth does, with an entry in the log that names the
    // lines changed; the same rights and refusals as saveMonth. Returns the lines whose price
    // changed (0: nothing written) and the version now stored in *savedVersion.
    int repriceMonth(const QString& typedEmployeeNo, const QString& typedMonth,
                     std::optional<qint64> loadedVersion = std::nullopt, qint64* savedVersion = nullptr);

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
    // The month's lines that a team's share or time work wrote: their ids and amounts.
    QHash<qint64, Decimal> storedSourcedLines(const QString& employeeNo, const YearMonth& month);
    // Inside the change's transaction: waits for other connections changing the same month, then
    // refuses when the month is closed or is no longer the version loaded.
    void claim(const QString& employeeNo, const QString& monthText, std::optional<qint64> loadedVersion);

    Database& m_db;
};

// The three working months offered on `today`, oldest first: "2008-3", "2008-4", "2008-5".
QStringList workingMonths(const QDate& today);

} // namespace kv
