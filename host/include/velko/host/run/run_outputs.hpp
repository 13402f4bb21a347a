// What a completed run leaves: its record file, its report file and its archive entry - all three
// or none. Before the first step, the checks that they can be written; afterwards, the writing.
#pragma once

#include <cstdint>

#include "velko/host/archive/archive.hpp"
#include "velko/host/documents/test_record.hpp"
#include "velko/host/files/file_system.hpp"
#include "velko/host/report/report_chain.hpp"
#include "velko/host/run/run_preparation.hpp"
#include "velko/host/session/clock.hpp"

namespace velko::host {

// Where the outputs of a run go.
struct OutputRequest {
  String folder = ".";
  std::optional<String> record;  // a name given for the record file
  std::optional<String> report;  // a name given for the report file
  bool pdf = false;              // the report as a PDF too, beside the HTML
};

struct RunOutputs {
  String record;  // FOLDER/<serial>_<date-time>_<short record ID>.record.xml, or the given name
  String report;  // FOLDER/<serial>_<date-time>_<short record ID>.report.html, or the given name
  String pdf;     // the report's name with ".pdf" for its ".html" (or after it); "" when not asked
};

// The names of a run's outputs: the given names, else names of their own in the folder, made from
// the device's serial number (the sequence file's name for a device without one), the date and
// time "20240603-140509" and the first 8 characters of the record ID, so that two runs never
// write the same files. Characters that a file name should not hold become "-".
RunOutputs OutputNames(const OutputRequest& request, const String& serial, const String& dateTime,
                       const String& recordId, const String& sequence);

// The bytes the record and the report (and its PDF when `withPdf`) of a run of this sequence and
// setup take at most (with room to spare), estimated from their files and the number of nodes.
std::uintmax_t EstimatedOutputBytes(FileSystem& files, const RunInput& input,
                                    const SequenceTree& tree, bool withPdf = false);

// How a run is to be kept, as the checks before it settled.
struct KeepingPlan {
  OutputRequest request;
  String sequenceFile;
  String sequenceHash;  // of the sequence file as it was when the run started
  String supersedes;    // the full ID of the record this run replaces; "" for none
};

// Before the first step: the folders of the outputs exist or can be made, are folders, may be
// written and have room for `bytes`; the archive can be written (and its folder has room too);
// the record to be superseded is in the archive. Raises the first problem; writes no output.
KeepingPlan CheckBeforeRun(FileSystem& files, Archive& archive, const OutputRequest& request,
                           const RunInput& input, const SequenceTree& tree,
                           const String& supersedes = {});

// A performed run: its tree and setup, its record header and when it ran.
struct PerformedRun {
  const SequenceTree& tree;
  Ref<CTestSetup> setup;
  RecordHeader header;
  String started;  // "2024-06-03 14:05:09"
  String finished;
  // The verdict the run is kept with (KeptVerdict): the record's test status is set to it.
  Long verdict = 0;
};

// How many earlier records of the device the report compares with (besides the first one).
inline constexpr std::size_t kReportedEarlierRecords = 10;

// The report of a run or of a reprint: the report chain with the comparison against the device's
// earlier records (those stored before the current one) where the archive holds any. No archive:
// the report alone. The PDF is made only when `withPdf`.
struct ReportDocuments {
  String html;
  String pdf;  // "" when not made
};
ReportDocuments ReportWithHistory(Archive* archive, const SequenceTree& tree,
                                  const Ref<CTestSetup>& setup, const MeasuredRecord& current,
                                  const ReportSettings& settings, bool withPdf = false);

// The report of a saved record printed again, compared like the run's own report with the records
// of the device that were stored before it (the archive's summary of the record where it holds it).
ReportDocuments Reprint(Archive* archive, const LoadedRecord& record,
                        const ReportSettings& settings, bool withPdf = false);
String ReprintHtml(Archive* archive, const LoadedRecord& record, const ReportSettings& settings);

// The summary of a performed run, as the archive keeps it.
RecordSummary SummaryOfRun(const KeepingPlan& plan, const PerformedRun& run);

// Writes the record and the report (with the device's history from the archive; its PDF too when
// asked) and stores the archive entry: all of them, or none when anything fails (the error
// escapes).
RunOutputs KeepRun(FileSystem& files, Archive& archive, const KeepingPlan& plan,
                   const PerformedRun& run, const ReportSettings& settings);

// The name the user who runs this program logs in with; "" when there is none.
String LoginName();

}  // namespace velko::host
