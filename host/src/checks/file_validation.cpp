#include "velko/host/checks/file_validation.hpp"

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/host/documents/setup_document.hpp"
#include "velko/host/documents/test_record.hpp"
#include "velko/host/session/messages.hpp"
#include "velko/outside/progress_log.hpp"

namespace velko::host {

std::vector<String> ValidateFile(const String& path, const Ref<IPlugInManager>& manager) {
  auto log = MakeRef<CollectingLog>();
  std::vector<String> problems;
  String failure;
  try {
    const XmlSource source = OpenXml(path);
    const String tag = source.root->TagName();
    if (tag == "TestElement") {
      problems = CheckSequencePlugIns(source.root, manager);
      LoadSequence(source.root, log);
    } else if (tag == "Setup") {
      problems = CheckSelectedStandards(LoadSetup(source, std::nullopt, log));
    } else if (tag == "TestRecord") {
      problems = CheckSequencePlugIns(RecordedSequence(source.root), manager);
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
  return problems;
}

}  // namespace velko::host
