#pragma once

#include "data/Decimal.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace kv {

class Database;

// The day from which a product's first piece price counts: before any line could be dated.
inline const QDate kFirstRateDay{1900, 1, 1};

// One piece price of a product and the day it takes effect (a row of 工价历史).
struct DatedPrice {
    QDate from;
    Decimal price;
};

// A product's piece prices, oldest first (one per day).
using PriceHistory = QList<DatedPrice>;

// The price in force on `day`: that of the latest day on or before it; none before the first.
std::optional<Decimal> priceInForce(const PriceHistory& history, const QDate& day);

// The piece prices of the products through time. A line of the production journal takes the
// price in force on its own date, whenever it is entered; 产品工价.工价 holds the price of the
// latest day, the one the product list shows.
class PieceRates {
public:
    explicit PieceRates(Database& db) : m_db(db) {}

    // The product's prices, oldest first.
    PriceHistory history(qint64 productId);
    // Every product's prices by product id, for the entry window's look-up.
    QHash<qint64, PriceHistory> histories();

    // The price of the product in force on `day`. A product without any dated price (stored
    // before prices had dates and without one) has its one price on every day; none when it
    // has no price or does not exist.
    std::optional<Decimal> priceOn(qint64 productId, const QDate& day);
    // The same for a journal line, which names its product by number (产品编号), or when it has
    // none by description and unit: none when no product or more than one has them.
    std::optional<Decimal> priceOn(const QString& number, const QString& description, const QString& unit,
                                   const QDate& day);

    // Adds a change of the product's price from `from` on (a price typed with at most
    // Decimal::kPricePlaces places), or replaces the price of that very day, in one transaction
    // with its entry in the operation log; lines stored before keep their prices. Needs the
    // right to keep master data. Throws InputError for a price that is not one, a product that
    // is gone, or a day before kFirstRateDay.
    void addChange(qint64 productId, const QString& typedPrice, const QDate& from);

    // Inside the product's own save: a new product's price counts from kFirstRateDay on; an
    // edited price corrects the price of its latest day (or starts the history when it has none).
    void recordNewProduct(qint64 productId, const std::optional<Decimal>& price);
    void correctLatestPrice(qint64 productId, const std::optional<Decimal>& price);

private:
    void refreshListedPrice(qint64 productId);

    Database& m_db;
};

} // namespace kv
