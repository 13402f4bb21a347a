#include "supply_check.hpp"

#include <velko/limits/standard.hpp>
#include <velko/limits/standard_coll.hpp>
#include <velko/sequence/general_measurement.hpp>
#include <velko/sequence/test_container.hpp>

namespace minimal {

using namespace velko;

namespace {

// What the instrument reads. A real plug-in asks its instrument here (and raises one of its own
// errors when the instrument does not answer).
double ReadSupplyVolts() {
  return 230.0;
}

// The standards that judge the element: those it has and the setup selected; all it has when the
// setup selected none.
Ref<IStandardColl> JudgingStandards(const Ref<IElementLimits>& limits,
                                    const Ref<ITestSetup>& setup) {
  const Ref<IStandardColl> own = limits ? limits->Standards() : nullptr;
  if (!own || own->Count() == 0) return nullptr;
  const Ref<IStandardColl> selected = setup ? setup->SelectedStandards() : nullptr;
  if (!selected || selected->Count() == 0) return own;
  return own->Select(selected);
}

// Failed when any standard's limit fails, passed when one passes, else not applicable (no
// standard has a limit for the key).
Long Judge(double volts, const Ref<IStandardColl>& standards) {
  Long verdict = kStatusNotApplicable;
  for (Long i = 1; standards && i <= standards->Count(); ++i) {
    const Long status =
        standards->Item(i)->TestLimits(kKeySupply, static_cast<Single>(volts), Variant());
    if (status == kStatusFailed) return kStatusFailed;
    if (status == kStatusPassed) verdict = kStatusPassed;
  }
  return verdict;
}

}  // namespace

String Text(const String& messageKey, const VariantArray& params) {
  const Variant args = params.empty() ? Variant() : Variant(params);
  const String text = TranslateText(kPlugInId, messageKey, args);
  return text.empty() ? DefaultMessageText(messageKey, args) : text;
}

// --- SupplyLimits

SupplyLimits::SupplyLimits() : standards_(MakeRef<CStandardColl>()) {}

Ref<IElementLimits> SupplyLimits::Clone() {
  return MakeRef<SupplyLimits>(standards_->Clone());
}

void SupplyLimits::AddStandard(const String& alphaName, const String& completeName) {
  auto standard = MakeRef<CStandard>();
  standard->Initialize(alphaName, completeName, kStandardUserDefined);
  standards_->Add(standard);
}

// Builds the new standards aside, so that a failed load keeps the old ones.
void SupplyLimits::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  auto standards = MakeRef<CStandardColl>();
  if (const Ref<IXmlElement> child = in->FindChild("Standards", 0)) standards->Load(child, log);
  standards_ = standards;
}

Ref<IXmlElement> SupplyLimits::Save(const Ref<IXmlDocument>& owner) {
  Ref<IXmlElement> expected = owner->CreateElement("ExpectedResult");
  if (Ref<IXmlElement> standards = standards_->Save(owner)) expected->AppendChild(standards);
  return expected;
}

// Printing never raises: a step that fails is left out of the report.
void SupplyLimits::PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& setup) {
  Quietly([&] {
    const Ref<IStandardColl> selection = setup ? setup->SelectedStandards() : nullptr;
    // One row per limit key: key, name, number format, no object.
    const VariantArray row{Variant(kKeySupply), Variant(Text("200::Supply voltage")),
                           Variant("0.0"), Variant()};
    standards_->PrintReport(report, selection, Variant(VariantArray{Variant(row)}));
  });
}

// --- SupplyResult

void SupplyResult::Record(Long status, String comment, double volts) {
  status_ = status;
  comment_ = std::move(comment);
  reading_ = MakeRef<CGeneralMeasurement>();
  reading_->Initialize(kKeySupply, Text("200::Supply voltage"), "V", kValueFloat, Variant(volts));
}

