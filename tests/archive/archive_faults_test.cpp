// What each store does when it fails: a clear error naming the cause, nothing half-written.
#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "archive/archive_store_fixture.hpp"
#include "support/error_helpers.hpp"
#include "velko/frame/error.hpp"
#include "velko/host/archive/archive_errors.hpp"

namespace velko::test {
namespace {

namespace ae = host::archive_error;

TEST(SqliteArchive, ADamagedFileIsNamedAndLeftAsItIs) {
  const TempDir dir;
  const String path = dir / "archive.sqlite";
  const String garbage = "this is not a database, but it holds someone's notes\n";
  WriteFileText(path, garbage + String(8192, 'x'));
  const Error raised = CaughtError([&] { host::OpenArchive(path); });
  EXPECT_EQ(raised.Number(), ae::kNotAnArchive);
  EXPECT_NE(raised.Description().find(path), String::npos) << raised.Description();
  EXPECT_NE(raised.Description().find("not a database"), String::npos) << raised.Description();
  EXPECT_EQ(ReadFileText(path).substr(0, garbage.size()), garbage);
}

TEST(SqliteArchive, AnArchiveLockedByAnotherProgramIsNamedAndWorksOnceReleased) {
  const TempDir dir;
  const String path = dir / "archive.sqlite";
  const auto archive = host::OpenArchive(path, {std::chrono::milliseconds(200), true});
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

  const host::ArchiveEntry entry = SampleEntry("SN-L", 1);
  EXPECT_EQ(CaughtError([&] { archive->CheckWritable(); }).Number(), ae::kLocked);
  const Error raised = CaughtError([&] { archive->Store(entry); });
  EXPECT_EQ(raised.Number(), ae::kLocked);
  EXPECT_NE(raised.Description().find("locked"), String::npos) << raised.Description();

  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  archive->Store(entry);
  EXPECT_EQ(archive->History("SN-L").size(), 1u);
}

TEST(SqliteArchive, AReadOnlyArchiveIsNamed) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes any file; the end-to-end tests mount one";
  const TempDir dir;
  const String path = dir / "archive.sqlite";
  host::OpenArchive(path)->Store(SampleEntry("SN-R", 1));
  std::filesystem::permissions(
      dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  const Error raised = CaughtError([&] {
    const auto archive = host::OpenArchive(path);
    archive->Store(SampleEntry("SN-R", 2));
  });
  std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_all);
  EXPECT_TRUE(raised.Number() == ae::kReadOnly || raised.Number() == ae::kUnavailable)
      << raised.Description();
}

TEST(SqliteArchive, ReadingCommandsMakeNoArchive) {
  const TempDir dir;
  const String path = dir / "nested/archive.sqlite";
  host::ArchiveOptions reading;
  reading.create = false;
  const auto archive = host::OpenArchive(path, reading);
  EXPECT_TRUE(archive->History("SN-1").empty());
  EXPECT_FALSE(archive->Find("0123456789abcdef"));
  EXPECT_EQ(CaughtError([&] { archive->Store(SampleEntry("SN-1", 1)); }).Number(),
            ae::kUnavailable);
  EXPECT_FALSE(std::filesystem::exists(dir / "nested"));
}

// A damaged row may claim any size for its document; none is believed beyond what the packed
// bytes can hold, so the record is refused instead of allocating terabytes or aborting.
TEST(SqliteArchive, ADocumentSizeThatThePackedBytesCannotHoldIsRefused) {
  for (const char* size : {"-1", "1000000000000000", "9223372036854775807"}) {
    const TempDir dir;
    const String path = dir / "archive.sqlite";
    const host::ArchiveEntry entry = SampleEntry("SN-D", 1);
    host::OpenArchive(path)->Store(entry);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const String update = String("UPDATE records SET document_size = ") + size;
    ASSERT_EQ(sqlite3_exec(db, update.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    const Error raised =
        CaughtError([&] { host::OpenArchive(path)->Find(entry.summary.recordId); });
    EXPECT_EQ(raised.Number(), ae::kNotAnArchive) << size;
  }
}

class PostgresFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    if (PostgresUri().empty()) GTEST_SKIP() << "no PostgreSQL server (run archive/postgresql)";
  }
};

TEST_F(PostgresFaults, AServerThatIsDownIsNamed) {
  // A port on this machine where no server listens (the test's own server's port plus one).
  const char* port = std::getenv("PGPORT");
  const String uri = PostgresUriWith("port", std::to_string(std::atoi(port ? port : "5432") + 1));
  const Error raised = CaughtError([&] { host::OpenArchive(uri); });
  EXPECT_EQ(raised.Number(), ae::kUnavailable) << raised.Description();
  EXPECT_NE(raised.Description().find("postgresql://"), String::npos) << raised.Description();
}

TEST_F(PostgresFaults, AWrongPasswordIsNamedAndNotShown) {
  const String uri = PostgresUriWith("password", "not-the-password");
  const Error raised = CaughtError([&] { host::OpenArchive(uri); });
  EXPECT_EQ(raised.Number(), ae::kRefused) << raised.Description();
  EXPECT_NE(raised.Description().find("password"), String::npos) << raised.Description();
  EXPECT_EQ(raised.Description().find("not-the-password"), String::npos) << raised.Description();
}

TEST_F(PostgresFaults, AConnectionDroppedInTheMiddleOfAStoreLeavesNothing) {
  const String schema = "dropped_" + std::to_string(::getpid());
  PostgresExecute(PostgresUri(), "CREATE SCHEMA " + schema);
  const String uri = PostgresUriWith("options", "-csearch_path%3D" + schema);
  const auto archive = host::OpenArchive(uri);

  // Another session holds the measurements table, so that the store waits in the middle of its
  // transaction (the record row written, its measurements not yet); then the store's connection
  // is cut, as a failing network or a restarted server would cut it.
  PGconn* holder = PQconnectdb(uri.c_str());
  ASSERT_EQ(PQstatus(holder), CONNECTION_OK);
  PQclear(PQexec(holder, "BEGIN; LOCK TABLE measurements IN ACCESS EXCLUSIVE MODE"));
  std::thread cutter([&] {
    for (int tries = 0; tries < 600; ++tries) {
      PGresult* r = PQexec(holder,
                           "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                           "application_name = 'velko' AND wait_event_type = 'Lock'");
      const bool cut = PQntuples(r) > 0;
      PQclear(r);
      if (cut) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  const Error raised = CaughtError([&] { archive->Store(SampleEntry("SN-P", 1)); });
  cutter.join();
  PQclear(PQexec(holder, "ROLLBACK"));
  PQfinish(holder);

  EXPECT_EQ(raised.Number(), ae::kConnectionLost) << raised.Description();
  const auto again = host::OpenArchive(uri);
  EXPECT_TRUE(again->History("SN-P").empty());
  again->Store(SampleEntry("SN-P", 2));
  EXPECT_EQ(again->History("SN-P").size(), 1u);
}

}  // namespace
}  // namespace velko::test
