// The test sequence tree: nodes, their info, filter, configuration, limits, result and
// measurements. ITestElement, ITestContainer, IElementInfo(2) and IElementFilter are implemented
// by the library; IElementLimits, IResult and IStandardMeasurement by the plug-ins; IConfigData
// and IMeasurement by both.
#pragma once

#include "velko/frame/enumerator.hpp"
#include "velko/frame/guid.hpp"
#include "velko/frame/variant.hpp"
#include "velko/typelib/enums.hpp"
#include "velko/typelib/forward.hpp"

namespace velko {

class ITestElement : public virtual IUnknown {
 public:
  VELKO_INTERFACE(ITestElement, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F01}");
  virtual String PlugInID() = 0;
  virtual Long TestID() = 0;
  virtual Long ID() = 0;
  virtual void SetID(Long id) = 0;
  virtual Ref<ITestElement> Parent() = 0;
  virtual void SetParent(const Ref<ITestElement>& parent) = 0;
  virtual Ref<IElementInfo> Info() = 0;
  virtual Ref<IElementFilter> Filter() = 0;
  virtual Ref<IResult> Result() = 0;
  virtual Ref<IElementLimits> Limits() = 0;
  virtual Ref<IConfigData> Configuration() = 0;
  virtual void Initialize(const String& plugInId, Long testId, Long id) = 0;
  virtual Ref<ITestElement> Clone() = 0;
  virtual void Perform(const Ref<IUnknown>& object) = 0;
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner, Long saveMode) = 0;
  virtual void PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& setup) = 0;
  virtual Boolean QuerySetParent(const Ref<IUnknown>& parent) = 0;
  virtual void Terminate() = 0;
  virtual void UpdateReferences() = 0;
  virtual Variant GetMeasurementList() = 0;
};

class ITestContainer : public virtual IUnknown {
 public:
  VELKO_INTERFACE(ITestContainer, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F02}");
  virtual Long Count() = 0;
  // The child at 1-based position; none outside 1..Count.
  virtual Ref<ITestElement> Item(Long index) = 0;
  virtual void Add(const Ref<ITestElement>& child, const Ref<ITestElement>& relative = nullptr,
                   Long relation = kRelationLast) = 0;
  virtual Ref<ITestElement> FindElement(Long elementId) = 0;
  virtual void Remove(const Ref<ITestElement>& child) = 0;
  virtual Ref<IEnumVariant> NewEnum() = 0;
};

class IElementInfo : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IElementInfo, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F03}");
  virtual String Comment() = 0;
  virtual void SetComment(const String& comment) = 0;
  virtual String Description() = 0;
  virtual void SetDescription(const String& description) = 0;
  virtual String Name() = 0;
  virtual void SetName(const String& name) = 0;
  virtual String TestParam() = 0;
  virtual String TestType() = 0;
  virtual Ref<IElementInfo> Clone() = 0;
  virtual void Initialize(const String& testType, const String& testParam) = 0;
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner, Long saveMode) = 0;
};

class IElementInfo2 : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IElementInfo2, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F04}");
  virtual String Name() = 0;
  virtual void SetName(const String& name) = 0;
  virtual String Procedure() = 0;
  virtual void SetProcedure(const String& procedure) = 0;
  virtual Long ProcedureFormat() = 0;
  virtual void SetProcedureFormat(Long format) = 0;
  virtual void ConvertProcedure(Long format) = 0;
};

class IElementFilter : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IElementFilter, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F05}");
  virtual Ref<IActivities> Activities() = 0;
  virtual Boolean IncludeInReport() = 0;
  virtual void SetIncludeInReport(Boolean include) = 0;
  virtual Long ServiceRecordOptions() = 0;
  virtual void SetServiceRecordOptions(Long options) = 0;
  virtual String ServiceRecordID() = 0;
  virtual void SetServiceRecordID(const String& id) = 0;
  virtual Ref<IElementFilter> Clone() = 0;
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
};

// The plug-in's configuration of a step, or its device data in a setup; the library's own
// implementation is the test setup.
class IConfigData : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IConfigData, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F06}");
  virtual Boolean HasDialog() = 0;
  virtual Ref<IConfigData> Clone() = 0;
  // The plug-in's editing dialog for this data; none when it has none.
  virtual Ref<IUnknown> CreateDialog() = 0;
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
  virtual void PrintReport(const Ref<IReport>& report) = 0;
};

// The standards and limits a step is judged against (plug-in side). Save must return an
// element tagged "ExpectedResult" to be read back.
class IElementLimits : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IElementLimits, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F07}");
  virtual Ref<IStandardColl> Standards() = 0;
  virtual Ref<IElementLimits> Clone() = 0;
  virtual void AddStandard(const String& alphaName, const String& completeName) = 0;
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
  virtual void PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& setup) = 0;
};

// The result of a step (plug-in side). Save must return an element tagged "ResultItem" to be
// read back.
class IResult : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IResult, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F08}");
  virtual String Comment() = 0;
  virtual Long Status() = 0;  // EResultStatus
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
  virtual void PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& setup) = 0;
  // The measurement with that key; none when there is none.
  virtual Ref<IMeasurement> Measurement(const String& key) = 0;
  // The service-record entry of the step; none when it has none.
  virtual Ref<IServiceRecord> ServiceRecord() = 0;
};

// One measured or measurable quantity of a step.
class IMeasurement : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IMeasurement, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F09}");
  virtual String Description() = 0;
  virtual String Key() = 0;
  virtual String LimitKey() = 0;
  virtual Long Status() = 0;
  virtual String Unit() = 0;
  virtual Variant Value() = 0;
  virtual Variant PresetValue() = 0;
  virtual Long ValueType() = 0;  // EValueType
  virtual String ValueFormat() = 0;
  virtual Long Flags() = 0;
  virtual String ToolTipText() = 0;
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
};

// A measurement that judges itself per standard (plug-in side).
class IStandardMeasurement : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IStandardMeasurement, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F0A}");
  // The text of a limit of the standard: index 0 high, 1 low; `flags` 3 asks for the report form.
  virtual Variant LimitText(const Ref<IStandard>& standard, Long index, Long flags) = 0;
  virtual Variant LimitValue(const Ref<IStandard>& standard, Long index) = 0;
  virtual String LimitUnit(const Ref<IStandard>& standard) = 0;
  virtual Boolean HasLimits(const Ref<IStandard>& standard) = 0;
  // The verdict of the measurement under the standard (EResultStatus).
  virtual Long StandardStatus(const Ref<IStandard>& standard) = 0;
};

}  // namespace velko
