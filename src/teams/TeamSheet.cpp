#include "teams/TeamSheet.h"

#include "data/Error.h"

namespace kv {

namespace {
Decimal figure(const QString& typed, int places, const QString& where, const QString& what)
{
    const QString text = cleanText(typed);
    if (text.isEmpty())
        return {};
    Decimal::ParseError error = Decimal::ParseError::None;
    const auto value = Decimal::parse(text, Decimal::kPlaces, &error);
    if (!value)
        throw InputError(error == Decimal::ParseError::NotNumber
                             ? QStringLiteral("%1：%2必须是数字！").arg(where, what)
                             : QStringLiteral("%1：%2太大或小数位太多！").arg(where, what));
    if (value->places() > places)
        throw InputError(QStringLiteral("%1：%2最多保留 %3 位小数！").arg(where, what).arg(places));
    return *value;
}

QDate lineDate(const QString& typed, const YearMonth& month, const QString& where)
{
    const QString text = cleanText(typed);
    bool isDay = false;
    const int day = text.toInt(&isDay);
    if (isDay && day >= 1 && day <= month.firstDay().daysInMonth())
        return QDate(month.year, month.month, day);
    const auto date = parseDateText(text);
    if (!date)
        throw InputError(QStringLiteral("%1：日期“%2”不正确，请输入日期（如 %3）或当月的日子。")
                             .arg(where, text, dateText(month.firstDay())));
    if (!month.contains(*date))
        throw InputError(QStringLiteral("%1：日期 %2 不在计工月份 %3 内。")
                             .arg(where, dateText(*date), monthText(month.year, month.month)));
    return *date;
}
} // namespace

TeamMonthSheet readTeamSheet(const TeamSheetTexts& texts)
{
    const auto month = parseMonthText(texts.monthText);
    if (!month)
        throw InputError(QStringLiteral("计工月份“%1”不正确。").arg(texts.monthText));
    TeamMonthSheet sheet;
    sheet.teamId = texts.teamId;
    sheet.monthText = monthText(month->year, month->month);
    sheet.rule = texts.rule;
    sheet.loadedVersion = texts.loadedVersion;
    for (int i = 0; i < texts.lines.size(); ++i) {
        const QStringList& l = texts.lines.at(i);
        if (cleanText(l.value(TLProduct)).isEmpty())
            continue;
        const QString where = QStringLiteral("集体产量第 %1 行").arg(i + 1);
        sheet.lines.append({lineDate(l.value(TLDate), *month, where), cleanText(l.value(TLProductNo)),
                            cleanText(l.value(TLProduct)), cleanText(l.value(TLUnit)),
                            figure(l.value(TLQuantity), Decimal::kQuantityPlaces, where, QStringLiteral("数量")),
                            figure(l.value(TLPrice), Decimal::kPricePlaces, where, QStringLiteral("工价"))});
    }
    for (int i = 0; i < texts.members.size(); ++i) {
        const QStringList& m = texts.members.at(i);
        const QString no = cleanText(m.value(TMNo));
        if (no.isEmpty())
            continue;
        const QString where = QStringLiteral("成员第 %1 行（工号 %2）").arg(i + 1).arg(no);
        sheet.members.append({no, cleanText(m.value(TMName)), figure(m.value(TMDays), 2, where, QStringLiteral("出勤")),
                              figure(m.value(TMRate), 2, where, QStringLiteral("日工资")),
                              figure(m.value(TMPoints), 2, where, QStringLiteral("点数"))});
    }
    return sheet;
}

QList<QStringList> teamLineTexts(const TeamMonth& month)
{
    QList<QStringList> rows;
    for (const TeamOutputLine& l : month.lines) {
        QStringList row(TeamLineColumnCount);
        row[TLDate] = dateText(l.date);
        row[TLProduct] = l.product;
        row[TLUnit] = l.unit;
        row[TLQuantity] = l.quantity.plainText();
        row[TLPrice] = l.price.plainText();
        row[TLAmount] = l.amount().plainText();
        row[TLProductNo] = l.productNo;
        rows << row;
    }
    return rows;
}

QList<QStringList> teamMemberTexts(const QList<TeamAttendance>& members, const TeamSplit* split)
{
    QList<QStringList> rows;
    for (qsizetype i = 0; i < members.size(); ++i) {
        const TeamAttendance& m = members.at(i);
        QStringList row(TeamMemberColumnCount);
        row[TMNo] = m.employeeNo;
        row[TMName] = m.name;
        row[TMDays] = m.days.isZero() ? QString() : m.days.plainText();
        row[TMRate] = m.dayRate.isZero() ? QString() : m.dayRate.plainText();
        row[TMPoints] = m.points.isZero() ? QString() : m.points.plainText();
        if (split && i < split->shares.size()) {
            const SplitShare& s = split->shares.at(i);
            row[TMWeight] = s.weight.plainText();
            row[TMExact] = s.exact.plainText();
            row[TMShare] = s.share.plainText();
            row[TMRounding] = s.roundedUp ? QStringLiteral("+0.01") : QString();
        }
        rows << row;
    }
    return rows;
}

} // namespace kv
