// velko report: prints a saved test record again.
#include <iostream>

#include "commands.hpp"
#include "documents.hpp"
#include "report.hpp"

namespace velko::host {

int ReportCommand(const ReportArgs& args) {
  CoreSession session(args.report.language);
  auto log = MakeRef<CollectingLog>();
  const XmlSource file = OpenXml(args.record);
  const std::vector<String> plugInProblems =
      CheckSequencePlugIns(RecordedSequence(file.root), session.Manager());
  if (!plugInProblems.empty()) {
    PrintProblems(args.record, plugInProblems);
    return kExitError;
  }
  const LoadedRecord record = LoadRecord(file.root, log);
  const std::vector<String> problems = LogProblems(*log);
  if (!problems.empty()) {
    PrintProblems(args.record, problems);
    return kExitError;
  }
  const String html = ReportHtml(record.tree, record.setup, args.report);
  if (args.output) {
    WriteFileAtomically(*args.output, html);
  } else {
    std::cout << html;
  }
  return kExitPassed;
}

}  // namespace velko::host
