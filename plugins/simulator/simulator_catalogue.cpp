#include "simulator_catalogue.hpp"

#include <algorithm>
#include <map>

#include "velko/core/error_module.hpp"
#include "velko/core/translation.hpp"
#include "velko/outside/html_report.hpp"

namespace velko::simulator {

const std::vector<TestKind>& OfferedTestKinds() {
  static const std::vector<TestKind> kinds{
      {kTestSequence, true, "110::Test sequence"},
      {kTestGroup, true, "111::Test group"},
      {kTestVisual, false, "120::Visual inspection", {kKeyVisual}},
      {kTestEarth,
       false,
       "121::Protective earth resistance",
       {kKeyEarthTotal, kKeyEarthEquipment, kKeyEarthCord}},
      {kTestInsulation,
       false,
       "122::Insulation resistance mains to protective earth",
       {kKeyInsulation}},
      {kTestLeakageAlternative,
       false,
       "123::Equipment leakage current, alternative method",
       {kKeyLeakageAlternative}},
      {kTestLeakageDirect,
       false,
       "124::Equipment leakage current, direct method",
       {kKeyLeakageDirect}},
      {kTestLeakageDifferential,
       false,
       "125::Equipment leakage current, differential method",
       {kKeyLeakageDifferential}},
      {kTestAppliedPart,
       false,
       "126::Applied part leakage current",
       {kKeyAppliedPartBF, kKeyAppliedPartCF}},
      {kTestOperatingCurrent,
       false,
       "127::Operating current",
       {kKeyOperatingCurrent, kKeyFunction}},
      {kTestOperatingRepeat, false, "128::Operating current after repair", {kKeyOperatingRepeat}},
  };
  return kinds;
}

std::optional<TestKind> FindTestKind(Long testId) {
  const auto& kinds = OfferedTestKinds();
  const auto found = std::find_if(kinds.begin(), kinds.end(),
                                  [&](const TestKind& kind) { return kind.testId == testId; });
  if (found == kinds.end()) return std::nullopt;
  return *found;
}

MeasurementFacts FactsOf(std::string_view measurementKey) {
  static const std::map<std::string_view, MeasurementFacts> facts{
      {kKeyVisual,
       {"200::Visual inspection", "", "", kValueBoolean, "130::No defects found",
        "131::Defects found"}},
      {kKeyFunction,
       {"432::Function at the nominal setting", "", "", kValueBoolean, "433::Works as intended",
        "434::Does not work"}},
      {kKeyEarthTotal,
       {"201::Protective earth, equipment with non-detachable power cord", "Ω", "0.000"}},
      {kKeyEarthEquipment, {"202::Protective earth, equipment alone", "Ω", "0.000"}},
      {kKeyEarthCord, {"203::Protective earth, detachable power cord", "Ω", "0.000"}},
      {kKeyInsulation, {"204::Insulation resistance mains to protective earth", "MΩ", "0.0"}},
      {kKeyLeakageAlternative,
       {"205::Equipment leakage current (alternative method)", "µA", "0.0"}},
      {kKeyLeakageDirect, {"206::Equipment leakage current (direct method)", "µA", "0.0"}},
      {kKeyLeakageDifferential,
       {"207::Equipment leakage current (differential method)", "µA", "0.0"}},
      {kKeyAppliedPartBF, {"208::Applied part leakage current, type BF", "µA", "0.0"}},
      {kKeyAppliedPartCF, {"209::Applied part leakage current, type CF", "µA", "0.00"}},
      {kKeyOperatingCurrent, {"210::Operating current", "A", "0.000"}},
      {kKeyOperatingRepeat, {"211::Operating current after repair", "A", "0.000"}},
  };
  const auto found = facts.find(measurementKey);
  if (found == facts.end()) return {String(measurementKey), String(), String()};
  return found->second;
}

String Text(const String& messageKey, const VariantArray& params) {
  const Variant args = params.empty() ? Variant() : Variant(params);
  String text = TranslateText(kPlugInId, messageKey, args);
  return text.empty() ? DefaultMessageText(messageKey, args) : text;
}

void RequireElement(const Ref<IXmlElement>& element, const char* tag, const char* source) {
  if (element) return;
  String src = source;
  RaiseError(kPlugInId, kErrSave, src, kLevelSave, {Variant(String(tag))});
}

}  // namespace velko::simulator
