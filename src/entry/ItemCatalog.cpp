#include "entry/ItemCatalog.h"

#include "data/Database.h"
#include "data/TextRules.h"

#include <utility>

namespace kv {

namespace {
struct CatalogTable {
    QString table;
    QString columns;   // the shown ones, then description, number and pinyin code for matching
    int numericColumn; // shown as plain decimal text
    int shownColumns;
    int outOfUseColumn; // 停用日期: set for an item no new line may take
};

CatalogTable tableOf(LookupKind kind)
{
    if (kind == LookupKind::Product)
        return {QStringLiteral("产品工价"),
                QStringLiteral("产品编号, 产品说明, 计量单位, 工价, 拼音编码, id, 停用日期"), 3, 4, 6};
    return {QStringLiteral("扣减项目"), QStringLiteral("扣减项目编号, 扣减项目说明, 扣减金额, 拼音编码, 停用日期"), 2,
            3, 4};
}

// Letters A-Z to lower case, as SQL's LIKE compares them; every other character stays.
QString folded(QString text)
{
    for (QChar& c : text)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return text;
}

// A stored value as a matching key: null stays null (it matches nothing), "" stays a text.
QString keyOf(const Statement& st, int col)
{
    if (st.isNull(col))
        return {};
    const QString key = folded(st.text(col));
    return key.isNull() ? QStringLiteral("") : key;
}

} // namespace

void ItemCatalog::refresh(Database& db)
{
    const CatalogTable t = tableOf(m_kind);
    std::optional<QString> stamp = db.changeStamp(t.table);
    if (stamp && m_kind == LookupKind::Product) {
        const std::optional<QString> rates = db.changeStamp(QStringLiteral("工价历史"));
        stamp = rates ? std::optional<QString>(*stamp + u' ' + *rates) : std::nullopt;
    }
    if (stamp && stamp == m_stamp)
        return;

    const bool products = m_kind == LookupKind::Product;
    const QHash<qint64, PriceHistory> histories = products ? PieceRates(db).histories() : QHash<qint64, PriceHistory>();
    QStringList listed;
    QList<PriceHistory> dated;

    Statement st = db.prepare(QStringLiteral("SELECT %1 FROM %2 ORDER BY id").arg(t.columns, t.table));
    QStringList fields;
    for (int i = 0; i < t.shownColumns; ++i)
        fields << st.columnName(i);
    QList<QStringList> rows;
    QList<Keys> keys;
    while (st.next()) {
        QStringList row;
        for (int i = 0; i < t.shownColumns; ++i)
            row << (i == t.numericColumn && !st.isNull(i) ? st.decimal(i).plainText() : st.text(i));
        rows.append(row);
        keys.append({keyOf(st, 0), keyOf(st, 1), keyOf(st, t.shownColumns), !st.isNull(t.outOfUseColumn)});
        if (products) {
            listed << row.at(t.numericColumn);
            dated << histories.value(st.integer(t.shownColumns + 1));
        }
    }
    m_fields = fields;
    m_rows = std::move(rows);
    m_keys = std::move(keys);
    m_listedPrices = std::move(listed);
    m_histories = std::move(dated);
    m_stamp = stamp;
    if (m_day.isValid())
        setDay(std::exchange(m_day, QDate()));
}

void ItemCatalog::setDay(const QDate& day)
{
    if (m_kind != LookupKind::Product || day == m_day)
        return;
    m_day = day;
    const int priceColumn = tableOf(m_kind).numericColumn;
    for (int i = 0; i < m_rows.size(); ++i) {
        QString price = m_listedPrices.value(i);
        if (!m_histories.value(i).isEmpty()) {
            const std::optional<Decimal> inForce = priceInForce(m_histories.at(i), day);
            price = inForce ? inForce->plainText() : QString();
        }
        if (m_rows.at(i).at(priceColumn) != price)
            m_rows[i][priceColumn] = price;
    }
}

QList<int> ItemCatalog::matches(const QString& typed) const
{
    QList<int> out;
    out.reserve(m_rows.size());
    // Items out of use are never offered for a new line; the lines that name them keep them.
    if (typed.isNull()) {
        for (int i = 0; i < m_rows.size(); ++i)
            if (!m_keys.at(i).outOfUse)
                out << i;
        return out;
    }
    // A NUL cannot be part of what is searched for, as in the database's own search.
    const QString key = folded(cleanText(QString(typed).remove(QChar(u'\0'))));
    for (int i = 0; i < m_keys.size(); ++i) {
        const Keys& k = m_keys.at(i);
        if (k.outOfUse)
            continue;
        if ((!k.description.isNull() && k.description.endsWith(key)) ||
            (!k.number.isNull() && k.number.contains(key)) || (!k.pinyin.isNull() && k.pinyin.contains(key)))
            out << i;
    }
    return out;
}

std::optional<QString> ItemCatalog::priceOf(const QString& number, const QString& description,
                                            const QString& unit) const
{
    if (m_kind != LookupKind::Product)
        return std::nullopt;
    std::optional<QString> price;
    for (const QStringList& row : m_rows) {
        if (number.isEmpty() ? (row.at(1) != description || row.at(2) != unit) : row.at(0) != number)
            continue;
        if (price)
            return std::nullopt;
        price = row.at(3);
    }
    return price;
}

LookupResult lookupItems(Database& db, LookupKind kind, const QString& typed, const QDate& day)
{
    ItemCatalog catalog(kind);
    catalog.refresh(db);
    if (day.isValid())
        catalog.setDay(day);
    LookupResult result{catalog.fields(), {}};
    for (int i : catalog.matches(typed))
        result.rows.append(catalog.rows().at(i));
    return result;
}

} // namespace kv
