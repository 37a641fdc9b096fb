#include "data/MonthlyTotals.h"

#include "data/Database.h"
#include "data/TextRules.h"

namespace kv {

QString totalsMonthKey(const QDate& day)
{
    return isoDate(day).left(7);
}

void refreshMonthlyTotals(Database& db, const QString& employeeNo, const YearMonth& month)
{
    // On a server whose clerks may not write the totals, the database's triggers keep them.
    if (db.isServer() && !db.scalar(QStringLiteral("SELECT has_table_privilege('月度合计', 'INSERT')")).toBool())
        return;
    const QString key = totalsMonthKey(month.firstDay());
    const QString first = isoDate(month.firstDay());
    const QString next = isoDate(month.nextFirstDay());
    db.exec(QStringLiteral("DELETE FROM 月度合计 WHERE 月份 = ? AND 工号 = ?"), {key, employeeNo});
    db.exec(QStringLiteral("INSERT INTO 月度合计 (月份, 工号, 生产金额, 扣减) SELECT ?, ?, p, d FROM ("
                           "SELECT (SELECT decimal_sum(金额) FROM 工资流水 "
                           "WHERE 工号 = ? AND 日期 >= ? AND 日期 < ?) AS p, "
                           "(SELECT decimal_sum(扣减金额) FROM 扣减流水 "
                           "WHERE 工号 = ? AND 日期 >= ? AND 日期 < ?) AS d) AS sums "
                           "WHERE p IS NOT NULL OR d IS NOT NULL"),
            {key, employeeNo, employeeNo, first, next, employeeNo, first, next});
}

void rebuildMonthlyTotals(Database& db)
{
    db.execScript(QStringLiteral("DELETE FROM 月度合计"));
    // A line without a number or a date belongs to no employee's month.
    db.execScript(QStringLiteral(R"SQL(
INSERT INTO 月度合计 (月份, 工号, 生产金额, 扣减)
SELECT 月份, 工号, decimal_sum(p), decimal_sum(d) FROM (
    SELECT substr(日期, 1, 7) AS 月份, 工号, 金额 AS p, NULL AS d FROM 工资流水
    WHERE 工号 IS NOT NULL AND 日期 IS NOT NULL
    UNION ALL
    SELECT substr(日期, 1, 7), 工号, NULL, 扣减金额 FROM 扣减流水
    WHERE 工号 IS NOT NULL AND 日期 IS NOT NULL) AS lines
GROUP BY 月份, 工号
HAVING decimal_sum(p) IS NOT NULL OR decimal_sum(d) IS NOT NULL
)SQL"));
}

QString monthsByEmployeeTerm(const Database& db)
{
    return db.isServer() ? QStringLiteral("月份 || ''") : QStringLiteral("+月份");
}

} // namespace kv
