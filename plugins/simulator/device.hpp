// The simulated device under test and the plug-in's device data in a test setup:
//
//   <PlugInData PlugIn="Simulator" ProtectionClass="I" AppliedPart="BF" Cord="Detachable"
//               Fault="None"/>
//
// Words compare without regard to case; a missing attribute keeps its default (class I, type BF,
// detachable cord, no fault).
#pragma once

#include <optional>

#include "velko/typelib/progress.hpp"
#include "velko/typelib/report.hpp"
#include "velko/typelib/sequence.hpp"
#include "velko/typelib/xml.hpp"

namespace velko::simulator {

enum class ProtectionClass { kClassI, kClassII };
enum class AppliedPart { kNone, kTypeB, kTypeBF, kTypeCF };
// kNone: permanently installed equipment (no power cord).
enum class PowerCord { kDetachable, kNonDetachable, kNone };
// The fault the simulator injects into the device.
enum class Fault { kNone, kVisual, kEarth, kInsulation, kLeakage, kFunction };

struct SimulatedDevice {
  ProtectionClass protection = ProtectionClass::kClassI;
  AppliedPart appliedPart = AppliedPart::kTypeBF;
  PowerCord cord = PowerCord::kDetachable;
  Fault fault = Fault::kNone;
};

// The fault named by a word ("none", "visual", "earth", "insulation", "leakage", "function"; any
// case); nullopt for any other word.
std::optional<Fault> ParseFault(const String& word);
// The words of the faults, separated by ", " (for messages and help texts).
String FaultWords();

// The plug-in's device data object (IPlugIn::CreateConfigData).
class SimulatorDutData final : public IConfigData {
 public:
  SimulatorDutData() = default;
  explicit SimulatorDutData(const SimulatedDevice& device) : device_(device) {}

  const SimulatedDevice& Device() const { return device_; }

  Boolean HasDialog() override { return false; }
  Ref<IConfigData> Clone() override;
  Ref<IUnknown> CreateDialog() override { return nullptr; }
  // An attribute holding an unknown word is reported to the log (error 0x80045201, level 2) and
  // keeps its default; without a log it raises that error.
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;
  // A section "Simulated device under test" with the four facts.
  void PrintReport(const Ref<IReport>& report) override;

 private:
  SimulatedDevice device_;
};

}  // namespace velko::simulator
