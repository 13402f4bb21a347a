// The little of SQL that the archive needs, over either store: parameterised statements (never a
// text spliced into SQL), rows read by column, and transactions. Placeholders are $1, $2, ...,
// which both stores read the same way.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

#include "velko/frame/types.hpp"

namespace velko::host::sql {

// Bytes kept as they are (compressed documents).
struct Blob {
  String bytes;
};

using Value = std::variant<std::monostate, std::int64_t, double, String, Blob>;
using Params = std::vector<Value>;

// A number that may be absent, as a parameter: none becomes NULL.
Value Nullable(const std::optional<double>& number);

// One row of a result; columns by position from 0.
class Row {
 public:
  virtual ~Row() = default;
  virtual bool IsNull(int column) const = 0;
  virtual String Text(int column) const = 0;  // "" for NULL
  virtual std::int64_t Integer(int column) const = 0;
  virtual std::optional<double> Real(int column) const = 0;
  virtual String Bytes(int column) const = 0;  // a BLOB / BYTEA column
};

using RowVisitor = std::function<void(const Row&)>;

// Which SQL a store speaks where the two differ (types, the schema lock).
enum class Dialect { kSqlite, kPostgres };

// A connection to one store. Every failure raises velko::Error with an archive error number and
// the store's own words for the cause.
class Database {
 public:
  virtual ~Database() = default;
  virtual Dialect Kind() const = 0;
  // Where the store is, for messages (a file path, or the server without its password).
  virtual const String& Location() const = 0;

  virtual void Execute(std::string_view statement, const Params& params = {}) = 0;
  virtual void Query(std::string_view statement, const Params& params, const RowVisitor& row) = 0;

  // A transaction that may write; only one at a time. SQLite takes its write lock at once, so that
  // two writers wait for each other instead of failing half-way.
  virtual void BeginWrite() = 0;
  virtual void Commit() = 0;
  // Never raises: called on the way out of a failure.
  virtual void Rollback() noexcept = 0;
};

// Runs `body` in a write transaction: committed when it returns, rolled back when anything fails.
void InTransaction(Database& db, const std::function<void()>& body);

// The first column of the first row as an integer; `fallback` when there is no row.
std::int64_t QueryInteger(Database& db, std::string_view statement, const Params& params,
                          std::int64_t fallback);

}  // namespace velko::host::sql
