#include "archive/sql_database.hpp"

namespace velko::host::sql {

Value Nullable(const std::optional<double>& number) {
  if (!number) return std::monostate{};
  return *number;
}

void InTransaction(Database& db, const std::function<void()>& body) {
  db.BeginWrite();
  try {
    body();
    db.Commit();
  } catch (...) {
    db.Rollback();
    throw;
  }
}

std::int64_t QueryInteger(Database& db, std::string_view statement, const Params& params,
                          std::int64_t fallback) {
  std::optional<std::int64_t> value;
  db.Query(statement, params, [&](const Row& row) {
    if (!value && !row.IsNull(0)) value = row.Integer(0);
  });
  return value.value_or(fallback);
}

}  // namespace velko::host::sql
