#include "archive/sqlite_database.hpp"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unordered_map>

#include "archive/archive_text.hpp"
#include "velko/host/archive/archive_errors.hpp"

namespace velko::host::sql {
namespace {

// The archive error for an SQLite result code.
Long ErrorNumberOf(int code) {
  switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return archive_error::kLocked;
    case SQLITE_READONLY:
    case SQLITE_PERM:
      return archive_error::kReadOnly;
    case SQLITE_FULL:
      return archive_error::kFull;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return archive_error::kNotAnArchive;
    case SQLITE_CANTOPEN:
      return archive_error::kUnavailable;
    case SQLITE_CONSTRAINT:
      return archive_error::kDuplicateRecord;
    default:
      return archive_error::kFailed;
  }
}

struct Finalizer {
  void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, Finalizer>;

// A prepared statement with the slot of each placeholder: SQLite numbers named placeholders in
// the order they first appear, so "$3" need not be the third; found once, when it is prepared.
struct PreparedStatement {
  explicit PreparedStatement(sqlite3_stmt* stmt) : handle(stmt) {
    const int count = sqlite3_bind_parameter_count(stmt);
    for (int slot = 1; slot <= count; ++slot) {
      const char* name = sqlite3_bind_parameter_name(stmt, slot);
      if (!name || name[0] != '$') continue;
      const std::size_t n = std::strtoul(name + 1, nullptr, 10);
      if (n == 0) continue;
      if (slots.size() < n) slots.resize(n, 0);
      slots[n - 1] = slot;
    }
  }
  StatementHandle handle;
  std::vector<int> slots;  // slots[i]: where "$<i+1>" is bound; 0 where the statement lacks it
};

// Binds parameter i to the placeholder "$<i+1>"; a failure raises the SQLite result code.
void Bind(const PreparedStatement& prepared, const Params& params) {
  sqlite3_stmt* stmt = prepared.handle.get();
  for (std::size_t i = 0; i < params.size() && i < prepared.slots.size(); ++i) {
    const int index = prepared.slots[i];
    if (index == 0) continue;
    const Value& value = params[i];
    int rc = SQLITE_OK;
    if (std::holds_alternative<std::monostate>(value)) {
      rc = sqlite3_bind_null(stmt, index);
    } else if (const auto* n = std::get_if<std::int64_t>(&value)) {
      rc = sqlite3_bind_int64(stmt, index, *n);
    } else if (const auto* d = std::get_if<double>(&value)) {
      rc = sqlite3_bind_double(stmt, index, *d);
    } else if (const auto* s = std::get_if<String>(&value)) {
      rc = sqlite3_bind_text64(stmt, index, s->data(), s->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    } else {
      const String& bytes = std::get<Blob>(value).bytes;
      rc = sqlite3_bind_blob64(stmt, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK) throw rc;
  }
}

// Leaves a statement ready for its next use, whatever happened in this one.
class StatementUse {
 public:
  explicit StatementUse(sqlite3_stmt* stmt) : stmt_(stmt) {}
  ~StatementUse() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  StatementUse(const StatementUse&) = delete;
  StatementUse& operator=(const StatementUse&) = delete;

 private:
  sqlite3_stmt* stmt_;
};

class SqliteRow final : public Row {
 public:
  explicit SqliteRow(sqlite3_stmt* stmt) : stmt_(stmt) {}
  bool IsNull(int column) const override {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
  }
  String Text(int column) const override {
    const auto* text = sqlite3_column_text(stmt_, column);
    if (!text) return {};
    return String(reinterpret_cast<const char*>(text),
                  static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
  }
  std::int64_t Integer(int column) const override { return sqlite3_column_int64(stmt_, column); }
  std::optional<double> Real(int column) const override {
    if (IsNull(column)) return std::nullopt;
    return sqlite3_column_double(stmt_, column);
  }
  String Bytes(int column) const override {
    const void* bytes = sqlite3_column_blob(stmt_, column);
    if (!bytes) return {};
    return String(static_cast<const char*>(bytes),
                  static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
  }

 private:
  sqlite3_stmt* stmt_;
};

struct Closer {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

class SqliteDatabase final : public Database {
 public:
  SqliteDatabase(const String& path, bool create, std::chrono::milliseconds lockWait)
      : path_(path) {
    const int flags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    db_.reset(db);
    if (rc != SQLITE_OK) Fail(rc);
    sqlite3_extended_result_codes(db_.get(), 1);
    sqlite3_busy_timeout(db_.get(), static_cast<int>(lockWait.count()));
    // The first statement reads the file: a file that is no database fails here, clearly.
    Execute("PRAGMA foreign_keys = ON", {});
    Query("PRAGMA journal_mode = WAL", {}, [](const Row&) {});
    Execute("PRAGMA synchronous = FULL", {});
  }
  Dialect Kind() const override { return Dialect::kSqlite; }
  const String& Location() const override { return path_; }

  void Execute(std::string_view statement, const Params& params) override {
    Query(statement, params, [](const Row&) {});
  }

  void Query(std::string_view statement, const Params& params, const RowVisitor& visit) override {
    try {
      const PreparedStatement& prepared = Prepared(statement);
      sqlite3_stmt* stmt = prepared.handle.get();
      const StatementUse use(stmt);
      Bind(prepared, params);
      const SqliteRow row(stmt);
      for (;;) {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) throw rc;
        visit(row);
      }
    } catch (int rc) {
      Fail(rc);
    }
  }

  void BeginWrite() override { Execute("BEGIN IMMEDIATE", {}); }
  void Commit() override { Execute("COMMIT", {}); }
  void Rollback() noexcept override {
    if (sqlite3_get_autocommit(db_.get()) == 0)
      sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
  }

 private:
  // The statement prepared once and kept for the life of the connection (an archive runs the same
  // few statements again and again); a fresh one while the kept one is still being read.
  const PreparedStatement& Prepared(std::string_view text) {
    std::unique_ptr<PreparedStatement>& kept = statements_[String(text)];
    if (kept && sqlite3_stmt_busy(kept->handle.get()) == 0) return *kept;
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v3(db_.get(), text.data(), static_cast<int>(text.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) throw rc;
    auto prepared = std::make_unique<PreparedStatement>(stmt);
    std::unique_ptr<PreparedStatement>& slot = kept ? extra_.emplace_back() : kept;
    slot = std::move(prepared);
    return *slot;
  }

  [[noreturn]] void Fail(int rc) const {
    const String cause = db_ ? sqlite3_errmsg(db_.get()) : sqlite3_errstr(rc);
    throw ArchiveError(ErrorNumberOf(rc), path_, cause);
  }

  String path_;
  std::unique_ptr<sqlite3, Closer> db_;  // closed after the statements below are finalised
  std::unordered_map<String, std::unique_ptr<PreparedStatement>> statements_;
  std::vector<std::unique_ptr<PreparedStatement>> extra_;
};

}  // namespace

std::unique_ptr<Database> OpenSqlite(const String& path, bool create,
                                     std::chrono::milliseconds lockWait) {
  if (create) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    if (ec) throw ArchiveError(archive_error::kUnavailable, path, ec.message());
  }
  return std::make_unique<SqliteDatabase>(path, create, lockWait);
}

}  // namespace velko::host::sql
