#include "data/OperationLog.h"

#include "data/Accounts.h"
#include "data/Database.h"
#include "data/TextRules.h"

#include <QDateTime>

namespace kv {

void OperationLog::record(const QString& action, const QString& target)
{
    const Session& session = m_db.session();
    // A clerk's role on a server writes through the server's function, which names the account
    // that the password's proof shows and stamps the server's time.
    if (throughServerFunctions(m_db)) {
        m_db.scalar(QStringLiteral("SELECT kelvaro_log(?, ?, ?, ?)"),
                    {session.accountId() > 0 ? QVariant(session.accountId()) : QVariant(), session.passwordProof(),
                     action, target});
        return;
    }
    m_db.exec(QStringLiteral("INSERT INTO 操作日志 (时间, 账号, 账号ID, 操作, 内容) VALUES (?, ?, ?, ?, ?)"),
              {m_db.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), session.account(),
               session.accountId() > 0 ? QVariant(session.accountId()) : QVariant(), action, target});
}

void OperationLog::recordAlone(const QString& action, const QString& target)
{
    Transaction tx(m_db);
    record(action, target);
    tx.commit();
}

namespace {
const QStringList kColumns{QStringLiteral("时间"), QStringLiteral("账号"), QStringLiteral("操作"),
                           QStringLiteral("内容"), QStringLiteral("账号ID")};
constexpr int kAccountColumn = 1;
constexpr int kAccountIdColumn = 4;
} // namespace

QList<LogEntry> OperationLog::entries(const QList<std::pair<int, QString>>& conditions)
{
    QStringList where;
    QVariantList values;
    for (const auto& [column, text] : conditions) {
        if (column < 0 || column >= kColumns.size())
            throw DbError(QStringLiteral("操作日志没有第 %1 列。").arg(column + 1));
        if (column == kAccountColumn) {
            where << QStringLiteral("账号 = ?");
            values << text;
        } else if (column == kAccountIdColumn) {
            where << QStringLiteral("账号ID = ?");
            values << text.toLongLong();
        } else {
            where << kColumns.at(column) + QStringLiteral(" LIKE ? ESCAPE '\\'");
            values << u'%' + escapeLike(text) + u'%';
        }
    }
    Statement st = m_db.prepare(
        QStringLiteral("SELECT 时间, 账号, 操作, 内容, 账号ID FROM 操作日志 %1 ORDER BY id DESC")
            .arg(where.isEmpty() ? QString() : QStringLiteral("WHERE ") + where.join(QStringLiteral(" AND "))));
    st.bindAll(values);
    QList<LogEntry> list;
    while (st.next())
        list.append({st.text(0), st.text(1), st.isNull(4) ? QString() : QString::number(st.integer(4)), st.text(2),
                     st.text(3)});
    return list;
}

QStringList logColumnTitles()
{
    return kColumns;
}

QString changeText(Decimal before, Decimal after)
{
    return before.plainText() + QStringLiteral(" → ") + after.plainText();
}

} // namespace kv
