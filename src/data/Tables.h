#pragma once

#include <QStringList>

#include <span>

namespace kv {

// What clearing the data does with a table.
enum class TableRole {
    Meta,     // the file's own facts (schema version): kept
    Accounts, // every account but the super administrator removed
    Data,     // business data: emptied
    Log,      // the record of who did what: only ever added to, by clearing and restoring alike
};

struct TableDef {
    const char16_t* name;
    const char16_t* columns; // as the table was first created; later versions may add columns
    int since;               // the schema version that added the table
    TableRole role;
};

// Every table of the program's schema, in the order a new file creates them. Creating, clearing
// and the tests all read this list, so a table added here is created and cleared alike.
std::span<const TableDef> schemaTables();

// The names of the tables with the given role, in list order.
QStringList tableNames(TableRole role);

} // namespace kv
