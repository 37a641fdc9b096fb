#include "entry/MonthRecords.h"

#include "data/Database.h"
#include "data/LineItemNumbers.h"
#include "data/MonthlyTotals.h"
#include "data/OperationLog.h"
#include "data/Session.h"
#include "entry/ClosedMonths.h"
#include "master/NumberHistory.h"
#include "master/PieceRates.h"
#include "tickets/BundleTickets.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace kv {

namespace {
QString shownDate(const QString& iso)
{
    const QDate date = QDate::fromString(iso, QStringLiteral("yyyy-MM-dd"));
    return date.isValid() ? dateText(date) : iso;
}

QString shownNumber(const Statement& st, int col)
{
    return st.isNull(col) ? QString() : st.decimal(col).plainText();
}

// How many places a number of a line may have, and what the clerk calls it.
struct NumberRule {
    int places;
    const char16_t* what;
};
constexpr NumberRule kQuantityRule{Decimal::kQuantityPlaces, u"数量"};
constexpr NumberRule kPriceRule{Decimal::kPricePlaces, u"工价"};
constexpr NumberRule kDeductionRule{Decimal::kAmountPlaces, u"扣减金额"};

QString tooManyPlacesText(const NumberRule& rule)
{
    return QStringLiteral("%1最多保留 %2 位小数！").arg(QString::fromUtf16(rule.what)).arg(rule.places);
}

QString tooLargeText(const NumberRule& rule)
{
    return QStringLiteral("%1太大，超出了本程序能计算的范围！").arg(QString::fromUtf16(rule.what));
}

// The one check of a line's number, typed into a cell or handed to the save: its places and its
// size. Empty when the number may be stored.
QString numberFault(Decimal value, const NumberRule& rule)
{
    if (value.places() > rule.places)
        return tooManyPlacesText(rule);
    if (!value.isStorable())
        return tooLargeText(rule);
    return {};
}

// A number cell of a line: empty is 0; otherwise a number that numberFault lets through.
std::optional<Decimal> cellNumber(const LineTexts& line, int col, const NumberRule& rule, QString* fault)
{
    const QString text = cleanText(line.value(col));
    if (text.isEmpty())
        return Decimal();
    Decimal::ParseError error = Decimal::ParseError::None;
    const std::optional<Decimal> value = Decimal::parse(text, Decimal::kPlaces, &error);
    QString why;
    if (value)
        why = numberFault(*value, rule);
    else if (error == Decimal::ParseError::TooManyPlaces)
        why = tooManyPlacesText(rule);
    else if (error == Decimal::ParseError::TooLarge)
        why = tooLargeText(rule);
    else
        why = QStringLiteral("%1必须是数字！").arg(QString::fromUtf16(rule.what));
    if (why.isEmpty())
        return value;
    if (fault)
        *fault = why;
    return std::nullopt;
}

QString unreadableDateText(const QString& text)
{
    return QStringLiteral("日期“%1”不正确，请重新选择日期。").arg(text);
}

bool isBlankLine(const LineTexts& line)
{
    return std::all_of(line.cbegin(), line.cend(), [](const QString& t) { return cleanText(t).isEmpty(); });
}

QString noProductText(int line)
{
    return QStringLiteral("第 %1 行没有产品，请选择产品或删除该行").arg(line);
}

QString noDateText(const QString& which, int line)
{
    return QStringLiteral("%1第 %2 行没有日期，请选择日期后再保存。").arg(which).arg(line);
}

// A line of the sheet is stored only in the sheet's own month: any other month is not the one
// loaded, checked or maybe open.
void requireDateIn(const QDate& day, const YearMonth& month, const QString& which, int line)
{
    if (!day.isValid())
        throw InputError(noDateText(which, line));
    if (!month.contains(day))
        throw InputError(QStringLiteral("%1第 %2 行的日期 %3 不在计工月份 %4 内，请改正日期后再保存。")
                             .arg(which)
                             .arg(line)
                             .arg(dateText(day), monthText(month.year, month.month)));
}

void requireNumber(Decimal value, const NumberRule& rule, const QString& which, int line)
{
    if (const QString fault = numberFault(value, rule); !fault.isEmpty())
        throw InputError(QStringLiteral("%1第 %2 行：%3").arg(which).arg(line).arg(fault));
}

// A figure about to be stored in a REAL column: refused when the column could not give it back.
Decimal storable(Decimal value)
{
    if (!value.isStorable())
        throw InputError(QString::fromUtf16(kDecimalRangeText));
    return value;
}

// An item number as stored: none rather than empty, so that the number can be filled in from
// the description (fillLineItemNumbers).
QVariant storedItemNumber(const QString& number)
{
    const QString cleaned = cleanText(number);
    return cleaned.isEmpty() ? QVariant() : QVariant(cleaned);
}

QVariantList monthBounds(const QString& employeeNo, const YearMonth& month)
{
    return {employeeNo, isoDate(month.firstDay()), isoDate(month.nextFirstDay())};
}
} // namespace

