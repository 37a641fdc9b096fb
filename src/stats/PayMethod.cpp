#include "stats/PayMethod.h"

namespace kv {

PayMethod payMethodOf(const QString& storedMethod, const QString& card)
{
    const QString method = storedMethod.trimmed();
    if (method == QStringLiteral("银行"))
        return PayMethod::Bank;
    if (method == QStringLiteral("现金"))
        return PayMethod::Cash;
    return card.trimmed().isEmpty() ? PayMethod::Cash : PayMethod::Bank;
}

Decimal paidOut(const NetPayRounding& rounding, Decimal netPay)
{
    const NetPayRounding paidAs =
        rounding.isNone() ? NetPayRounding{NetPayRounding::Unit::Fen, NetPayRounding::Mode::HalfUp} : rounding;
    return paidAs.apply(netPay);
}

} // namespace kv
