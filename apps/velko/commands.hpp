// The command line's commands; each returns the process exit status and lets velko::Error escape
// to main, which prints it and exits with kExitError.
#pragma once

#include <optional>
#include <vector>

#include "velko/host/report/report_chain.hpp"
#include "velko/host/run/run_preparation.hpp"

namespace velko::cli {

// Exit statuses: the run passed, the run failed, an error (bad input, a failing operation).
inline constexpr int kExitPassed = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitError = 2;

struct RunArgs {
  host::RunInput input;
  String outDir = ".";
  host::ReportSettings report;
};
// Checks, loads, performs and judges a sequence, writes its record and report: kExitPassed when
// the run passed, kExitFailed otherwise (failed, or incomplete: a step was not judged);
// kExitError (nothing performed, nothing written) when the checks found an error.
int RunCommand(const RunArgs& args);

struct ReportArgs {
  String record;
  std::optional<String> output;   // the HTML file; standard output when not given
  std::optional<String> trusted;  // the trusted keys file; the default one when not given
  host::ReportSettings report;
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

// The registered plug-ins with their versions and offered tests.
int PlugInsCommand(const String& language);

int ListClasses();
int RegisterLibrary(const String& library, bool unregister);

}  // namespace velko::cli
