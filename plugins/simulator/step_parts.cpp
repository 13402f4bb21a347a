#include "step_parts.hpp"

#include <array>
#include <set>

#include "simulator_catalogue.hpp"
#include "velko/core/error_module.hpp"
#include "velko/core/log_section.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/limits/limit.hpp"
#include "velko/limits/quarto_xml.hpp"
#include "velko/limits/standard.hpp"
#include "velko/limits/standard_coll.hpp"
#include "velko/typelib/setup.hpp"

namespace velko::simulator {
namespace {

constexpr Long kErrUnknownStatus = ErrorNumber(0x80045204u);

constexpr std::array<const char*, 5> kStatusWords{"Not Performed", "Passed", "Failed", "NA",
                                                  "Cancelled"};

// The display pattern of limits in a unit.
String LimitFormat(const String& unit) {
  if (unit == "µA") return "0";
  if (unit == "MΩ") return "0.0";
  if (unit == "Ω") return "0.00";
  return "0.000";
}

String VerdictText(const Ref<IReport>& report, Long status) {
  switch (status) {
    case kStatusPassed:
      return report->Translate(kPlugInId, "303::Passed", Variant());
    case kStatusFailed:
      return report->Translate(kPlugInId, "304::Failed", Variant());
    case kStatusNotApplicable:
      return report->Translate(kPlugInId, "305::No verdict", Variant());
    default:
      return String();
  }
}

String Cell(const Ref<IReport>& report, const String& text) {
  return report->ReplaceChars(text, "|;{}", " ,()");
}

// Every limit key of the standards, once, in order of first appearance.
std::vector<String> LimitKeys(const Ref<IStandardColl>& standards) {
  std::vector<String> keys;
  std::set<String> seen;
  for (Long s = 1; s <= standards->Count(); ++s) {
    const Ref<ILimitColl> limits = standards->Item(s)->Limits();
    if (!limits) continue;
    for (Long l = 1; l <= limits->Count(); ++l) {
      const String key = limits->Item(l)->Key();
      if (seen.insert(key).second) keys.push_back(key);
    }
  }
  return keys;
}

// The measurement info of the limits table: one row (key, name, number format, no object) per
// limit key.
Variant MeasurementInfo(const Ref<IStandardColl>& standards) {
  VariantArray rows;
  for (const String& key : LimitKeys(standards)) {
    const MeasurementFacts facts = FactsOf(key);
    rows.emplace_back(VariantArray{Variant(key), Variant(Text(facts.nameKey)),
                                   Variant(LimitFormat(facts.unit)), Variant()});
  }
  return Variant(std::move(rows));
}

}  // namespace

String StatusWord(Long status) {
  if (status < 0 || status >= static_cast<Long>(kStatusWords.size())) return String();
  return kStatusWords[static_cast<std::size_t>(status)];
}

// --- ElementLimits
// --------------------------------------------------------------------------------

ElementLimits::ElementLimits() : standards_(MakeRef<CStandardColl>()) {}

Ref<IElementLimits> ElementLimits::Clone() {
  return MakeRef<ElementLimits>(standards_->Clone());
}

void ElementLimits::AddStandard(const String& alphaName, const String& completeName) {
  auto standard = MakeRef<CStandard>();
  standard->Initialize(alphaName, completeName, kStandardUserDefined);
  standards_->Add(standard);
}

void ElementLimits::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  auto standards = MakeRef<CStandardColl>();
  if (const Ref<IXmlElement> child = in->FindChild("Standards", 0)) standards->Load(child, log);
  standards_ = standards;
}

Ref<IXmlElement> ElementLimits::Save(const Ref<IXmlDocument>& owner) {
  Ref<IXmlElement> expected = owner->CreateElement("ExpectedResult");
  RequireElement(expected, "ExpectedResult", "VelkoSimulator.ElementLimits");
  AppendIfSome(expected, standards_->Save(owner));
  return expected;
}

void ElementLimits::PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& setup) {
  Quietly([&] {
    const Ref<IStandardColl> selection = setup ? setup->SelectedStandards() : nullptr;
    standards_->PrintReport(report, selection, MeasurementInfo(standards_));
  });
}

// --- SimMeasurement
// -------------------------------------------------------------------------------

SimMeasurement::SimMeasurement(String key, Variant value, Long valueType, String format,
                               Long status)
    : key_(std::move(key)),
      value_(std::move(value)),
      valueType_(valueType),
      format_(std::move(format)),
      status_(status) {}

String SimMeasurement::ValueText() {
  return QuietlyOr(String(), [&] {
    if (valueType_ == kValueBoolean) {
      return Text(value_.ToBoolean() ? "130::No defects found" : "131::Defects found");
    }
    if (valueType_ == kValueFloat || valueType_ == kValueInteger) {
      return FormatNumberPattern(value_.ToDouble(), format_);
    }
    return value_.ToString();
  });
}

