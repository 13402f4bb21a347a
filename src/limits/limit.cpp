#include "velko/limits/limit.hpp"

#include "operand.hpp"
#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/log_section.hpp"
#include "velko/core/translation.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/limits/limit_coll.hpp"
#include "velko/outside/value_formatter.hpp"
#include "velko/typelib/sequence.hpp"

namespace velko {

VELKO_PUBLIC_CLASS(CLimit, velko::Instancing::kCreatable, ILimit, ILimit2, ILimit3);

namespace {

using limits_detail::EvaluateOperand;
using limits_detail::IsPlainOperand;
using limits_detail::PercentOf;

constexpr const char* kSource = "VelkoCore.CLimit";
constexpr ErrorPolicy kCentral{kSource};
constexpr ErrorPolicy kLoadPolicy{kSource, {err::kLimitLoad}};
constexpr ErrorPolicy kSavePolicy{kSource, {err::kLimitSave}};
constexpr ErrorPolicy kUpdatePolicy{kSource, {err::kReferenceUnresolved}};
constexpr ErrorPolicy kBoundPolicy{
    kSource, {err::kReferenceUnresolved, err::kReferenceValueType, err::kReferenceNoValue}};

constexpr const char* kNoKeyWarning =
    "5065::A limit without measurement key was found. The limit was loaded, but will not be "
    "applied to any tests. You must edit the limit data to correct this situation.";

bool IsHighIndex(Long index) {
  return index == 0 || index == 2;
}
bool IsValidIndex(Long index) {
  return index >= 0 && index <= 3;
}
bool IsDisplayIndex(Long index) {
  return index == 0 || index == 1;
}

// A number of a stored text as a Single; beyond single range is the overflow error 6.
Single StoredNumber(std::string_view text) {
  return Variant(ParseNumber(text)).ToSingle();
}

// The user's form of a number (the runtime's strict conversion), else the lenient stored parse.
Single UserNumber(const String& text) {
  const auto strict = ParseNumberStrict(text);
  return strict ? Variant(*strict).ToSingle() : StoredNumber(text);
}

// No reference value given: the caller passed nothing, Empty or Null.
bool IsAbsent(const Variant& value) {
  return value.IsEmpty() || value.IsNull() || value.IsMissing();
}

// The reference value of a formula; a value not given counts as 0.
Single FormulaReference(const Variant& value) {
  return value.IsMissing() ? 0.0f : value.ToSingle();
}

// A display value to the nearest hundredth, as the number format "0.00" reads back.
Single ToHundredths(Single value) {
  return ThroughDecimal(ParseNumber(FormatNumberPattern(ThroughDecimal(value), "0.00")));
}

// Row `Key` of the measurement info (an array of rows [key, name, format, measurement]).
VariantArray FindInfoRow(const Variant& info, const String& key) {
  if (!info.IsArray()) return {};
  for (const Variant& row : info.Elements()) {
    if (!row.IsArray() || row.UBound() < 0) continue;
    const bool match = QuietlyOr(false, [&] { return row.Elements()[0].ToString() == key; });
    if (match) return row.Elements();
  }
  return {};
}

String InfoText(const VariantArray& row, std::size_t column) {
  if (column >= row.size()) return {};
  return QuietlyOr(String(), [&] { return row[column].ToString(); });
}

Ref<IMeasurement> InfoMeasurement(const VariantArray& row) {
  if (row.size() < 4) return nullptr;
  return QuietlyOr(Ref<IMeasurement>(), [&] { return row[3].ToObjectAs<IMeasurement>(); });
}

}  // namespace

// ---- ILimit: plain properties ---------------------------------------------------------------

String CLimit::Key() {
  return key_;
}
String CLimit::Unit() {
  return unit_;
}
Long CLimit::LimitType() {
  return limitType_;
}
Ref<ILimitReference> CLimit::Reference() {
  return reference_;
}
Ref<IUnitConverter> CLimit::Converter() {
  return converter_;
}
String CLimit::InternalUnit() {
  return internalUnit_;
}
String CLimit::Operand(Long /*index*/) {
  return operand_;
}
void CLimit::SetOperand(Long /*index*/, const String& operand) {
  operand_ = operand;
}

void CLimit::SetLimitType(Long type) {
  Quietly([&] {
    limitType_ = type;
    if (type == kLimitRelative && !reference_) {
      reference_ = CreateLimitReference();
      operand_ = "X*Y%";
    }
  });
}

Boolean CLimit::Defined(Long index) {
  if (!IsValidIndex(index)) return false;
  return DefinedFlag(index);
}

void CLimit::SetDefined(Long index, Boolean defined) {
  if (IsValidIndex(index)) DefinedFlag(index) = defined;
}

Single& CLimit::Number(Long index) {
  return IsHighIndex(index) ? high_ : low_;
}
bool& CLimit::DefinedFlag(Long index) {
  return IsHighIndex(index) ? highDefined_ : lowDefined_;
}

bool CLimit::ConversionApplies() {
  return converter_ && unit_ == converter_->DisplayUnit();
}

// ---- numbers and bounds ---------------------------------------------------------------------

Single CLimit::Argument(Long index) {
  if (!IsValidIndex(index)) return 0.0f;
  const Single stored = Number(index);
  if (!IsDisplayIndex(index)) return stored;
  // A converter that fails shows the stored number rather than nothing.
  return QuietlyOr(stored, [&] {
    return ConversionApplies() ? ToHundredths(converter_->ToDisplay(stored)) : stored;
  });
}

void CLimit::SetArgument(Long index, Single value) {
  if (!IsValidIndex(index)) return;
  // A conversion that fails leaves number and flag as they were: a bound must never come into
  // force with a number the user did not give.
  Quietly([&] {
    const bool convert = IsDisplayIndex(index) && ConversionApplies();
    Number(index) = convert ? converter_->ToInternal(value) : value;
    DefinedFlag(index) = true;
  });
}

void CLimit::SetValue(Long index, Single value) {
  SetArgument(index, value);
}

Single CLimit::ReferenceValue() {
  if (!reference_) RaiseError(err::kReferenceUnresolved, kSource, kLevelItem);
  return reference_->RetrieveValue();
}

Single CLimit::DisplayBound(Single bound, Long index) {
  if (IsDisplayIndex(index) && ConversionApplies()) {
    return ThroughDecimal(converter_->ToDisplay(bound));
  }
  return bound;
}

Single CLimit::Value(Long index) {
  return Guarded(kBoundPolicy, [&] {
    if (!IsValidIndex(index)) RaiseRuntimeError(rt::kInvalidCall);
    Single bound = Number(index);
    if (limitType_ == kLimitRelative) bound = EvaluateOperand(operand_, ReferenceValue(), bound);
    return DisplayBound(bound, index);
  });
}

Single CLimit::CalculateLimitValue(Single reference, Long index) {
  return Guarded(kBoundPolicy, [&] {
    if (!IsValidIndex(index)) RaiseRuntimeError(rt::kInvalidCall);
    Single result = Number(index);
    if (!IsPlainOperand(operand_)) {
      const Single x = limitType_ == kLimitRelative ? ReferenceValue() : reference;
      result = EvaluateOperand(operand_, x, result);
    }
    return DisplayBound(result, index);
  });
}

Long CLimit::TestValue(Single measured, const Variant& reference) {
  return QuietlyOr<Long>(kStatusNotApplicable, [&]() -> Long {
    Single upper = 0.0f;
    Single lower = 0.0f;
    if (IsPlainOperand(operand_) || limitType_ == kLimitRelative) {
      if (unit_ == "%" && limitType_ != kLimitRelative && !IsAbsent(reference)) {
        const Single r = reference.ToSingle();
        upper = PercentOf(high_, r);
        lower = PercentOf(low_, r);
      } else if (limitType_ == kLimitRelative) {
        upper = Value(2);
        lower = Value(3);
      } else {  // what Value(2) and Value(3) give a fixed limit: its stored bounds
        upper = high_;
        lower = low_;
      }
    } else {
      const Single r = FormulaReference(reference);
      upper = EvaluateOperand(operand_, r, high_);
      lower = EvaluateOperand(operand_, r, low_);
    }
    Long verdict = kStatusNotApplicable;
    if (highDefined_) verdict = measured <= upper ? kStatusPassed : kStatusFailed;
    if (lowDefined_ && verdict != kStatusFailed) {
      verdict = measured >= lower ? kStatusPassed : kStatusFailed;
    }
    return verdict;
  });
}

// ---- units and initialisation ---------------------------------------------------------------

void CLimit::SetUnit(const String& unit) {
  if (unit == unit_) return;
  if (converter_) {
    Quietly([&] {
      const String display = converter_->DisplayUnit();
      if (unit != display && unit_ == display) {
        if (highDefined_) high_ = converter_->ToDisplay(high_);
        if (lowDefined_) low_ = converter_->ToDisplay(low_);
      } else if (unit == display) {
        if (highDefined_) high_ = converter_->ToInternal(high_);
        if (lowDefined_) low_ = converter_->ToInternal(low_);
      }
    });
  }
  unit_ = unit;
}

void CLimit::Initialize(const String& key, const String& unit, const String& high,
                        const String& low) {
  key_ = key;
  unit_ = unit;
  if (!high.empty()) {
    highDefined_ = true;
    Quietly([&] { high_ = UserNumber(high); });
  }
  if (!low.empty()) {
    lowDefined_ = true;
    Quietly([&] { low_ = UserNumber(low); });
  }
}

void CLimit::Initialize(const Ref<IUnitConverter>& converter, const String& internalUnit) {
  converter_ = converter;
  if (converter_) Quietly([&] { unit_ = converter_->DisplayUnit(); });
  internalUnit_ = internalUnit;
}

// ---- copies and references ------------------------------------------------------------------

void CLimit::CopyFrom(const Ref<ILimit>& source) {
  key_ = source->Key();
  unit_ = source->Unit();
  highDefined_ = source->Defined(0);
  lowDefined_ = source->Defined(1);
  operand_ = source->Operand(0);
  limitType_ = source->LimitType();
  if (limitType_ != kLimitRelative) {
    high_ = source->Value(2);
    low_ = source->Value(3);
    reference_ = nullptr;
  } else {
    high_ = source->Argument(2);
    low_ = source->Argument(3);
    const Ref<ILimitReference> reference = source->Reference();
    reference_ = reference ? reference->Clone() : nullptr;
  }
  if (const auto source2 = QueryInterface<ILimit2>(source)) {
    internalUnit_ = source2->InternalUnit();
    converter_ = source2->Converter();
  } else {
    internalUnit_.clear();
    converter_ = nullptr;
  }
}

Ref<ILimit> CLimit::Clone() {
  return Guarded(kCentral, [&] {
    auto copy = MakeRef<CLimit>();
    copy->CopyFrom(RefToSelf<ILimit>(this));
    return Ref<ILimit>(copy);
  });
}

void CLimit::UpdateReference(const Ref<ITestElement>& element) {
  Guarded(kUpdatePolicy, [&] {
    if (limitType_ == kLimitRelative && reference_) reference_->UpdateReference(element);
  });
}

// ---- XML ------------------------------------------------------------------------------------

void CLimit::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  Guarded(kLoadPolicy, [&] {
    ScopedLogSection section(log, String(), String());
    if (!HasTagName(in, "Limit")) RaiseError(err::kLimitLoad, kSource, kLevelItem);
    ResetForLoad();
    String storage;
    key_ = String(AttributeView(in, "Key", storage));
    if (key_.empty()) section.LogError(err::kLimitLoad, kLevelItem, kNoKeyWarning);
    ForEachChildElement(in, [&](const Ref<IXmlElement>& child) { LoadChild(child, log); });
  });
}

