#include "velko/host/run/run_outputs.hpp"

#include <fmt/format.h>
#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <set>

#include "archive/archive_text.hpp"
#include "velko/frame/text.hpp"
#include "velko/host/archive/archive_entry.hpp"
#include "velko/host/archive/archive_errors.hpp"
#include "velko/host/archive/comparison.hpp"
#include "velko/host/archive/content_hash.hpp"
#include "velko/host/records/record_signature.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/host/session/messages.hpp"
#include "velko/setup/test_status.hpp"

namespace velko::host {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kShortIdLength = 8;
constexpr std::size_t kLongestSerialInName = 64;
constexpr Long kErrorDiskFull = 61;
constexpr Long kErrorFileAccess = 75;

// A device text as part of a file name: letters, digits, ".", "_" and "-" stay (any letter beyond
// ASCII too), everything else (separators, blanks, control characters) becomes "-".
String FileNamePart(const String& text) {
  String part;
  for (unsigned char c : text) {
    const bool keep = std::isalnum(c) || c == '.' || c == '_' || c == '-' || c >= 0x80;
    part += keep ? static_cast<char>(c) : '-';
  }
  if (part.size() > kLongestSerialInName) {
    std::size_t cut = kLongestSerialInName;
    while (cut > 0 && (static_cast<unsigned char>(part[cut]) & 0xC0) == 0x80)
      --cut;
    part.resize(cut);
  }
  if (!part.empty() && part.front() == '.') part.front() = '-';  // never a hidden file or ".."
  return part;
}

// "2024-06-03 14:05:09" as "20240603-140509".
String CompactDateTime(const String& dateTime) {
  String digits;
  for (char c : dateTime) {
    if (c >= '0' && c <= '9') digits += c;
  }
  if (digits.size() > 8) digits.insert(8, "-");
  return digits;
}

String FolderOf(const String& path) {
  const fs::path folder = fs::path(path).parent_path();
  return folder.empty() ? String(".") : folder.string();
}

String BytesText(std::uintmax_t bytes) {
  if (bytes >= (std::uintmax_t{1} << 30)) return fmt::format("{:.1f} GiB", bytes / 1073741824.0);
  if (bytes >= (std::uintmax_t{1} << 20)) return fmt::format("{:.1f} MiB", bytes / 1048576.0);
  return fmt::format("{} KiB", (bytes + 1023) / 1024);
}

void CheckRoom(FileSystem& files, const String& folder, std::uintmax_t bytes, bool forArchive) {
  const std::optional<std::uintmax_t> free = files.AvailableBytes(folder);
  if (!free || *free >= bytes) return;
  const String text =
      forArchive
          ? HostText(
                "823::The folder %%1 of the archive has %%2 free, but storing this run needs "
                "about %%3.",
                folder, BytesText(*free), BytesText(bytes))
          : HostText(
                "822::The folder %%1 has %%2 free, but the record and the report of this run "
                "need about %%3.",
                folder, BytesText(*free), BytesText(bytes));
  throw Error(kErrorDiskFull, kHostSource, text);
}

// The folder exists or is made, is a folder, may be written (a probe file is written and removed)
// and has room.
void CheckOutputFolder(FileSystem& files, const String& folder, std::uintmax_t bytes) {
  const PathKind kind = files.KindOf(folder);
  if (kind == PathKind::kFile) {
    throw Error(kErrorFileAccess, kHostSource,
                HostText("820::The output folder %%1 is a file, not a folder.", folder));
  }
  try {
    if (kind == PathKind::kMissing) files.CreateFolders(folder);
    const String probe =
        (fs::path(folder) / fmt::format(".velko-write-check-{}", ::getpid())).string();
    files.ReplaceFile(probe, "");
    files.RemoveFile(probe);
  } catch (const Error& e) {
    throw Error(kErrorFileAccess, kHostSource,
                HostText("821::The outputs of the run cannot be written into the folder %%1: %%2",
                         folder, e.Description()));
  }
  CheckRoom(files, folder, bytes, false);
}

// "x.report.html" -> "x.report.pdf"; a name without ".html" gets ".pdf" after it.
String PdfNameBeside(const String& report) {
  fs::path path(report);
  if (ToLowerAscii(path.extension().string()) == ".html") return path.replace_extension(".pdf");
  return report + ".pdf";
}

std::vector<String> OutputFolders(const OutputRequest& request) {
  std::vector<String> folders;
  if (!request.record || !request.report) folders.push_back(request.folder);
  for (const auto& named : {request.record, request.report}) {
    if (named) folders.push_back(FolderOf(*named));
  }
  return folders;
}

}  // namespace

