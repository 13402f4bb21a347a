// The shared store: a PostgreSQL server, for many test stations that keep one archive.
#pragma once

#include <memory>

#include "archive/sql_database.hpp"

namespace velko::host::sql {

// Connects with a connection URI ("postgresql://user@host:port/database?..."); the password may
// come from the URI, PGPASSWORD or ~/.pgpass. A server that is down or refuses the login raises
// kUnavailable or kRefused.
std::unique_ptr<Database> OpenPostgres(const String& uri);

// The URI as it may be shown: without its password.
String WithoutPassword(const String& uri);

}  // namespace velko::host::sql
