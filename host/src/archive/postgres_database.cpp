#include "archive/postgres_database.hpp"

#include <libpq-fe.h>

#include <charconv>
#include <cstring>

#include "archive/archive_text.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/host/archive/archive_errors.hpp"

namespace velko::host::sql {
namespace {

// Seconds a connection attempt may take before the server counts as unreachable.
constexpr const char* kConnectTimeout = "10";

struct ResultFree {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultFree>;

struct ConnectionClose {
  void operator()(PGconn* conn) const { PQfinish(conn); }
};

// The server's words without the line breaks it ends them with.
String Trimmed(const char* text) {
  String cause = text ? text : "";
  while (!cause.empty() && (cause.back() == '\n' || cause.back() == ' '))
    cause.pop_back();
  for (char& c : cause) {
    if (c == '\n') c = ' ';
  }
  return cause;
}

Long ErrorNumberOfState(const String& state) {
  if (state == "23505") return archive_error::kDuplicateRecord;
  if (state == "53100" || state == "53200") return archive_error::kFull;
  if (state == "25006" || state == "42501") return archive_error::kReadOnly;
  if (state == "55P03" || state == "40P01") return archive_error::kLocked;
  if (state.rfind("08", 0) == 0 || state.rfind("57P", 0) == 0)
    return archive_error::kConnectionLost;
  if (state.rfind("28", 0) == 0) return archive_error::kRefused;
  return archive_error::kFailed;
}

class PostgresRow final : public Row {
 public:
  PostgresRow(const PGresult* result, int row) : result_(result), row_(row) {}
  bool IsNull(int column) const override { return PQgetisnull(result_, row_, column) != 0; }
  String Text(int column) const override {
    return String(PQgetvalue(result_, row_, column),
                  static_cast<std::size_t>(PQgetlength(result_, row_, column)));
  }
  std::int64_t Integer(int column) const override {
    const String text = Text(column);
    std::int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
  }
  std::optional<double> Real(int column) const override {
    if (IsNull(column)) return std::nullopt;
    const String text = Text(column);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
  }
  String Bytes(int column) const override {
    std::size_t length = 0;
    unsigned char* bytes = PQunescapeBytea(
        reinterpret_cast<const unsigned char*>(PQgetvalue(result_, row_, column)), &length);
    if (!bytes) throw std::bad_alloc();
    String out(reinterpret_cast<const char*>(bytes), length);
    PQfreemem(bytes);
    return out;
  }

 private:
  const PGresult* result_;
  int row_;
};

// The parameters as libpq takes them: texts, except bytes, which go in binary.
struct WireParams {
  explicit WireParams(const Params& params) {
    texts.reserve(params.size());
    for (const Value& value : params) {
      int format = 0;
      bool null = false;
      if (std::holds_alternative<std::monostate>(value)) {
        null = true;
        texts.emplace_back();
      } else if (const auto* n = std::get_if<std::int64_t>(&value)) {
        texts.push_back(std::to_string(*n));
      } else if (const auto* d = std::get_if<double>(&value)) {
        texts.push_back(FormatNumber(*d));
      } else if (const auto* s = std::get_if<String>(&value)) {
        texts.push_back(*s);
      } else {
        texts.push_back(std::get<Blob>(value).bytes);
        format = 1;
      }
      nulls.push_back(null);
      formats.push_back(format);
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
      values.push_back(nulls[i] ? nullptr : texts[i].c_str());
      lengths.push_back(static_cast<int>(texts[i].size()));
    }
  }
  std::vector<String> texts;
  std::vector<bool> nulls;
  std::vector<const char*> values;
  std::vector<int> lengths;
  std::vector<int> formats;
};

class PostgresDatabase final : public Database {
 public:
  explicit PostgresDatabase(const String& uri) : location_(WithoutPassword(uri)) {
    const char* keys[] = {"dbname", "connect_timeout", "application_name", nullptr};
    const char* values[] = {uri.c_str(), kConnectTimeout, "velko", nullptr};
    conn_.reset(PQconnectdbParams(keys, values, 1));
    if (!conn_) throw std::bad_alloc();
    if (PQstatus(conn_.get()) != CONNECTION_OK) {
      const String cause = Trimmed(PQerrorMessage(conn_.get()));
      const bool refused = cause.find("authentication") != String::npos ||
                           cause.find("password") != String::npos ||
                           cause.find("does not exist") != String::npos;
      throw ArchiveError(refused ? archive_error::kRefused : archive_error::kUnavailable, location_,
                         cause);
    }
    PQsetNoticeProcessor(
        conn_.get(), [](void*, const char*) {}, nullptr);
  }

  Dialect Kind() const override { return Dialect::kPostgres; }
  const String& Location() const override { return location_; }

  void Execute(std::string_view statement, const Params& params) override {
    Run(statement, params);
  }

  void Query(std::string_view statement, const Params& params, const RowVisitor& visit) override {
    const Result result = Run(statement, params);
    const int rows = PQntuples(result.get());
    for (int i = 0; i < rows; ++i)
      visit(PostgresRow(result.get(), i));
  }

  void BeginWrite() override { Execute("BEGIN", {}); }
  void Commit() override { Execute("COMMIT", {}); }
  void Rollback() noexcept override {
    if (PQstatus(conn_.get()) != CONNECTION_OK) return;
    if (PQtransactionStatus(conn_.get()) == PQTRANS_IDLE) return;
    PQclear(PQexec(conn_.get(), "ROLLBACK"));
  }

 private:
  Result Run(std::string_view statement, const Params& params) {
    const String text(statement);
    const WireParams wire(params);
    Result result(PQexecParams(conn_.get(), text.c_str(), static_cast<int>(params.size()), nullptr,
                               wire.values.data(), wire.lengths.data(), wire.formats.data(), 0));
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return result;
    Fail(result.get());
  }

  [[noreturn]] void Fail(const PGresult* result) const {
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    String cause = Trimmed(result ? PQresultErrorMessage(result) : nullptr);
    if (cause.empty()) cause = Trimmed(PQerrorMessage(conn_.get()));
    Long number = ErrorNumberOfState(state ? state : "");
    if (PQstatus(conn_.get()) != CONNECTION_OK) number = archive_error::kConnectionLost;
    throw ArchiveError(number, location_, cause);
  }

  String location_;
  std::unique_ptr<PGconn, ConnectionClose> conn_;
};

}  // namespace

String WithoutPassword(const String& uri) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
  if (!options) {
    PQfreemem(error);
    return "postgresql://";
  }
  String user, host, port, dbname;
  for (PQconninfoOption* o = options; o->keyword; ++o) {
    if (!o->val) continue;
    if (std::strcmp(o->keyword, "user") == 0) user = o->val;
    if (std::strcmp(o->keyword, "host") == 0) host = o->val;
    if (std::strcmp(o->keyword, "port") == 0) port = o->val;
    if (std::strcmp(o->keyword, "dbname") == 0) dbname = o->val;
  }
  PQconninfoFree(options);
  String shown = "postgresql://";
  if (!user.empty()) shown += user + "@";
  shown += host;
  if (!port.empty()) shown += ":" + port;
  if (!dbname.empty()) shown += "/" + dbname;
  return shown;
}

std::unique_ptr<Database> OpenPostgres(const String& uri) {
  return std::make_unique<PostgresDatabase>(uri);
}

}  // namespace velko::host::sql
