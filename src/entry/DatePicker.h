#pragma once

#include <QDateEdit>

#include <optional>

namespace kv {

// The date editor laid over a date cell of a line grid, with its calendar opened at once.
class DatePicker final : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent);

    // Opens the drop-down calendar, as a press on the drop-down arrow does.
    void openCalendar();
    bool isCalendarOpen() const;
    // Starts typing a date with `digits`. What is typed from then on is read as a whole: "9" is
    // the 9th of the month shown, "12-9" the 9th of December of the year shown, "2026-12-9" that
    // day ("/" and "." separate as well as "-"). Each step that reads as a day of the month shown
    // sets it, a step that reads as no date shows the date the typing began on, and a date of
    // another month is set when Enter takes it. A key that is no digit, separator or Backspace
    // ends the typing and acts as usual.
    void typeDate(const QString& digits);

    // The text typed, while it reads as no date ("45", "12/32"): Enter and leaving the picker
    // then report it (unreadableTyped) instead of taking a date.
    std::optional<QString> unreadableText() const;

    // The cell text to put back on Escape, kept while the picker is shown.
    QString restoreText;

signals:
    void escapePressed();
    void enterPressed();
    void focusLeft();
    void unreadableTyped(const QString& typed);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Shows the date the typed text reads as (or the one the typing began on).
    void applyTyped();
    std::optional<QDate> typedDate() const;

    QString m_typed;
    bool m_typing = false;
    QDate m_typedFrom; // the date shown when the typing began
    QDate m_pending;   // a date of another month typed, set when Enter takes it
};

} // namespace kv