String LoginName() {
  std::array<char, 4096> buffer{};
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
    return {};
  return found->pw_name;
}

RunOutputs OutputNames(const OutputRequest& request, const String& serial, const String& dateTime,
                       const String& recordId, const String& sequence) {
  String device = FileNamePart(serial);
  if (device.empty()) device = FileNamePart(fs::path(sequence).stem().string());
  const String stem = fmt::format("{}_{}_{}", device, CompactDateTime(dateTime),
                                  recordId.substr(0, kShortIdLength));
  const fs::path folder(request.folder);
  RunOutputs outputs{request.record.value_or((folder / (stem + ".record.xml")).string()),
                     request.report.value_or((folder / (stem + ".report.html")).string()),
                     {}};
  if (request.pdf) outputs.pdf = PdfNameBeside(outputs.report);
  return outputs;
}

std::uintmax_t EstimatedOutputBytes(FileSystem& files, const RunInput& input,
                                    const SequenceTree& tree, bool withPdf) {
  const auto sizeOf = [&](const std::optional<String>& path) -> std::uintmax_t {
    if (!path) return 0;
    const std::optional<String> content = files.ReadFile(*path);
    return content ? content->size() : 0;
  };
  std::uintmax_t nodes = 0;
  ForEachNode(tree.Root(), [&](const Ref<ITestElement>&) { ++nodes; });
  const std::uintmax_t sequence = sizeOf(input.sequence);
  const std::uintmax_t record = sequence + sizeOf(input.setup) + nodes * 1024 + (16 << 10);
  const std::uintmax_t report = 2 * sequence + nodes * 3072 + (64 << 10);
  // A PDF holds its fonts (some 100 KiB) and a few KiB a node.
  const std::uintmax_t pdf = withPdf ? sequence + nodes * 4096 + (256 << 10) : 0;
  return 2 * (record + report + pdf);
}

KeepingPlan CheckBeforeRun(FileSystem& files, Archive& archive, const OutputRequest& request,
                           const RunInput& input, const SequenceTree& tree,
                           const String& supersedes) {
  if (request.record && request.report &&
      fs::path(*request.record).lexically_normal() ==
          fs::path(*request.report).lexically_normal()) {
    throw Error(
        kErrorFileAccess, kHostSource,
        HostText("824::The record and the report cannot both be written to %%1.", *request.record));
  }
  if (request.pdf && request.record && request.report &&
      fs::path(*request.record).lexically_normal() ==
          fs::path(PdfNameBeside(*request.report)).lexically_normal()) {
    throw Error(
        kErrorFileAccess, kHostSource,
        HostText("1304::The record and the PDF of the report cannot both be written to %%1.",
                 *request.record));
  }
  KeepingPlan plan{request, input.sequence, {}, {}};
  plan.sequenceHash = Sha256Hex(files.ReadFile(input.sequence).value_or(String()));
  const std::uintmax_t bytes = EstimatedOutputBytes(files, input, tree, request.pdf);
  std::set<String> checked;
  for (const String& folder : OutputFolders(request)) {
    if (checked.insert(folder).second) CheckOutputFolder(files, folder, bytes);
  }
  archive.CheckWritable();
  if (!IsServerLocation(archive.Location()))
    CheckRoom(files, FolderOf(archive.Location()), bytes, true);
  if (!supersedes.empty()) {
    const std::optional<StoredRecord> earlier = archive.Find(supersedes);
    if (!earlier) {
      throw ArchiveError(archive_error::kUnknownSupersede, archive.Location(), supersedes);
    }
    plan.supersedes = earlier->summary.recordId;
  }
  return plan;
}

