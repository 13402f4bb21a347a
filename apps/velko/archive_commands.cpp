// velko history, show, compare, export: what the archive keeps of a device's tests.
#include <fmt/format.h>

#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "commands.hpp"
#include "printing.hpp"
#include "velko/host/archive/archive_errors.hpp"
#include "velko/host/archive/comparison.hpp"
#include "velko/host/archive/csv_export.hpp"
#include "velko/host/files/file_system.hpp"
#include "velko/host/records/record_signature.hpp"
#include "velko/host/run/step_outcome.hpp"
#include "velko/host/session/core_session.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/host/session/messages.hpp"

namespace velko::cli {
namespace {

constexpr std::size_t kShortId = 8;

std::unique_ptr<host::Archive> OpenArchiveToRead(const ArchiveArg& archive) {
  host::ArchiveOptions options;
  options.create = false;
  return host::OpenArchive(archive.Location(), options);
}

// "NM300-04711 (Norvale Medical InfuSafe 300, asset A-2231)"
String DeviceLabel(const host::DeviceIdentity& device) {
  std::vector<String> parts;
  const String name = device.manufacturer.empty() ? device.model
                      : device.model.empty()      ? device.manufacturer
                                                  : device.manufacturer + " " + device.model;
  if (!name.empty()) parts.push_back(name);
  if (!device.asset.empty()) parts.push_back(host::HostText("862::asset %%1", device.asset));
  String label = device.serial.empty() ? device.asset : device.serial;
  if (!parts.empty()) label += " (" + fmt::format("{}", fmt::join(parts, ", ")) + ")";
  return label;
}

// Writes `text` to the named file, or to standard output.
void Emit(const std::optional<String>& output, const String& text) {
  if (output) {
    host::LocalFileSystem().ReplaceFile(*output, text);
  } else {
    std::cout << text;
  }
}

String Column(const String& text, std::size_t width) {
  // Widths count characters, not bytes, so that "µA" and "Ω" line up.
  std::size_t chars = 0;
  for (unsigned char c : text)
    chars += (c & 0xC0) != 0x80;
  return chars >= width ? text + " " : text + String(width - chars, ' ');
}

String ValueCell(const host::SeriesPoint* point) {
  if (!point) return "-";
  return point->status == kStatusFailed ? point->valueText + "!" : point->valueText;
}

host::RecordVerification VerifyStoredRecord(const host::StoredRecord& stored,
                                            const std::optional<String>& trustedFile) {
  const host::TrustedKeys trusted = host::StationTrustedKeys(
      host::LocalFileSystem(), trustedFile.value_or(host::DefaultTrustedKeysFile()));
  return host::VerifyRecordText(stored.document, trusted);
}

}  // namespace

String ArchiveArg::Location() const {
  return location.value_or(host::DefaultArchiveLocation());
}

std::unique_ptr<host::Archive> OpenArchiveForReading(const ArchiveArg& archive) {
  try {
    return OpenArchiveToRead(archive);
  } catch (const Error& e) {
    PrintWarnings({host::ErrorText(e), host::HostText("863::The report is printed without the "
                                                      "comparison with earlier tests.")});
    return nullptr;
  }
}

int HistoryCommand(const ArchiveArgs& args) {
  const auto archive = OpenArchiveToRead(args.archive);
  const std::vector<host::RecordSummary> records = archive->History(args.device);
  if (records.empty()) {
    fmt::print("{}\n", host::HostText("861::The archive %%1 holds no record of the device %%2.",
                                      archive->Location(), args.device));
    return kExitPassed;
  }
  fmt::print("{}\n\n", host::HostText("860::Records of %%1, newest first:",
                                      DeviceLabel(records.front().device)));
  fmt::print("{}{}{}{}{}\n", Column(host::HostText("864::Date"), 21),
             Column(host::HostText("865::Sequence"), 42),
             Column(host::HostText("866::Verdict"), 16), Column(host::HostText("867::Tester"), 16),
             host::HostText("868::Record ID"));
  for (const host::RecordSummary& r : records) {
    String id = r.recordId;
    if (!r.supersededBy.empty())
      id += "  " + host::HostText("869::superseded by %%1", r.supersededBy.substr(0, kShortId));
    fmt::print("{}{}{}{}{}\n", Column(r.started, 21), Column(r.sequenceName.substr(0, 40), 42),
               Column(host::StatusWord(r.verdict), 16), Column(r.tester, 16), id);
  }
  return kExitPassed;
}

int ShowCommand(const ArchiveArgs& args) {
  const auto archive = OpenArchiveToRead(args.archive);
  const std::optional<host::StoredRecord> stored = archive->Find(args.record);
  if (!stored) {
    throw Error(host::archive_error::kUnknownRecord, host::kHostSource,
                host::HostText("809::The archive %%1 holds no record %%2.", archive->Location(),
                               args.record));
  }
  // A stored record that does not verify is printed again with the mark that `velko report`
  // gives it, since its stored report cannot carry one.
  const host::RecordVerification verification = VerifyStoredRecord(*stored, args.trusted);
  host::ReportSettings settings = args.report;
  if (!verification.Valid()) {
    settings.notice =
        host::HostText("631::RECORD NOT VERIFIED: %%1", host::VerificationText(verification));
    PrintWarnings({settings.notice});
  } else if (!args.reprint) {
    Emit(args.output, stored->report);
    return kExitPassed;
  }
  host::CoreSession session(args.report.language);
  const host::OpenedRecord opened = host::OpenRecordText(stored->document, session.Manager());
  if (!opened.Ready() && !args.reprint) {
    Emit(args.output, stored->report);  // not verified, as the warning said
    return kExitFailed;
  }
  if (!opened.Ready()) {
    PrintProblems(stored->summary.recordId, opened.problems);
    std::cerr << host::HostText(
                     "870::Printing the record %%1 in another language or with other options "
                     "needs the plug-ins it was made with, and they are not all registered here. "
                     "Without those options, velko show %%1 prints the stored report.",
                     stored->summary.recordId)
              << "\n";
    return kExitError;
  }
  Emit(args.output, host::ReprintHtml(archive.get(), opened.record, settings));
  return verification.Valid() ? kExitPassed : kExitFailed;
}

int CompareCommand(const ArchiveArgs& args) {
  const auto archive = OpenArchiveToRead(args.archive);
  const std::vector<host::MeasuredRecord> records =
      archive->Measurements(args.device, std::max<std::size_t>(args.last, 1));
  if (records.empty()) {
    fmt::print("{}\n", host::HostText("861::The archive %%1 holds no record of the device %%2.",
                                      archive->Location(), args.device));
    return kExitPassed;
  }
  const host::DeviceComparison comparison =
      host::CompareRecords(records, host::DriftShareSetting());
  fmt::print("{}\n\n",
             host::HostText("871::%%1: %%2 tests compared; the first, of %%3, gives the reference "
                            "values.",
                            DeviceLabel(records.back().summary.device),
                            static_cast<Long>(records.size()), comparison.referenceStarted));
  std::map<String, std::size_t> columnOf;
  String heading = Column(host::HostText("835::Measurement"), 24);
  for (std::size_t i = 0; i < records.size(); ++i) {
    columnOf[records[i].summary.recordId] = i;
    heading += Column(records[i].summary.started.substr(0, 16), 18);
  }
  heading += Column(host::HostText("838::Change"), 12) +
             Column(host::HostText("840::Change since first"), 20) +
             host::HostText("841::Towards its limit");
  fmt::print("{}\n", heading);
  for (const host::MeasurementSeries& s : comparison.series) {
    std::vector<const host::SeriesPoint*> cells(records.size(), nullptr);
    for (const host::SeriesPoint& p : s.points)
      cells[columnOf[p.recordId]] = &p;
    String line = Column(s.name + (s.unit.empty() ? "" : " (" + s.unit + ")"), 24);
    for (const host::SeriesPoint* point : cells)
      line += Column(ValueCell(point), 18);
    line += Column(s.changeFromPrevious ? host::ChangeText(*s.changeFromPrevious) : "", 12);
    line += Column(s.changeFromReference ? host::ChangeText(*s.changeFromReference) : "", 20);
    if (s.shareTowardsLimit) {
      line += fmt::format("{:.0f} %", *s.shareTowardsLimit * 100);
      if (s.drifting) line += "  " + host::HostText("834::near its limit");
    }
    fmt::print("{}\n", line);
  }
  fmt::print("\n{}\n", host::HostText("872::A value marked ! failed its limits."));
  return kExitPassed;
}

int ExportCommand(const ArchiveArgs& args) {
  if (!args.csv) {
    std::cerr << host::HostText("873::Name the format of the export: --csv.") << "\n";
    return kExitError;
  }
  const auto archive = OpenArchiveToRead(args.archive);
  if (!args.output) {
    host::WriteMeasurementsCsv(*archive, args.device, std::cout);
    return kExitPassed;
  }
  std::ostringstream csv;
  host::WriteMeasurementsCsv(*archive, args.device, csv);
  Emit(args.output, csv.str());
  return kExitPassed;
}

}  // namespace velko::cli
