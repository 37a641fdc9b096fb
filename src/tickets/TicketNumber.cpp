#include "tickets/TicketNumber.h"

namespace kv {

int ticketCheckDigit(QStringView digits)
{
    // ISO 7064 MOD 11,10: a running product carried through each digit; the check digit makes
    // the last sum 1 (mod 10).
    int carry = 10;
    for (const QChar c : digits) {
        int sum = (carry + c.digitValue()) % 10;
        if (sum == 0)
            sum = 10;
        carry = (sum * 2) % 11;
    }
    return (11 - carry) % 10;
}

QString ticketNumber(qint64 serial)
{
    const QString digits = QStringLiteral("%1").arg(serial, kTicketSerialDigits, 10, QLatin1Char('0'));
    return digits + QString::number(ticketCheckDigit(digits));
}

bool isValidTicketNumber(QStringView text)
{
    if (text.size() != kTicketNumberDigits)
        return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return ticketCheckDigit(text.first(kTicketSerialDigits)) == text.last().digitValue();
}

std::optional<qint64> ticketSerial(QStringView text)
{
    if (!isValidTicketNumber(text))
        return std::nullopt;
    return text.first(kTicketSerialDigits).toLongLong();
}

} // namespace kv
