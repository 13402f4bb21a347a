// The archive benchmark: fills an archive with generated records of 30 measurements each (a
// hospital's lifetime of tests: about twenty per device) and measures what a station and its
// users wait for - storing one run's record durably, a bulk import in batches, a device's history,
// the comparison of its tests - and the size of the archive per record, for SQLite and, where a
// server is given (VELKO_TEST_POSTGRESQL, as tests/archive/with_postgresql.sh sets it), for
// PostgreSQL. Run by `make bench`; figures into the "archive" part of docs/performance.md.
//
// Options: --records=N (default 1000000)  --postgresql-records=N (default: as many)  --folder=DIR
// (the SQLite file; default a temporary folder)  --report=FILE (rewrite the part between
// "archive:begin" and "archive:end")
// --command=TEXT (how the run was started, for the page)
#include <fmt/format.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>

#include "velko/frame/numeric.hpp"
#include "velko/host/archive/archive.hpp"
#include "velko/host/archive/comparison.hpp"

namespace velko::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kMeasurements = 30;
constexpr int kRecordsPerDevice = 20;
constexpr std::size_t kBatch = 1000;
constexpr int kSamples = 200;

struct Options {
  std::size_t records = 1000000;
  std::size_t postgresRecords = 0;  // 0: as many as SQLite gets
  String folder;
  String report;
  String command = "velko_archive_bench";
};

String HexId(std::uint64_t n) {
  return fmt::format("{:08x}-{:04x}-4{:03x}-8{:03x}-{:012x}", static_cast<std::uint32_t>(n >> 16),
                     static_cast<unsigned>(n & 0xFFFF), static_cast<unsigned>((n >> 8) & 0xFFF),
                     static_cast<unsigned>(n & 0xFFF), n * 2654435761u % 0xFFFFFFFFFFFFull);
}

// Record number n: device n / 20 by the order the records come in, measured values that drift a
// little from test to test, a record document and a report of the size a real one of 30 readings
// has once deflated.
host::ArchiveEntry GeneratedEntry(std::size_t n, std::size_t devices, const String& prefix) {
  const std::size_t device = n % devices;
  const std::size_t test = n / devices;
  host::ArchiveEntry e;
  host::RecordSummary& s = e.summary;
  s.recordId = prefix + HexId(n).substr(prefix.size());
  s.device = {fmt::format("SN-{:07}", device),
              fmt::format("A-{:07}", device),
              "Norvale Medical",
              "InfuSafe 300",
              {{"SerialNumber", fmt::format("SN-{:07}", device)}}};
  s.sequenceName = "Recurrent test and test after repair, class I device with type BF applied part";
  s.sequenceHash = String(64, 'c');
  s.standards = {"IEC 62353:2014 Class I", "In-house limits"};
  s.tester = "tester";
  s.station = "station-1";
  s.started = fmt::format("{:04}-06-03 10:{:02}:00", 2000 + test, n % 60);
  s.finished = s.started;
  s.verdict = 1;
  String document = "<TestRecord Format=\"1\" ID=\"" + s.recordId + "\"><Results>";
  String report = "<!DOCTYPE html><html><body><table>";
  for (int i = 0; i < kMeasurements; ++i) {
    const double value = ParseNumber(fmt::format("{:.3f}", 0.05 + 0.001 * i + 0.0005 * test));
    const String text = FormatNumber(value);
    e.measurements.push_back(
        {100 + i,
         fmt::format("Measurement {}", i),
         fmt::format("KEY_{:02}", i),
         value,
         text,
         "Ω",
         1,
         {{"IEC 62353:2014 Class I", std::nullopt, 0.3}, {"In-house limits", std::nullopt, 0.2}}});
    document += fmt::format(
        "<ResultItem Status=\"Passed\" ElementID=\"{0}\"><Measurement Key=\"KEY_{1:02}\" "
        "Unit=\"&#937;\" Status=\"1\"><Value Type=\"Float\">{2}</Value></Measurement>"
        "</ResultItem>",
        100 + i, i, text);
    report += fmt::format(
        "<tr><td>Measurement {0}</td><td class=\"v\">{1} &#937;</td><td>Passed</td>"
        "<td>&le; 0.3 &#937;</td><td>&le; 0.2 &#937;</td></tr>\n",
        i, text);
  }
  e.document = document + "</Results><Setup>" + String(1500, ' ') + "</Setup></TestRecord>";
  e.report = report + "</table></body></html>";
  return e;
}

