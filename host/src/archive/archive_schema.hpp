// The archive's schema, versioned: each migration brings an archive from the version before it to
// its own, and an archive is brought forward through every migration it lacks, in one transaction.
#pragma once

#include "archive/sql_database.hpp"

namespace velko::host {

// The newest schema version, the one this program writes.
int NewestSchemaVersion();

// The version of the archive's schema; 0 for an empty database.
int SchemaVersionOf(sql::Database& db);

// Makes the schema or brings it forward; raises kNewerSchema for an archive of a newer program.
// Two programs that open one new archive at the same time make it once.
void MigrateSchema(sql::Database& db);

}  // namespace velko::host
