#include "ui/ColumnWidest.h"

namespace kv::ui {

void ColumnWidest::addText(const QString& text)
{
    if (2 * text.size() < m_weight)
        return; // too short to be the longest
    int weight = 0;
    for (const QChar c : text)
        weight += c.unicode() >= 0x2E80 ? 2 : 1;
    if (weight < m_weight || weight == 0)
        return;
    if (weight > m_weight) {
        m_weight = weight;
        m_texts.clear();
    }
    if (m_texts.size() < kMeasuredTexts && !m_texts.contains(text))
        m_texts.append(text);
}

std::optional<Decimal> ColumnWidest::widestNumber() const
{
    if (!m_numbers)
        return std::nullopt;
    int digits = 1;
    for (qint64 whole = m_largest / Decimal::kScale; whole >= 10; whole /= 10)
        ++digits;
    qint64 whole = 0;
    for (int i = 0; i < std::min(digits, 12); ++i)
        whole = whole * 10 + 9;
    qint64 fraction = 0;
    for (int i = 0; i < Decimal::kPlaces; ++i)
        fraction = fraction * 10 + (i < m_places ? 9 : 0);
    const qint64 units = whole * Decimal::kScale + fraction;
    return Decimal::fromUnits(m_negative ? -units : units);
}

} // namespace kv::ui
