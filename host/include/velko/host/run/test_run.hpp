// The run engine: plans the nodes of a sequence that apply to a setup, performs them in order,
// registers each with the setup's test status and computes the verdict, telling its subscribers
// what happens as it happens.
#pragma once

#include <functional>
#include <vector>

#include "velko/host/documents/sequence_document.hpp"
#include "velko/setup/test_setup.hpp"

namespace velko::host {

// One action of the run: a leaf step, or a container after its children.
struct PlannedStep {
  Ref<ITestElement> node;
  bool leaf = true;
  std::size_t number = 0;  // 1-based among the leaf steps; 0 for a container
};

// What the engine tells its subscribers. `steps` is the number of leaf steps of the plan.
struct RunEvent {
  enum class Kind { kStepStarted, kStepFinished, kRunFinished };
  Kind kind;
  const PlannedStep* step = nullptr;  // none for kRunFinished
  std::size_t steps = 0;
  Long status = 0;  // the step's status once finished; the verdict when the run finished
};

// The applicable nodes below `root` in the order they run: a container's children, then the
// container itself. A node that does not apply is left out with everything below it.
std::vector<PlannedStep> PlanRun(const Ref<ITestContainer>& root, const Ref<ITestSetup>& setup);

class TestRun {
 public:
  using Listener = std::function<void(const RunEvent&)>;

  // Plans the run; the tree and the setup must outlive it.
  TestRun(const SequenceTree& tree, Ref<CTestSetup> setup);

  const std::vector<PlannedStep>& Plan() const { return plan_; }
  std::size_t StepCount() const { return steps_; }

  // Listeners are called on the thread that performs, in the order they subscribed.
  void Subscribe(Listener listener);

  // Asked before each planned node: true ends the run there, cancelled (the test status's
  // aborted verdict), with the nodes not yet performed left out.
  void SetAbortCheck(std::function<bool()> check) { abortCheck_ = std::move(check); }
  // Performs every planned node with the setup, registers it with the test status, then updates
  // the status; returns the verdict (the test status's TestStatus). Errors of a plug-in escape.
  Long Perform();

 private:
  void Tell(RunEvent::Kind kind, const PlannedStep* step, Long status) const;

  Ref<CTestSetup> setup_;
  std::vector<PlannedStep> plan_;
  std::size_t steps_ = 0;
  std::vector<Listener> listeners_;
  std::function<bool()> abortCheck_;
};

}  // namespace velko::host
