#include "step_parts.hpp"

#include <array>
#include <set>

#include "simulator_catalogue.hpp"
#include "velko/core/error_module.hpp"
#include "velko/core/log_section.hpp"
#include "velko/core/translation.hpp"
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
    rows.emplace_back(
        VariantArray{Variant(key), Variant(Text(facts.nameKey)), Variant(facts.format), Variant()});
  }
  return Variant(std::move(rows));
}

// The bounds of one limit as the report shows them, in the measurement's own number format:
// "≤ 0.30", "≥ 2.0", "0.100 … 2.000"; empty when it has neither bound.
String BoundsText(const Ref<ILimit>& limit, const String& format) {
  return QuietlyOr(String(), [&] {
    const bool high = limit->Defined(0);
    const bool low = limit->Defined(1);
    const auto number = [&](Long index) {
      return FormatDisplayNumber(limit->Value(index), format);
    };
    if (high && low) return number(3) + " \u2026 " + number(2);
    if (high) return "\u2264 " + number(2);
    if (low) return "\u2265 " + number(3);
    return String();
  });
}

// The limits that judged a measurement: one line per judging standard that has one, named by the
// standard where more than one judged it.
String LimitsText(const Ref<IReport>& report, const Ref<IStandardColl>& standards,
                  SimMeasurement& measurement) {
  std::vector<std::pair<String, String>> lines;  // standard, bounds
  ForEachLimitOf(standards, measurement.Key(),
                 [&](const Ref<IStandard>& standard, const Ref<ILimit>& limit) {
                   const String bounds = BoundsText(limit, measurement.ValueFormat());
                   if (!bounds.empty()) lines.emplace_back(standard->AlphaName(), bounds);
                 });
  String text;
  for (const auto& [name, bounds] : lines) {
    if (!text.empty()) text += "\\line ";
    text += Cell(report, bounds);
    if (lines.size() > 1) text += " {\\fs14 " + Cell(report, name) + "}";
  }
  return text;
}

}  // namespace

String StatusWord(Long status) {
  if (status < 0 || status >= static_cast<Long>(kStatusWords.size())) return String();
  return kStatusWords[static_cast<std::size_t>(status)];
}

Ref<IStandardColl> JudgingStandards(const Ref<IElementLimits>& limits,
                                    const Ref<ITestSetup>& setup) {
  const Ref<IStandardColl> own = limits ? limits->Standards() : nullptr;
  if (!own || own->Count() == 0) return nullptr;
  const Ref<IStandardColl> selected = setup ? setup->SelectedStandards() : nullptr;
  if (!selected || selected->Count() == 0) return own;
  return own->Select(selected);
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
      const MeasurementFacts facts = FactsOf(key_);
      if (facts.yesKey.empty()) return Text(value_.ToBoolean() ? "435::Yes" : "436::No");
      return Text(value_.ToBoolean() ? facts.yesKey : facts.noKey);
    }
    if (valueType_ == kValueFloat || valueType_ == kValueInteger) {
      return FormatDisplayNumber(value_.ToDouble(), format_);
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

void StepResult::PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& setup) {
  Quietly([&] {
    const auto heading = [&](const char* key) {
      return "{\\i " + report->Translate(kPlugInId, key, Variant()) + "}";
    };
    const String verdictRow = "|{\\b " +
                              report->Translate(kPlugInId, "308::Result of the test", Variant()) +
                              "}||||{\\b " + VerdictText(report, status_) + "};";
    const Ref<IStandardColl> standards = JudgingStandards(limits_, setup);
    String body;
    for (const auto& m : measurements_) {
      body += "|" + Cell(report, m->Description()) + "|" + Cell(report, m->ValueText()) + "|" +
              LimitsText(report, standards, *m) + "|" + Cell(report, m->Unit()) + "|" +
              VerdictText(report, m->Status()) + ";";
    }
    const String header = measurements_.empty()
                              ? String()
                              : "|" + heading("300::Measurement") + "|" + heading("301::Value") +
                                    "|" + heading("306::Limit") + "|" + heading("307::Unit") + "|" +
                                    heading("302::Verdict") + ";";
    const Long width = report->PageWidth(-1);
    const Long rest = width - 560;
    const String format =
        "<560|<+" + std::to_string(rest * 31 / 100) + "|>+" + std::to_string(rest * 13 / 100) +
        "|>+" + std::to_string(rest * 28 / 100) + "|<+" + std::to_string(rest * 12 / 100) + "|<+" +
        std::to_string(rest - rest * 84 / 100);
    report->SetStyle(6);
    report->SetTableStyle(0);
    report->SetOption(1);
    report->PrintTable(format, header, body + verdictRow, 0, 0, 0);
  });
}

Ref<IMeasurement> StepResult::Measurement(const String& key) {
  for (const auto& measurement : measurements_) {
    if (measurement->Key() == key) return measurement;
  }
  return nullptr;
}

}  // namespace velko::simulator
