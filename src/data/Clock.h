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

class FixedClock : public Clock {
public:
    explicit FixedClock(QDate date, QTime time = QTime(9, 30)) : m_now(date, time) {}
    QDate today() const override { return m_now.date(); }
    QDateTime now() const override { return m_now; }
    void set(QDate date) { m_now.setDate(date); }
    void set(const QDateTime& now) { m_now = now; }

private:
    QDateTime m_now;
};

} // namespace kv
