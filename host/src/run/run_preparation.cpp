#include "velko/host/run/run_preparation.hpp"

#include "velko/host/records/record_signature.hpp"

namespace velko::host {

bool PreparedRun::Ready() const {
  for (const FileProblems& file : problems) {
    if (file.Errors() > 0) return false;
  }
  return tree.Root() && setup;
}

PreparedRun PrepareRun(const RunInput& input, const Ref<IPlugInManager>& manager) {
  const CheckContext context{manager};
  CheckedSequence sequence = CheckSequenceFile(input.sequence, context);
  CheckedSetup setup = CheckSetupFile(input.setup, input.fault, context);
  CheckJudging(sequence, setup.setup);

  PreparedRun run;
  for (FileProblems* file : {&sequence.problems, &setup.problems}) {
    if (input.strict) file->TreatWarningsAsErrors();
    if (!file->Empty()) run.problems.push_back(std::move(*file));
  }
  run.tree = std::move(sequence.tree);
  run.setup = setup.setup;
  // The record must be signable, or the run would lose its results at the end.
  if (FileProblems key = StationKeyProblems(); !key.Empty()) run.problems.push_back(std::move(key));
  return run;
}

}  // namespace velko::host