QString requireMonth(const QString& typedMonth)
{
    const auto month = normalMonthText(typedMonth);
    if (!month)
        throw InputError(QStringLiteral("计工月份“%1”不正确。").arg(typedMonth));
    return *month;
}

bool isProductionLineFilled(const LineTexts& line)
{
    return !line.value(PDate).isEmpty() && !cleanText(line.value(PProduct)).isEmpty();
}

QString amountText(const QString& quantity, const QString& price)
{
    if (cleanText(quantity).isEmpty() && cleanText(price).isEmpty())
        return {};
    const LineTexts line{{}, {}, {}, quantity, {}, {}, price};
    const auto q = cellNumber(line, PQuantity, kQuantityRule, nullptr);
    const auto p = cellNumber(line, PPrice, kPriceRule, nullptr);
    return q && p ? (*q * *p).plainText() : QString();
}

SheetLines readSheetLines(const QList<LineTexts>& production, const QList<LineTexts>& deductions)
{
    SheetLines read;
    for (int i = 0; i < production.size(); ++i) {
        const LineTexts& l = production.at(i);
        // A line shows what it would be paid: one with anything in it but no product or date is
        // refused, never dropped on the way to the store.
        if (isBlankLine(l))
            continue;
        if (cleanText(l.value(PProduct)).isEmpty()) {
            read.productionFaults.append({i, PProduct, noProductText(i + 1)});
            continue;
        }
        if (cleanText(l.value(PDate)).isEmpty()) {
            read.productionFaults.append({i, PDate, noDateText(QStringLiteral("生产记录"), i + 1)});
            continue;
        }
        const qsizetype faultsBefore = read.productionFaults.size();
        QString why;
        const auto date = parseDateText(l.value(PDate));
        if (!date)
            read.productionFaults.append({i, PDate, unreadableDateText(l.value(PDate))});
        const auto quantity = cellNumber(l, PQuantity, kQuantityRule, &why);
        if (!quantity)
            read.productionFaults.append({i, PQuantity, why});
        const auto price = cellNumber(l, PPrice, kPriceRule, &why);
        if (!price)
            read.productionFaults.append({i, PPrice, why});
        if (read.productionFaults.size() == faultsBefore) {
            read.production.append({i + 1, *date, l.value(PProduct), cleanText(l.value(PProductNo)), l.value(PUnit),
                                    *quantity, *price, l.value(PRemark), cleanText(l.value(PTicket))});
            read.production.last().source = cleanText(l.value(PSource));
            read.production.last().id = cleanText(l.value(PId)).toLongLong();
        }
    }
    for (int i = 0; i < deductions.size(); ++i) {
        const LineTexts& l = deductions.at(i);
        if (isBlankLine(l))
            continue;
        if (cleanText(l.value(DItem)).isEmpty()) {
            read.deductionFaults.append(
                {i, DItem, QStringLiteral("扣减记录第 %1 行没有扣减项目，请选择扣减项目或删除该行").arg(i + 1)});
            continue;
        }
        if (cleanText(l.value(DDate)).isEmpty()) {
            read.deductionFaults.append({i, DDate, noDateText(QStringLiteral("扣减记录"), i + 1)});
            continue;
        }
        QString why;
        const auto date = parseDateText(l.value(DDate));
        if (!date)
            read.deductionFaults.append({i, DDate, unreadableDateText(l.value(DDate))});
        const auto amount = cellNumber(l, DAmount, kDeductionRule, &why);
        if (!amount)
            read.deductionFaults.append({i, DAmount, why});
        if (date && amount)
            read.deductions.append({i + 1, *date, l.value(DItem), cleanText(l.value(DItemNo)), *amount});
    }
    return read;
}

