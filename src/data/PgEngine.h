#pragma once

#include "data/Engine.h"

namespace kv {

// Connects to a PostgreSQL server given by a libpq connection string or URI. Throws DbError
// naming the host and the cause when it cannot be reached.
std::unique_ptr<Engine> openServerEngine(const QString& connection);

// The host (or socket folder), port and database that a connection string names, for messages.
QString serverName(const QString& connection);

} // namespace kv
