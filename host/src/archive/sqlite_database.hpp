// The embedded store: one SQLite database file in write-ahead-log mode, each commit synced to disk.
#pragma once

#include <chrono>
#include <memory>

#include "archive/sql_database.hpp"

namespace velko::host::sql {

// Opens the file (made, with its folder, when `create` is set and it does not exist). A writer
// waits up to `lockWait` for another writer before it gives up with kLocked.
std::unique_ptr<Database> OpenSqlite(const String& path, bool create,
                                     std::chrono::milliseconds lockWait);

}  // namespace velko::host::sql
