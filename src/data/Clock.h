#pragma once

#include <QDate>
#include <QDateTime>

namespace kv {

// Today's date and the time, replaceable so that tests can live on a day of their choosing.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDate today() const { return QDate::currentDate(); }
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
};

} // namespace kv
