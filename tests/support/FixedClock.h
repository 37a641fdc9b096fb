#pragma once

#include "data/Clock.h"

// A clock that stays on the day a test chooses.
class FixedClock : public kv::Clock {
public:
    explicit FixedClock(QDate date) : m_date(date) {}
    QDate today() const override { return m_date; }
    void set(QDate date) { m_date = date; }

private:
    QDate m_date;
};
