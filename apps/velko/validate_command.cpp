// velko validate: loads a sequence, setup or record with a collecting log and lists every problem.
#include <fmt/format.h>

#include "commands.hpp"
#include "documents.hpp"

namespace velko::host {

int ValidateCommand(const String& file, const String& language) {
  CoreSession session(language);
  auto log = MakeRef<CollectingLog>();
  std::vector<String> problems;
  String failure;
  try {
    const XmlSource source = OpenXml(file);
    const String tag = source.root->TagName();
    if (tag == "TestElement") {
      problems = CheckSequencePlugIns(source.root, session.Manager());
      LoadSequence(source.root, log);
    } else if (tag == "Setup") {
      problems = CheckSelectedStandards(LoadSetup(source, std::nullopt, log));
    } else if (tag == "TestRecord") {
      problems = CheckSequencePlugIns(RecordedSequence(source.root), session.Manager());
      LoadRecord(source.root, log);
    } else {
      RaiseError(err::kElementWrongTag, kHostSource, kLevelFatal);
    }
  } catch (const Error& e) {
    failure = ErrorText(e);
  }
  for (const String& problem : LogProblems(*log))
    problems.push_back(problem);
  if (!failure.empty()) problems.push_back(failure);
  if (problems.empty()) {
    fmt::print("{}: no problems found\n", file);
    return kExitPassed;
  }
  PrintProblems(file, problems);
  return kExitError;
}

}  // namespace velko::host
