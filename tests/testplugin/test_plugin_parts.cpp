#include "test_plugin_parts.hpp"

#include "velko/frame/numeric.hpp"
#include "velko/limits/standard.hpp"
#include "velko/limits/standard_coll.hpp"
#include "velko/outside/value_formatter.hpp"

namespace velko::testplugin {

TestLimits::TestLimits() : standards_(MakeRef<CStandardColl>()) {}

Ref<IElementLimits> TestLimits::Clone() {
  return MakeRef<TestLimits>(standards_->Clone());
}

void TestLimits::AddStandard(const String& alphaName, const String& completeName) {
  auto standard = MakeRef<CStandard>();
  standard->Initialize(alphaName, completeName, kStandardPredefined);
  standards_->Add(standard);
}

void TestLimits::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  standards_->Clear();
  if (Ref<IXmlElement> standards = in->FindChild("Standards")) standards_->Load(standards, log);
}

Ref<IXmlElement> TestLimits::Save(const Ref<IXmlDocument>& owner) {
  Ref<IXmlElement> expected = owner->CreateElement("ExpectedResult");
  if (Ref<IXmlElement> standards = standards_->Save(owner)) expected->AppendChild(standards);
  return expected;
}

void TestLimits::PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& /*setup*/) {
  standards_->PrintReport(report, nullptr, Variant());
}

void TestResult::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& /*log*/) {
  status_ = RoundToLong(ParseNumber(in->GetAttribute("Status")));
  comment_ = in->GetAttribute("Comment");
  measurements_.clear();
  const Ref<IXmlElementList> children = in->ChildNodes();
  for (Long i = 0; i < children->NodeCount(); ++i) {
    const Ref<IXmlElement> child = QueryInterface<IXmlElement>(children->NodeAt(i));
    if (!child || child->TagName() != "Measurement") continue;
    auto measurement = MakeRef<CGeneralMeasurement>();
    measurement->Initialize(child->GetAttribute("Key"), child->GetAttribute("Key"), "V", kValueText,
                            Variant(child->GetAttribute("Value")));
    measurements_.push_back(measurement);
  }
}

Ref<IXmlElement> TestResult::Save(const Ref<IXmlDocument>& owner) {
  Ref<IXmlElement> item = owner->CreateElement("ResultItem");
  item->SetAttribute("Status", std::to_string(status_));
  item->SetAttribute("Comment", comment_);
  for (const auto& measurement : measurements_) {
    Ref<IXmlElement> child = owner->CreateElement("Measurement");
    child->SetAttribute("Key", measurement->Key());
    child->SetAttribute("Value", measurement->Value().ToString());
    item->AppendChild(child);
  }
  return item;
}

void TestResult::PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& /*setup*/) {
  String body;
  for (const auto& measurement : measurements_)
    body += measurement->CreateTableBody();
  report->PrintTable("<1000|<1000|<1000|<1000|<1000|<1000", "", body, 0, 0, 0);
}

Ref<IMeasurement> TestResult::Measurement(const String& key) {
  for (const auto& measurement : measurements_) {
    if (measurement->Key() == key) return measurement;
  }
  return nullptr;
}

Ref<IConfigData> TestConfig::Clone() {
  auto copy = MakeRef<TestConfig>();
  copy->range_ = range_;
  return copy;
}

void TestConfig::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& /*log*/) {
  range_ = in->GetAttribute("Range");
}

Ref<IXmlElement> TestConfig::Save(const Ref<IXmlDocument>& owner) {
  Ref<IXmlElement> data = owner->CreateElement("PlugInData");
  data->SetAttribute("Range", range_);
  return data;
}

void TestConfig::PrintReport(const Ref<IReport>& report) {
  report->PrintHeading("Range: " + range_);
}

}  // namespace velko::testplugin