MonthSheet readMonthSheet(const MonthTexts& texts)
{
    const SheetLines read = readSheetLines(texts.production, texts.deductions);
    if (!read.productionFaults.isEmpty())
        throw InputError(read.productionFaults.first().message);
    if (!read.deductionFaults.isEmpty())
        throw InputError(read.deductionFaults.first().message);
    return {texts.monthText, texts.employeeNo, texts.employeeName,
            read.production, read.deductions,  texts.loadedVersion};
}

QList<LineTexts> linesWithContent(const QList<LineTexts>& lines)
{
    QList<LineTexts> out;
    for (const LineTexts& line : lines) {
        for (int c = 1; c < line.size(); ++c) {
            if (!cleanText(line.at(c)).isEmpty()) {
                out << line;
                break;
            }
        }
    }
    return out;
}

bool isDeductionLineFilled(const LineTexts& line)
{
    return !line.value(DDate).isEmpty() && !line.value(DItem).isEmpty();
}

namespace {
bool blank(const LineTexts& line, int col)
{
    return cleanText(line.value(col)).isEmpty();
}

template <class Pred> QList<int> indexesWhere(const QList<LineTexts>& lines, Pred pred)
{
    QList<int> out;
    for (int i = 0; i < lines.size(); ++i)
        if (pred(lines.at(i)))
            out << i;
    return out;
}
} // namespace

QList<int> linesMissingDate(const QList<LineTexts>& lines)
{
    return indexesWhere(lines,
                        [](const LineTexts& l) { return !blank(l, PProduct) && !blank(l, PUnit) && blank(l, PDate); });
}

QList<int> deductionLinesMissingDate(const QList<LineTexts>& lines)
{
    return indexesWhere(lines, [](const LineTexts& l) { return !blank(l, DItem) && blank(l, DDate); });
}

QList<int> linesMissingQuantity(const QList<LineTexts>& lines)
{
    return indexesWhere(lines, [](const LineTexts& l) {
        return !blank(l, PProduct) && !blank(l, PUnit) && !blank(l, PDate) && blank(l, PQuantity);
    });
}

QList<LineTexts> MonthRecords::loadProduction(const QString& employeeNo, const YearMonth& month)
{
    Statement st = m_db.prepare(
        QStringLiteral("SELECT 日期, 产品, 计量单位, 数量, 金额, 备注, 工价, id, 产品编号, 菲票号, 来源 FROM 工资流水 "
                       "WHERE 工号 = ? AND 日期 >= ? AND 日期 < ? ORDER BY 日期, id"));
    st.bindAll(monthBounds(cleanText(employeeNo), month));
    QList<LineTexts> lines;
    while (st.next()) {
        lines.append({shownDate(st.text(0)), st.text(1), st.text(2), shownNumber(st, 3), shownNumber(st, 4), st.text(5),
                      shownNumber(st, 6), QString::number(st.integer(7)), st.text(8), st.text(9), st.text(10)});
    }
    return lines;
}

