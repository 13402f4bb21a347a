#include "velko/setup/test_setup.hpp"

#include <algorithm>

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/initialize.hpp"
#include "velko/core/log_section.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/outside/value_formatter.hpp"
#include "velko/service/data_item.hpp"
#include "velko/setup/dut_info.hpp"
#include "velko/setup/mti_data.hpp"
#include "velko/typelib/plugin.hpp"
#include "velko/typelib/report.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {
namespace {

constexpr const char* kSource = "VelkoCore.CTestSetup";
constexpr ErrorPolicy kLoadPolicy(kSource, {err::kSetupLoad});
constexpr ErrorPolicy kSavePolicy(kSource, {err::kSetupSave});

String Translated(const Ref<IReport>& report, const char* key) {
  return report->Translate(String(), key, Variant(VariantArray{}));
}

String Cell(const Ref<IReport>& report, const String& text) {
  return report->ReplaceChars(text, "|;{}", " ,()");
}

String Number(Long value) {
  return FormatValue(Variant(value));
}

bool IsTemplateType(Long fileType) {
  return fileType == 2 || fileType == 4;
}

}  // namespace

VELKO_PUBLIC_CLASS(CTestSetup, Instancing::kCreatable, ITestSetup, IConfigData);

CTestSetup::CTestSetup() {
  InitializeParts();
}

CTestSetup::~CTestSetup() {
  StoreTemplateRecord(nullptr);
  StoreTemplateType(1);
}

void CTestSetup::InitializeParts() {
  selections_ = MakeRef<CTestSetupSelections>();
  instruments_ = CreateMTIDataColl();
  dutInfo_ = CreateDutInfo();
  docLinks_ = MakeRef<CItemCollection>();
  plugInData_.Clear();
  status_ = MakeRef<CTestStatus>();
  readOnly_ = false;
}

Ref<IActivities> CTestSetup::ServiceEventsDefinition() {
  return selections_->ServiceEventsDefinition();
}

void CTestSetup::SetServiceEventsDefinition(const Ref<IActivities>& definition) {
  selections_->SetServiceEventsDefinition(definition);
}

Ref<CWindowData> CTestSetup::WindowData() {
  if (!windowData_) windowData_ = MakeRef<CWindowData>();
  return windowData_;
}

void CTestSetup::StoreDUTData(const Ref<IConfigData>& dutData, const String& plugInId) {
  Quietly([&] {
    if (!plugInId.empty() && !plugInData_.Contains(plugInId)) plugInData_.Add(plugInId, dutData);
  });
}

void CTestSetup::RemoveDUTData(const String& plugInId) {
  Quietly([&] {
    const Ref<IConfigData>* data = plugInData_.Find(plugInId);
    if (plugInId.empty() || !data) return;
    const Ref<IConfigData> moved = *data;
    plugInData_.Remove(plugInId);
    if (removedPlugInData_.Contains(plugInId)) removedPlugInData_.Remove(plugInId);
    removedPlugInData_.Add(plugInId, moved);
  });
}

void CTestSetup::StoreTheFileType(Long fileType) {
  fileType_ = fileType;
  StoreTemplateType(fileType);
}

void CTestSetup::StoreTheTemplateRecord(const Ref<ITestContainer>& record) {
  StoreTemplateRecord(record);
}

void CTestSetup::UpdateTestStatusColl(Long id) {
  Quietly([&] { status_->AddOverrideID(id); });
}

void CTestSetup::RemoveItem(Long id) {
  Quietly([&] { status_->RemoveOverrideID(id); });
}

Ref<IActivities> CTestSetup::SelectedActivities() {
  return selections_->Activities();
}

Ref<IStandardColl> CTestSetup::SelectedStandards() {
  return selections_->Standards();
}

Boolean CTestSetup::IsApplicable(const Ref<ITestElement>& element) {
  return QuietlyOr(false, [&] {
    if (!selections_->IsApplicableServiceEvents(element->Filter())) return false;
    return selections_->IsApplicableStandard(element->Limits());
  });
}

Ref<IConfigData> CTestSetup::GetDUTData(const String& plugInId) {
  return QuietlyOr(Ref<IConfigData>(), [&] {
    const Ref<IConfigData>* data = plugInData_.Find(plugInId);
    return data ? *data : Ref<IConfigData>();
  });
}

void CTestSetup::Register(const Ref<ITestElement>& element) {
  Quietly([&] {
    if (element) status_->Register(element);
  });
}

void CTestSetup::Reset() {
  Quietly([&] { status_->Reset(); });
}

void CTestSetup::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  ScopedLogSection section(log, String(), "E5100::Loading test sequence setup");
  Guarded(kLoadPolicy, [&] {
    InitializeParts();
    readOnly_ = in->GetAttribute("ReadOnly") == "True";
    ForEachChildElement(in, [&](const Ref<IXmlElement>& child) {
      const String tag = child->TagName();
      if (tag == "ServiceEvents" || tag == "Standard") {
        selections_->Load(child, log);
      } else if (tag == "DUT") {
        dutInfo_->Load(child, log);
      } else if (tag == "Links") {
        docLinks_->Load(child, log);
      } else if (tag == "PlugInData") {
        LoadPlugInData(child, log);
      } else if (tag == "TestInstruments") {
        instruments_->Load(child, log);
      }
    });
  });
}