RecordSummary SummaryOfRun(const KeepingPlan& plan, const PerformedRun& run) {
  RecordSummary s;
  s.recordId = run.header.id;
  s.supersedes = plan.supersedes;
  s.device = DeviceOf(run.setup);
  s.sequenceName = run.tree.Name();
  s.sequenceHash = plan.sequenceHash;
  s.standards = SelectedStandardNames(run.setup);
  s.tester = run.header.tester;
  s.station = run.header.station;
  s.organisation = run.header.organisation;
  s.started = run.started;
  s.finished = run.finished;
  s.verdict = run.verdict;
  return s;
}

ReportDocuments ReportWithHistory(Archive* archive, const SequenceTree& tree,
                                  const Ref<CTestSetup>& setup, const MeasuredRecord& current,
                                  const ReportSettings& settings, bool withPdf) {
  DeviceComparison history;
  const DeviceIdentity& device = current.summary.device;
  const String& name = device.serial.empty() ? device.asset : device.serial;
  if (archive && !name.empty()) {
    std::vector<MeasuredRecord> records =
        archive->Measurements(name, kReportedEarlierRecords, current.summary.recordId);
    // The record this one replaces is no earlier test of the device, stored yet or not.
    std::erase_if(records, [&](const MeasuredRecord& r) {
      return !current.summary.supersedes.empty() &&
             r.summary.recordId == current.summary.supersedes;
    });
    if (!records.empty()) {
      records.push_back(current);
      history = CompareRecords(records, DriftShareSetting());
    }
  }
  ReportDocuments documents{ReportHtml(tree, setup, settings, current.summary, history), {}};
  if (withPdf) documents.pdf = ReportPdf(tree, setup, settings, current.summary, history);
  return documents;
}

String ReprintHtml(Archive* archive, const LoadedRecord& record, const ReportSettings& settings) {
  return Reprint(archive, record, settings).html;
}

ReportDocuments Reprint(Archive* archive, const LoadedRecord& record,
                        const ReportSettings& settings, bool withPdf) {
  MeasuredRecord current;
  const std::optional<StoredRecord> stored =
      archive && !record.header.id.empty() ? archive->Find(record.header.id) : std::nullopt;
  if (stored) {
    current.summary = stored->summary;
  } else {
    current.summary.recordId = record.header.id;
    current.summary.tester = record.header.tester;
    current.summary.station = record.header.station;
    current.summary.organisation = record.header.organisation;
    current.summary.standards = SelectedStandardNames(record.setup);
    current.summary.device = DeviceOf(record.setup);
    current.summary.started = DateText(record.setup->Status()->TestDate());
  }
  current.measurements = MeasurementsOf(record.tree, record.setup);
  return ReportWithHistory(archive, record.tree, record.setup, current, settings, withPdf);
}

RunOutputs KeepRun(FileSystem& files, Archive& archive, const KeepingPlan& plan,
                   const PerformedRun& run, const ReportSettings& settings) {
  // An incomplete run must not reach its record or report with the test status's pass.
  if (const auto status = QueryInterface<CTestStatus>(run.setup->Status()))
    status->SetTestStatus(run.verdict);
  ArchiveEntry entry;
  entry.summary = SummaryOfRun(plan, run);
  entry.measurements = MeasurementsOf(run.tree, run.setup);
  entry.document = SignedByThisStation(RecordText(run.tree, run.setup, run.header));
  ReportDocuments reports =
      ReportWithHistory(&archive, run.tree, run.setup, {entry.summary, entry.measurements},
                        settings, plan.request.pdf);
  entry.report = std::move(reports.html);
  entry.reportPdf = std::move(reports.pdf);
  const RunOutputs outputs = OutputNames(plan.request, entry.summary.device.serial, run.started,
                                         run.header.id, plan.sequenceFile);
  std::vector<FileContent> written{{outputs.record, entry.document},
                                   {outputs.report, entry.report}};
  if (!outputs.pdf.empty()) written.push_back({outputs.pdf, entry.reportPdf});
  for (const FileContent& file : written)
    files.CreateFolders(FolderOf(file.path));
  WriteAllOrNone(files, written, [&] { archive.Store(entry); });
  return outputs;
}

}  // namespace velko::host