QList<LineTexts> MonthRecords::loadDeductions(const QString& employeeNo, const YearMonth& month)
{
    Statement st = m_db.prepare(QStringLiteral("SELECT 日期, 扣减项目, 扣减金额, 扣减项目编号 FROM 扣减流水 "
                                               "WHERE 工号 = ? AND 日期 >= ? AND 日期 < ? ORDER BY 日期"));
    st.bindAll(monthBounds(cleanText(employeeNo), month));
    QList<LineTexts> lines;
    while (st.next())
        lines.append({shownDate(st.text(0)), st.text(1), shownNumber(st, 2), st.text(3)});
    return lines;
}

void MonthRecords::deleteRows(const QString& employeeNo, const QString& monthText, const YearMonth& month)
{
    const QVariantList bounds = monthBounds(cleanText(employeeNo), month);
    m_db.exec(QStringLiteral("DELETE FROM 工资流水 WHERE 工号 = ? AND 日期 >= ? AND 日期 < ? AND 来源 IS NULL"),
              bounds);
    m_db.exec(QStringLiteral("DELETE FROM 扣减流水 WHERE 工号 = ? AND 日期 >= ? AND 日期 < ?"), bounds);
    m_db.exec(QStringLiteral("DELETE FROM 员工工资 WHERE 工号 = ? AND 月份 = ?"), {cleanText(employeeNo), monthText});
}

MonthRecords::StoredTotals MonthRecords::storedTotals(const QString& employeeNo, const QString& monthText)
{
    Statement st =
        m_db.prepare(QStringLiteral("SELECT max(姓名), decimal_sum(生产金额), decimal_sum(扣减) FROM 员工工资 "
                                    "WHERE 工号 = ? AND 月份 = ?"));
    st.bindAll({cleanText(employeeNo), monthText});
    StoredTotals totals;
    if (st.next())
        totals = {st.text(0), st.decimal(1), st.decimal(2)};
    return totals;
}

bool MonthRecords::isStored(const QString& employeeNo, const YearMonth& month)
{
    const QString no = cleanText(employeeNo);
    const QVariantList bounds{no, isoDate(month.firstDay()), isoDate(month.nextFirstDay())};
    const QString lines = QStringLiteral(" WHERE 工号 = ? AND 日期 >= ? AND 日期 < ?");
    return m_db.scalar(QStringLiteral("SELECT count(*) FROM 工资流水") + lines, bounds).toLongLong() > 0 ||
           m_db.scalar(QStringLiteral("SELECT count(*) FROM 扣减流水") + lines, bounds).toLongLong() > 0 ||
           m_db.scalar(QStringLiteral("SELECT count(*) FROM 员工工资 WHERE 工号 = ? AND 月份 = ?"),
                       {no, monthText(month.year, month.month)})
                   .toLongLong() > 0;
}

QHash<qint64, Decimal> MonthRecords::storedSourcedLines(const QString& employeeNo, const YearMonth& month)
{
    Statement st = m_db.prepare(
        QStringLiteral("SELECT id, 金额 FROM 工资流水 WHERE 工号 = ? AND 日期 >= ? AND 日期 < ? AND 来源 IS NOT NULL"));
    st.bindAll(monthBounds(employeeNo, month));
    QHash<qint64, Decimal> lines;
    while (st.next())
        lines.insert(st.integer(0), st.decimal(1));
    return lines;
}

qint64 MonthRecords::version(const QString& employeeNo, const QString& monthText)
{
    return m_db
        .scalar(QStringLiteral("SELECT max(id) FROM 员工工资 WHERE 工号 = ? AND 月份 = ?"),
                {cleanText(employeeNo), normalMonthText(monthText).value_or(monthText)})
        .toLongLong();
}

void lockEmployeeMonth(Database& db, const QString& employeeNo, const QString& monthText)
{
    db.lock(QStringLiteral("员工工资 %1 %2").arg(employeeNo, monthText));
}

