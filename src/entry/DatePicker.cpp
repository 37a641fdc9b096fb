#include "entry/DatePicker.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpression>

#include <algorithm>
#include <optional>
#include <utility>

namespace kv {

DatePicker::DatePicker(QWidget* parent) : QDateEdit(parent)
{
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("yyyy-M-d"));
    hide();
}

void DatePicker::openCalendar()
{
    // F4 and Alt+Down do not open the calendar of a date edit; a press on its arrow does.
    const QPoint arrow(width() - 4, height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(arrow), mapToGlobal(QPointF(arrow)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(this, &press);
}

void DatePicker::typeDate(const QString& digits)
{
    m_typing = true;
    m_typedFrom = date();
    m_typed = digits;
    applyTyped();
}

void DatePicker::applyTyped()
{
    m_pending = {};
    const std::optional<QDate> typed = typedDate();
    // A date of another month may be a step on the way ("08-5" before "08-5-6"): it is only
    // set, and so checked, when Enter takes it. Text that reads as no date (yet) shows the date
    // the typing began on.
    if (typed && (typed->year() != m_typedFrom.year() || typed->month() != m_typedFrom.month()))
        m_pending = *typed;
    else if (const QDate shown = typed.value_or(m_typedFrom); shown != date())
        setDate(shown);
}

std::optional<QDate> DatePicker::typedDate() const
{
    const QStringList parts = m_typed.split(QRegularExpression(QStringLiteral("[-/.]")));
    if (parts.size() > 3 ||
        std::any_of(parts.cbegin(), parts.cend(), [](const QString& p) { return p.isEmpty() || p.size() > 4; }))
        return std::nullopt;
    QList<int> numbers;
    for (const QString& part : parts)
        numbers.append(part.toInt());
    // Missing parts come from the date the typing began on: the day alone, month and day, or all
    // three; a year of two digits is one of that year's century.
    if (numbers.size() == 3 && parts.first().size() <= 2)
        numbers[0] += m_typedFrom.year() / 100 * 100;
    while (numbers.size() < 3)
        numbers.prepend(numbers.size() == 2 ? m_typedFrom.year() : m_typedFrom.month());
    const QDate date(numbers.at(0), numbers.at(1), numbers.at(2));
    return date.isValid() ? std::optional(date) : std::nullopt;
}

std::optional<QString> DatePicker::unreadableText() const
{
    if (!m_typing || m_typed.isEmpty() || typedDate())
        return std::nullopt;
    return m_typed;
}

bool DatePicker::isCalendarOpen() const
{
    return calendarWidget() && calendarWidget()->isVisible();
}

void DatePicker::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape: emit escapePressed(); return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (const auto typed = unreadableText()) {
            emit unreadableTyped(*typed);
            return;
        }
        if (m_pending.isValid()) {
            // Set now, the date of another month is refused with a message and the picker stays.
            setDate(std::exchange(m_pending, QDate()));
            return;
        }
        emit enterPressed();
        return;
    default: break;
    }
    const QString text = event->text();
    // A digit typed in the picker begins a date typed whole, as one typed on the cell does.
    if (!m_typing && text.size() == 1 && text.at(0).isDigit() &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        typeDate(text);
        return;
    }
    if (m_typing) {
        if (event->key() == Qt::Key_Backspace && !m_typed.isEmpty()) {
            m_typed.chop(1);
            applyTyped();
            return;
        }
        if (text.size() == 1 && (text.at(0).isDigit() || QStringLiteral("-/.").contains(text.at(0)))) {
            m_typed += text;
            applyTyped();
            return;
        }
        m_typing = false;
    }
    QDateEdit::keyPressEvent(event);
}

void DatePicker::hideEvent(QHideEvent* event)
{
    m_typing = false;
    m_typed.clear();
    m_pending = {};
    QDateEdit::hideEvent(event);
}

void DatePicker::focusOutEvent(QFocusEvent* event)
{
    QDateEdit::focusOutEvent(event);
    // Opening its own calendar or a message box is not leaving the picker.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason || isCalendarOpen())
        return;
    if (const auto typed = unreadableText())
        emit unreadableTyped(*typed);
    else
        emit focusLeft();
}

} // namespace kv
