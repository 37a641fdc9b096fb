#include "entry/ClosedMonths.h"

#include "data/Accounts.h"
#include "data/Database.h"
#include "data/OperationLog.h"
#include "data/PaySnapshot.h"
#include "data/Session.h"
#include "data/TextRules.h"

#include <algorithm>
#include <optional>

namespace kv {

namespace {
// Closing a month and changing its lines exclude each other on every connection.
QString closeLockName(const QString& canonical)
{
    return QStringLiteral("月结 ") + canonical;
}
} // namespace

bool ClosedMonths::isClosed(const QString& month)
{
    const auto canonical = normalMonthText(month);
    return canonical &&
           m_db.scalar(QStringLiteral("SELECT count(*) FROM 月结 WHERE 月份 = ?"), {*canonical}).toInt() > 0;
}

QStringList ClosedMonths::months()
{
    QList<YearMonth> found;
    Statement st = m_db.prepare(QStringLiteral("SELECT 月份 FROM 月结"));
    while (st.next())
        if (const auto month = parseMonthText(st.text(0)))
            found << *month;
    std::sort(found.begin(), found.end(), [](const YearMonth& a, const YearMonth& b) {
        return a.year != b.year ? a.year > b.year : a.month > b.month;
    });
    QStringList out;
    for (const YearMonth& m : found)
        out << monthText(m.year, m.month);
    return out;
}

ClosedMonths::Outcome ClosedMonths::close(const QString& month, const QString& at)
{
    const auto canonical = normalMonthText(month);
    if (!canonical)
        return Outcome::BadMonth;
    Transaction tx(m_db);
    try {
        requireRight(m_db, Right::CloseMonths);
    } catch (const InputError&) {
        return Outcome::NotAllowed;
    }
    if (isClosed(*canonical))
        return Outcome::AlreadyClosed;
    // Waits for saves of the month under way on other connections; later ones see it closed.
    m_db.lock(closeLockName(*canonical));
    // What the month paid is stored with it, so that later edits and settings leave it as paid;
    // a clerk's role on a server closes through the server's function, which checks the right
    // again by the password's proof and stamps the closing and its log entry with the server's
    // time.
    if (storeClosedMonth(m_db, *parseMonthText(*canonical), at, m_db.session().account()) == ClosingWritten::ByServer) {
        tx.commit();
        return Outcome::Done;
    }
    OperationLog(m_db).record(QStringLiteral("结账"), *canonical);
    tx.commit();
    return Outcome::Done;
}

ClosedMonths::Outcome ClosedMonths::reopen(const QString& month, const QString& password)
{
    const auto canonical = normalMonthText(month);
    if (!canonical)
        return Outcome::BadMonth;
    if (!m_db.session().isSuperAdministrator())
        return Outcome::NotSuperAdministrator;
    if (!superAdministratorPasswordFits(m_db, password))
        return Outcome::WrongPassword;
    if (!isClosed(*canonical))
        return Outcome::NotClosed;
    Transaction tx(m_db);
    m_db.lock(closeLockName(*canonical));
    // A clerk's role on a server reopens through the server's function, shown the password's
    // proof; it writes the log entry itself.
    if (throughServerFunctions(m_db)) {
        m_db.scalar(QStringLiteral("SELECT kelvaro_reopen_month(?, ?)"),
                    {accountProof(m_db, kSuperAdministratorId, password), *canonical});
    } else {
        dropPaySnapshot(m_db, *parseMonthText(*canonical));
        m_db.exec(QStringLiteral("DELETE FROM 月结 WHERE 月份 = ?"), {*canonical});
        OperationLog(m_db).record(QStringLiteral("反结账"), *canonical);
    }
    tx.commit();
    return Outcome::Done;
}

void refuseClosedMonth(Database& db, const QString& month)
{
    if (const auto canonical = normalMonthText(month))
        db.lock(closeLockName(*canonical), true);
    if (ClosedMonths(db).isClosed(month))
        throw InputError(QString::fromUtf16(kMonthClosedText));
}

QString outcomeText(ClosedMonths::Outcome outcome)
{
    switch (outcome) {
    case ClosedMonths::Outcome::Done: return {};
    case ClosedMonths::Outcome::BadMonth: return QStringLiteral("月份不正确，请按“2026-11”的样子填写月份！");
    case ClosedMonths::Outcome::AlreadyClosed: return QStringLiteral("该月份已经结账！");
    case ClosedMonths::Outcome::NotClosed: return QStringLiteral("该月份没有结账！");
    case ClosedMonths::Outcome::NotAllowed: return refusalText(Right::CloseMonths);
    case ClosedMonths::Outcome::NotSuperAdministrator: return QStringLiteral("只有超级管理员才能反结账！");
    case ClosedMonths::Outcome::WrongPassword: return QStringLiteral("超级管理员密码不正确！");
    }
    return {};
}

} // namespace kv
