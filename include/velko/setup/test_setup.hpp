// The test setup of one test sequence: what is tested and with what - the selections, the device
// under test, document links, the instrument plug-ins' own device data, the test instruments, the
// status of the run and the test guide's window placement.
//
//   <Setup ReadOnly="True">            (ReadOnly only when set)
//     <ServiceEvents/> <Standard/>...   the selections
//     <DUT>items</DUT> <Links>items</Links>
//     <PlugInData PlugIn="ID">...</PlugInData>...   each plug-in's own element
//     <TestInstruments>...</TestInstruments>
//   </Setup>
//
// The test status is not part of this element: it saves and loads its own "TestData" element.
#pragma once

#include "velko/core/gtranslate.hpp"
#include "velko/frame/class_table.hpp"
#include "velko/frame/keyed_collection.hpp"
#include "velko/setup/selections.hpp"
#include "velko/setup/test_status.hpp"
#include "velko/setup/window_data.hpp"
#include "velko/typelib/setup.hpp"

namespace velko {

// VelkoCore.CTestSetup (creatable; ITestSetup, IConfigData). Releasing a setup clears the thread's
// template record and sets the thread's file type to 1.
class CTestSetup : public ITestSetup, public IConfigData, public IPlugInSetupData {
 public:
  VELKO_CLASS_IDS("{2C8A4E61-9B3D-4F70-8E12-6A7B8C9D0E71}",
                  "{2C8A4E61-9B3D-4F70-8E12-6A7B8C9D0E72}");

  CTestSetup();
  ~CTestSetup() override;

  // The default interface.
  Boolean ReadOnly() { return readOnly_; }
  void SetReadOnly(Boolean readOnly) { readOnly_ = readOnly; }
  Ref<IActivities> ServiceEventsDefinition();
  void SetServiceEventsDefinition(const Ref<IActivities>& definition);
  // Created on first use and kept for the setup's life.
  Ref<CWindowData> WindowData();
  // Keeps the first data stored under a plug-in ID; an empty ID stores nothing.
  void StoreDUTData(const Ref<IConfigData>& dutData, const String& plugInId);
  // Moves the plug-in's data to the removed data (written again only for template file types);
  // an ID that is not stored changes nothing.
  void RemoveDUTData(const String& plugInId) override;
  void StoreTheFileType(Long fileType);
  Long PlugInsDUTCount() override { return plugInData_.Count(); }
  void StoreTheTemplateRecord(const Ref<ITestContainer>& record);
  void UpdateTestStatusColl(Long id);
  void RemoveItem(Long id);

  // IConfigData.
  Boolean HasDialog() override { return false; }
  Ref<IConfigData> Clone() override { return nullptr; }
  Ref<IUnknown> CreateDialog() override { return nullptr; }
  // Rebuilds every part from the element; a failing child ends the load with an error and keeps
  // what was read before it.
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;
  // Selections, device under test, the plug-ins' own sections, test instruments.
  void PrintReport(const Ref<IReport>& report) override;

  // ITestSetup.
  Long Action() override { return action_; }
  void SetAction(Long action) override { action_ = action; }
  Ref<IItemCollection> DutInfo() override { return dutInfo_; }
  Ref<IItemCollection> DocLinks() override { return docLinks_; }
  Ref<IMTIDataColl> TestInstruments() override { return instruments_; }
  Ref<IActivities> SelectedActivities() override;
  Ref<IStandardColl> SelectedStandards() override;
  Ref<ITestStatus> Status() override { return status_; }
  Boolean IsApplicable(const Ref<ITestElement>& element) override;
  Ref<IConfigData> GetDUTData(const String& plugInId) override;
  void Register(const Ref<ITestElement>& element) override;
  void Reset() override;

 private:
  void InitializeParts();
  void LoadPlugInData(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log);
  void PrintDutSection(const Ref<IReport>& report);
  void PrintInstrumentSection(const Ref<IReport>& report);

  Long action_ = 0;
  Ref<IMTIDataColl> instruments_;
  KeyedCollection<Ref<IConfigData>> plugInData_;
  Ref<IItemCollection> dutInfo_;
  Ref<IItemCollection> docLinks_;
  Ref<CTestStatus> status_;
  Ref<CTestSetupSelections> selections_;
  Ref<CWindowData> windowData_;
  Boolean readOnly_ = false;
  Long fileType_ = 0;
  KeyedCollection<Ref<IConfigData>> removedPlugInData_;
};

}  // namespace velko