void CLimit::ResetForLoad() {
  key_.clear();
  unit_.clear();
  high_ = low_ = 0.0f;
  highDefined_ = lowDefined_ = false;
  operand_.clear();
  limitType_ = kLimitFixed;
  reference_ = nullptr;
  converter_ = nullptr;
}

void CLimit::LoadChild(const Ref<IXmlElement>& child, const Ref<IProgressLog>& log) {
  String tagStorage;
  String storage;
  const std::string_view tag = TagNameView(child, tagStorage);
  if (tag == "Value") {
    const std::string_view text = ElementTextView(child, storage);
    if (!text.empty()) {
      const Single number = StoredNumber(text);
      const bool low = AttributeView(child, "Type", storage) == "Low";
      (low ? low_ : high_) = number;
      (low ? lowDefined_ : highDefined_) = true;
    }
    const std::string_view operand = AttributeView(child, "Operand", storage);
    if (!operand.empty()) operand_ = String(operand);
  } else if (tag == "Unit") {
    unit_ = String(ElementTextView(child, storage));
  } else if (tag == "Operand") {
    operand_ = String(ElementTextView(child, storage));
  } else if (tag == "Reference") {
    limitType_ = kLimitRelative;
    auto reference = CreateLimitReference();
    reference_ = reference;
    reference->Load(child, log);
  }
}

