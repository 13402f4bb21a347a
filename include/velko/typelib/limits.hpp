// Limits and standards: acceptance bands for measurements, grouped in named standards.
// Indexed limit properties: 0 and 2 address High, 1 and 3 Low; 0 and 1 work in the display unit
// (through the converter when it applies), 2 and 3 on the stored numbers.
#pragma once

#include "velko/frame/enumerator.hpp"
#include "velko/frame/guid.hpp"
#include "velko/frame/variant.hpp"
#include "velko/typelib/enums.hpp"
#include "velko/typelib/forward.hpp"

namespace velko {

class ILimit : public virtual IUnknown {
 public:
  VELKO_INTERFACE(ILimit, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F11}");
  virtual String Key() = 0;
  virtual String Unit() = 0;
  virtual void SetUnit(const String& unit) = 0;
  virtual Long LimitType() = 0;  // ELimitType
  virtual void SetLimitType(Long type) = 0;
  // The effective bound.
  virtual Single Value(Long index) = 0;
  virtual void SetValue(Long index, Single value) = 0;
  virtual Boolean Defined(Long index) = 0;
  virtual void SetDefined(Long index, Boolean defined) = 0;
  // The number itself.
  virtual Single Argument(Long index) = 0;
  virtual void SetArgument(Long index, Single value) = 0;
  // One operand serves both numbers; the index is ignored.
  virtual String Operand(Long index = 0) = 0;
  virtual void SetOperand(Long index, const String& operand) = 0;
  virtual Ref<ILimitReference> Reference() = 0;
  virtual void Initialize(const String& key, const String& unit, const String& high,
                          const String& low) = 0;
  virtual Ref<ILimit> Clone() = 0;
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
  // The verdict (EResultStatus: 1 passed, 2 failed, 3 no verdict); never raises.
  virtual Long TestValue(Single measured, const Variant& reference) = 0;
  virtual void UpdateReference(const Ref<ITestElement>& element) = 0;
};

class ILimit2 : public virtual IUnknown {
 public:
  VELKO_INTERFACE(ILimit2, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F12}");
  virtual Ref<IUnitConverter> Converter() = 0;
  virtual String InternalUnit() = 0;
  virtual void Initialize(const Ref<IUnitConverter>& converter, const String& internalUnit) = 0;
};

class ILimit3 : public virtual IUnknown {
 public:
  VELKO_INTERFACE(ILimit3, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F13}");
  virtual Single CalculateLimitValue(Single reference, Long index) = 0;
};

class ILimitColl : public virtual IUnknown {
 public:
  VELKO_INTERFACE(ILimitColl, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F14}");
  virtual Long Count() = 0;
  virtual Ref<ILimit> Item(Long index) = 0;
  virtual void Add(const Ref<ILimit>& limit) = 0;
  virtual void Clear() = 0;
  virtual Ref<ILimitColl> Clone() = 0;
  virtual void Remove(Long index) = 0;
  virtual Ref<IEnumVariant> NewEnum() = 0;
};

// Ties a relative limit to a measurement of another element of the same sequence.
class ILimitReference : public virtual IUnknown {
 public:
  VELKO_INTERFACE(ILimitReference, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F15}");
  virtual Long TestID() = 0;  // the node ID of the referenced element ("ElementID")
  virtual void SetTestID(Long id) = 0;
  virtual String MeasKey() = 0;
  virtual void SetMeasKey(const String& key) = 0;
  virtual Long ValType() = 0;
  virtual void SetValType(Long type) = 0;
  virtual Ref<ITestElement> Test() = 0;
  virtual Ref<ILimitReference> Clone() = 0;
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
  virtual Single RetrieveValue() = 0;
  virtual void UpdateReference(const Ref<ITestElement>& element) = 0;
};

class IStandard : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IStandard, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F16}");
  virtual String AlphaName() = 0;
  virtual String CompleteName() = 0;
  virtual Long StandardType() = 0;  // EStandardType
  virtual Ref<ILimitColl> Limits() = 0;
  virtual void Initialize(const String& alphaName, const String& completeName, Long type) = 0;
  virtual Ref<IStandard> Clone() = 0;
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
  virtual void AddLimit(const Ref<ILimit>& limit) = 0;
  virtual Long TestLimits(const String& key, Single measured, const Variant& reference) = 0;
};

class IStandardColl : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IStandardColl, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F17}");
  virtual Long Count() = 0;
  // position >= 1 selects by position; otherwise by the two names (case-insensitive).
  virtual Ref<IStandard> Item(Long position, const String& alphaName = String(),
                              const String& completeName = String()) = 0;
  virtual Ref<IStandardColl> Clone() = 0;
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
  virtual void Add(const Ref<IStandard>& standard) = 0;
  virtual void Clear() = 0;
  virtual void Remove(const String& alphaName, const String& completeName) = 0;
  virtual Ref<IStandardColl> Select(const Ref<IStandardColl>& selection) = 0;
  virtual void UpdateReferences(const Ref<ITestElement>& element) = 0;
  virtual void PrintReport(const Ref<IReport>& report, const Ref<IStandardColl>& selection,
                           const Variant& measurementInfo) = 0;
  virtual Ref<IEnumVariant> NewEnum() = 0;
};

class IStandardColl2 : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IStandardColl2, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F18}");
  virtual Ref<IStandardColl> FindFailedStandards(const Ref<IMeasurement>& measurement,
                                                 const Ref<IStandardColl>& selection) = 0;
};

// Converts between the unit the user sees and the unit measurements arrive in (plug-in side).
class IUnitConverter : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IUnitConverter, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F19}");
  virtual String DisplayUnit() = 0;
  virtual Single ToInternal(Single value) = 0;
  virtual Single ToDisplay(Single value) = 0;
};

}  // namespace velko
