#include "velko/sequence/test_element.hpp"

#include <utility>

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/frame/text.hpp"
#include "velko/outside/value_formatter.hpp"
#include "velko/typelib/limits.hpp"

namespace velko {
namespace {

constexpr const char* kSource = "VelkoCore.CTestElement";
constexpr ErrorPolicy kLoadPolicy{
    kSource, {err::kElementNoId, err::kElementNoPlugIn, err::kElementWrongTag}};
constexpr ErrorPolicy kSavePolicy{kSource, {err::kElementSave}};
constexpr ErrorPolicy kClonePolicy{kSource};

// Limits whose operand the Condor analyser computes itself.
constexpr const char* kCondorComputedKeys[] = {"::VOLTAGE", "::CREST_FACTOR", "::CURRENT"};

// The log entry of a load failure that the element reports itself; "" for other errors.
const char* LoadFailureKey(Long number) {
  switch (number) {
    case err::kElementNoId:
      return "5091::The test element cannot be loaded because no valid element ID was found.";
    case err::kElementNoPlugIn:
      return "5092::The test element cannot be loaded because no valid Plug-In ID was found.";
    case err::kElementNoTestId:
      return "5093::The test element cannot be loaded because no valid test number was found.";
    default:
      return "";
  }
}

void CloseSection(const Ref<IProgressLog>& log, Long section) {
  if (section != 0) Quietly([&] { log->CloseSection(section); });
}

}  // namespace

VELKO_PUBLIC_CLASS(CTestElement, Instancing::kCreatable, ITestElement);

Ref<ITestElement> CTestElement::Clone() {
  return Guarded(kClonePolicy, [&]() -> Ref<ITestElement> {
    auto clone = MakeRef<CTestElement>();
    CloneIdentityInto(*clone);
    if (info_) clone->info_ = info_->Clone();
    return clone;
  });
}

Ref<ITestElement> CTestElement::Create(Long id) {
  return Guarded(kClonePolicy, [&] {
    Ref<ITestElement> clone = Clone();
    clone->SetID(id);
    return clone;
  });
}

void CTestElement::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  Long section = 0;
  try {
    if (log) section = log->OpenSection(String(), String());
    const String tag = in->TagName();
    if (tag == "TestElement") {
      ReadDefinition(in, log);
    } else if (tag == "ResultItem") {
      if (result_) result_->Load(in, log);
    } else {
      RaiseError(err::kElementWrongTag, kSource, kLevelFatal);
    }
  } catch (...) {
    const Long number = CurrentError().Number();
    const String key = LoadFailureKey(number);
    if (section != 0 && !key.empty()) {
      Quietly([&] { log->LogError(number, kLevelData, key, Variant(VariantArray{})); });
    }
    // The section is closed on every path, so that the log's sections always balance.
    CloseSection(log, section);
    if (number == err::kElementNoTestId) return;  // the element keeps what was read so far
    HandleError(kLoadPolicy);
  }
  CloseSection(log, section);
}

void CTestElement::ReadDefinition(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  const String idText = in->GetAttribute("ID");
  if (idText.empty()) RaiseError(err::kElementNoId, kSource, kLevelData);
  AssignId(ParseLong(idText));
  testId_ = 0;
  plugInId_.clear();

  // Character data inside a definition carries nothing. Only the first "PlugIn" counts: the
  // plug-in manager made this element from it, and a later one must not change what it saves.
  bool plugInRead = false;
  ForEachChildElement(in, [&](const Ref<IXmlElement>& child) {
    if (HasTagName(child, "PlugIn")) {
      if (std::exchange(plugInRead, true)) return;
      String storage;
      plugInId_ = String(AttributeView(child, "Name", storage));
      const std::string_view testIdText = AttributeView(child, "TestID", storage);
      if (testIdText.empty()) RaiseError(err::kElementNoTestId, kSource, kLevelData);
      testId_ = ParseLong(testIdText);
    } else {
      ReadCommonChild(child, log);
    }
  });
  ClearCondorOperands();
  if (plugInId_.empty()) RaiseError(err::kElementNoPlugIn, kSource, kLevelData);
}

// The Condor analyser computes the operand of some limits itself; a stored one is dropped.
void CTestElement::ClearCondorOperands() {
  if (!EqualsIgnoreCase(TrimBlanks(plugInId_), "Condor") || !limits_) return;
  const Ref<IStandardColl> standards = limits_->Standards();
  if (!standards) return;
  const Long standardCount = standards->Count();
  for (Long s = 1; s <= standardCount; ++s) {
    const Ref<IStandard> standard = standards->Item(s);
    // A standard without limits has nothing to fix (and must not stop the load).
    const Ref<ILimitColl> limits = standard ? standard->Limits() : nullptr;
    if (!limits) continue;
    const Long limitCount = limits->Count();
    for (Long l = 1; l <= limitCount; ++l) {
      const Ref<ILimit> limit = limits->Item(l);
      const String key = limit->Key();
      for (const char* computed : kCondorComputedKeys) {
        if (key.find(computed) != String::npos) {
          limit->SetOperand(0, "");
          break;
        }
      }
    }
  }
}

Ref<IXmlElement> CTestElement::Save(const Ref<IXmlDocument>& owner, Long saveMode) {
  return Guarded(kSavePolicy, [&]() -> Ref<IXmlElement> {
    if (saveMode & kSaveDefinition) return WriteDefinition(owner, saveMode, kSource);
    if (!(saveMode & kSaveResults) || !result_) return nullptr;
    Ref<IXmlElement> item = result_->Save(owner);
    if (item) item->SetAttribute("ElementID", FormatValue(Variant(ID())));
    return item;
  });
}

void CTestElement::PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& setup) {
  PrintOwnReport(report, setup, true);
}

}  // namespace velko
