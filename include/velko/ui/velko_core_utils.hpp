// GVelkoCoreUtils: services every test-guide window shares - the one system-options object, the
// common window settings, the window caption and the question whether to abort a test.
#pragma once

#include "velko/frame/class_table.hpp"
#include "velko/typelib/sequence.hpp"
#include "velko/typelib/setup.hpp"

namespace velko {

class GVelkoCoreUtils : public virtual IUnknown {
 public:
  VELKO_CLASS_IDS("{2C8A4E61-9B3D-4F70-8E12-6A7B8C9D0E61}",
                  "{2C8A4E61-9B3D-4F70-8E12-6A7B8C9D0E62}");

  // The calling thread's predeclared instance.
  static Ref<GVelkoCoreUtils> Instance();

  // The thread's shared system options, created on first use; every caller gets the same object.
  Ref<ISystemOptions> SystemOptions();
  // Bit 4 of the test-guide settings makes the window topmost, bit 8 shows it in the task bar.
  // Does nothing when no shared system options exist yet; raises nothing.
  void ApplyCommonTestGuideSettings(Long hwnd);
  // The parent's name, or the translated default title when there is no parent or no name.
  String CreateTestGuideCaption(const Ref<ITestElement>& owner);
  // Asks (system-modal, Yes/No) whether to end the test; true only for Yes.
  Boolean QueryAbortTest();
};

}  // namespace velko
