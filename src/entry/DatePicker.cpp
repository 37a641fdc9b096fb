#include "entry/DatePicker.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QMouseEvent>

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

void DatePicker::typeDay(const QString& digits)
{
    setSelectedSection(QDateTimeEdit::DaySection);
    for (const QChar digit : digits) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_0 + digit.digitValue(), Qt::NoModifier, QString(digit));
        QApplication::sendEvent(this, &press);
    }
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
    case Qt::Key_Enter: emit enterPressed(); return;
    default: QDateEdit::keyPressEvent(event);
    }
}

void DatePicker::focusOutEvent(QFocusEvent* event)
{
    QDateEdit::focusOutEvent(event);
    // Opening its own calendar or a message box is not leaving the picker.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason && !isCalendarOpen())
        emit focusLeft();
}

} // namespace kv
