#pragma once

#include <QString>
#include <QStringList>

namespace kv {

class Database;

// The text of the refusal whenever a closed month would change.
inline constexpr auto kMonthClosedText = u"该月份已结账，不能修改！";

// Months closed after pay day (table 月结). The lines and totals of a closed month stay as they
// were paid until the super administrator reopens it.
class ClosedMonths {
public:
    explicit ClosedMonths(Database& db) : m_db(db) {}

    enum class Outcome { Done, BadMonth, AlreadyClosed, NotClosed, NotAllowed, NotSuperAdministrator, WrongPassword };

    // Month texts are read as the working month is ("2026-11", "2026-05"); a text that is no
    // month is never closed.
    bool isClosed(const QString& month);
    // Closed months, newest first, as working month texts.
    QStringList months();

    // Closing needs the right to close months (Right::CloseMonths) of the connection's account;
    // only the super administrator reopens, and reopening also asks for that account's
    // password, so a forgotten session cannot undo a paid month. `at` is the time recorded.
    Outcome close(const QString& month, const QString& at);
    Outcome reopen(const QString& month, const QString& password);

private:
    Database& m_db;
};

// Throws InputError with kMonthClosedText when the month is closed: every change of a month's lines
// asks this inside its own transaction.
void refuseClosedMonth(Database& db, const QString& month);

// The message of an outcome that is not Done.
QString outcomeText(ClosedMonths::Outcome outcome);

} // namespace kv