struct Figures {
  String store;
  std::size_t records = 0;
  double importRate = 0;                 // records per second
  double storeMedian = 0, storeP95 = 0;  // ms
  double historyMedian = 0, historyP95 = 0;
  double compareMedian = 0, compareP95 = 0;
  double bytesPerRecord = 0;
};

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

std::pair<double, double> MedianAndP95(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return {samples[samples.size() / 2], samples[samples.size() * 95 / 100]};
}

template <class F>
std::pair<double, double> Timed(int times, F&& body) {
  std::vector<double> samples;
  for (int i = 0; i < times; ++i) {
    const auto start = Clock::now();
    body(i);
    samples.push_back(Ms(Clock::now() - start));
  }
  return MedianAndP95(samples);
}

Figures Measure(const String& name, const String& location, std::size_t records,
                const std::function<double()>& sizeInBytes) {
  Figures f{name, records};
  const std::size_t devices = std::max<std::size_t>(records / kRecordsPerDevice, 1);
  auto archive = host::OpenArchive(location);
  std::cerr << name << ": importing " << records << " records\n";
  Clock::duration importing{};
  for (std::size_t first = 0; first < records; first += kBatch) {
    std::vector<host::ArchiveEntry> batch;
    for (std::size_t n = first; n < std::min(records, first + kBatch); ++n)
      batch.push_back(GeneratedEntry(n, devices, ""));
    const auto start = Clock::now();
    archive->StoreAll(batch);
    importing += Clock::now() - start;
    if (first % 100000 == 0) std::cerr << "  " << first << "\n";
  }
  f.importRate = records / std::chrono::duration<double>(importing).count();
  std::mt19937 random(20240603);
  const auto someDevice = [&] { return fmt::format("SN-{:07}", random() % devices); };
  std::tie(f.storeMedian, f.storeP95) = Timed(
      kSamples / 2, [&](int i) { archive->Store(GeneratedEntry(records + i, devices, "ffff")); });
  std::tie(f.historyMedian, f.historyP95) =
      Timed(kSamples, [&](int) { archive->History(someDevice()); });
  std::tie(f.compareMedian, f.compareP95) = Timed(kSamples, [&](int) {
    host::CompareRecords(archive->Measurements(someDevice(), 5), host::kDefaultDriftShare);
  });
  archive.reset();
  f.bytesPerRecord = sizeInBytes() / (records + kSamples / 2);
  return f;
}

double SqliteBytes(const String& path) {
  double bytes = 0;
  for (const char* suffix : {"", "-wal"}) {
    std::error_code ec;
    const auto size = fs::file_size(path + suffix, ec);
    if (!ec) bytes += static_cast<double>(size);
  }
  return bytes;
}

double PostgresBytes(const String& uri) {
  PGconn* conn = PQconnectdb(uri.c_str());
  PGresult* r = PQexec(conn, "SELECT pg_database_size(current_database())");
  const double bytes = PQntuples(r) > 0 ? std::atof(PQgetvalue(r, 0, 0)) : 0;
  PQclear(r);
  PQfinish(conn);
  return bytes;
}

