#include "data/NetPayRounding.h"

#include "data/Database.h"
#include "data/OperationLog.h"
#include "data/Session.h"
#include "data/Settings.h"

#include <QStringList>

namespace kv {

namespace {
const QString kKey = QStringLiteral("net_pay_rounding");

// Units of Decimal in one step of the unit.
qint64 stepOf(NetPayRounding::Unit unit)
{
    switch (unit) {
    case NetPayRounding::Unit::Fen: return Decimal::kScale / 100;
    case NetPayRounding::Unit::Jiao: return Decimal::kScale / 10;
    case NetPayRounding::Unit::Yuan: return Decimal::kScale;
    case NetPayRounding::Unit::None: break;
    }
    return 1;
}

const char16_t* const kUnitKeys[] = {u"none", u"fen", u"jiao", u"yuan"};
const char16_t* const kModeKeys[] = {u"half-up", u"drop"};
} // namespace

Decimal NetPayRounding::apply(Decimal netPay) const
{
    const qint64 step = stepOf(unit);
    if (step == 1)
        return netPay;
    const qint64 units = netPay.units();
    qint64 steps = units / step; // towards zero
    const qint64 rest = units % step;
    if (mode == Mode::HalfUp && (rest < 0 ? -rest : rest) * 2 >= step)
        steps += units < 0 ? -1 : 1;
    return Decimal::fromUnits(steps * step);
}

QStringList roundingUnitNames()
{
    return {QStringLiteral("不取整"), QStringLiteral("分"), QStringLiteral("角"), QStringLiteral("元")};
}

QStringList roundingModeNames()
{
    return {QStringLiteral("四舍五入"), QStringLiteral("舍去")};
}

QString NetPayRounding::text() const
{
    if (isNone())
        return roundingUnitNames().first();
    return QStringLiteral("取整到%1（%2）").arg(roundingUnitNames().at(int(unit)), roundingModeNames().at(int(mode)));
}

QString NetPayRounding::storedText() const
{
    return QString::fromUtf16(kUnitKeys[int(unit)]) + u' ' + QString::fromUtf16(kModeKeys[int(mode)]);
}

NetPayRounding NetPayRounding::fromStoredText(const QString& text)
{
    const QStringList parts = text.split(u' ');
    NetPayRounding rounding;
    if (parts.size() != 2)
        return rounding;
    for (int u = 0; u < int(std::size(kUnitKeys)); ++u)
        for (int m = 0; m < int(std::size(kModeKeys)); ++m)
            if (parts.at(0) == QString::fromUtf16(kUnitKeys[u]) && parts.at(1) == QString::fromUtf16(kModeKeys[m]))
                rounding = {Unit(u), Mode(m)};
    return rounding;
}

NetPayRounding netPayRounding(Database& db)
{
    return NetPayRounding::fromStoredText(
        db.scalar(QStringLiteral("SELECT value FROM kelvaro_meta WHERE key = ?"), {kKey}).toString());
}

void setNetPayRounding(Database& db, const NetPayRounding& rounding)
{
    Transaction tx(db);
    // It decides what is paid out: the right of closing months. Closed months keep their own.
    requireRight(db, Right::CloseMonths);
    const NetPayRounding before = netPayRounding(db);
    if (before == rounding)
        return;
    storeSetting(db, kKey, rounding.storedText());
    OperationLog(db).record(QStringLiteral("实发工资取整"), before.text() + QStringLiteral(" → ") + rounding.text());
    tx.commit();
}

} // namespace kv
