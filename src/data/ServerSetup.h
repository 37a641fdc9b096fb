#pragma once

#include <QString>
#include <QStringList>

namespace kv {

// What setting up a server for clerks did.
struct ServerSetup {
    QString schema;       // where the program's tables are
    QString ownerRole;    // owns the schema and its tables, makes and upgrades them
    QString clerkRole;    // granted to the clerks' login roles
    int version = 0;      // of the data afterwards
    bool created = false; // the tables were made by this run
    // Accounts without a check value yet: each gets one at its next login (Passwords.h).
    QStringList accountsWithoutCheck;
};

// Sets up the server that the connection names (a superuser's, e.g. postgres) for several clerks,
// each under a login role of their own with no more rights than their work needs. In the program's
// schema (the connection's schema=, "kelvaro" when not given) it makes or keeps:
// - the owner role <schema>_owner (no login): owns the schema and the tables, makes and upgrades
//   them; the tables are made, or brought to the program's version, under this role;
// - the clerk role <schema>_clerk (no login), to be granted to the clerks' login roles: reads and
//   writes the journals and master data, only adds to the operation log and the closed months,
//   only reads the accounts; accounts change and months reopen through the program's functions
//   on the server, which know the acting account by the proof of its password; a trigger refuses
//   every change of lines or totals of a closed month by a clerk.
// Running it again changes nothing that is already so. Throws DbError (the server's refusal, or
// a connection without a superuser's rights) and leaves the data as they were.
ServerSetup setUpServer(const QString& connection);

// The report of a setup run for the terminal, in Chinese.
QString setupReport(const ServerSetup& setup);

} // namespace kv
