// velko report: prints a saved test record again.
#include <iostream>

#include "commands.hpp"
#include "printing.hpp"
#include "velko/host/documents/test_record.hpp"
#include "velko/host/files/file_system.hpp"
#include "velko/host/run/run_outputs.hpp"
#include "velko/host/session/core_session.hpp"

namespace velko::cli {

int ReportCommand(const ReportArgs& args) {
  host::CoreSession session(args.report.language);
  const host::OpenedRecord opened = host::OpenRecord(args.record, session.Manager());
  if (!opened.Ready()) {
    PrintProblems(args.record, opened.problems);
    return kExitError;
  }
  const std::unique_ptr<host::Archive> archive = OpenArchiveForReading(args.archive);
  const String html = host::ReprintHtml(archive.get(), opened.record, args.report);
  if (args.output) {
    host::LocalFileSystem().ReplaceFile(*args.output, html);
  } else {
    std::cout << html;
  }
  return kExitPassed;
}

}  // namespace velko::cli
