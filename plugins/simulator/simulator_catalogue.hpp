// The fixed facts of the simulated analyser: its plug-in ID, the tests it offers, the keys of its
// measurements, and its own error numbers and message keys (catalogue "Simulator.po").
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "velko/frame/variant.hpp"
#include "velko/typelib/enums.hpp"
#include "velko/typelib/xml.hpp"

namespace velko::simulator {

inline constexpr const char* kPlugInId = "Simulator";
inline constexpr const char* kVersion = "1.2.0";

// The plug-in's test numbers (TestID of its elements).
enum SimTest : Long {
  kTestSequence = 1,  // a whole test sequence (container)
  kTestGroup = 10,    // a group of tests (container)
  kTestVisual = 100,
  kTestEarth = 200,
  kTestInsulation = 300,
  kTestLeakageAlternative = 400,
  kTestLeakageDirect = 410,
  kTestLeakageDifferential = 420,
  kTestAppliedPart = 500,
  kTestOperatingCurrent = 600,
  kTestOperatingRepeat = 610,
};

// One offered test: its number, whether it is a container, its name (a message key of the
// plug-in's catalogue) and the keys of every measurement it can make (which of them a run makes
// depends on the device).
struct TestKind {
  Long testId;
  bool container;
  const char* nameKey;
  std::vector<const char*> measurementKeys = {};
};

// Every test the plug-in offers, in the order of its offered tree.
const std::vector<TestKind>& OfferedTestKinds();
// The kind of a test number; nullopt when the plug-in has no such test.
std::optional<TestKind> FindTestKind(Long testId);

// Measurement keys; limits of the standards are keyed the same way.
inline constexpr const char* kKeyVisual = "VISUAL";
// The person's judgement whether the device works at its nominal setting (the functional check).
inline constexpr const char* kKeyFunction = "FUNCTION";
inline constexpr const char* kKeyEarthTotal = "PE_TOTAL";          // non-detachable power cord
inline constexpr const char* kKeyEarthEquipment = "PE_EQUIPMENT";  // the equipment alone
inline constexpr const char* kKeyEarthCord = "PE_CORD";            // a detachable power cord
inline constexpr const char* kKeyInsulation = "INS_MAINS_PE";
inline constexpr const char* kKeyLeakageAlternative = "EL_ALT";
inline constexpr const char* kKeyLeakageDirect = "EL_DIR";
inline constexpr const char* kKeyLeakageDifferential = "EL_DIFF";
inline constexpr const char* kKeyAppliedPartBF = "APL_BF";
inline constexpr const char* kKeyAppliedPartCF = "APL_CF";
inline constexpr const char* kKeyOperatingCurrent = "OP_CURRENT";
inline constexpr const char* kKeyOperatingRepeat = "OP_CURRENT_REPEAT";

// The display name (message key), unit and number format of a measurement key, and its value
// type; a key the plug-in does not know gives the key itself, no unit and no format. A Boolean
// reading (a person's judgement) is shown by the texts of its two outcomes (message keys).
struct MeasurementFacts {
  String nameKey;
  String unit;
  String format;
  Long valueType = kValueFloat;
  String yesKey = {};
  String noKey = {};
};
MeasurementFacts FactsOf(std::string_view measurementKey);

// The plug-in's own error numbers; their message keys (number - 0x80040200) are in its catalogue.
inline constexpr Long kErrBadDeviceValue =
    ErrorNumber(0x80045201u);  // %%1 field, %%2 value, %%3 choices
inline constexpr Long kErrNoSetup = ErrorNumber(0x80045202u);
inline constexpr Long kErrUnknownTest = ErrorNumber(0x80045203u);  // %%1 test number
inline constexpr Long kErrSave = ErrorNumber(0x80045205u);         // %%1 the element's tag

// Raises kErrSave when the owner document gives no element, so that nothing is lost silently.
void RequireElement(const Ref<IXmlElement>& element, const char* tag, const char* source);

// A translation of the plug-in's own catalogue, falling back to the key's default text.
String Text(const String& messageKey, const VariantArray& params = {});

}  // namespace velko::simulator
