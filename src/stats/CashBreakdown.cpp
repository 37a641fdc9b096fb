#include "stats/CashBreakdown.h"

#include "data/Database.h"
#include "data/Error.h"
#include "data/OperationLog.h"
#include "data/PaySnapshot.h"
#include "data/Session.h"
#include "data/Settings.h"
#include "data/TextRules.h"
#include "stats/PayMethod.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <numeric>
#include <optional>
#include <vector>

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

namespace {
// The fewest notes for every amount in 分 up to a bound, counted once for all envelopes.
//
// Amounts above the bound are brought down to it first by taking out notes of the largest kind:
// in a fewest-notes make-up each other kind d appears fewer than largest / gcd(largest, d)
// times (that many of d could be swapped for fewer of the largest), so all but `reach` of any
// amount is paid in the largest notes, and the best amount up to x is at most a largest note
// below x.
class FewestNotes {
public:
    FewestNotes(QList<qint64> notesFen, qint64 largestAmountFen) : m_notes(std::move(notesFen))
    {
        const qint64 largest = m_notes.first();
        constexpr qint64 kNoReach = std::numeric_limits<qint64>::max() / 4;
        for (int i = 1; i < m_notes.size() && m_reach < kNoReach; ++i)
            m_reach += std::min(kNoReach, (largest / std::gcd(largest, m_notes.at(i)) - 1) * m_notes.at(i));
        m_reach = std::min(m_reach, kNoReach) + 2 * largest;
        const qint64 size = std::min(largestAmountFen, m_reach) + 1;
        constexpr qint64 kMaxTable = 20'000'000;
        if (size > kMaxTable)
            throw InputError(QStringLiteral("这组面额相差太零碎，金额这么大时算不出最少张数。请换一组面额。"));
        m_count.assign(size_t(size), kNone);
        m_note.assign(size_t(size), 0);
        m_count[0] = 0;
        // Largest kind first, and only a strictly better count replaces: among equally few notes
        // the larger ones stay.
        for (qint64 v = 1; v < size; ++v)
            for (int i = 0; i < m_notes.size(); ++i) {
                const qint64 note = m_notes.at(i);
                if (note <= v && m_count[size_t(v - note)] != kNone &&
                    m_count[size_t(v - note)] + 1 < m_count[size_t(v)]) {
                    m_count[size_t(v)] = m_count[size_t(v - note)] + 1;
                    m_note[size_t(v)] = qint16(i);
                }
            }
    }

    // The notes per kind that make up as much of the amount as they can; *restFen what is left.
    QList<qint64> counts(qint64 amountFen, qint64* restFen) const
    {
        QList<qint64> counts(m_notes.size(), 0);
        const qint64 largest = m_notes.first();
        qint64 rest = amountFen;
        if (rest >= m_reach) {
            counts[0] = (rest - m_reach) / largest + 1;
            rest -= counts[0] * largest;
        }
        qint64 made = rest;
        while (m_count[size_t(made)] == kNone)
            --made;
        *restFen = rest - made;
        while (made > 0) {
            const int i = m_note[size_t(made)];
            ++counts[i];
            made -= m_notes.at(i);
        }
        return counts;
    }

private:
    static constexpr qint32 kNone = std::numeric_limits<qint32>::max();
    QList<qint64> m_notes; // largest first
    qint64 m_reach = 0;
    std::vector<qint32> m_count;
    std::vector<qint16> m_note;
};
} // namespace

CashBreakdown breakDownCash(const QList<ShownPay>& pays, const QList<Decimal>& denominations,
                            const NetPayRounding& rounding)
{
    CashBreakdown out;
    out.denominations = denominations;
    std::sort(out.denominations.begin(), out.denominations.end(), std::greater<>());
    out.totals = QList<qint64>(out.denominations.size(), 0);
    QList<qint64> notesFen;
    for (const Decimal d : std::as_const(out.denominations))
        notesFen << d.units() / kFen;
    qint64 largestFen = 0;
    QList<Decimal> paidFigures;
    for (const ShownPay& pay : pays) {
        paidFigures << paidOut(rounding, pay.netPay);
        largestFen = std::max(largestFen, paidFigures.last().units() / kFen);
    }
    std::optional<FewestNotes> notes;
    if (!notesFen.isEmpty() && largestFen > 0)
        notes.emplace(notesFen, largestFen);
    for (int p = 0; p < pays.size(); ++p) {
        const ShownPay& pay = pays.at(p);
        const Decimal paid = paidFigures.at(p);
        if (paid.isNegative() || paid.isZero()) {
            out.notPaidInCash << pay.name;
            continue;
        }
        CashEnvelope envelope{pay.number, pay.name, pay.netPay, paid, QList<qint64>(notesFen.size(), 0), {}};
        qint64 restFen = paid.units() / kFen;
        if (notes)
            envelope.counts = notes->counts(paid.units() / kFen, &restFen);
        for (int i = 0; i < notesFen.size(); ++i)
            out.totals[i] += envelope.counts.at(i);
        envelope.remainder = Decimal::fromUnits(restFen * kFen + paid.units() % kFen);
        if (!envelope.remainder.isZero())
            out.inexact << pay.name;
        out.totalPaid += paid;
        out.totalRemainder += envelope.remainder;
        out.envelopes << envelope;
    }
    return out;
}

} // namespace kv
