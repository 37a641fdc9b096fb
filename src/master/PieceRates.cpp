#include "master/PieceRates.h"

#include "data/Database.h"
#include "data/OperationLog.h"
#include "data/Session.h"
#include "data/TextRules.h"

#include <algorithm>

namespace kv {

namespace {
QDate storedDay(const QString& iso)
{
    return QDate::fromString(iso, QStringLiteral("yyyy-MM-dd"));
}

PriceHistory readHistory(Statement& st)
{
    PriceHistory history;
    while (st.next())
        history.append({storedDay(st.text(0)), st.decimal(1)});
    return history;
}
} // namespace

std::optional<Decimal> priceInForce(const PriceHistory& history, const QDate& day)
{
    // The history is ordered by day: the last change on or before the day is the one in force.
    const auto after = std::upper_bound(history.cbegin(), history.cend(), day,
                                        [](const QDate& d, const DatedPrice& p) { return d < p.from; });
    if (after == history.cbegin())
        return std::nullopt;
    return std::prev(after)->price;
}

PriceHistory PieceRates::history(qint64 productId)
{
    Statement st = m_db.prepare(QStringLiteral("SELECT 生效日期, 工价 FROM 工价历史 WHERE 产品ID = ? ORDER BY 生效日期"));
    st.bind(1, productId);
    return readHistory(st);
}

QHash<qint64, PriceHistory> PieceRates::histories()
{
    Statement st = m_db.prepare(QStringLiteral("SELECT 生效日期, 工价, 产品ID FROM 工价历史 ORDER BY 产品ID, 生效日期"));
    QHash<qint64, PriceHistory> all;
    while (st.next())
        all[st.integer(2)].append({storedDay(st.text(0)), st.decimal(1)});
    return all;
}

std::optional<Decimal> PieceRates::priceOn(qint64 productId, const QDate& day)
{
    const PriceHistory dated = history(productId);
    if (!dated.isEmpty())
        return priceInForce(dated, day);
    Statement st = m_db.prepare(QStringLiteral("SELECT 工价 FROM 产品工价 WHERE id = ?"));
    st.bind(1, productId);
    if (!st.next() || st.isNull(0))
        return std::nullopt;
    return st.decimal(0);
}

std::optional<Decimal> PieceRates::priceOn(const QString& number, const QString& description, const QString& unit,
                                           const QDate& day)
{
    Statement st = m_db.prepare(number.isEmpty()
                                    ? QStringLiteral("SELECT id FROM 产品工价 WHERE 产品说明 = ? AND 计量单位 = ?")
                                    : QStringLiteral("SELECT id FROM 产品工价 WHERE 产品编号 = ?"));
    st.bindAll(number.isEmpty() ? QVariantList{description, unit} : QVariantList{number});
    QList<qint64> ids;
    while (st.next())
        ids << st.integer(0);
    if (ids.size() != 1)
        return std::nullopt;
    return priceOn(ids.first(), day);
}

void PieceRates::addChange(qint64 productId, const QString& typedPrice, const QDate& from)
{
    Decimal::ParseError error = Decimal::ParseError::None;
    const std::optional<Decimal> price = Decimal::parse(cleanText(typedPrice), Decimal::kPricePlaces, &error);
    if (!price) {
        if (error == Decimal::ParseError::TooManyPlaces)
            throw InputError(QStringLiteral("工价最多保留 %1 位小数！").arg(Decimal::kPricePlaces));
        if (error == Decimal::ParseError::TooLarge)
            throw InputError(QStringLiteral("工价太大，超出了本程序能计算的范围！"));
        throw InputError(QStringLiteral("新工价必须是数字！"));
    }
    if (!from.isValid() || from < kFirstRateDay)
        throw InputError(QStringLiteral("生效日期不正确。"));

    Transaction tx(m_db);
    requireRight(m_db, Right::MasterData);
    Statement product =
        m_db.prepare(QStringLiteral("SELECT 产品编号, 产品说明 FROM 产品工价 WHERE id = ?") + m_db.lockClause());
    product.bind(1, productId);
    if (!product.next())
        throw InputError(QStringLiteral("该产品已被删除。"));
    const QString what = product.text(0) + u' ' + product.text(1);
    const std::optional<Decimal> before = priceOn(productId, from);
    if (history(productId).isEmpty() && before && from > kFirstRateDay)
        recordNewProduct(productId, before); // the price it had until now keeps counting before the change

    m_db.exec(QStringLiteral("UPDATE 工价历史 SET 工价 = ? WHERE 产品ID = ? AND 生效日期 = ?"),
              {price->toDouble(), productId, isoDate(from)});
    if (m_db.changes() == 0)
        m_db.exec(QStringLiteral("INSERT INTO 工价历史 (产品ID, 工价, 生效日期) VALUES (?, ?, ?)"),
                  {productId, price->toDouble(), isoDate(from)});
    refreshListedPrice(productId);
    OperationLog(m_db).record(QStringLiteral("调价"),
                              QStringLiteral("%1：%2 起工价 %3（原 %4）")
                                  .arg(what, dateText(from), price->plainText(),
                                       before ? before->plainText() : QStringLiteral("无")));
    tx.commit();
}

void PieceRates::recordNewProduct(qint64 productId, const std::optional<Decimal>& price)
{
    if (!price)
        return;
    m_db.exec(QStringLiteral("INSERT INTO 工价历史 (产品ID, 工价, 生效日期) VALUES (?, ?, ?)"),
              {productId, price->toDouble(), isoDate(kFirstRateDay)});
}

void PieceRates::correctLatestPrice(qint64 productId, const std::optional<Decimal>& price)
{
    if (!price)
        return;
    const QVariant latest = m_db.scalar(
        QStringLiteral("SELECT max(生效日期) FROM 工价历史 WHERE 产品ID = ?"), {productId});
    if (latest.isNull()) {
        recordNewProduct(productId, price);
        return;
    }
    m_db.exec(QStringLiteral("UPDATE 工价历史 SET 工价 = ? WHERE 产品ID = ? AND 生效日期 = ?"),
              {price->toDouble(), productId, latest});
}

void PieceRates::refreshListedPrice(qint64 productId)
{
    const PriceHistory dated = history(productId);
    if (!dated.isEmpty())
        m_db.exec(QStringLiteral("UPDATE 产品工价 SET 工价 = ? WHERE id = ?"),
                  {dated.last().price.toDouble(), productId});
}

} // namespace kv
