#include "master/BankCards.h"

#include <algorithm>

namespace kv {

namespace {
constexpr int kShortestCard = 12;
constexpr int kLongestCard = 19;
constexpr int kShownDigits = 4;
} // namespace

QString bankCardDigits(const QString& typed)
{
    QString out;
    out.reserve(typed.size());
    for (const QChar c : typed) {
        if (c.isSpace())
            continue;
        // Digits typed with a Chinese input method come full-width.
        if (c >= u'０' && c <= u'９')
            out += QChar(u'0' + (c.unicode() - u'０'));
        else
            out += c;
    }
    return out;
}

bool luhnValid(const QString& digits)
{
    if (digits.isEmpty())
        return false;
    int sum = 0;
    bool doubled = false;
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        const char16_t c = digits.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
        int d = c - u'0';
        if (doubled) {
            d *= 2;
            if (d > 9)
                d -= 9;
        }
        sum += d;
        doubled = !doubled;
    }
    return sum % 10 == 0;
}

QString bankCardFault(const QString& typed)
{
    const QString digits = bankCardDigits(typed);
    if (digits.isEmpty())
        return {};
    for (const QChar c : digits)
        if (c < u'0' || c > u'9')
            return QStringLiteral("银行卡号只能是数字（可以用空格分组）：%1").arg(typed.trimmed());
    if (digits.size() < kShortestCard || digits.size() > kLongestCard)
        return QStringLiteral("银行卡号应为 %1 到 %2 位数字，这里是 %3 位：%4")
            .arg(kShortestCard)
            .arg(kLongestCard)
            .arg(digits.size())
            .arg(typed.trimmed());
    if (!luhnValid(digits))
        return QStringLiteral("银行卡号的校验位不对，请核对是否抄错了某一位：%1").arg(typed.trimmed());
    return {};
}

QString maskedBankCard(const QString& stored)
{
    if (stored.isEmpty())
        return {};
    return QStringLiteral("**** **** **** ") + stored.right(kShownDigits);
}

bool isMaskedBankCard(const QString& text)
{
    const QString last = text.right(kShownDigits);
    return last.size() == kShownDigits &&
           std::all_of(last.begin(), last.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }) &&
           text == maskedBankCard(last);
}

} // namespace kv
