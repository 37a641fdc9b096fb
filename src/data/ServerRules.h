#pragma once

#include <QString>

namespace kv {

class Database;

// The rules a server set up for clerks keeps itself, whatever a clerk's role sends it (made by
// setUpServer, ServerSetup.h, in the program's schema, as its owner role):
// - functions through which a clerk's role makes every privileged change: accounts, closing and
//   reopening a month, log entries, settings; each is the owner's, runs with its rights and only
//   in the program's schema, and first checks the proof of the acting account's password
//   (Passwords.h); an account without a check value acts through none of them;
// - triggers, for every role but the owner's: no change of the lines, totals or tickets of a
//   closed month; 月度合计 and 员工工资 kept equal to the journals; nothing renumbered or deleted
//   that stored lines name.
// Runs inside the setup's transaction, with the search path on the program's schema.
void installServerRules(Database& db, const QString& ownerRole);

// The functions a clerk's role may call, as GRANT names them.
QString clerkFunctions();

} // namespace kv