void SupplyResult::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& /*log*/) {
  status_ = RoundToLong(ParseNumber(in->GetAttribute("Status")));
  if (status_ < kStatusNotPerformed || status_ > kStatusCancelled) status_ = kStatusNotPerformed;
  const Ref<IXmlElement> comment = in->FindChild("Comment", 0);
  comment_ = comment ? comment->ElementText() : String();
  reading_ = nullptr;
  if (const String volts = in->GetAttribute("Volts"); !volts.empty()) {
    reading_ = MakeRef<CGeneralMeasurement>();
    reading_->Initialize(kKeySupply, Text("200::Supply voltage"), "V", kValueFloat,
                         Variant(ParseNumber(volts)));
  }
}

Ref<IXmlElement> SupplyResult::Save(const Ref<IXmlDocument>& owner) {
  Ref<IXmlElement> item = owner->CreateElement("ResultItem");
  item->SetAttribute("Status", std::to_string(status_));
  if (reading_) item->SetAttribute("Volts", FormatValue(reading_->Value()));
  if (!comment_.empty()) item->AddTextElement("Comment", comment_);
  return item;
}

void SupplyResult::PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& /*setup*/) {
  Quietly([&] {
    if (!reading_) return;
    const String header = "|" + Text("201::Measurement") + "|" + Text("202::Value") + ";";
    const String body = "|" + report->ReplaceChars(reading_->Description(), "|;", "  ") + "|" +
                        FormatNumberPattern(reading_->Value().ToDouble(), "0.0") + " V;";
    report->PrintTable("<3000|>1500", header, body, 0, 0, 0);
  });
}

Ref<IMeasurement> SupplyResult::Measurement(const String& key) {
  return reading_ && key == kKeySupply ? reading_ : nullptr;
}

// --- SupplyCheck

void SupplyCheck::Perform(const Ref<IUnknown>& object) {
  const Ref<ITestSetup> setup = QueryInterface<ITestSetup>(object);
  const double volts = ReadSupplyVolts();
  const Long status = Judge(volts, JudgingStandards(limits_, setup));
  String comment;
  if (status == kStatusFailed) {
    comment = Text("203::The supply voltage %%1 V is outside the limits.",
                   {Variant(FormatNumberPattern(volts, "0.0"))});
  } else if (status == kStatusNotApplicable) {
    comment = Text("204::No standard of the element has a supply voltage limit.");
  }
  auto result = QueryInterface<SupplyResult>(result_);
  if (!result) {  // a clone has no result
    result = MakeRef<SupplyResult>();
    SetResult(result);
  }
  result->Record(status, comment, volts);
}

Ref<ITestElement> SupplyCheck::Clone() {
  auto clone = MakeRef<SupplyCheck>();
  CloneIdentityInto(*clone);
  if (info_) clone->info_ = info_->Clone();
  return clone;
}

// The measurement info: one row per measurement the test can make (key, display name, number
// format, a measurement that gives its unit and value type). Hosts check the limits of a sequence
// with it before a run, and show the readings of a step in its order.
Variant SupplyCheck::GetMeasurementList() {
  auto measurement = MakeRef<CGeneralMeasurement>();
  measurement->Initialize(kKeySupply, Text("200::Supply voltage"), "V", kValueFloat, Variant());
  const VariantArray row{Variant(kKeySupply), Variant(Text("200::Supply voltage")), Variant("0.0"),
                         Variant(Ref<IUnknown>(measurement))};
  return Variant(VariantArray{Variant(row)});
}

Ref<ITestElement> MakeElement(Long testId, Long id) {
  Ref<TestNode> node;
  String nameKey;
  if (testId == kTestSequence) {
    node = MakeRef<CTestContainer>();
    nameKey = "100::Supply checks";
  } else if (testId == kTestSupply) {
    node = MakeRef<SupplyCheck>();
    nameKey = "101::Supply voltage check";
  } else {
    return nullptr;
  }
  node->SetLimits(MakeRef<SupplyLimits>());
  node->SetResult(MakeRef<SupplyResult>());
  node->Initialize(kPlugInId, testId, id);
  node->Info()->SetName(Text(nameKey));
  return node;
}

}  // namespace minimal
