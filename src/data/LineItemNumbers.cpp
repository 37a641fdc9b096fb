#include "data/LineItemNumbers.h"

#include "data/Database.h"
#include "data/TextRules.h"

namespace kv {

namespace {
struct Journal {
    const char16_t* journal;
    const char16_t* numberColumn;
    const char16_t* descriptionColumn;
    const char16_t* master;
    const char16_t* masterNumber;
    const char16_t* masterDescription;
};
constexpr Journal kJournals[] = {
    {u"工资流水", u"产品编号", u"产品", u"产品工价", u"产品编号", u"产品说明"},
    {u"扣减流水", u"扣减项目编号", u"扣减项目", u"扣减项目", u"扣减项目编号", u"扣减项目说明"},
};
} // namespace

void fillLineItemNumbers(Database& db, const std::optional<JournalScope>& scope)
{
    for (const Journal& j : kJournals) {
        const auto s = [](const char16_t* name) { return QString::fromUtf16(name); };
        // The one number of the records carrying the line's description; NULL when they carry
        // several, or some carry none, or no record carries it.
        QString sql = QStringLiteral("UPDATE %1 SET %2 = (SELECT CASE WHEN count(*) > 0 AND count(m.%5) = count(*) "
                                     "AND min(m.%5) = max(m.%5) AND min(m.%5) <> '' THEN min(m.%5) END "
                                     "FROM %4 m WHERE m.%6 = %1.%3) WHERE %2 IS NULL")
                          .arg(s(j.journal), s(j.numberColumn), s(j.descriptionColumn), s(j.master), s(j.masterNumber),
                               s(j.masterDescription));
        QVariantList bound;
        if (scope) {
            sql += QStringLiteral(" AND 工号 = ? AND 日期 >= ? AND 日期 < ?");
            bound = {scope->employeeNo, isoDate(scope->month.firstDay()), isoDate(scope->month.nextFirstDay())};
        }
        db.exec(sql, bound);
    }
}

} // namespace kv
