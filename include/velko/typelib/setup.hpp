// The test setup, its status, its instruments, and the settings objects.
#pragma once

#include "velko/frame/enumerator.hpp"
#include "velko/frame/guid.hpp"
#include "velko/frame/variant.hpp"
#include "velko/typelib/forward.hpp"

namespace velko {

class ITestSetup : public virtual IUnknown {
 public:
  VELKO_INTERFACE(ITestSetup, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F31}");
  virtual Long Action() = 0;
  virtual void SetAction(Long action) = 0;
  virtual Ref<IItemCollection> DutInfo() = 0;
  virtual Ref<IItemCollection> DocLinks() = 0;
  virtual Ref<IMTIDataColl> TestInstruments() = 0;
  virtual Ref<IActivities> SelectedActivities() = 0;
  virtual Ref<IStandardColl> SelectedStandards() = 0;
  virtual Ref<ITestStatus> Status() = 0;
  virtual Boolean IsApplicable(const Ref<ITestElement>& element) = 0;
  virtual Ref<IConfigData> GetDUTData(const String& plugInId) = 0;
  virtual void Register(const Ref<ITestElement>& element) = 0;
  virtual void Reset() = 0;
};

class ITestStatus : public virtual IUnknown {
 public:
  VELKO_INTERFACE(ITestStatus, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F32}");
  virtual Long PerformedCount() = 0;
  virtual Date TestDate() = 0;
  virtual Long TestStatus() = 0;  // EResultStatus of the whole run
  virtual Boolean TestAborted() = 0;
  virtual void Load(const Ref<IXmlElement>& in) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
  virtual void PrintReport(const Ref<IReport>& report) = 0;
  virtual void Register(const Ref<ITestElement>& element) = 0;
  virtual void Reset() = 0;
  virtual void UpdateStatus(Boolean& aborted) = 0;
};

class IMTIData : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IMTIData, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F33}");
  virtual String PlugInID() = 0;
  virtual Long MTIID() = 0;
  virtual String MTIType() = 0;
  virtual String SerialNo() = 0;
  virtual String FWVersion() = 0;
  virtual Ref<IItemCollection> CustomData() = 0;
  virtual void Initialize(const String& plugInId, Long number) = 0;
  virtual void StoreMTIData(const String& type, const String& serialNo,
                            const String& firmwareVersion) = 0;
  virtual Ref<IDataItem> AddCustomData(const String& name, const String& value) = 0;
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
};

class IMTIDataColl : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IMTIDataColl, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F34}");
  virtual Long Count() = 0;
  virtual Ref<IMTIData> Item(Long index) = 0;
  virtual void Add(const Ref<IMTIData>& instrument) = 0;
  virtual Ref<IMTIData> FindItem(const String& plugInId, Long number) = 0;
  virtual void Clear() = 0;
  virtual void Remove(const String& plugInId, Long number) = 0;
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
  virtual Ref<IEnumVariant> NewEnum() = 0;
};

class ITestGuideSettings : public virtual IUnknown {
 public:
  VELKO_INTERFACE(ITestGuideSettings, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F35}");
  virtual Long EnableButton() = 0;  // 1 the "Skip" button, 2 the "NA" button
  virtual void SetEnableButton(Long buttons) = 0;
  virtual Boolean AllowResize() = 0;
  virtual void SetAllowResize(Boolean allow) = 0;
  virtual Boolean ShowMaximized() = 0;
  virtual void SetShowMaximized(Boolean show) = 0;
  virtual Boolean AlwaysOnTop() = 0;
  virtual void SetAlwaysOnTop(Boolean onTop) = 0;
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
  virtual Ref<ITestGuideSettings> Clone() = 0;
};

// The system-wide options kept in the registry.
class ISystemOptions : public virtual IUnknown {
 public:
  VELKO_INTERFACE(ISystemOptions, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F36}");
  virtual Boolean AddDocumentHistory() = 0;
  virtual void SetAddDocumentHistory(Boolean add) = 0;
  virtual Boolean DisplayServiceRecord() = 0;
  virtual String Language(const String& name) = 0;
  virtual void SetLanguage(const String& name, const String& value) = 0;
  virtual Variant ReportSetting(const String& name) = 0;
  virtual void SetReportSetting(const String& name, const Variant& value) = 0;
  virtual Long TestGuideSettings() = 0;
  virtual void SetTestGuideSettings(Long settings) = 0;
  virtual String TemplateRoot() = 0;
  virtual Variant TemplateSettings(const String& name) = 0;
  virtual void SetTemplateSettings(const String& name, const Variant& value) = 0;
};

}  // namespace velko
