#pragma once

#include <QDate>

namespace kv {

// Today's date, replaceable so that tests can live on a day of their choosing.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDate today() const { return QDate::currentDate(); }
};

} // namespace kv
