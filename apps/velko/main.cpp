// velko: the host command-line program of the library.
#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "commands.hpp"
#include "station_command.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/host/session/messages.hpp"

namespace {

using velko::host::HostText;
using velko::host::ReportSettings;

void AddReportOptions(CLI::App* command, ReportSettings& settings) {
  command->add_option("--language", settings.language, "Language of the report (en, de)")
      ->capture_default_str();
  command->add_flag("--detail", settings.detail,
                    "Detailed report: procedures, configuration and limits too");
  command->add_flag("--only-failed", settings.onlyFailed, "Report only the failed elements");
}

void AddPaperOption(CLI::App* command, ReportSettings& settings) {
  command
      ->add_option_function<std::string>(
          "--paper",
          [&settings](const std::string& name) {
            settings.paper = velko::host::PaperNamed(name).value_or(velko::host::Paper::kA4);
          },
          HostText("1305::Paper of the PDF report: a4 or letter (default: a4)"))
      ->check(CLI::IsMember({"a4", "letter"}, CLI::ignore_case));
}

void AddArchiveOption(CLI::App* command, velko::cli::ArchiveArg& archive) {
  command->add_option("--archive", archive.location,
                      "The record archive: an SQLite file, or postgresql://user@host/database "
                      "(default: VELKO_ARCHIVE, else ~/.local/share/velko/archive.sqlite)");
}

std::string TrustedKeysHelp() {
  return HostText(
      "650::Trusted station keys (default: VELKO_TRUSTED_KEYS, else ~/.config/velko/trusted-keys)");
}

// history, show, compare and export: the commands that read the archive.
void AddArchiveCommands(CLI::App& app, velko::cli::ArchiveArgs& args) {
  auto* history = app.add_subcommand("history", "List a device's archived records, newest first");
  history->add_option("DEVICE", args.device, "Serial or asset number")->required();
  auto* show = app.add_subcommand("show", "Print the stored report of an archived record");
  show->add_option("RECORD-ID", args.record, "The record ID (or its first 8 characters or more)")
      ->required();
  show->add_option("-o,--output", args.output,
                   "HTML file (default: standard output, unless --pdf is given)");
  show->add_option("--pdf", args.pdf, HostText("1311::File for the stored PDF of the report"));
  show->add_option("--trusted", args.trusted, TrustedKeysHelp());
  AddReportOptions(show, args.report);
  AddPaperOption(show, args.report);
  auto* compare =
      app.add_subcommand("compare", "Compare a device's measurements with its earlier tests");
  compare->add_option("DEVICE", args.device, "Serial or asset number")->required();
  compare->add_option("--last", args.last, "How many of the newest tests (besides the first)")
      ->capture_default_str();
  auto* exporting =
      app.add_subcommand("export", "Write the archived measurements for spreadsheets");
  exporting->add_flag("--csv", args.csv, "As CSV, one line per measurement");
  exporting->add_option("DEVICE", args.device, "Only this device (serial or asset number)");
  exporting->add_option("-o,--output", args.output, "CSV file (default: standard output)");
  for (CLI::App* command : {history, show, compare, exporting})
    AddArchiveOption(command, args.archive);
  // Report options make show print the record again instead of the stored report.
  show->callback([show, &args] {
    args.reprint = show->count("--language") + show->count("--detail") +
                       show->count("--only-failed") + show->count("--paper") >
                   0;
  });
}

int Dispatch(CLI::App& app, const velko::cli::RunArgs& run, const velko::cli::ReportArgs& report,
             const velko::cli::VerifyArgs& verify, const velko::cli::ValidateArgs& validate,
             const velko::cli::ArchiveArgs& archive, const std::string& language,
             const std::string& library) {
  using namespace velko::cli;
  if (app.got_subcommand("run")) return RunCommand(run);
  if (app.got_subcommand("history")) return HistoryCommand(archive);
  if (app.got_subcommand("show")) return ShowCommand(archive);
  if (app.got_subcommand("compare")) return CompareCommand(archive);
  if (app.got_subcommand("export")) return ExportCommand(archive);
  if (app.got_subcommand("report")) return ReportCommand(report);
  if (app.got_subcommand("verify")) return VerifyCommand(verify);
  if (app.got_subcommand("key")) return KeyCommand();
  if (app.got_subcommand("validate")) return ValidateCommand(validate);
  if (app.got_subcommand("plugins")) return PlugInsCommand(language);
  if (app.got_subcommand("classes")) return ListClasses();
  if (app.got_subcommand("register")) return RegisterLibrary(library, false);
  if (app.got_subcommand("unregister")) return RegisterLibrary(library, true);
  return kExitError;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"velko: runs, judges, saves and prints test sequences of the VelkoCore library"};
  app.require_subcommand(1);
  app.footer(
      "Exit status: 0 the run passed (or the command succeeded), 1 the run failed or was "
      "incomplete (validate: a file has errors; verify, report: the record did not verify), 2 an "
      "error or refused input (nothing is written then).\n"
      "Registry: the file VELKO_REGISTRY names, else ~/.config/velko/registry.reg, which starts "
      "from the installed default. Catalogues: VELKO_LANGUAGE_PATH, else the installed "
      "share/velko/lang. Archive: --archive, else VELKO_ARCHIVE, else "
      "~/.local/share/velko/archive.sqlite.\n"
      "Help on a command: velko COMMAND --help; the manual: man velko.");

