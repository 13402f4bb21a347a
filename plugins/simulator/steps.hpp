// The simulator's test elements: a step measures the simulated device and judges its readings
// with the limits of the standards that the element has and the setup selected; a group (a
// container) takes the verdict of its children.
#pragma once

#include "velko/sequence/test_container.hpp"
#include "velko/sequence/test_element.hpp"

namespace velko::simulator {

class SimulatorStep final : public CTestElement {
 public:
  // `object` is the test setup (ITestSetup); the device comes from its simulator device data
  // (defaults when it has none) and its DUT serial number. Any other object raises 0x80045202.
  void Perform(const Ref<IUnknown>& object) override;
  Ref<ITestElement> Clone() override;
  // Resolves the relative limits of the element's standards; never raises.
  void UpdateReferences() override;
  // The measurement info of the test: one row per measurement it can make, (key, display name,
  // number format, a measurement giving its unit and value type). Which of them a run makes
  // depends on the device; the result holds those.
  Variant GetMeasurementList() override;
};

class SimulatorGroup final : public CTestContainer {
 public:
  // Takes the verdict of the children: failed over passed over not applicable over not
  // performed. Call it after the children were performed.
  void Perform(const Ref<IUnknown>& object) override;
  Ref<ITestElement> Clone() override;
};

// A new element of test `testId` with its default standards and a result, or none when the
// plug-in has no such test.
Ref<ITestElement> MakeElement(Long testId, Long id, Long referencedId = 0);

}  // namespace velko::simulator
