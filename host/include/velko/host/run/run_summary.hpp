// What a performed run comes to, step by step: how many leaf steps were judged (passed or
// failed), did not apply, or were performed without being judged. A run with a step that was not
// judged is incomplete, whatever the test status says: its verdict would rest on readings that
// nobody judged.
#pragma once

#include <vector>

#include "velko/host/run/test_run.hpp"

namespace velko::host {

// A performed step that was not judged, with the readings that got no verdict.
struct UnjudgedStep {
  Ref<ITestElement> node;
  std::vector<String> readings;  // measurement keys without a verdict; none when it has no result
};

struct RunSummary {
  std::size_t steps = 0;  // leaf steps performed
  std::size_t passed = 0;
  std::size_t failed = 0;
  std::size_t notApplicable = 0;
  std::vector<UnjudgedStep> unjudged;

  std::size_t Judged() const { return passed + failed; }
  std::size_t NotJudged() const { return unjudged.size(); }
  bool Complete() const { return unjudged.empty(); }
};

// Counts the leaf steps of a performed plan. A step is failed when its result failed; passed
// when it passed and none of its readings says it got no verdict (status not applicable); not
// applicable when it did not apply and measured nothing; otherwise (a reading without verdict,
// no verdict at all) not judged.
RunSummary SummariseRun(const std::vector<PlannedStep>& plan);

// The same for a tree that was run before (a record printed again): the steps of the run's plan
// that hold a verdict or a reading. A step that holds neither was not performed and is not counted.
RunSummary SummariseRecordedRun(const Ref<ITestContainer>& root, const Ref<ITestSetup>& setup);

// The verdict a front end shows and turns into its exit status: the test status's verdict, but
// "not judged" never passes.
enum class RunOutcome { kPassed, kFailed, kIncomplete, kOther };
RunOutcome OutcomeOf(Long verdict, const RunSummary& summary);

// The verdict a run is kept with in its record and the archive: an incomplete run is kept as not
// performed, never with the test status's pass.
Long KeptVerdict(Long verdict, RunOutcome outcome);

}  // namespace velko::host
