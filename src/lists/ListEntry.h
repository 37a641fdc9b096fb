#pragma once

#include <QList>
#include <QString>

namespace kv {

// One entry of a code list or of the accounts, as their windows list it.
struct ListEntry {
    qint64 id = 0;
    QString name;
    bool operator==(const ListEntry&) const = default;
};

// What became of an add, a change or a delete.
enum class ListChange {
    Done,
    EmptyName, // the name is empty once cleaned: nothing written
    Missing,   // the entry is gone: nothing written
    Protected, // the super administrator is never deleted
};

} // namespace kv
