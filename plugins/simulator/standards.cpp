// The default limits of the simulator's tests: IEC 62353 (recurrent test and test after repair)
// for class I and class II equipment, and the stricter in-house limits.
#include <vector>

#include "simulator_catalogue.hpp"
#include "step_parts.hpp"
#include "velko/limits/limit.hpp"
#include "velko/limits/standard.hpp"
#include "velko/limits/standard_coll.hpp"

namespace velko::simulator {
namespace {

struct StandardEntry {
  const char* alphaName;
  const char* completeName;
  Long type;
};

constexpr StandardEntry kClassI{"IEC 62353", "IEC 62353:2014 Class I", kStandardPredefined};
constexpr StandardEntry kClassII{"IEC 62353", "IEC 62353:2014 Class II", kStandardPredefined};
constexpr StandardEntry kInHouse{"In-house", "In-house limits", kStandardUserDefined};

// One fixed limit: "" leaves a bound undefined.
struct LimitEntry {
  const char* key;
  const char* unit;
  const char* high;
  const char* low;
};

struct StandardLimits {
  StandardEntry standard;
  std::vector<LimitEntry> limits;
};

std::vector<StandardLimits> FixedLimitsOf(Long testId) {
  switch (testId) {
    case kTestEarth:
      return {{kClassI,
               {{kKeyEarthTotal, "Ω", "0.3", ""},
                {kKeyEarthEquipment, "Ω", "0.2", ""},
                {kKeyEarthCord, "Ω", "0.1", ""}}},
              {kInHouse,
               {{kKeyEarthTotal, "Ω", "0.2", ""},
                {kKeyEarthEquipment, "Ω", "0.15", ""},
                {kKeyEarthCord, "Ω", "0.08", ""}}}};
    case kTestInsulation:
      return {{kClassI, {{kKeyInsulation, "MΩ", "", "2"}}},
              {kClassII, {{kKeyInsulation, "MΩ", "", "7"}}},
              {kInHouse, {{kKeyInsulation, "MΩ", "", "10"}}}};
    case kTestLeakageAlternative:
      return {{kClassI, {{kKeyLeakageAlternative, "µA", "1000", ""}}},
              {kClassII, {{kKeyLeakageAlternative, "µA", "500", ""}}},
              {kInHouse, {{kKeyLeakageAlternative, "µA", "500", ""}}}};
    case kTestLeakageDirect:
    case kTestLeakageDifferential: {
      const char* key = testId == kTestLeakageDirect ? kKeyLeakageDirect : kKeyLeakageDifferential;
      return {{kClassI, {{key, "µA", "500", ""}}},
              {kClassII, {{key, "µA", "100", ""}}},
              {kInHouse, {{key, "µA", "250", ""}}}};
    }
    case kTestAppliedPart:
      return {
          {kClassI, {{kKeyAppliedPartBF, "µA", "5000", ""}, {kKeyAppliedPartCF, "µA", "50", ""}}},
          {kClassII, {{kKeyAppliedPartBF, "µA", "5000", ""}, {kKeyAppliedPartCF, "µA", "50", ""}}},
          {kInHouse, {{kKeyAppliedPartBF, "µA", "2500", ""}, {kKeyAppliedPartCF, "µA", "25", ""}}}};
    case kTestOperatingCurrent:
      return {{kClassI, {{kKeyOperatingCurrent, "A", "2", "0.1"}}},
              {kClassII, {{kKeyOperatingCurrent, "A", "2", "0.1"}}},
              {kInHouse, {{kKeyOperatingCurrent, "A", "1.5", "0.2"}}}};
    default:
      return {};
  }
}

Ref<CStandard> NewStandard(const StandardEntry& facts) {
  auto standard = MakeRef<CStandard>();
  standard->Initialize(facts.alphaName, facts.completeName, facts.type);
  return standard;
}

Ref<ILimit> FixedLimit(const LimitEntry& facts) {
  auto limit = MakeRef<CLimit>();
  limit->Initialize(facts.key, facts.unit, facts.high, facts.low);
  return limit;
}

// The operating current after repair may differ from the first reading by +-`percent`.
Ref<ILimit> RelativeLimit(const char* percent, Long referencedId) {
  auto limit = MakeRef<CLimit>();
  limit->Initialize(kKeyOperatingRepeat, "A", percent, String("-") + percent);
  limit->SetLimitType(kLimitRelative);
  limit->SetOperand(0, "X+(X*Y%)");
  limit->Reference()->SetTestID(referencedId);
  limit->Reference()->SetMeasKey(kKeyOperatingCurrent);
  return limit;
}

}  // namespace

Ref<IStandardColl> DefaultStandards(Long testId, Long referencedId) {
  auto standards = MakeRef<CStandardColl>();
  if (testId == kTestOperatingRepeat) {
    for (const auto& [facts, percent] :
         {std::pair{kClassI, "10"}, std::pair{kClassII, "10"}, std::pair{kInHouse, "5"}}) {
      Ref<CStandard> standard = NewStandard(facts);
      standard->AddLimit(RelativeLimit(percent, referencedId));
      standards->Add(standard);
    }
    return standards;
  }
  for (const StandardLimits& entry : FixedLimitsOf(testId)) {
    Ref<CStandard> standard = NewStandard(entry.standard);
    for (const LimitEntry& facts : entry.limits)
      standard->AddLimit(FixedLimit(facts));
    standards->Add(standard);
  }
  return standards;
}

}  // namespace velko::simulator
