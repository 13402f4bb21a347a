// The archive over either store: the same statements, the same schema, the same behaviour.
#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <map>

#include "archive/archive_schema.hpp"
#include "archive/archive_text.hpp"
#include "archive/compression.hpp"
#include "archive/postgres_database.hpp"
#include "archive/sqlite_database.hpp"
#include "velko/host/archive/archive.hpp"
#include "velko/host/archive/archive_errors.hpp"
#include "velko/host/archive/content_hash.hpp"
#include "velko/host/session/clock.hpp"

namespace velko::host {
namespace {

using sql::Params;
using sql::Row;

// At most this many rows go into one INSERT (both stores take far more parameters than that).
constexpr std::size_t kRowsPerInsert = 400;
// Records read per page when every measurement is walked.
constexpr std::int64_t kRecordsPerPage = 500;
// The shortest start of a record ID that finds it.
constexpr std::size_t kShortestIdPrefix = 8;

// The columns of a record's summary, in the order SummaryOf reads them.
constexpr const char* kSummaryColumns =
    "r.seq, r.record_id, coalesce(r.supersedes, ''), r.serial, r.asset, r.manufacturer, "
    "r.model, r.sequence_name, r.sequence_hash, r.tester, r.station, r.organisation, r.started, "
    "r.finished, r.verdict, "
    "coalesce((SELECT s.record_id FROM records s WHERE s.supersedes = r.record_id "
    "ORDER BY s.seq DESC LIMIT 1), '')";

constexpr const char* kOfDevice = "(r.serial = $1 OR r.asset = $1)";

struct SummaryRow {
  std::int64_t seq = 0;
  RecordSummary summary;
};

SummaryRow SummaryOf(const Row& row) {
  SummaryRow out;
  out.seq = row.Integer(0);
  RecordSummary& s = out.summary;
  s.recordId = row.Text(1);
  s.supersedes = row.Text(2);
  s.device.serial = row.Text(3);
  s.device.asset = row.Text(4);
  s.device.manufacturer = row.Text(5);
  s.device.model = row.Text(6);
  s.sequenceName = row.Text(7);
  s.sequenceHash = row.Text(8);
  s.tester = row.Text(9);
  s.station = row.Text(10);
  s.organisation = row.Text(11);
  s.started = row.Text(12);
  s.finished = row.Text(13);
  s.verdict = static_cast<Long>(row.Integer(14));
  s.supersededBy = row.Text(15);
  return out;
}

// "($1, $2, $3), ($4, $5, $6)" for `rows` rows of `columns` columns.
String Placeholders(std::size_t rows, std::size_t columns) {
  String text;
  std::size_t n = 0;
  for (std::size_t r = 0; r < rows; ++r) {
    text += r ? ", (" : "(";
    for (std::size_t c = 0; c < columns; ++c)
      text += fmt::format("{}${}", c ? ", " : "", ++n);
    text += ")";
  }
  return text;
}

// Inserts rows of `columns` values each: into a server several to a statement, which saves round
// trips; into SQLite one to a statement, prepared once and run for each row, since parsing a
// statement of hundreds of placeholders costs more than running a short one again.
void InsertRows(sql::Database& db, const char* table, const char* columnList, std::size_t columns,
                const std::vector<Params>& rows) {
  const std::size_t perInsert = db.Kind() == sql::Dialect::kSqlite ? 1 : kRowsPerInsert;
  for (std::size_t first = 0; first < rows.size(); first += perInsert) {
    const std::size_t count = std::min(perInsert, rows.size() - first);
    Params params;
    params.reserve(count * columns);
    for (std::size_t i = first; i < first + count; ++i)
      params.insert(params.end(), rows[i].begin(), rows[i].end());
    db.Execute(fmt::format("INSERT INTO {} ({}) VALUES {}", table, columnList,
                           Placeholders(count, columns)),
               params);
  }
}

class ArchiveStore final : public Archive {
 public:
  // `db` none: an SQLite archive that does not exist yet, opened for reading; it holds nothing.
  ArchiveStore(std::unique_ptr<sql::Database> db, String location)
      : db_(std::move(db)), location_(std::move(location)) {
    if (db_) MigrateSchema(*db_);
  }

  const String& Location() const override { return location_; }

  int SchemaVersion() override { return db_ ? SchemaVersionOf(*db_) : 0; }

