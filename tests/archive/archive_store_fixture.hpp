// The archive suite runs every test against each store: a fresh SQLite file, and a fresh schema
// of the PostgreSQL server that tests/archive/with_postgresql.sh starts (its URI in
// VELKO_TEST_POSTGRESQL; without it the PostgreSQL cases are skipped).
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "support/test_paths.hpp"
#include "velko/host/archive/archive.hpp"

namespace velko::test {

enum class Store { kSqlite, kPostgres };

class ArchiveStoreTest : public ::testing::TestWithParam<Store> {
 protected:
  void SetUp() override;
  // The location of this test's archive (a file, or a URI selecting this test's schema).
  const String& Location() const { return location_; }
  std::unique_ptr<host::Archive> Open(const host::ArchiveOptions& options = {}) const;

  TempDir dir;

 private:
  String location_;
};

// The PostgreSQL server's URI; "" when the suite runs without one.
String PostgresUri();
// The URI with another password, port or schema.
String PostgresUriWith(const String& key, const String& value);
// Runs one statement on the server as the test's user (setting up a fault, looking behind the
// archive's back).
void PostgresExecute(const String& uri, const String& statement);

// Runs statements on an SQLite file with a connection of its own.
void SqliteExecute(const String& path, const String& statements);

// An entry as a run of `serial` would give it, with `measurements` readings of made-up values
// that `seed` varies.
host::ArchiveEntry SampleEntry(const String& serial, int seed, int measurements = 3);

String StoreName(const ::testing::TestParamInfo<Store>& info);

}  // namespace velko::test
