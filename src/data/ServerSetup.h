#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace kv {

// What setting up a server for clerks did.
struct ServerSetup {
    QString schema;       // where the program's tables are
    QString ownerRole;    // owns the schema and its tables, makes and upgrades them
    QString clerkRole;    // granted to the clerks' login roles
    int version = 0;      // of the data afterwards
    bool created = false; // the tables were made by this run
    // Accounts without a check value (Passwords.h): they act through none of the server's
    // functions until the super administrator sets their password again in the program.
    QStringList accountsWithoutCheck;
    // The clerk role of an earlier setup, named after the schema only, which now holds no right
    // here, and its members.
    QString formerClerkRole;
    QStringList formerClerkMembers;
};

// Asks for a password (on the terminal, or from standard input); empty when none was given.
using PasswordPrompt = std::function<QString()>;

// Sets up the server that the connection names (a superuser's, e.g. postgres) for several clerks,
// each under a login role of their own with no more rights than their work needs. In the program's
// schema (the connection's schema=, "kelvaro" when not given) it makes or keeps:
// - the owner role <database>_<schema>_owner (no login): owns the schema, the tables and the
//   server's functions (ServerRules.h), makes and upgrades them;
// - the clerk role <database>_<schema>_clerk (no login), to be granted to the clerks' login roles
//   (addClerk): reads and writes the journals and master data; only reads the accounts, the log,
//   the closed months, the totals and the settings, which change through the server's functions
//   and triggers.
// A new database gets the super administrator's password from the prompt (there is no default
// password on a server); so does one whose super administrator has no check value yet, where the
// password typed must be the stored one. Running it again changes nothing that is already so.
// Throws DbError (the server's refusal, or a connection without a superuser's rights) or
// InputError (a password missing or wrong), and leaves the data as they were.
ServerSetup setUpServer(const QString& connection, const PasswordPrompt& superAdministratorPassword);

// Makes the login role (asking for its password) unless it exists, and grants it the clerk role of
// the connection's database and schema, which setUpServer made. Returns what was done, in Chinese.
// Throws DbError or InputError.
QString addClerk(const QString& connection, const QString& login, const PasswordPrompt& password);

// The report of a setup run for the terminal, in Chinese.
QString setupReport(const ServerSetup& setup);

} // namespace kv
