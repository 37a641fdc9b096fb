#pragma once

#include "data/Decimal.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <optional>

namespace kv::ui {

// The widest values of a grid column, gathered without making their texts: the most digits
// before and after the point and whether any number is negative, and the texts of the most
// characters (a Chinese character counting as two). The grid's fitting measures what it gathered
// instead of every cell; a row source may gather it as it makes its rows (GridRowSource::widest).
class ColumnWidest {
public:
    void addNumber(Decimal value)
    {
        m_numbers = true;
        const qint64 units = value.units();
        m_negative = m_negative || units < 0;
        m_largest = std::max(m_largest, units < 0 ? -units : units);
        if (m_places < Decimal::kPlaces && !hasAtMostPlaces(units, m_places))
            m_places = value.places(); // more places than any before
    }
    void addText(const QString& text);

    // A number as wide as any gathered: nines in every place; none when no number was added.
    std::optional<Decimal> widestNumber() const;
    // The longest texts (a few of them: texts of one length may still differ in width).
    const QList<QString>& texts() const { return m_texts; }

private:
    // Whether a value has at most `places` places: its units are a multiple of 10^(kPlaces -
    // places) (each divisor a constant, so no division is made).
    static bool hasAtMostPlaces(qint64 units, int places)
    {
        switch (places) {
        case 0: return units % 1'000'000 == 0;
        case 1: return units % 100'000 == 0;
        case 2: return units % 10'000 == 0;
        case 3: return units % 1'000 == 0;
        case 4: return units % 100 == 0;
        default: return units % 10 == 0;
        }
    }
    static constexpr qsizetype kMeasuredTexts = 16;
    bool m_numbers = false;
    bool m_negative = false;
    qint64 m_largest = 0; // of the magnitudes, in units
    int m_places = 0;
    int m_weight = 0;
    QList<QString> m_texts;
};

} // namespace kv::ui
