#include "stats/CashBreakdown.h"

#include "data/Database.h"
#include "data/Error.h"
#include "data/OperationLog.h"
#include "data/PaySnapshot.h"
#include "data/Session.h"
#include "data/Settings.h"
#include "data/TextRules.h"

#include <QRegularExpression>

#include <algorithm>

namespace kv {

namespace {
const QString kKey = QString::fromUtf16(kCashDenominationsKey);
constexpr qint64 kFen = Decimal::kScale / 100;
constexpr qint64 kJiao = Decimal::kScale / 10;
} // namespace

QList<Decimal> defaultDenominations()
{
    QList<Decimal> out;
    for (const qint64 yuan : {100, 50, 20, 10, 5, 1})
        out << Decimal::fromInteger(yuan);
    out << Decimal::fromUnits(5 * kJiao) << Decimal::fromUnits(kJiao);
    return out;
}

QString denominationName(Decimal value)
{
    const qint64 units = value.units();
    if (units % Decimal::kScale == 0)
        return QStringLiteral("%1元").arg(units / Decimal::kScale);
    if (units % kJiao == 0 && units < Decimal::kScale)
        return QStringLiteral("%1角").arg(units / kJiao);
    if (units < kJiao)
        return QStringLiteral("%1分").arg(units / kFen);
    return value.plainText() + u'元';
}

QString denominationsText(const QList<Decimal>& denominations)
{
    QStringList parts;
    for (const Decimal d : denominations)
        parts << d.plainText();
    return parts.join(u' ');
}

QList<Decimal> parseDenominations(const QString& typed)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,，、;；]+"));
    const QStringList parts = cleanText(typed).split(separators, Qt::SkipEmptyParts);
    if (parts.isEmpty())
        throw InputError(QStringLiteral("请填写面额，如：100 50 20 10 5 1 0.5 0.1"));
    QList<Decimal> out;
    for (const QString& part : parts) {
        const std::optional<Decimal> value = Decimal::parse(part, 2);
        if (!value || value->isNegative() || value->isZero() || *value >= Decimal::fromInteger(10000))
            throw InputError(QStringLiteral("面额“%1”不正确：面额是大于 0、小于 10000 的金额，最多到分。").arg(part));
        if (out.contains(*value))
            throw InputError(QStringLiteral("面额“%1”重复了。").arg(part));
        out << *value;
    }
    std::sort(out.begin(), out.end(), std::greater<>());
    return out;
}

QList<Decimal> cashDenominations(Database& db)
{
    return denominationsOf(denominationsSetting(db));
}

QList<Decimal> cashDenominations(Database& db, const YearMonth& month)
{
    return denominationsOf(monthDenominationsText(db, month));
}

QList<Decimal> denominationsOf(const QString& stored)
{
    if (stored.isEmpty())
        return defaultDenominations();
    try {
        return parseDenominations(stored);
    } catch (const InputError&) {
        return defaultDenominations();
    }
}

void setCashDenominations(Database& db, const QString& typed)
{
    const QList<Decimal> denominations = parseDenominations(typed);
    Transaction tx(db);
    // Like the rounding, they decide what is paid out; closed months keep their own.
    requireRight(db, Right::CloseMonths);
    const QList<Decimal> before = cashDenominations(db);
    if (before == denominations)
        return;
    storeSetting(db, kKey, denominationsText(denominations));
    OperationLog(db).record(QStringLiteral("零钞面额"),
                            denominationsText(before) + QStringLiteral(" → ") + denominationsText(denominations));
    tx.commit();
}

CashBreakdown breakDownCash(const QList<ShownPay>& pays, const QList<Decimal>& denominations,
                            const NetPayRounding& rounding)
{
    CashBreakdown out;
    out.denominations = denominations;
    std::sort(out.denominations.begin(), out.denominations.end(), std::greater<>());
    out.totals = QList<qint64>(out.denominations.size(), 0);
    for (const ShownPay& pay : pays) {
        const Decimal paid = rounding.apply(pay.netPay);
        if (paid.isNegative() || paid.isZero()) {
            out.notPaidInCash << pay.name;
            continue;
        }
        CashEnvelope envelope{pay.number, pay.name, pay.netPay, paid, {}, {}};
        qint64 rest = paid.units();
        for (int i = 0; i < out.denominations.size(); ++i) {
            const qint64 unit = out.denominations.at(i).units();
            const qint64 count = rest / unit;
            rest -= count * unit;
            envelope.counts << count;
            out.totals[i] += count;
        }
        envelope.remainder = Decimal::fromUnits(rest);
        out.totalPaid += paid;
        out.totalRemainder += envelope.remainder;
        out.envelopes << envelope;
    }
    return out;
}

} // namespace kv