void CTestSetup::LoadPlugInData(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  Guarded(kLoadPolicy, [&] {
    const String plugInId = in->GetAttribute("PlugIn");
    if (plugInId.empty()) return;
    const Ref<IPlugIn> plugIn = GInitialize::Instance()->PlugInManager()->PlugIn(plugInId);
    if (!plugIn) return;
    const Ref<IConfigData> data = plugIn->CreateConfigData();
    if (!data) return;
    data->Load(in, log);
    if (IsTemplateType(StoredTemplateType()) ||
        GTranslate::Instance()->AddPlugInSetupInResult(plugInId)) {
      StoreDUTData(data, plugInId);
    }
  });
}

Ref<IXmlElement> CTestSetup::Save(const Ref<IXmlDocument>& owner) {
  return Guarded(kSavePolicy, [&] {
    const Ref<IXmlElement> setup = selections_->Save(owner);
    if (!setup) RaiseError(err::kSetupSave, kSource, kLevelSave);
    if (readOnly_) setup->SetAttribute("ReadOnly", "True");
    if (const Ref<IXmlElement> dut = dutInfo_->Save(owner)) {
      dut->SetTagName("DUT");
      setup->AppendChild(dut);
    }
    if (const Ref<IXmlElement> links = docLinks_->Save(owner)) {
      links->SetTagName("Links");
      setup->AppendChild(links);
    }
    if (IsTemplateType(fileType_)) {
      for (const Ref<IConfigData>& data : removedPlugInData_)
        AppendIfSome(setup, data->Save(owner));
    }
    for (const Ref<IConfigData>& data : plugInData_)
      AppendIfSome(setup, data->Save(owner));
    AppendIfSome(setup, instruments_->Save(owner));
    return setup;
  });
}

void CTestSetup::PrintReport(const Ref<IReport>& report) {
  if (!report) return;
  Quietly([&] { selections_->PrintReport(report); });
  Quietly([&] { PrintDutSection(report); });
  for (const Ref<IConfigData>& data : plugInData_) {
    Quietly([&] { data->PrintReport(report); });
  }
  Quietly([&] { PrintInstrumentSection(report); });
}

void CTestSetup::PrintDutSection(const Ref<IReport>& report) {
  report->SetStyle(3);
  report->PrintHeading(Translated(report, "461::Device under test"));
  report->SetStyle(6);
  report->SetOption(1);
  std::vector<std::pair<String, String>> items;
  Long captionWidth = 0;
  for (Long i = 1; i <= dutInfo_->Count(); ++i) {
    const Ref<IDataItem> item = dutInfo_->Item(i);
    // A caption given as a message key ("470::Manufacturer") prints in the report's language.
    String caption = item->Caption();
    if (caption.find("::") != String::npos)
      caption = report->Translate(String(), caption, Variant(VariantArray{}));
    items.emplace_back(Cell(report, caption), Cell(report, item->Data()));
    captionWidth = std::max(captionWidth, report->TextWidth(caption) + 280);
  }
  const Long valueWidth = RoundToLong(report->PageWidth(-1) / 2.0 - captionWidth);
  const String format = "<+" + Number(captionWidth) + "|<+!" + Number(valueWidth) + "|<+" +
                        Number(captionWidth) + "|<+" + Number(valueWidth);
  const std::size_t half = (items.size() + 1) / 2;
  String rows;
  for (std::size_t i = 0; i < half; ++i) {
    rows += items[i].first + "|" + items[i].second + "|";
    if (i + half < items.size())
      rows += items[i + half].first + "|" + items[i + half].second;
    else
      rows += "|";
    rows += ";";
  }
  report->SetTableStyle(4);
  report->PrintTable(format, String(), rows, 0, 0, 0);
}

void CTestSetup::PrintInstrumentSection(const Ref<IReport>& report) {
  if (instruments_->Count() < 1) return;
  report->SetStyle(3);
  report->PrintHeading(Translated(report, "462::MTI Data"));
  report->SetStyle(5);
  const bool withDate = CMTIData().CalDateExists();
  const Long columns = withDate ? 4 : 3;
  const String width = Number(report->PageWidth(-1) / columns);
  String format = "<+" + width;
  for (Long c = 1; c < columns; ++c)
    format += "|<+" + width;
  String header = Translated(report, "463::Test instrument") + "|" +
                  Translated(report, "464::Serial number") + "|" +
                  Translated(report, "465::Firmware version");
  if (withDate) header += "|" + Translated(report, "484::Calibration date");
  String rows;
  for (Long i = 1; i <= instruments_->Count(); ++i) {
    const Ref<IMTIData> instrument = instruments_->Item(i);
    const Ref<CMTIData> own = QueryInterface<CMTIData>(instrument);
    rows += Cell(report, instrument->MTIType()) + "|" + Cell(report, instrument->SerialNo()) + "|" +
            Cell(report, instrument->FWVersion()) + "|" + Cell(report, own ? own->CalDate() : "") +
            ";";
  }
  report->SetTableStyle(3);
  report->SetTableParam(20);
  report->PrintTable(format, header, String(), kReportLightGrey, 0, 0);
  report->SetStyle(6);
  report->SetTableStyle(0);
  report->SetTableParam(1);
  report->PrintTable(format, String(), rows, 0, 0, 0);
}

}  // namespace velko
