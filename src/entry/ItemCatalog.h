#pragma once

#include "entry/ItemLookup.h"
#include "master/PieceRates.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kv {

class Database;

// The products or the deduction items, held in memory for the look-up and filtered there on each
// keystroke. The catalog reads its table again only when the table changed since it was read,
// as far as the engine tells (see Database::changeStamp); otherwise at every refresh.
class ItemCatalog {
public:
    explicit ItemCatalog(LookupKind kind) : m_kind(kind) {}

    // Reads the table when it changed since the last reading, or when the connection is
    // another one. Throws DbError.
    void refresh(Database& db);

    // Products: the price column shows the prices in force on `day` from now on (the price of
    // the latest day until a day is set), as the line of that date takes it.
    void setDay(const QDate& day);
    // Products: the price shown for the product of this number, or without a number for the one
    // product of this description and unit; none when no product or more than one has them.
    std::optional<QString> priceOf(const QString& number, const QString& description, const QString& unit) const;

    // The shown columns' names, and the rows in table order as texts (the price or amount as
    // plain decimal text).
    const QStringList& fields() const { return m_fields; }
    const QList<QStringList>& rows() const { return m_rows; }

    // Indexes of the rows that match the typed text: those whose description ends with the
    // cleaned text, or whose number or pinyin code contains it, letters A-Z compared without
    // regard to case and every other character as itself. A null text matches every row.
    QList<int> matches(const QString& typed) const;

private:
    struct Keys {
        QString number; // folded to lower case; null where the stored value is null
        QString description;
        QString pinyin;
        bool outOfUse = false; // 停用: matches nothing
    };

    LookupKind m_kind;
    QStringList m_fields;
    QList<QStringList> m_rows;
    QList<Keys> m_keys;
    // Products: each row's price as listed (产品工价.工价) and its dated prices.
    QStringList m_listedPrices;
    QList<PriceHistory> m_histories;
    QDate m_day;
    // The table's change stamp when the rows were read; none when they must be read each time.
    std::optional<QString> m_stamp;
};

} // namespace kv
