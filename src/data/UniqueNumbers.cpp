#include "data/UniqueNumbers.h"

#include "data/Database.h"

namespace kv {

namespace {
struct NumberedTable {
    const char16_t* table;
    const char16_t* column;
    const char16_t* uniqueIndex;
    const char16_t* plainIndex; // the index of the first version, which the unique one replaces
};

constexpr NumberedTable kNumbered[] = {
    {u"员工", u"工号", u"员工_工号_唯一", u"员工_工号"},
    {u"产品工价", u"产品编号", u"产品工价_产品编号_唯一", u"产品工价_产品编号"},
    {u"扣减项目", u"扣减项目编号", u"扣减项目_扣减项目编号_唯一", u"扣减项目_扣减项目编号"},
};

// How many duplicate numbers a message names before it only counts the rest.
constexpr int kNamedDuplicates = 10;

QString name(const char16_t* text)
{
    return QString::fromUtf16(text);
}

DuplicateNumbers duplicatesOf(Database& db, const NumberedTable& t)
{
    DuplicateNumbers found{name(t.table), name(t.column), {}};
    Statement st = db.prepare(QStringLiteral("SELECT \"%1\", count(*) FROM \"%2\" WHERE \"%1\" IS NOT NULL "
                                             "GROUP BY \"%1\" HAVING count(*) > 1 ORDER BY \"%1\"")
                                  .arg(found.column, found.table));
    while (st.next())
        found.numbers << QStringLiteral("%1（%2 条）").arg(st.text(0)).arg(st.integer(1));
    return found;
}
} // namespace

bool hasUniqueNumberIndex(Database& db, const QString& table)
{
    const QStringList indexes = db.indexes();
    for (const NumberedTable& t : kNumbered)
        if (name(t.table) == table)
            return indexes.contains(name(t.uniqueIndex));
    return false;
}

QList<DuplicateNumbers> tablesWithoutUniqueNumbers(Database& db)
{
    QList<DuplicateNumbers> without;
    const QStringList indexes = db.indexes();
    for (const NumberedTable& t : kNumbered)
        if (!indexes.contains(name(t.uniqueIndex)))
            without << duplicatesOf(db, t);
    return without;
}

QList<DuplicateNumbers> makeUniqueNumberIndexes(Database& db)
{
    QList<DuplicateNumbers> left;
    const QStringList indexes = db.indexes();
    for (const NumberedTable& t : kNumbered) {
        if (indexes.contains(name(t.uniqueIndex)))
            continue;
        const DuplicateNumbers found = duplicatesOf(db, t);
        if (!found.numbers.isEmpty()) {
            left << found;
            continue;
        }
        db.execScript(QStringLiteral("CREATE UNIQUE INDEX \"%1\" ON \"%2\" (\"%3\")")
                          .arg(name(t.uniqueIndex), name(t.table), name(t.column)));
        if (indexes.contains(name(t.plainIndex)))
            db.execScript(QStringLiteral("DROP INDEX \"%1\"").arg(name(t.plainIndex)));
    }
    return left;
}

void dropUniqueNumberIndexesAbsentFrom(Database& from, Database& to)
{
    const QStringList present = from.indexes();
    const QStringList target = to.indexes();
    for (const NumberedTable& t : kNumbered) {
        if (present.contains(name(t.uniqueIndex)) || !target.contains(name(t.uniqueIndex)))
            continue;
        to.execScript(QStringLiteral("DROP INDEX \"%1\"").arg(name(t.uniqueIndex)));
        if (!target.contains(name(t.plainIndex)))
            to.execScript(QStringLiteral("CREATE INDEX \"%1\" ON \"%2\" (\"%3\")")
                              .arg(name(t.plainIndex), name(t.table), name(t.column)));
    }
}

QString duplicateNumbersText(const QList<DuplicateNumbers>& tables)
{
    QStringList lines;
    for (const DuplicateNumbers& d : tables) {
        if (d.numbers.isEmpty())
            continue;
        QStringList named = d.numbers.mid(0, kNamedDuplicates);
        if (d.numbers.size() > kNamedDuplicates)
            named << QStringLiteral("另有 %1 个").arg(d.numbers.size() - kNamedDuplicates);
        lines << QStringLiteral("%1表中有重复的%2：%3。").arg(d.table, d.column, named.join(QStringLiteral("、")));
    }
    if (lines.isEmpty())
        return {};
    return lines.join(u'\n') +
           QStringLiteral("\n请在基础资料中把这些编号改成各不相同；改好之前，这些表的编号重复只由程序检查。"
                          "改好后下次启动时，数据库会自己拒绝重复的编号。");
}

} // namespace kv
