#include "archive/archive_schema.hpp"

#include <fmt/format.h>

#include "archive/archive_text.hpp"
#include "velko/host/archive/archive_errors.hpp"
#include "velko/host/session/host_text.hpp"

namespace velko::host {
namespace {

// One step of the schema. Statements may name the types that differ between the stores as
// {serial} (the record's sequence number as primary key), {real}, {bytes} and {compact} (what
// follows a table whose rows are found only by their primary key) and {id} (a record ID: text
// compared byte by byte, so that the start of an ID finds its range in the index).
struct Migration {
  int version;
  std::vector<const char*> statements;
};

const std::vector<Migration>& Migrations() {
  static const std::vector<Migration> migrations = {
      {1,
       {
           "CREATE TABLE records ("
           " seq {serial},"
           " record_id {id} NOT NULL UNIQUE,"
           " supersedes {id} REFERENCES records(record_id),"
           " serial TEXT NOT NULL,"
           " asset TEXT NOT NULL,"
           " manufacturer TEXT NOT NULL,"
           " model TEXT NOT NULL,"
           " sequence_name TEXT NOT NULL,"
           " sequence_hash TEXT NOT NULL,"
           " tester TEXT NOT NULL,"
           " station TEXT NOT NULL,"
           " organisation TEXT NOT NULL,"
           " started TEXT NOT NULL,"
           " finished TEXT NOT NULL,"
           " verdict INTEGER NOT NULL,"
           " stored_at TEXT NOT NULL,"
           " document {bytes} NOT NULL,"
           " document_size BIGINT NOT NULL,"
           " document_sha256 TEXT NOT NULL,"
           " report {bytes} NOT NULL,"
           " report_size BIGINT NOT NULL)",
           "CREATE INDEX records_by_serial ON records(serial, seq)",
           "CREATE INDEX records_by_asset ON records(asset, seq)",
           "CREATE INDEX records_by_supersedes ON records(supersedes)",
           "CREATE TABLE device_keys ("
           " record_seq BIGINT NOT NULL REFERENCES records(seq),"
           " position INTEGER NOT NULL,"
           " name TEXT NOT NULL,"
           " value TEXT NOT NULL,"
           " PRIMARY KEY (record_seq, position)){compact}",
           "CREATE TABLE record_standards ("
           " record_seq BIGINT NOT NULL REFERENCES records(seq),"
           " position INTEGER NOT NULL,"
           " name TEXT NOT NULL,"
           " PRIMARY KEY (record_seq, position)){compact}",
           "CREATE TABLE measurements ("
           " record_seq BIGINT NOT NULL REFERENCES records(seq),"
           " position INTEGER NOT NULL,"
           " element_id INTEGER NOT NULL,"
           " element_name TEXT NOT NULL,"
           " key TEXT NOT NULL,"
           " value {real},"
           " value_text TEXT NOT NULL,"
           " unit TEXT NOT NULL,"
           " status INTEGER NOT NULL,"
           " PRIMARY KEY (record_seq, position)){compact}",
           "CREATE TABLE measurement_limits ("
           " record_seq BIGINT NOT NULL,"
           " position INTEGER NOT NULL,"
           " n INTEGER NOT NULL,"
           " standard TEXT NOT NULL,"
           " low {real},"
           " high {real},"
           " PRIMARY KEY (record_seq, position, n),"
           " FOREIGN KEY (record_seq, position) REFERENCES measurements(record_seq, position))"
           "{compact}",
       }},
      // The report as a PDF, for the records whose run made one.
      {2,
       {
           "CREATE TABLE report_pdfs ("
           " record_seq BIGINT NOT NULL PRIMARY KEY REFERENCES records(seq),"
           " pdf {bytes} NOT NULL,"
           " pdf_size BIGINT NOT NULL){compact}",
       }},
  };
  return migrations;
}

String InDialect(const char* statement, sql::Dialect dialect) {
  const bool sqlite = dialect == sql::Dialect::kSqlite;
  return fmt::format(
      fmt::runtime(statement),
      fmt::arg("serial", sqlite ? "INTEGER PRIMARY KEY AUTOINCREMENT" : "BIGSERIAL PRIMARY KEY"),
      fmt::arg("real", sqlite ? "REAL" : "DOUBLE PRECISION"),
      fmt::arg("bytes", sqlite ? "BLOB" : "BYTEA"),
      fmt::arg("compact", sqlite ? " WITHOUT ROWID" : ""),
      fmt::arg("id", sqlite ? "TEXT" : "TEXT COLLATE \"C\""));
}

void CreateVersionTable(sql::Database& db) {
  db.Execute("CREATE TABLE IF NOT EXISTS archive_schema (version INTEGER NOT NULL)");
}

// Inside the transaction: one migrating program at a time (SQLite's write lock is taken by the
// transaction itself; PostgreSQL's lock on an agreed number does not need the table to exist).
void LockSchema(sql::Database& db) {
  if (db.Kind() == sql::Dialect::kPostgres)
    db.Query("SELECT pg_advisory_xact_lock(7270620)", {}, [](const sql::Row&) {});
}

}  // namespace

int NewestSchemaVersion() {
  return Migrations().back().version;
}

int SchemaVersionOf(sql::Database& db) {
  const bool hasTable =
      sql::QueryInteger(db,
                        db.Kind() == sql::Dialect::kSqlite
                            ? "SELECT count(*) FROM sqlite_master WHERE name = 'archive_schema'"
                            : "SELECT count(*) FROM pg_tables WHERE tablename = 'archive_schema' "
                              "AND schemaname = current_schema()",
                        {}, 0) > 0;
  if (!hasTable) return 0;
  return static_cast<int>(sql::QueryInteger(db, "SELECT max(version) FROM archive_schema", {}, 0));
}

void MigrateSchema(sql::Database& db) {
  // Most openings find the schema current and write nothing.
  const int found = SchemaVersionOf(db);
  if (found > NewestSchemaVersion()) {
    throw ArchiveError(archive_error::kNewerSchema, db.Location(),
                       HostText("813::schema version %%1, this program knows up to %%2", found,
                                NewestSchemaVersion()));
  }
  if (found == NewestSchemaVersion()) return;
  sql::InTransaction(db, [&] {
    LockSchema(db);
    CreateVersionTable(db);
    const int version = SchemaVersionOf(db);  // another program may have migrated meanwhile
    for (const Migration& migration : Migrations()) {
      if (migration.version <= version) continue;
      for (const char* statement : migration.statements)
        db.Execute(InDialect(statement, db.Kind()));
      db.Execute("DELETE FROM archive_schema");
      db.Execute("INSERT INTO archive_schema (version) VALUES ($1)",
                 {std::int64_t{migration.version}});
    }
  });
}

}  // namespace velko::host
