#pragma once

namespace kv {

class Database;

// Empties every table of the business data (TableRole::Data: employees, products, deduction
// items, both journals, the monthly summaries, the three code lists) and removes every account but the
// super administrator (id 1), whose name and password stay. The operation log is kept, the
// record of who did what, and gains the entry of who cleared. One transaction: on any failure
// nothing is removed and DbError says so. Needs the right to restore and clear (InputError
// otherwise).
void clearAllData(Database& db);

} // namespace kv
