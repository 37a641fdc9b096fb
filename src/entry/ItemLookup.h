#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace kv {

class Database;

// The rows of a look-up, with the field names as header.
struct LookupResult {
    QStringList fields;
    QList<QStringList> rows;
};

enum class LookupKind { Product, Deduction };

// Products (产品编号, 产品说明, 计量单位, 工价) or deduction items (扣减项目编号, 扣减项目说明,
// 扣减金额). With an empty text, all of them. Otherwise those whose description ends with the
// cleaned text, or whose number or pinyin code contains it; letters A-Z match without regard to
// case, every other character (also "%" and "_") only itself. With a day, products show the
// piece prices in force on it (see PieceRates); otherwise those of their latest days. Reads the
// table once; the entry window keeps an ItemCatalog instead. Throws DbError.
LookupResult lookupItems(Database& db, LookupKind kind, const QString& typed = {}, const QDate& day = {});

} // namespace kv