  void CheckWritable() override {
    sql::Database& db = Writable();
    // A write transaction that writes nothing: it takes the lock a store would take.
    sql::InTransaction(
        db, [&] { db.Execute("UPDATE archive_schema SET version = version WHERE version < 0"); });
  }

  void Store(const ArchiveEntry& entry) override { StoreAll({entry}); }

  void StoreAll(const std::vector<ArchiveEntry>& entries) override {
    sql::Database& db = Writable();
    sql::InTransaction(db, [&] {
      for (const ArchiveEntry& entry : entries)
        Insert(db, entry);
    });
  }

  std::vector<RecordSummary> History(const String& device) override {
    std::vector<RecordSummary> history;
    if (!db_ || device.empty())
      return history;  // "" names no device (it would match every
                       // record without an asset number)
    db_->Query(fmt::format("SELECT {} FROM records r WHERE {} ORDER BY r.seq DESC", kSummaryColumns,
                           kOfDevice),
               {device}, [&](const Row& row) { history.push_back(SummaryOf(row).summary); });
    return history;
  }

  std::optional<StoredRecord> Find(const String& recordId) override {
    if (!db_) return std::nullopt;
    String id = recordId;
    std::transform(id.begin(), id.end(), id.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::vector<std::int64_t> seqs = SeqsOfId(id);
    if (seqs.empty()) return std::nullopt;
    if (seqs.size() > 1) throw ArchiveError(archive_error::kAmbiguousRecord, location_, recordId);
    return Load(seqs.front());
  }

  std::vector<MeasuredRecord> Measurements(const String& device, std::size_t last,
                                           const String& before) override {
    std::vector<MeasuredRecord> records;
    if (!db_ || device.empty()) return records;
    std::int64_t limit = std::numeric_limits<std::int64_t>::max();
    if (!before.empty()) {
      const std::vector<std::int64_t> seqs = SeqsOfId(before);
      if (seqs.size() == 1) limit = seqs.front();
    }
    const String current = fmt::format(
        "SELECT {} FROM records r WHERE {} AND r.seq < $2 AND NOT EXISTS "
        "(SELECT 1 FROM records s WHERE s.supersedes = r.record_id AND s.seq <= $2) "
        "ORDER BY r.seq {} LIMIT $3",
        kSummaryColumns, kOfDevice, "{}");
    std::map<std::int64_t, RecordSummary> chosen;
    const auto keep = [&](const Row& row) {
      SummaryRow summary = SummaryOf(row);
      chosen.emplace(summary.seq, std::move(summary.summary));
    };
    db_->Query(fmt::format(fmt::runtime(current), "ASC"), {device, limit, std::int64_t{1}}, keep);
    db_->Query(fmt::format(fmt::runtime(current), "DESC"),
               {device, limit, static_cast<std::int64_t>(last)}, keep);
    for (auto& [seq, summary] : chosen) {
      MeasuredRecord record{std::move(summary), {}};
      auto measured = MeasurementsBetween(seq, seq);
      record.measurements = std::move(measured[seq]);
      records.push_back(std::move(record));
    }
    return records;
  }

  void ForEachMeasurement(
      const String& device,
      const std::function<void(const RecordSummary&, const ArchivedMeasurement&)>& visit) override {
    if (!db_) return;
    const String page = fmt::format(
        "SELECT {} FROM records r WHERE r.seq > $2 AND ($1 = '' OR r.serial = $1 OR r.asset = $1) "
        "ORDER BY r.seq LIMIT $3",
        kSummaryColumns);
    std::int64_t after = 0;
    for (;;) {
      std::vector<SummaryRow> records;
      db_->Query(page, {device, after, kRecordsPerPage},
                 [&](const Row& row) { records.push_back(SummaryOf(row)); });
      if (records.empty()) return;
      auto measured = MeasurementsBetween(records.front().seq, records.back().seq);
      for (const SummaryRow& record : records) {
        for (const ArchivedMeasurement& m : measured[record.seq])
          visit(record.summary, m);
      }
      after = records.back().seq;
    }
  }

 private:
  sql::Database& Writable() {
    if (!db_) {
      throw ArchiveError(archive_error::kUnavailable, location_,
                         "the archive was opened for reading only");
    }
    return *db_;
  }

  std::vector<std::int64_t> SeqsOfId(const String& id) {
    std::vector<std::int64_t> seqs;
    const auto add = [&](const Row& row) { seqs.push_back(row.Integer(0)); };
    db_->Query("SELECT seq FROM records WHERE record_id = $1", {id}, add);
    // The start of an ID: IDs hold only hexadecimal digits and hyphens, which all sort before
    // "g", so the IDs that start so lie between the start and the start followed by "g".
    const bool idCharacters = std::all_of(id.begin(), id.end(), [](char c) {
      return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == '-';
    });
    if (seqs.empty() && id.size() >= kShortestIdPrefix && idCharacters) {
      db_->Query("SELECT seq FROM records WHERE record_id >= $1 AND record_id < $2 LIMIT 2",
                 {id, id + "g"}, add);
    }
    return seqs;
  }

  StoredRecord Load(std::int64_t seq) {
    StoredRecord stored;
    bool intact = true;
    db_->Query(fmt::format("SELECT {}, r.document, r.document_size, r.document_sha256, r.report, "
                           "r.report_size FROM records r WHERE r.seq = $1",
                           kSummaryColumns),
               {seq}, [&](const Row& row) {
                 stored.summary = SummaryOf(row).summary;
                 auto document = Inflate(row.Bytes(16), static_cast<std::size_t>(row.Integer(17)));
                 auto report = Inflate(row.Bytes(19), static_cast<std::size_t>(row.Integer(20)));
                 intact = document && report && Sha256Hex(*document) == row.Text(18);
                 if (intact) {
                   stored.document = std::move(*document);
                   stored.report = std::move(*report);
                 }
               });
    db_->Query("SELECT pdf, pdf_size FROM report_pdfs WHERE record_seq = $1", {seq},
               [&](const Row& row) {
                 auto pdf = Inflate(row.Bytes(0), static_cast<std::size_t>(row.Integer(1)));
                 intact = intact && pdf;
                 if (pdf) stored.reportPdf = std::move(*pdf);
               });
    if (!intact) {
      throw ArchiveError(archive_error::kNotAnArchive, location_,
                         fmt::format("the stored record {} does not match its fingerprint",
                                     stored.summary.recordId));
    }
    db_->Query(
        "SELECT name, value FROM device_keys WHERE record_seq = $1 ORDER BY position", {seq},
        [&](const Row& row) { stored.summary.device.keys.emplace_back(row.Text(0), row.Text(1)); });
    db_->Query("SELECT name FROM record_standards WHERE record_seq = $1 ORDER BY position", {seq},
               [&](const Row& row) { stored.summary.standards.push_back(row.Text(0)); });
    return stored;
  }

  // The measurements, with their limits, of the records whose sequence numbers lie in the range.
  std::map<std::int64_t, std::vector<ArchivedMeasurement>> MeasurementsBetween(std::int64_t from,
                                                                               std::int64_t to) {
    std::map<std::int64_t, std::vector<ArchivedMeasurement>> measured;
    std::map<std::pair<std::int64_t, std::int64_t>, ArchivedMeasurement*> byPosition;
    db_->Query(
        "SELECT record_seq, position, element_id, element_name, key, value, value_text, unit, "
        "status FROM measurements WHERE record_seq BETWEEN $1 AND $2 ORDER BY record_seq, position",
        {from, to}, [&](const Row& row) {
          ArchivedMeasurement m;
          m.elementId = static_cast<Long>(row.Integer(2));
          m.elementName = row.Text(3);
          m.key = row.Text(4);
          m.value = row.Real(5);
          m.valueText = row.Text(6);
          m.unit = row.Text(7);
          m.status = static_cast<Long>(row.Integer(8));
          measured[row.Integer(0)].push_back(std::move(m));
        });
    for (auto& [seq, list] : measured) {
      for (std::size_t i = 0; i < list.size(); ++i)
        byPosition[{seq, static_cast<std::int64_t>(i)}] = &list[i];
    }
    db_->Query(
        "SELECT record_seq, position, standard, low, high FROM measurement_limits "
        "WHERE record_seq BETWEEN $1 AND $2 ORDER BY record_seq, position, n",
        {from, to}, [&](const Row& row) {
          const auto found = byPosition.find({row.Integer(0), row.Integer(1)});
          if (found == byPosition.end()) return;
          found->second->limits.push_back({row.Text(2), row.Real(3), row.Real(4)});
        });
    return measured;
  }

  void Insert(sql::Database& db, const ArchiveEntry& entry) {
    const RecordSummary& s = entry.summary;
    if (!s.supersedes.empty() &&
        sql::QueryInteger(db, "SELECT count(*) FROM records WHERE record_id = $1", {s.supersedes},
                          0) == 0) {
      throw ArchiveError(archive_error::kUnknownSupersede, location_, s.supersedes);
    }
    if (sql::QueryInteger(db, "SELECT count(*) FROM records WHERE record_id = $1", {s.recordId},
                          0) > 0) {
      throw ArchiveError(archive_error::kDuplicateRecord, location_, s.recordId);
    }
    const Params record = {s.recordId,
                           s.supersedes.empty() ? sql::Value{} : sql::Value{s.supersedes},
                           s.device.serial,
                           s.device.asset,
                           s.device.manufacturer,
                           s.device.model,
                           s.sequenceName,
                           s.sequenceHash,
                           s.tester,
                           s.station,
                           s.organisation,
                           s.started,
                           s.finished,
                           std::int64_t{s.verdict},
                           NowTextUtc(),
                           sql::Blob{Deflate(entry.document)},
                           static_cast<std::int64_t>(entry.document.size()),
                           Sha256Hex(entry.document),
                           sql::Blob{Deflate(entry.report)},
                           static_cast<std::int64_t>(entry.report.size())};
    const std::int64_t seq = sql::QueryInteger(
        db,
        "INSERT INTO records (record_id, supersedes, serial, asset, manufacturer, model, "
        "sequence_name, sequence_hash, tester, station, organisation, started, finished, verdict, "
        "stored_at, document, document_size, document_sha256, report, report_size) VALUES " +
            Placeholders(1, record.size()) + " RETURNING seq",
        record, 0);
    std::vector<Params> keys, standards, measurements, limits;
    for (std::size_t i = 0; i < s.device.keys.size(); ++i) {
      keys.push_back(
          {seq, static_cast<std::int64_t>(i), s.device.keys[i].first, s.device.keys[i].second});
    }
    for (std::size_t i = 0; i < s.standards.size(); ++i)
      standards.push_back({seq, static_cast<std::int64_t>(i), s.standards[i]});
    for (std::size_t i = 0; i < entry.measurements.size(); ++i) {
      const ArchivedMeasurement& m = entry.measurements[i];
      const auto position = static_cast<std::int64_t>(i);
      measurements.push_back({seq, position, std::int64_t{m.elementId}, m.elementName, m.key,
                              sql::Nullable(m.value), m.valueText, m.unit, std::int64_t{m.status}});
      for (std::size_t n = 0; n < m.limits.size(); ++n) {
        const ArchivedLimit& l = m.limits[n];
        limits.push_back({seq, position, static_cast<std::int64_t>(n), l.standard,
                          sql::Nullable(l.low), sql::Nullable(l.high)});
      }
    }
    InsertRows(db, "device_keys", "record_seq, position, name, value", 4, keys);
    InsertRows(db, "record_standards", "record_seq, position, name", 3, standards);
    InsertRows(db, "measurements",
               "record_seq, position, element_id, element_name, key, value, value_text, unit, "
               "status",
               9, measurements);
    InsertRows(db, "measurement_limits", "record_seq, position, n, standard, low, high", 6, limits);
    if (!entry.reportPdf.empty()) {
      InsertRows(db, "report_pdfs", "record_seq, pdf, pdf_size", 3,
                 {{seq, sql::Blob{Deflate(entry.reportPdf)},
                   static_cast<std::int64_t>(entry.reportPdf.size())}});
    }
  }

  std::unique_ptr<sql::Database> db_;
  String location_;
};

String HomeDataFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return xdg;
  const char* home = std::getenv("HOME");
  return String(home && *home ? home : ".") + "/.local/share";
}

}  // namespace

bool IsServerLocation(const String& location) {
  return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

int CurrentSchemaVersion() {
  return NewestSchemaVersion();
}

String DefaultArchiveLocation() {
  if (const char* named = std::getenv("VELKO_ARCHIVE"); named && *named) return named;
  return HomeDataFolder() + "/velko/archive.sqlite";
}

std::unique_ptr<Archive> OpenArchive(const String& location, const ArchiveOptions& options) {
  if (IsServerLocation(location))
    return std::make_unique<ArchiveStore>(sql::OpenPostgres(location),
                                          sql::WithoutPassword(location));
  std::error_code ec;
  if (!options.create && !std::filesystem::exists(location, ec))
    return std::make_unique<ArchiveStore>(nullptr, location);
  return std::make_unique<ArchiveStore>(sql::OpenSqlite(location, options.create, options.lockWait),
                                        location);
}

}  // namespace velko::host
