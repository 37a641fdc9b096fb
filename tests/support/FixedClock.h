#pragma once

#include "data/Clock.h"

#include <QDateTime>

// A clock that stays on the day (and time) a test chooses.
class FixedClock : public kv::Clock {
public:
    explicit FixedClock(QDate date, QTime time = QTime(9, 30)) : m_now(date, time) {}
    QDate today() const override { return m_now.date(); }
    QDateTime now() const override { return m_now; }
    void set(QDate date) { m_now.setDate(date); }
    void set(const QDateTime& now) { m_now = now; }

private:
    QDateTime m_now;
};
