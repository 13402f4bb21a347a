// IStepExe: the shape of the object that runs a test sequence step by step.
#pragma once

#include "velko/frame/class_table.hpp"
#include "velko/typelib/sequence.hpp"

namespace velko {

// Public, creatable (VelkoCore.IStepExe). The library gives only the shape: every getter of the
// class itself returns the empty value of its type and every setter discards its argument.
// Components that drive or observe a test run derive from it and supply the behaviour.
class IStepExe : public virtual IUnknown {
 public:
  VELKO_CLASS_IDS("{5D3A7C21-8B4E-4F60-9A1C-2E3F4A5B6C11}",
                  "{5D3A7C21-8B4E-4F60-9A1C-2E3F4A5B6C12}");

  // The current step is to be repeated.
  virtual Boolean RepeatTest() { return false; }
  virtual void SetRepeatTest(Boolean /*repeat*/) {}
  virtual Long StepNumber() { return 0; }
  virtual void SetStepNumber(Long /*step*/) {}
  virtual Long NoOfSteps() { return 0; }
  virtual void SetNoOfSteps(Long /*steps*/) {}
  virtual Boolean IsTestStarted() { return false; }
  virtual void SetIsTestStarted(Boolean /*started*/) {}
  virtual Boolean IsTestStopped() { return false; }
  virtual void SetIsTestStopped(Boolean /*stopped*/) {}
  // The root container of the sequence being run.
  virtual Ref<ITestContainer> Root() { return nullptr; }
  virtual void SetRoot(const Ref<ITestContainer>& /*root*/) {}
  virtual String TemplateName() { return {}; }
  virtual void SetTemplateName(const String& /*name*/) {}
  // Request to go back to the first step.
  virtual Boolean MoveToFirstStep() { return false; }
  virtual void SetMoveToFirstStep(Boolean /*move*/) {}
  // Request to go to the summary.
  virtual Boolean MoveToSummaryWindow() { return false; }
  virtual void SetMoveToSummaryWindow(Boolean /*move*/) {}
};

}  // namespace velko
