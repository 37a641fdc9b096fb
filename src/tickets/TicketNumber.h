#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace kv {

// A bundle ticket's number: a serial of kTicketSerialDigits digits and a check digit after it,
// ten digits in all ("0000000125"). The check digit is ISO 7064 MOD 11,10: it catches every
// change of one digit and every swap of two neighbouring digits, so a mistyped number is refused
// instead of paying the wrong ticket.
inline constexpr int kTicketSerialDigits = 9;
inline constexpr int kTicketNumberDigits = kTicketSerialDigits + 1;

// The check digit (0-9) of a string of decimal digits.
int ticketCheckDigit(QStringView digits);
// The ticket number of a serial (1 and up, fewer than 10^9).
QString ticketNumber(qint64 serial);
// Whether the text is ten digits whose last is the check digit of the nine before it.
bool isValidTicketNumber(QStringView text);
// The serial of a valid ticket number; none otherwise.
std::optional<qint64> ticketSerial(QStringView text);

} // namespace kv