String SimMeasurement::Description() {
  return Text(FactsOf(key_).nameKey);
}

String SimMeasurement::Unit() {
  return FactsOf(key_).unit;
}

void SimMeasurement::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& /*log*/) {
  key_ = in->GetAttribute("Key");
  format_ = in->GetAttribute("Format");
  status_ = kStatusNotPerformed;
  const String word = in->GetAttribute("Status");
  for (std::size_t s = 0; s < kStatusWords.size(); ++s) {
    if (word == kStatusWords[s]) status_ = static_cast<Long>(s);
  }
  value_ = Variant();
  valueType_ = kValueNone;
  if (const Ref<IXmlElement> value = in->FindChild("Value", 0)) {
    GQuartoXML::Instance()->XmlLoadValue(value, value_, valueType_);
  }
}

Ref<IXmlElement> SimMeasurement::Save(const Ref<IXmlDocument>& owner) {
  Ref<IXmlElement> element = owner->CreateElement("Measurement");
  RequireElement(element, "Measurement", "VelkoSimulator.SimMeasurement");
  element->SetAttribute("Key", key_);
  const String unit = Unit();
  if (!unit.empty()) element->SetAttribute("Unit", unit);
  element->SetAttribute("Status", StatusWord(status_));
  if (!format_.empty()) element->SetAttribute("Format", format_);
  const Ref<IXmlElement> value = GQuartoXML::Instance()->XmlSaveValue(owner, value_, valueType_);
  RequireElement(value, "Value", "VelkoSimulator.SimMeasurement");
  element->AppendChild(value);
  return element;
}

// --- StepResult
// -----------------------------------------------------------------------------------

void StepResult::Record(Long status, String comment,
                        std::vector<Ref<SimMeasurement>> measurements) {
  status_ = status;
  comment_ = std::move(comment);
  measurements_ = std::move(measurements);
}

void StepResult::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  ScopedLogSection section(log, kPlugInId, String());
  Long status = kStatusNotPerformed;
  const String word = in->GetAttribute("Status");
  bool known = word.empty();
  for (std::size_t s = 0; s < kStatusWords.size(); ++s) {
    if (word == kStatusWords[s]) {
      status = static_cast<Long>(s);
      known = true;
    }
  }
  if (!known) {
    section.LogError(kErrUnknownStatus, kLevelData,
                     "20484::A test result holds the unknown verdict \"%%1\"; it is read as not "
                     "performed.",
                     Variant(VariantArray{Variant(word)}));
  }
  std::vector<Ref<SimMeasurement>> measurements;
  ForEachChildElement(in, [&](const Ref<IXmlElement>& child) {
    if (child->TagName() != "Measurement") return;
    auto measurement = MakeRef<SimMeasurement>();
    measurement->Load(child, log);
    measurements.push_back(measurement);
  });
  Record(status, ChildText(in, "Comment"), std::move(measurements));
}

Ref<IXmlElement> StepResult::Save(const Ref<IXmlDocument>& owner) {
  Ref<IXmlElement> item = owner->CreateElement("ResultItem");
  RequireElement(item, "ResultItem", "VelkoSimulator.StepResult");
  item->SetAttribute("Status", StatusWord(status_));
  if (!comment_.empty()) item->AddTextElement("Comment", comment_);
  for (const auto& measurement : measurements_)
    AppendIfSome(item, measurement->Save(owner));
  return item;
}

void StepResult::PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& /*setup*/) {
  Quietly([&] {
    if (measurements_.empty()) return;
    const auto heading = [&](const char* key) {
      return report->Translate(kPlugInId, key, Variant());
    };
    const String header = "|{\\i " + heading("300::Measurement") + "}|{\\i " +
                          heading("301::Value") + "}|{\\i " + heading("302::Verdict") + "};";
    String body;
    for (const auto& m : measurements_) {
      const String unit = m->Unit();
      const String value = m->ValueText() + (unit.empty() ? "" : " " + unit);
      body += "|" + Cell(report, m->Description()) + "|" + Cell(report, value) + "|" +
              VerdictText(report, m->Status()) + ";";
    }
    const Long width = report->PageWidth(-1);
    const Long rest = width - 560;
    const String format = "<560|<+" + std::to_string(rest / 2) + "|>+" + std::to_string(rest / 4) +
                          "|<+" + std::to_string(rest - rest / 2 - rest / 4);
    report->SetStyle(6);
    report->SetTableStyle(0);
    report->PrintTable(format, header, body, 0, 0, 0);
  });
}

Ref<IMeasurement> StepResult::Measurement(const String& key) {
  for (const auto& measurement : measurements_) {
    if (measurement->Key() == key) return measurement;
  }
  return nullptr;
}

}  // namespace velko::simulator
