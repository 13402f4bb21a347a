#include "velko/host/run/test_run.hpp"

#include "velko/sequence/test_node.hpp"

namespace velko::host {
namespace {

void PlanBelow(const Ref<ITestContainer>& container, const Ref<ITestSetup>& setup,
               std::vector<PlannedStep>& plan, int depth) {
  if (depth > kMaxTreeNesting) return;
  for (Long i = 1; i <= container->Count(); ++i) {
    const Ref<ITestElement> node = container->Item(i);
    if (!node || !setup->IsApplicable(node)) continue;
    if (const auto inner = QueryInterface<ITestContainer>(node)) {
      PlanBelow(inner, setup, plan, depth + 1);
      plan.push_back({node, false, 0});
    } else {
      plan.push_back({node, true, 0});
    }
  }
}

}  // namespace

std::vector<PlannedStep> PlanRun(const Ref<ITestContainer>& root, const Ref<ITestSetup>& setup) {
  std::vector<PlannedStep> plan;
  PlanBelow(root, setup, plan, 0);
  std::size_t leaves = 0;
  for (PlannedStep& step : plan) {
    if (step.leaf) step.number = ++leaves;
  }
  return plan;
}

TestRun::TestRun(const SequenceTree& tree, Ref<CTestSetup> setup)
    : setup_(std::move(setup)), plan_(PlanRun(tree.Root(), setup_)) {
  for (const PlannedStep& step : plan_)
    steps_ += step.leaf ? 1 : 0;
}

void TestRun::Subscribe(Listener listener) {
  listeners_.push_back(std::move(listener));
}

void TestRun::Tell(RunEvent::Kind kind, const PlannedStep* step, Long status) const {
  const RunEvent event{kind, step, steps_, status};
  for (const Listener& listener : listeners_)
    listener(event);
}

Long TestRun::Perform() {
  Boolean aborted = false;
  for (const PlannedStep& step : plan_) {
    if (abortCheck_ && abortCheck_()) {
      aborted = true;
      break;
    }
    Tell(RunEvent::Kind::kStepStarted, &step, kStatusNotPerformed);
    step.node->Perform(setup_);
    setup_->Register(step.node);
    const Ref<IResult> result = step.node->Result();
    Tell(RunEvent::Kind::kStepFinished, &step, result ? result->Status() : kStatusNotPerformed);
  }
  setup_->Status()->UpdateStatus(aborted);
  const Long verdict = setup_->Status()->TestStatus();
  Tell(RunEvent::Kind::kRunFinished, nullptr, verdict);
  return verdict;
}

}  // namespace velko::host
