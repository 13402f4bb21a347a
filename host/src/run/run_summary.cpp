#include "velko/host/run/run_summary.hpp"

#include "velko/host/run/step_outcome.hpp"

namespace velko::host {
namespace {

// A reading that says it got no verdict. Plug-ins that keep no verdict per reading leave it
// "not performed" (0); that says nothing.
bool WithoutVerdict(Long status) {
  return status == kStatusNotApplicable;
}

}  // namespace

RunSummary SummariseRun(const std::vector<PlannedStep>& plan) {
  RunSummary summary;
  for (const PlannedStep& step : plan) {
    if (!step.leaf) continue;
    ++summary.steps;
    const Long status = NodeStatus(step.node);
    if (status == kStatusFailed) {
      ++summary.failed;
      continue;
    }
    UnjudgedStep unjudged{step.node, {}};
    const std::vector<MeasuredValue> readings = MeasuredValues(step.node);
    for (const MeasuredValue& reading : readings) {
      if (WithoutVerdict(reading.status)) unjudged.readings.push_back(reading.key);
    }
    if (status == kStatusPassed && unjudged.readings.empty()) {
      ++summary.passed;
    } else if (status == kStatusNotApplicable && readings.empty()) {
      ++summary.notApplicable;
    } else {
      summary.unjudged.push_back(std::move(unjudged));
    }
  }
  return summary;
}

RunSummary SummariseRecordedRun(const Ref<ITestContainer>& root, const Ref<ITestSetup>& setup) {
  std::vector<PlannedStep> performed = PlanRun(root, setup);
  std::erase_if(performed, [](const PlannedStep& step) {
    return NodeStatus(step.node) == kStatusNotPerformed && MeasuredValues(step.node).empty();
  });
  return SummariseRun(performed);
}

RunOutcome OutcomeOf(Long verdict, const RunSummary& summary) {
  if (verdict == kStatusFailed) return RunOutcome::kFailed;
  if (!summary.Complete()) return RunOutcome::kIncomplete;
  return verdict == kStatusPassed ? RunOutcome::kPassed : RunOutcome::kOther;
}

Long KeptVerdict(Long verdict, RunOutcome outcome) {
  return outcome == RunOutcome::kIncomplete ? Long{kStatusNotPerformed} : verdict;
}

}  // namespace velko::host