void rewriteMonthSummary(Database& db, const QString& employeeNo, const QString& name, const YearMonth& month)
{
    const QString monthKey = monthText(month.year, month.month);
    const QVariantList bounds = monthBounds(employeeNo, month);
    const QString lines = QStringLiteral(" WHERE 工号 = ? AND 日期 >= ? AND 日期 < ?");
    Statement production = db.prepare(QStringLiteral("SELECT count(*), decimal_sum(金额) FROM 工资流水") + lines);
    production.bindAll(bounds);
    production.next();
    Statement deductions = db.prepare(QStringLiteral("SELECT count(*), decimal_sum(扣减金额) FROM 扣减流水") + lines);
    deductions.bindAll(bounds);
    deductions.next();
    const qint64 count = production.integer(0) + deductions.integer(0);
    const Decimal made = production.decimal(1), taken = deductions.decimal(1);
    QString shownName = name;
    if (shownName.isEmpty())
        shownName = db.scalar(QStringLiteral("SELECT max(姓名) FROM 员工工资 WHERE 工号 = ? AND 月份 = ?"),
                              {employeeNo, monthKey})
                        .toString();
    if (shownName.isEmpty())
        shownName = db.scalar(QStringLiteral("SELECT max(姓名) FROM 员工 WHERE 工号 = ?"), {employeeNo}).toString();
    db.exec(QStringLiteral("DELETE FROM 员工工资 WHERE 工号 = ? AND 月份 = ?"), {employeeNo, monthKey});
    if (count > 0)
        db.exec(
            QStringLiteral(
                "INSERT INTO 员工工资 (月份, 工号, 姓名, 生产金额, 扣减, 实发工资) VALUES (?, ?, ?, ?, ?, ?)"),
            {monthKey, employeeNo, shownName, made.toDouble(), taken.toDouble(), storable(made - taken).toDouble()});
    refreshMonthlyTotals(db, employeeNo, month);
}

void MonthRecords::claim(const QString& employeeNo, const QString& monthText, std::optional<qint64> loadedVersion)
{
    lockEmployeeMonth(m_db, employeeNo, monthText);
    refuseClosedMonth(m_db, monthText);
    if (loadedVersion && *loadedVersion != version(employeeNo, monthText))
        throw InputError(QString::fromUtf16(kMonthChangedText));
}

void MonthRecords::deleteMonth(const QString& employeeNo, const QString& typedMonth,
                               std::optional<qint64> loadedVersion)
{
    const QString monthText = requireMonth(typedMonth);
    const YearMonth month = *parseMonthText(monthText);
    Transaction tx(m_db);
    requireRight(m_db, Right::WageEntry);
    claim(cleanText(employeeNo), monthText, loadedVersion);
    if (!storedSourcedLines(cleanText(employeeNo), month).isEmpty())
        throw InputError(QStringLiteral(
            "该员工本月有集体计件或计时工资，不能清空；请先在“集体计件”或“计时工资”窗口中去掉他本月的记录。"));
    const StoredTotals before = storedTotals(employeeNo, monthText);
    deleteRows(employeeNo, monthText, month);
    BundleTickets(m_db).releaseMonth(cleanText(employeeNo), monthText);
    refreshMonthlyTotals(m_db, cleanText(employeeNo), month);
    OperationLog(m_db).record(QStringLiteral("清空工资"),
                              QStringLiteral("%1（%2）%3：生产金额 %4，扣减 %5，实发工资 %6")
                                  .arg(before.name, cleanText(employeeNo), monthText, changeText(before.production, {}),
                                       changeText(before.deductions, {}),
                                       changeText(before.production - before.deductions, {})));
    tx.commit();
}

qint64 MonthRecords::saveMonth(const MonthSheet& sheet)
{
    return retryingConflicts(m_db, [&] { return saveMonthOnce(sheet); });
}

