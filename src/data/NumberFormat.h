#pragma once

#include <QString>

namespace kv {

// A number as "#,##0" shows it: rounded to whole units, half away from zero, with a comma
// between groups of three digits. 1234.5 -> "1,235", -765.6 -> "-766", -0.4 -> "0".
QString groupedWhole(double value);

} // namespace kv
