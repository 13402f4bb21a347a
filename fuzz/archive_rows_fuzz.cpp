// The archive read back from a file that another program, a damaged disk or a hostile station
// wrote: every column of every table holds whatever the bytes choose (NULL, a number, a text, a
// blob, sizes that do not match the documents). Whatever is stored, history, finding a record,
// comparison and the CSV export end with a result or a velko::Error, never a crash, and a record
// whose documents do not inflate to their sizes and checksum is never handed out as intact.
#include <fuzzer/FuzzedDataProvider.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "fuzz_support.hpp"
#include "velko/host/archive/archive.hpp"
#include "velko/host/archive/comparison.hpp"
#include "velko/host/archive/content_hash.hpp"
#include "velko/host/archive/csv_export.hpp"

using namespace velko;

namespace {

String ScratchArchive() {
  const String dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return dir + "/velko-archive-fuzz-" + std::to_string(::getpid()) + ".sqlite";
}

// The tables in the order that their references need, with their columns as the schema made them.
struct Table {
  String name;
  std::vector<String> columns;
};

void Check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    throw std::runtime_error(sqlite3_errmsg(db));
}

std::vector<Table> TablesOf(sqlite3* db) {
  std::vector<Table> tables;
  for (const char* name :
       {"records", "device_keys", "record_standards", "measurements", "measurement_limits"}) {
    Table table{name, {}};
    sqlite3_stmt* info = nullptr;
    Check(sqlite3_prepare_v2(db, ("PRAGMA table_info(" + table.name + ")").c_str(), -1, &info,
                             nullptr),
          db);
    while (sqlite3_step(info) == SQLITE_ROW)
      table.columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(info, 1)));
    sqlite3_finalize(info);
    if (!table.columns.empty()) tables.push_back(std::move(table));
  }
  return tables;
}

// One value of any storage class. Small integers come often, so that rows refer to each other.
void BindAny(sqlite3_stmt* statement, int index, FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 5)) {
    case 0:
      sqlite3_bind_null(statement, index);
      break;
    case 1:
      sqlite3_bind_int64(statement, index, in.ConsumeIntegralInRange<std::int64_t>(-2, 4));
      break;
    case 2:
      sqlite3_bind_int64(statement, index, in.ConsumeIntegral<std::int64_t>());
      break;
    case 3:
      sqlite3_bind_double(statement, index, in.ConsumeFloatingPoint<double>());
      break;
    case 4: {
      const std::string text = in.ConsumeRandomLengthString(64);
      sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                        SQLITE_TRANSIENT);
      break;
    }
    default: {
      const std::string bytes = in.ConsumeRandomLengthString(256);
      sqlite3_bind_blob(statement, index, bytes.data(), static_cast<int>(bytes.size()),
                        SQLITE_TRANSIENT);
    }
  }
}

// Replaces the archive's rows by rows the bytes make, past every constraint the schema has.
void FillArchive(const String& path, FuzzedDataProvider& in) {
  sqlite3* db = nullptr;
  Check(sqlite3_open(path.c_str(), &db), db);
  try {
    Check(sqlite3_exec(db, "PRAGMA foreign_keys=OFF; PRAGMA ignore_check_constraints=ON; BEGIN",
                       nullptr, nullptr, nullptr),
          db);
    const std::vector<Table> tables = TablesOf(db);
    for (const Table& table : tables)
      Check(sqlite3_exec(db, ("DELETE FROM " + table.name).c_str(), nullptr, nullptr, nullptr), db);
    for (const Table& table : tables) {
      String sql = "INSERT OR IGNORE INTO " + table.name + " VALUES (";
      for (std::size_t i = 0; i < table.columns.size(); ++i)
        sql += i == 0 ? "?" : ",?";
      sql += ")";
      sqlite3_stmt* insert = nullptr;
      Check(sqlite3_prepare_v2(db, sql.c_str(), -1, &insert, nullptr), db);
      for (int rows = in.ConsumeIntegralInRange(0, 3); rows > 0; --rows) {
        for (std::size_t i = 0; i < table.columns.size(); ++i)
          BindAny(insert, static_cast<int>(i + 1), in);
        sqlite3_step(insert);  // a NOT NULL column given NULL drops the row: that is fine
        sqlite3_reset(insert);
      }
      sqlite3_finalize(insert);
    }
    // A statement that failed hard may have rolled the transaction back already.
    if (!sqlite3_get_autocommit(db))
      Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
  } catch (...) {
    sqlite3_close(db);
    throw;
  }
  sqlite3_close(db);
}

// The checksum stored beside the record's document ("" when there is none).
String StoredChecksum(const String& path, const String& recordId) {
  sqlite3* db = nullptr;
  String checksum;
  if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT document_sha256 FROM records WHERE record_id = ?", -1,
                           &query, nullptr) == SQLITE_OK) {
      sqlite3_bind_text(query, 1, recordId.data(), static_cast<int>(recordId.size()),
                        SQLITE_TRANSIENT);
      if (sqlite3_step(query) == SQLITE_ROW && sqlite3_column_text(query, 0) != nullptr)
        checksum = reinterpret_cast<const char*>(sqlite3_column_text(query, 0));
    }
    sqlite3_finalize(query);
  }
  sqlite3_close(db);
  return checksum;
}

void ReadEverything(const String& path, host::Archive& archive, const String& device,
                    const String& recordId) {
  fuzz::Tolerating([&] { archive.History(device); });
  fuzz::Tolerating([&] {
    if (const auto stored = archive.Find(recordId))
      fuzz::Require(
          host::Sha256Hex(stored->document) == StoredChecksum(path, stored->summary.recordId),
          "a record handed out that does not match its checksum");
  });
  fuzz::Tolerating([&] {
    const auto records = archive.Measurements(device, 3);
    host::CompareRecords(records, 0.1);
  });
  fuzz::Tolerating([&] {
    std::ostringstream csv;
    host::WriteMeasurementsCsv(archive, device, csv);
  });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseScratchRegistry();
  const String path = ScratchArchive();
  std::remove(path.c_str());
  host::OpenArchive(path);  // the schema of this program
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const String path = ScratchArchive();
  FuzzedDataProvider in(data, size);
  const String device = in.ConsumeRandomLengthString(16);
  const String recordId = in.ConsumeRandomLengthString(40);
  FillArchive(path, in);
  host::ArchiveOptions options;
  options.create = false;
  fuzz::Tolerating([&] {
    const auto archive = host::OpenArchive(path, options);
    ReadEverything(path, *archive, device, recordId);
  });
  return 0;
}
