#pragma once

#include "data/Decimal.h"
#include "data/NetPayRounding.h"

#include <QString>

namespace kv {

// Who is paid how, and how much, on pay day: the one rule that 银行代发 and 零钞统计 both follow,
// so that every worker is in exactly one of the two sheets and together they pay the month.

enum class PayMethod { Bank, Cash };

// 发放方式 as stored with the employee, and his card number: 银行 by bank, 现金 in cash, and an
// empty (or unknown) one by bank when a card number is stored, else in cash.
PayMethod payMethodOf(const QString& storedMethod, const QString& card);

// What is paid out of an exact net pay: rounded as the settings say, and to the 分 (half up)
// when they say none, since neither a bank nor an envelope pays less than a 分. Zero or less:
// nothing is paid.
Decimal paidOut(const NetPayRounding& rounding, Decimal netPay);

} // namespace kv
