#pragma once

#include "data/Engine.h"

namespace kv {

// The error class with which the program's own functions and triggers on a server refuse a change
// (ServerSetup.h); the engine reports it as a refusal (InputError) with the server's message.
inline constexpr char kRefusalState[] = "KV001";

// Connects to a PostgreSQL server given by a libpq connection string or URI. Besides libpq's own
// settings it may name the schema that holds the program's tables (`schema=NAME`, in a URI
// `?schema=NAME`; "kelvaro" when not given). Throws DbError naming the host and the cause when it
// cannot be reached.
std::unique_ptr<Engine> openServerEngine(const QString& connection);

// The schema that a connection string names for the program's tables.
QString serverSchema(const QString& connection);

// The host (or socket folder), port and database that a connection string names, for messages.
QString serverName(const QString& connection);

} // namespace kv
