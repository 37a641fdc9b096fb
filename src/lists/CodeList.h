#pragma once

#include "lists/ListEntry.h"

namespace kv {

class Database;

// The three plain code lists; each table has an id and one text column named like the table.
enum class CodeListKind { Workshop, JobType, Unit };

// 车间, 工种 or 计量单位: the table and its name column.
QString codeListTable(CodeListKind kind);

// One code list, for its window and for the master records whose columns draw on it. Names
// are cleaned (spaces at both ends, every TAB) and otherwise stored as typed; the same name may
// be listed twice. Renaming or deleting an entry leaves employees and products, which keep the
// name as text, unchanged.
class CodeList {
public:
    CodeList(Database& db, CodeListKind kind);

    // In the order the entries were made (ascending id).
    QList<ListEntry> entries();
    // The names alone, in the same order: the choices of a dialog's drop-down list.
    QStringList names();
    // Adds an already cleaned name unless it is listed: a master record's new value. True when
    // it was added. Changes need the right to keep master data (Right::MasterData).
    bool addIfMissing(const QString& name);
    ListChange add(const QString& typedName);
    ListChange rename(qint64 id, const QString& typedName);
    ListChange remove(qint64 id);

private:
    QString noun() const; // the table's name unquoted: "车间"
    QString nameOf(qint64 id);

    Database& m_db;
    QString m_table; // quoted, also the column
};

} // namespace kv