void CLimit::SaveValue(const Ref<IXmlElement>& limit, const char* type, Single number) {
  const String text = FormatValue(Variant(number));
  if (operand_.empty()) {
    AppendTextChild(limit, "Value", text, {{"Type", type}});
  } else {
    AppendTextChild(limit, "Value", text, {{"Type", type}, {"Operand", operand_}});
  }
}

Ref<IXmlElement> CLimit::Save(const Ref<IXmlDocument>& owner) {
  return Guarded(kSavePolicy, [&] {
    const Ref<IXmlElement> limit = owner->CreateElement("Limit");
    if (!limit) RaiseError(err::kLimitSave, kSource, kLevelSave);
    if (!key_.empty()) limit->SetAttribute("Key", key_);
    const String unit = ConversionApplies() ? internalUnit_ : unit_;
    if (!unit.empty()) AppendTextChild(limit, "Unit", unit);
    if (!operand_.empty()) AppendTextChild(limit, "Operand", operand_);
    if (highDefined_) SaveValue(limit, "High", high_);
    if (lowDefined_) SaveValue(limit, "Low", low_);
    if (limitType_ == kLimitRelative && reference_) {
      if (const Ref<IXmlElement> reference = reference_->Save(owner)) limit->AppendChild(reference);
    }
    return limit;
  });
}

