#pragma once

#include "lists/CodeList.h"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the three master-data tables (employees, products, deduction items) have in common and
// where they differ: columns, the rules of their dialogs, their list windows' names.
namespace kv {

enum class MasterKind { Employee, Product, Deduction };

// BankCard: a card number, stored as its digits, checked (BankCards.h) and shown masked in lists.
enum class ColumnType { Text, Number, Date, BankCard };

struct MasterColumn {
    QString name; // column of the table, also the grid's header text
    ColumnType type = ColumnType::Text;
    QString missingMessage;               // required field: the message when it is empty; empty when optional
    std::optional<CodeListKind> codeList; // the code list that learns a new value of this column
    int places = 0;                       // a number column: the decimal places its numbers may have
    QStringList choices = {};             // when set, the only values besides an empty one
};

struct MasterTable {
    MasterKind kind;
    QString table;
    QChar numberLetter;       // first letter of an automatic number: Y, C, K
    QString duplicateMessage; // "己有相同的工号！"
    QString autoNumberQuestion;
    QString exportFileName;      // "员工.xlsx", in the application directory
    QList<MasterColumn> columns; // in table order, without id; the first is the record number

    const MasterColumn& numberColumn() const { return columns.first(); }
    int columnIndex(const QString& name) const; // -1 when the table has no such column
};

const MasterTable& masterTable(MasterKind kind);

} // namespace kv
