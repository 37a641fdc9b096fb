#include "entry/ItemLookup.h"

#include "data/Database.h"
#include "data/TextRules.h"

namespace kv {

namespace {
struct LookupTable {
    QString columns;
    QString table;
    QString number;
    QString description;
    int numericColumn; // shown as plain decimal text
};

LookupTable tableOf(LookupKind kind)
{
    if (kind == LookupKind::Product)
        return {QStringLiteral("产品编号,产品说明,计量单位,工价"), QStringLiteral("产品工价"),
                QStringLiteral("产品编号"), QStringLiteral("产品说明"), 3};
    return {QStringLiteral("扣减项目编号,扣减项目说明,扣减金额"), QStringLiteral("扣减项目"),
            QStringLiteral("扣减项目编号"), QStringLiteral("扣减项目说明"), 2};
}
} // namespace

LookupResult lookupItems(Database& db, LookupKind kind, const QString& typed)
{
    const LookupTable t = tableOf(kind);
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(t.columns, t.table);
    QVariantList values;
    if (!typed.isNull()) {
        const QString key = escapeLike(cleanText(typed));
        sql += QStringLiteral(" WHERE %1 LIKE ? ESCAPE '\\' OR %2 LIKE ? ESCAPE '\\' OR 拼音编码 LIKE ? ESCAPE '\\'")
                   .arg(t.description, t.number);
        values = {u'%' + key, u'%' + key + u'%', u'%' + key + u'%'};
    }
    sql += QStringLiteral(" ORDER BY id");

    Statement st = db.prepare(sql);
    st.bindAll(values);
    LookupResult result;
    for (int i = 0; i < st.columnCount(); ++i)
        result.fields << st.columnName(i);
    while (st.next()) {
        QStringList row;
        for (int i = 0; i < st.columnCount(); ++i)
            row << (i == t.numericColumn && !st.isNull(i) ? plainDecimal(st.number(i)) : st.text(i));
        result.rows.append(row);
    }
    return result;
}

} // namespace kv
