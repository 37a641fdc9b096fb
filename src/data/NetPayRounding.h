#pragma once

#include "data/Decimal.h"

#include <QString>
#include <QStringList>

namespace kv {

class Database;

// How net pay is rounded for paying it out (实发工资取整). The stored lines and sums never
// change; slips and the payroll sheet show the rounded figure beside the exact one.
struct NetPayRounding {
    enum class Unit { None, Fen, Jiao, Yuan }; // 不取整, 分 (0.01), 角 (0.1), 元 (1)
    enum class Mode { HalfUp, Drop };          // 四舍五入 (half away from zero), 舍去 (towards zero)
    Unit unit = Unit::None;
    Mode mode = Mode::HalfUp;

    bool isNone() const { return unit == Unit::None; }
    // The net pay as paid out. Negative pay rounds as its amount does, with its sign.
    Decimal apply(Decimal netPay) const;
    // 取整差额: what rounding adds to the exact net pay (negative when it takes away).
    Decimal difference(Decimal netPay) const { return apply(netPay) - netPay; }
    // "不取整", "取整到角（四舍五入）".
    QString text() const;
    // The key and value kept in the database, and back; an unknown value reads as no rounding.
    QString storedText() const;
    static NetPayRounding fromStoredText(const QString& text);

    bool operator==(const NetPayRounding&) const = default;
};

// The captions of the units and modes in the order of their enums, for the settings page.
QStringList roundingUnitNames();
QStringList roundingModeNames();

// The rounding kept with the data (kelvaro_meta), so that every clerk pays alike; none until
// set. It pays the open months; a closed month keeps the one it was closed with
// (PaySnapshot.h). Throws DbError.
NetPayRounding netPayRounding(Database& db);
// Stores it and logs the change. Needs the right to close months (InputError otherwise).
void setNetPayRounding(Database& db, const NetPayRounding& rounding);

} // namespace kv
