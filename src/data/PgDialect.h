#pragma once

#include <QString>

namespace kv {

// The program's SQL as PostgreSQL reads it. Statements are written once, in the form the file
// engine takes; this reads them as tokens (quoted text and names, comments, dollar quotes, names
// of any letters, Chinese ones included) and turns them into PostgreSQL's dialect, statement by
// statement of a script:
// - ? placeholders become $1, $2, … (never inside quoted text, names, comments or dollar quotes);
// - comments become a space;
// - LIKE becomes ILIKE, since the file engine's LIKE ignores the case of A-Z;
// - decimal_sum(x) sums exactly, as numeric rounded to six places, and total(x)
//   is the sum that is 0 for no rows;
// - in CREATE TABLE and ALTER TABLE: INTEGER becomes BIGINT, REAL double precision, TEXT compares
//   byte by byte as the file engine's does (COLLATE "C"), and an id that is
//   INTEGER PRIMARY KEY AUTOINCREMENT an identity column that never gives a number twice.
struct PgStatementText {
    QString sql;
    int parameters = 0;
    // The table of an INSERT that gives the id itself: its identity must be moved past it.
    QString explicitIdTable;
    // A SELECT: running it again changes nothing.
    bool readOnly = false;
};

PgStatementText toPgDialect(const QString& sql);

} // namespace kv