// ---- report ---------------------------------------------------------------------------------

String CLimit::ReportUnit() {
  if (limitType_ != kLimitFixed) {
    if (unit_ != "%") return unit_;
    // The unit of the referenced measurement; none while any link of the chain is missing.
    // Checked rather than caught: most reports print relative limits whose reference is open.
    return QuietlyOr(String(), [&] {
      if (!reference_) return String();
      const Ref<ITestElement> test = reference_->Test();
      if (!test) return String();
      const Ref<IResult> result = test->Result();
      if (!result) return String();
      const Ref<IMeasurement> measurement = result->Measurement(key_);
      return measurement ? measurement->Unit() : String();
    });
  }
  if (converter_) return QuietlyOr(String(), [&] { return converter_->DisplayUnit(); });
  return unit_;
}

String CLimit::ReportRow(const Ref<IReport>& report, const Variant& measurementInfo,
                         const Ref<IStandard>& standard) {
  if (!highDefined_ && !lowDefined_) return {};
  const VariantArray row = FindInfoRow(measurementInfo, key_);
  String name = InfoText(row, 1);
  if (name.empty()) name = key_;
  Quietly([&] { name = report->ReplaceChars(name, "|;{}", " ,()"); });
  name = "      " + name;

  const Ref<IMeasurement> measurement = InfoMeasurement(row);
  const auto standardMeasurement = QueryInterface<IStandardMeasurement>(measurement);
  const String format = InfoText(row, 2);
  String texts[2];
  String unit;
  for (Long index : {0, 1}) {
    if (!DefinedFlag(index)) continue;
    Quietly([&] {
      if (standardMeasurement) {
        texts[index] = standardMeasurement->LimitText(standard, index, 3).ToString();
        unit = measurement->Unit();
      } else {
        texts[index] = FormatDisplayNumber(Value(index), format);
      }
    });
  }
  if (unit.empty()) unit = ReportUnit();
  return "|" + name + "|" + texts[0] + "|" + texts[1] + "|" + unit + ";";
}

}  // namespace velko
