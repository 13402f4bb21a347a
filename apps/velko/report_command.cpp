// velko report: prints a saved test record again, marked when it does not verify.
#include <iostream>

#include "commands.hpp"
#include "printing.hpp"
#include "velko/host/files/file_system.hpp"
#include "velko/host/records/record_signature.hpp"
#include "velko/host/run/run_outputs.hpp"
#include "velko/host/session/core_session.hpp"
#include "velko/host/session/host_text.hpp"

namespace velko::cli {

int ReportCommand(const ReportArgs& args) {
  host::CoreSession session(args.report.language);
  PrintWarnings(session.PlugInWarnings());
  const host::TrustedKeys trusted = host::StationTrustedKeys(
      host::LocalFileSystem(), args.trusted.value_or(host::DefaultTrustedKeysFile()));
  const host::VerifiedRecord verified =
      host::OpenVerifiedRecord(args.record, session.Manager(), trusted);
  if (!verified.opened.Ready()) {
    PrintProblems(args.record, verified.opened.problems);
    return kExitError;
  }
  host::ReportSettings settings = args.report;
  const String verification = host::VerificationText(verified.verification);
  if (!verified.verification.Valid()) {
    settings.notice = host::HostText("631::RECORD NOT VERIFIED: %%1", verification);
  }
  const std::unique_ptr<host::Archive> archive = OpenArchiveForReading(args.archive);
  const host::ReportDocuments reports =
      host::Reprint(archive.get(), verified.opened.record, settings, args.pdf.has_value());
  EmitReports(args.output, args.pdf, reports);
  if (verified.verification.Valid()) return kExitPassed;
  PrintWarnings({verification});
  return kExitFailed;
}

}  // namespace velko::cli