String Table(const std::vector<Figures>& figures) {
  String t = "| | target |";
  for (const Figures& f : figures)
    t += " " + f.store + " |";
  t += "\n|---|---|";
  for (std::size_t i = 0; i < figures.size(); ++i)
    t += "---|";
  const auto row = [&](const char* what, const char* target, auto cell) {
    t += fmt::format("\n| {} | {} |", what, target);
    for (const Figures& f : figures)
      t += " " + cell(f) + " |";
  };
  row("records in the archive", "1,000,000",
      [](const Figures& f) { return fmt::format("{}", f.records); });
  row("store one run durably (synced), median / 95 %", "<= 20 ms", [](const Figures& f) {
    return fmt::format("{:.2f} / {:.2f} ms", f.storeMedian, f.storeP95);
  });
  row("bulk import in batches of 1,000", ">= 2,000 records/s (SQLite)",
      [](const Figures& f) { return fmt::format("{:.0f} records/s", f.importRate); });
  row("history of one device, median / 95 %", "<= 5 ms", [](const Figures& f) {
    return fmt::format("{:.2f} / {:.2f} ms", f.historyMedian, f.historyP95);
  });
  row("compare (first and 5 newest tests), median / 95 %", "<= 20 ms", [](const Figures& f) {
    return fmt::format("{:.2f} / {:.2f} ms", f.compareMedian, f.compareP95);
  });
  row("size per record", "-",
      [](const Figures& f) { return fmt::format("{:.0f} bytes", f.bytesPerRecord); });
  return t + "\n";
}

void WriteReport(const Options& o, const std::vector<Figures>& figures) {
  const String part = fmt::format(
      "<!-- archive:begin -->\nMeasured by `{}` on this machine ({} cores): generated records of "
      "{} "
      "measurements each, {} per device, the SQLite file on local disk and the PostgreSQL server "
      "on the same machine (pg_virtualenv).\n\n{}<!-- archive:end -->",
      o.command, ::sysconf(_SC_NPROCESSORS_ONLN), kMeasurements, kRecordsPerDevice, Table(figures));
  std::cout << part << "\n";
  if (o.report.empty()) return;
  std::ifstream in(o.report);
  std::stringstream page;
  page << in.rdbuf();
  String text = page.str();
  const std::size_t begin = text.find("<!-- archive:begin -->");
  const std::size_t end = text.find("<!-- archive:end -->");
  if (begin != String::npos && end != String::npos) {
    text.replace(begin, end + std::strlen("<!-- archive:end -->") - begin, part);
  } else {
    text += "\n## The record archive\n\n" + part + "\n";
  }
  std::ofstream(o.report) << text;
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const String arg = argv[i];
    const auto value = [&](const char* name) -> std::optional<String> {
      const String prefix = String(name) + "=";
      if (arg.rfind(prefix, 0) != 0) return std::nullopt;
      return arg.substr(prefix.size());
    };
    if (auto v = value("--records")) o.records = std::stoul(*v);
    if (auto v = value("--postgresql-records")) o.postgresRecords = std::stoul(*v);
    if (auto v = value("--folder")) o.folder = *v;
    if (auto v = value("--report")) o.report = *v;
    if (auto v = value("--command")) o.command = *v;
  }
  return o;
}

}  // namespace
}  // namespace velko::bench

int main(int argc, char** argv) {
  using namespace velko::bench;
  const Options options = Parse(argc, argv);
  const fs::path folder =
      options.folder.empty()
          ? fs::temp_directory_path() / ("velko-archive-bench-" + std::to_string(::getpid()))
          : fs::path(options.folder);
  fs::create_directories(folder);
  const velko::String file = (folder / "archive.sqlite").string();
  fs::remove(file);
  fs::remove(file + "-wal");
  std::vector<Figures> figures;
  figures.push_back(Measure("SQLite", file, options.records, [&] { return SqliteBytes(file); }));
  if (const char* uri = std::getenv("VELKO_TEST_POSTGRESQL"); uri && *uri) {
    const std::size_t records = options.postgresRecords ? options.postgresRecords : options.records;
    figures.push_back(Measure("PostgreSQL", uri, records, [&] { return PostgresBytes(uri); }));
  }
  WriteReport(options, figures);
  if (options.folder.empty()) fs::remove_all(folder);
  return 0;
}