  velko::cli::RunArgs run;
  auto* runCommand =
      app.add_subcommand("run", "Perform a test sequence, write its record and report");
  runCommand->add_option("SEQUENCE", run.input.sequence, "Test sequence file")->required();
  runCommand->add_option("--setup", run.input.setup,
                         "Test setup file (device, standards, instruments)");
  runCommand->add_option("--fault", run.input.fault,
                         "Fault of the simulated device: none, visual, earth, insulation, "
                         "leakage, function");
  runCommand->add_option("--out", run.output.folder, "Folder for the record and the report")
      ->capture_default_str();
  runCommand->add_flag("--strict", run.input.strict,
                       "Refuse the run on warnings of the checks too, not only on errors");
  runCommand->add_option("--record", run.output.record,
                         "Record file (default: <serial>_<date-time>_<record ID>.record.xml in "
                         "the folder)");
  runCommand->add_option("--report", run.output.report,
                         "Report file (default: <serial>_<date-time>_<record ID>.report.html in "
                         "the folder)");
  runCommand->add_flag("--pdf", run.output.pdf,
                       HostText("1306::Write the report as a PDF too, beside the HTML report "
                                "(its name with .pdf)"));
  AddPaperOption(runCommand, run.report);
  runCommand->add_option("--tester", run.tester, "Who performs the test (default: the login name)");
  runCommand->add_option("--supersedes", run.supersedes,
                         "The ID of an archived record that this run replaces");
  runCommand->add_option("--answers", run.answers,
                         HostText("1001::File answering the questions of the steps in order, one "
                                  "line each: yes or no, then an optional remark (default: asked "
                                  "on the terminal, else the simulated answer)"));
  AddArchiveOption(runCommand, run.archive);
  AddReportOptions(runCommand, run.report);

  velko::cli::ReportArgs report;
  auto* reportCommand = app.add_subcommand("report", "Print a saved test record again");
  reportCommand->add_option("RECORD", report.record, "Test record file")->required();
  reportCommand->add_option("-o,--output", report.output,
                            "HTML file (default: standard output, unless --pdf is given)");
  reportCommand->add_option("--pdf", report.pdf, HostText("1307::PDF file of the report"));
  AddPaperOption(reportCommand, report.report);
  const std::string trustedHelp = TrustedKeysHelp();
  reportCommand->add_option("--trusted", report.trusted, trustedHelp);
  AddReportOptions(reportCommand, report.report);
  AddArchiveOption(reportCommand, report.archive);

  velko::cli::ArchiveArgs archive;
  AddArchiveCommands(app, archive);

  velko::cli::VerifyArgs verify;
  auto* verifyCommand = app.add_subcommand(
      "verify",
      HostText("651::Check that a record is unchanged since a trusted station signed it"));
  verifyCommand->add_option("RECORD", verify.record, "Test record file")->required();
  verifyCommand->add_option("--trusted", verify.trusted, trustedHelp);
  verifyCommand->add_option("--language", verify.language, "Language of the messages")
      ->capture_default_str();
  app.add_subcommand("key", HostText("652::Print this station's public key (made on first use) "
                                     "for the trusted keys of other stations"));

  std::string language = "en";
  velko::cli::ValidateArgs validateArgs;
  auto* validate = app.add_subcommand(
      "validate", "Check sequence, setup or record files and list every problem");
  validate->add_option("FILE", validateArgs.files, "Sequence, setup or record files")->required();
  validate->add_option("--language", validateArgs.language, "Language of the messages")
      ->capture_default_str();
  validate->add_flag("--strict", validateArgs.strict, "Count warnings as errors");

  auto* plugins = app.add_subcommand("plugins", "List the registered plug-ins and their tests");
  plugins->add_option("--language", language, "Language of the texts")->capture_default_str();

  app.add_subcommand("classes", "List the library's public classes");
  std::string library;
  auto* reg = app.add_subcommand("register", "Register a component library (its classes)");
  reg->add_option("LIBRARY", library, "Path of the shared library")->required();
  auto* unreg = app.add_subcommand("unregister", "Remove the registration of a library");
  unreg->add_option("LIBRARY", library, "Path of the shared library")->required();

  velko::station::StationArgs stationArgs;
  auto* station = app.add_subcommand(
      "station", "Serve the test station (a browser test guide) until interrupted");
  station->add_option("--listen", stationArgs.listen, "HOST:PORT to listen on")
      ->capture_default_str();
  station->add_option("--archive", stationArgs.archive, "The archive (default as for run)");
  station->add_option("--sequences", stationArgs.sequences,
                      "Folder the sequences are taken from (repeatable; default the samples)");
  station->add_option("--token-file", stationArgs.tokenFile,
                      "File holding the access token; required on an address other than "
                      "127.0.0.1");
  station->add_option("--out", stationArgs.output,
                      "Folder for records, reports and setups (default "
                      "~/.local/share/velko/station)");
  station->add_option("--instruments", stationArgs.instruments,
                      "Setup file whose instruments the runs use (default the sample's)");
  station->add_option("--language", stationArgs.language, "Language of the station (en, de)")
      ->capture_default_str();

  CLI11_PARSE(app, argc, argv);
  try {
    if (app.got_subcommand("station")) return velko::station::StationCommand(stationArgs);
    return Dispatch(app, run, report, verify, validateArgs, archive, language, library);
  } catch (const velko::Error& e) {
    std::cerr << velko::host::ErrorText(e) << "\n";
  } catch (const std::exception& e) {
    std::cerr << velko::host::HostText("1314::error: %%1", velko::String(e.what())) << "\n";
  }
  return velko::cli::kExitError;
}
