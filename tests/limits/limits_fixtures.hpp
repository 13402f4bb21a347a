// Builders shared by the limits suites.
#pragma once

#include <optional>

#include "velko/limits/limit.hpp"
#include "velko/limits/standard.hpp"
#include "velko/outside/xml.hpp"

namespace velko::test {

// Display unit "mA", internal unit "A".
class MilliConverter final : public IUnitConverter {
 public:
  String DisplayUnit() override { return "mA"; }
  Single ToInternal(Single value) override { return value / 1000.0f; }
  Single ToDisplay(Single value) override { return value * 1000.0f; }
};

inline Ref<CLimit> FixedLimit(const String& key, std::optional<Single> high,
                              std::optional<Single> low = std::nullopt,
                              const String& unit = String(), const String& operand = String()) {
  auto limit = MakeRef<CLimit>();
  limit->Initialize(key, unit, String(), String());
  if (high) limit->SetArgument(2, *high);
  if (low) limit->SetArgument(3, *low);
  limit->SetOperand(0, operand);
  return limit;
}

inline Ref<CStandard> Standard(const String& alpha, const String& complete,
                               std::initializer_list<Ref<ILimit>> limits = {}) {
  auto standard = MakeRef<CStandard>();
  standard->Initialize(alpha, complete, kStandardUserDefined);
  for (const auto& limit : limits)
    standard->AddLimit(limit);
  return standard;
}

// The root element of a document parsed from text.
inline Ref<IXmlElement> Xml(const String& text) {
  return ParseXmlDocument(text)->DocumentElement();
}

}  // namespace velko::test
