#pragma once

#include <QDateEdit>

namespace kv {

// The date editor laid over a date cell of a line grid, with its calendar opened at once.
class DatePicker final : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent);

    // Opens the drop-down calendar, as a press on the drop-down arrow does.
    void openCalendar();
    bool isCalendarOpen() const;
    // Starts typing the day with `digits`, the day's text selected so that they replace it.
    void typeDay(const QString& digits);

    // The cell text to put back on Escape, kept while the picker is shown.
    QString restoreText;

signals:
    void escapePressed();
    void enterPressed();
    void focusLeft();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace kv
