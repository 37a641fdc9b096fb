#include "data/OperationLog.h"

#include "data/Database.h"
#include "data/TextRules.h"

#include <QDateTime>

namespace kv {

void OperationLog::record(const QString& action, const QString& target)
{
    m_db.exec(
        QStringLiteral("INSERT INTO 操作日志 (时间, 账号, 操作, 内容) VALUES (?, ?, ?, ?)"),
        {QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), m_db.actor(), action, target});
}

void OperationLog::recordAlone(const QString& action, const QString& target)
{
    Transaction tx(m_db);
    record(action, target);
    tx.commit();
}

namespace {
const QStringList kColumns{QStringLiteral("时间"), QStringLiteral("账号"), QStringLiteral("操作"),
                           QStringLiteral("内容")};
}

QList<LogEntry> OperationLog::entries(const QList<std::pair<int, QString>>& conditions)
{
    QStringList where;
    QVariantList values;
    for (const auto& [column, text] : conditions) {
        if (column < 0 || column >= kColumns.size())
            throw DbError(QStringLiteral("操作日志没有第 %1 列。").arg(column + 1));
        where << kColumns.at(column) + QStringLiteral(" LIKE ? ESCAPE '\\'");
        values << u'%' + escapeLike(text) + u'%';
    }
    Statement st = m_db.prepare(
        QStringLiteral("SELECT 时间, 账号, 操作, 内容 FROM 操作日志 %1 ORDER BY id DESC")
            .arg(where.isEmpty() ? QString() : QStringLiteral("WHERE ") + where.join(QStringLiteral(" AND "))));
    st.bindAll(values);
    QList<LogEntry> list;
    while (st.next())
        list.append({st.text(0), st.text(1), st.text(2), st.text(3)});
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
