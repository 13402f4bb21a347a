// CLimit: the acceptance band for one measurement - fixed numbers or a formula of a reference
// value - with its verdict, unit conversion, XML form and report row.
#pragma once

#include <cstring>
#include <string_view>

#include "velko/frame/class_table.hpp"
#include "velko/typelib/limits.hpp"
#include "velko/typelib/progress.hpp"
#include "velko/typelib/report.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {

class CLimit : public ILimit, public ILimit2, public ILimit3 {
 public:
  VELKO_CLASS_IDS("{A756F1DB-AC2C-4F4B-B0B5-032AD70C888A}",
                  "{53EE9B5B-8918-413E-B440-0254CE7A2D36}");

  // ILimit
  String Key() override;
  String Unit() override;
  // A new unit moves the defined numbers into or out of the converter's display unit.
  void SetUnit(const String& unit) override;
  Long LimitType() override;
  // Type 1 on a limit without reference creates one and sets the operand "X*Y%".
  void SetLimitType(Long type) override;
  Single Value(Long index) override;
  void SetValue(Long index, Single value) override;
  Boolean Defined(Long index) override;
  void SetDefined(Long index, Boolean defined) override;
  Single Argument(Long index) override;
  void SetArgument(Long index, Single value) override;
  String Operand(Long index = 0) override;
  void SetOperand(Long index, const String& operand) override;
  Ref<ILimitReference> Reference() override;
  // Numbers in the user's form, else the lenient stored-text parse; an empty text leaves its
  // number alone. Never raises.
  void Initialize(const String& key, const String& unit, const String& high,
                  const String& low) override;
  Ref<ILimit> Clone() override;
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;
  Long TestValue(Single measured, const Variant& reference) override;
  void UpdateReference(const Ref<ITestElement>& element) override;

  // ILimit2
  Ref<IUnitConverter> Converter() override;
  String InternalUnit() override;
  void Initialize(const Ref<IUnitConverter>& converter, const String& internalUnit) override;

  // ILimit3
  Single CalculateLimitValue(Single reference, Long index) override;

  // For the library's own classes: the key compared in place (no copy, no virtual call).
  // The length and the last byte are compared first: a standard's keys mostly differ there.
  bool HasKey(std::string_view key) const {
    const std::size_t n = key.size();
    return key_.size() == n && (n == 0 || (key_[n - 1] == key[n - 1] &&
                                           std::memcmp(key_.data(), key.data(), n - 1) == 0));
  }
  // For the library's own classes: judging this limit runs no code outside the library (no unit
  // converter, no referenced measurement), so that it cannot change the standard that holds it.
  bool JudgesInPlace() const { return !converter_ && limitType_ != kLimitRelative; }
  // Whether UpdateReference has anything to resolve.
  bool ResolvesReference() const { return limitType_ == kLimitRelative && reference_ != nullptr; }
  // For the library's own classes: fills this limit from any ILimit through its interfaces.
  void CopyFrom(const Ref<ILimit>& source);
  // For the library's own classes: one row "|name|high|low|unit;" of the limits table, "" when
  // neither number is defined. `measurementInfo` is an array of rows [key, display name, number
  // format, measurement object]. Never raises.
  String ReportRow(const Ref<IReport>& report, const Variant& measurementInfo,
                   const Ref<IStandard>& standard);

 private:
  bool ConversionApplies();
  Single& Number(Long index);
  bool& DefinedFlag(Long index);
  Single ReferenceValue();
  Single DisplayBound(Single bound, Long index);
  void ResetForLoad();  // every field but InternalUnit
  void LoadChild(const Ref<IXmlElement>& child, const Ref<IProgressLog>& log);
  void SaveValue(const Ref<IXmlElement>& limit, const char* type, Single number);
  String ReportUnit();

  String key_;
  String unit_;
  String internalUnit_;
  Single high_ = 0.0f;
  Single low_ = 0.0f;
  bool highDefined_ = false;
  bool lowDefined_ = false;
  String operand_;
  Long limitType_ = kLimitFixed;
  Ref<ILimitReference> reference_;
  Ref<IUnitConverter> converter_;
};

}  // namespace velko