qint64 MonthRecords::saveMonthOnce(const MonthSheet& sheet)
{
    const QString monthText = requireMonth(sheet.monthText);
    const YearMonth month = *parseMonthText(monthText);
    // Lines are stored under the cleaned number, the one every query of the month looks for.
    const QString employeeNo = cleanText(sheet.employeeNo);
    // Every line is checked before anything is written.
    const QString productionLines = QStringLiteral("生产记录");
    const QString deductionLines = QStringLiteral("扣减记录");
    Decimal productionTotal;
    for (const ProductionLine& line : sheet.production) {
        if (!line.source.isEmpty())
            continue; // kept as stored, checked in the transaction
        if (cleanText(line.product).isEmpty())
            throw InputError(noProductText(line.row));
        requireDateIn(line.date, month, productionLines, line.row);
        requireNumber(line.quantity, kQuantityRule, productionLines, line.row);
        requireNumber(line.price, kPriceRule, productionLines, line.row);
        productionTotal += storable(line.amount());
    }
    Decimal deductionTotal;
    for (const DeductionLine& line : sheet.deductions) {
        if (cleanText(line.item).isEmpty())
            throw InputError(QStringLiteral("扣减记录第 %1 行没有扣减项目，请选择扣减项目后再保存。").arg(line.row));
        requireDateIn(line.date, month, deductionLines, line.row);
        requireNumber(line.amount, kDeductionRule, deductionLines, line.row);
        deductionTotal += line.amount;
    }
    storable(productionTotal);
    storable(deductionTotal);
    storable(productionTotal - deductionTotal);

    Transaction tx(m_db);
    requireRight(m_db, Right::WageEntry);
    claim(employeeNo, monthText, sheet.loadedVersion);
    // Lines of a team's share or of time work stay as their own entry stored them: the sheet must
    // hand back every one of them unchanged.
    const QHash<qint64, Decimal> sourced = storedSourcedLines(employeeNo, month);
    QSet<qint64> handedBack;
    for (const ProductionLine& line : sheet.production) {
        if (line.source.isEmpty())
            continue;
        if (!sourced.contains(line.id) || sourced.value(line.id) != line.amount() || handedBack.contains(line.id))
            throw InputError(QString::fromUtf16(kSourcedLineText));
        handedBack.insert(line.id);
        productionTotal += line.amount();
    }
    if (handedBack.size() != sourced.size())
        throw InputError(QString::fromUtf16(kSourcedLineText));
    storable(productionTotal);
    storable(productionTotal - deductionTotal);
    // Nobody is paid for days after he left; his months before stay as they were.
    if (const std::optional<QDate> left = employeeLeftOn(m_db, employeeNo)) {
        QList<std::pair<QDate, int>> days;
        for (const ProductionLine& line : sheet.production)
            days.append({line.date, line.row});
        for (const DeductionLine& line : sheet.deductions)
            days.append({line.date, line.row});
        for (const auto& [day, row] : std::as_const(days))
            if (day > *left)
                throw InputError(QStringLiteral("该员工已于 %1 离职，不能再记 %2 的工资（第 %3 行）。")
                                     .arg(dateText(*left), dateText(day))
                                     .arg(row));
    }
    const StoredTotals before = storedTotals(employeeNo, monthText);
    deleteRows(employeeNo, monthText, month);

    QList<ProductionLine> ownLines;
    for (const ProductionLine& line : sheet.production)
        if (line.source.isEmpty())
            ownLines << line;
    BundleTickets(m_db).claimForMonth(employeeNo, monthText, ownLines, m_db.now());

    Statement production = m_db.prepare(
        QStringLiteral("INSERT INTO 工资流水 (日期, 工号, 产品, 计量单位, 数量, 工价, 金额, 备注, 产品编号, 菲票号) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const ProductionLine& line : sheet.production) {
        if (!line.source.isEmpty())
            continue;
        production.bindAll({isoDate(line.date), employeeNo, line.product, line.unit, line.quantity.toDouble(),
                            line.price.toDouble(), line.amount().toDouble(), line.remark,
                            storedItemNumber(line.productNo),
                            line.ticket.isEmpty() ? QVariant() : QVariant(line.ticket)});
        production.run();
        production.reset();
    }
    Statement deduction = m_db.prepare(
        QStringLiteral("INSERT INTO 扣减流水 (日期, 工号, 扣减项目, 扣减金额, 扣减项目编号) VALUES (?, ?, ?, ?, ?)"));
    for (const DeductionLine& line : sheet.deductions) {
        deduction.bindAll(
            {isoDate(line.date), employeeNo, line.item, line.amount.toDouble(), storedItemNumber(line.itemNo)});
        deduction.run();
        deduction.reset();
    }

    m_db.exec(
        QStringLiteral("INSERT INTO 员工工资 (月份, 工号, 姓名, 生产金额, 扣减, 实发工资) VALUES (?, ?, ?, ?, ?, ?)"),
        {monthText, employeeNo, sheet.employeeName, productionTotal.toDouble(), deductionTotal.toDouble(),
         (productionTotal - deductionTotal).toDouble()});
    // Lines handed over without a number (by another caller than the entry grid) name their item
    // by number when the description names one.
    fillLineItemNumbers(m_db, JournalScope{employeeNo, month});
    refreshMonthlyTotals(m_db, employeeNo, month);
    OperationLog(m_db).record(
        QStringLiteral("保存工资"),
        QStringLiteral("%1（%2）%3：生产金额 %4，扣减 %5，实发工资 %6")
            .arg(sheet.employeeName, employeeNo, monthText, changeText(before.production, productionTotal),
                 changeText(before.deductions, deductionTotal),
                 changeText(before.production - before.deductions, productionTotal - deductionTotal)));
    const qint64 saved = version(employeeNo, monthText);
    tx.commit();
    return saved;
}

int MonthRecords::repriceMonth(const QString& typedEmployeeNo, const QString& typedMonth,
                               std::optional<qint64> loadedVersion, qint64* savedVersion)
{
    const QString monthText = requireMonth(typedMonth);
    const YearMonth month = *parseMonthText(monthText);
    const QString employeeNo = cleanText(typedEmployeeNo);
    return retryingConflicts(m_db, [&] {
        Transaction tx(m_db);
        requireRight(m_db, Right::WageEntry);
        claim(employeeNo, monthText, loadedVersion);

        MonthSheet sheet =
            readMonthSheet({monthText, employeeNo, storedTotals(employeeNo, monthText).name,
                            loadProduction(employeeNo, month), loadDeductions(employeeNo, month), loadedVersion});
        PieceRates rates(m_db);
        QStringList changed;
        for (ProductionLine& line : sheet.production) {
            if (!line.source.isEmpty())
                continue;
            const std::optional<Decimal> price = rates.priceOn(line.productNo, line.product, line.unit, line.date);
            if (!price || line.price == *price)
                continue;
            changed << QStringLiteral("%1 %2 %3→%4")
                           .arg(dateText(line.date), line.product, line.price.plainText(), price->plainText());
            line.price = *price;
        }
        if (savedVersion)
            *savedVersion = version(employeeNo, monthText);
        if (changed.isEmpty())
            return 0;
        const qint64 saved = saveMonthOnce(sheet);
        OperationLog(m_db).record(QStringLiteral("按新工价重算"), QStringLiteral("%1（%2）%3：%4")
                                                                      .arg(sheet.employeeName, employeeNo, monthText,
                                                                           changed.join(QStringLiteral("；"))));
        tx.commit();
        if (savedVersion)
            *savedVersion = saved;
        return int(changed.size());
    });
}

QStringList workingMonths(const QDate& today)
{
    QStringList months;
    for (int back = 2; back >= 0; --back) {
        const QDate d = QDate(today.year(), today.month(), 1).addMonths(-back);
        months << monthText(d.year(), d.month());
    }
    return months;
}

} // namespace kv
