// The command line's commands; each returns the process exit status and lets velko::Error escape
// to main, which prints it and exits with kExitError.
#pragma once

#include <optional>
#include <vector>

#include "velko/host/report/report_chain.hpp"
#include "velko/host/run/run_outputs.hpp"
#include "velko/host/run/run_preparation.hpp"

namespace velko::cli {

// Exit statuses: the run passed, the run failed, an error (bad input, a failing operation).
inline constexpr int kExitPassed = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitError = 2;

// The archive named on the command line, else the default one.
struct ArchiveArg {
  std::optional<String> location;
  String Location() const;
};

struct RunArgs {
  host::RunInput input;
  host::OutputRequest output;
  host::ReportSettings report;
  ArchiveArg archive;
  std::optional<String> tester;   // the login name when not given
  String supersedes;              // the ID of the record this run replaces
  std::optional<String> answers;  // the file answering the questions of the steps, in order
};
// Checks, loads, performs and judges a sequence, writes its record and report and stores it in
// the archive: kExitPassed when the run passed, kExitFailed otherwise (failed, or incomplete: a
// step was not judged); kExitError when the checks found an error or the outputs cannot be kept
// (then nothing is performed or nothing is written).
int RunCommand(const RunArgs& args);

struct ReportArgs {
  String record;
  std::optional<String> output;   // the HTML file; standard output when neither it nor pdf is given
  std::optional<String> pdf;      // the PDF file; none when not given
  std::optional<String> trusted;  // the trusted keys file; the default one when not given
  host::ReportSettings report;
  ArchiveArg archive;
};
// Prints a record: kExitPassed; kExitFailed when it did not verify (the report says so on top).
int ReportCommand(const ReportArgs& args);

struct VerifyArgs {
  String record;
  std::optional<String> trusted;
  String language = "en";
};
// Checks a record's signature: kExitPassed when a trusted station signed it and it is unchanged.
int VerifyCommand(const VerifyArgs& args);
// Prints this station's public key (made on first use) as a line of a trusted keys file.
int KeyCommand();

struct ValidateArgs {
  std::vector<String> files;
  String language = "en";
  bool strict = false;  // warnings count as errors
};
// Lists every problem of each sequence, setup or record file: kExitPassed when none has an error,
// kExitFailed when one has, kExitError when a file cannot be read.
int ValidateCommand(const ValidateArgs& args);

// The archive's commands: a device's records, one stored report, the comparison of a device's
// tests, the measurements as CSV.
struct ArchiveArgs {
  ArchiveArg archive;
  String device;
  String record;
  std::size_t last = 5;
  std::optional<String> output;
  std::optional<String> pdf;  // `show`: the PDF of the report into this file
  host::ReportSettings report;
  bool reprint = false;  // `show` with report options: printed again from the stored record
  bool csv = false;
  std::optional<String> trusted;  // `show`: the trusted station keys file
};
// The archive for a command that only reads it: none (with a warning printed) when it cannot be
// opened; an archive that does not exist yet is not made.
std::unique_ptr<host::Archive> OpenArchiveForReading(const ArchiveArg& archive);

int HistoryCommand(const ArchiveArgs& args);
int ShowCommand(const ArchiveArgs& args);
int CompareCommand(const ArchiveArgs& args);
int ExportCommand(const ArchiveArgs& args);

// The registered plug-ins with their versions and offered tests.
int PlugInsCommand(const String& language);

int ListClasses();
int RegisterLibrary(const String& library, bool unregister);

}  // namespace velko::cli
