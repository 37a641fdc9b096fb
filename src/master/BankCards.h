#pragma once

#include <QString>

namespace kv {

// 银行卡号 of an employee: 12 to 19 digits whose last one is the Luhn check digit. Typed with
// blanks between groups ("6222 0212 3456 7890"), stored as the digits alone.

// The digits of a typed card number, blanks (also full-width ones) left out and full-width digits
// made plain; empty when nothing but blanks was typed. Other characters stay, so that the check
// refuses them.
QString bankCardDigits(const QString& typed);

// Whether the digits end in the Luhn check digit of the ones before it.
bool luhnValid(const QString& digits);

// Why a typed card number cannot be stored, in Chinese for the user; empty when it can (an empty
// number can: an employee may have no card).
QString bankCardFault(const QString& typed);

// A stored card number as lists and prints show it: "**** **** **** 1234"; empty stays empty.
QString maskedBankCard(const QString& stored);
// Whether a text is such a masked number (as the export of the employee list holds it).
bool isMaskedBankCard(const QString& text);

} // namespace kv
