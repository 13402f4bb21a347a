#include "velko/host/run/run_preparation.hpp"

#include "velko/host/documents/setup_document.hpp"
#include "velko/host/documents/xml_source.hpp"
#include "velko/host/records/record_signature.hpp"
#include "velko/host/session/messages.hpp"
#include "velko/outside/progress_log.hpp"

namespace velko::host {
namespace {

void Note(PreparedRun& run, const String& file, std::vector<String> problems) {
  if (!problems.empty()) run.problems.push_back({file, std::move(problems)});
}

}  // namespace

PreparedRun PrepareRun(const RunInput& input, const Ref<IPlugInManager>& manager) {
  PreparedRun run;
  const XmlSource sequenceFile = OpenXml(input.sequence);
  Note(run, input.sequence, CheckSequencePlugIns(sequenceFile.root, manager));
  if (!run.problems.empty()) return run;

  auto log = MakeRef<CollectingLog>();
  run.tree = LoadSequence(sequenceFile.root, log);
  Note(run, input.sequence, LogProblems(*log));

  log->Clear();
  const XmlSource setupFile = input.setup ? OpenXml(*input.setup) : XmlSource{};
  run.setup = LoadSetup(setupFile, input.fault, log);
  std::vector<String> setupProblems = LogProblems(*log);
  for (String& problem : CheckSelectedStandards(run.setup))
    setupProblems.push_back(std::move(problem));
  Note(run, input.setup.value_or("the setup"), std::move(setupProblems));
  Note(run, DefaultStationKeyFile(), StationKeyProblems());  // the record must be signable
  return run;
}

}  // namespace velko::host
