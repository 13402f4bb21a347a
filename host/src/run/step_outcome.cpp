#include "velko/host/run/step_outcome.hpp"

#include "velko/core/error_module.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/frame/text.hpp"
#include "velko/host/plugins/measurement_info.hpp"
#include "velko/host/session/host_text.hpp"

namespace velko::host {

String NodeName(const Ref<ITestElement>& node) {
  constexpr std::string_view kSoftHyphen = "\u00AD";
  return ReplaceAll(QuietlyOr(String(), [&] { return node->Info()->Name(); }), kSoftHyphen, "");
}

Long NodeStatus(const Ref<ITestElement>& node) {
  return QuietlyOr(Long{kStatusNotPerformed}, [&] {
    const Ref<IResult> result = node->Result();
    return result ? result->Status() : Long{kStatusNotPerformed};
  });
}

double SingleAsDecimal(Single value) {
  return ParseNumber(FormatNumber(value));
}

double NumberOf(const Variant& value) {
  // A Single means its seven digits (0.043, not 0.0430000014603138).
  if (value.GetType() == Variant::Type::kSingle) return SingleAsDecimal(value.ToSingle());
  return value.ToDouble();
}

std::vector<MeasuredValue> MeasuredValues(const Ref<ITestElement>& node) {
  return QuietlyOr(std::vector<MeasuredValue>(), [&] {
    std::vector<MeasuredValue> values;
    const Ref<IResult> result = node->Result();
    if (!result) return values;
    for (const OfferedMeasurement& offered : OfferedMeasurements(node)) {
      const Ref<IMeasurement> m = result->Measurement(offered.key);
      if (!m) continue;
      const Variant value = m->Value();
      MeasuredValue reading{offered.key, {}, m->Unit(), m->Status(), {}, m->LimitKey()};
      const bool flag = m->ValueType() == kValueBoolean;
      if (!flag && value.IsNumeric()) reading.number = NumberOf(value);
      reading.text = flag             ? FlagText(value.ToBoolean())
                     : reading.number ? FormatNumberPattern(*reading.number, m->ValueFormat())
                                      : value.ToString();
      if (reading.limitKey.empty()) reading.limitKey = reading.key;
      values.push_back(std::move(reading));
    }
    return values;
  });
}

String FlagText(bool value) {
  return value ? "yes" : "no";
}

String FlagWord(const String& stored) {
  if (stored == FlagText(true)) return HostText("1137::Yes");
  if (stored == FlagText(false)) return HostText("1138::No");
  return stored;
}

String ValuesText(const std::vector<MeasuredValue>& values) {
  String text;
  for (const MeasuredValue& value : values) {
    if (!text.empty()) text += ", ";
    text += value.text;
    if (!value.unit.empty()) text += " " + value.unit;
  }
  return text;
}

String StatusWord(Long status) {
  switch (status) {
    case kStatusPassed:
      return HostText("100::passed");
    case kStatusFailed:
      return HostText("101::FAILED");
    case kStatusNotApplicable:
      return HostText("102::not applicable");
    case kStatusCancelled:
      return HostText("103::cancelled");
    default:
      return HostText("104::not performed");
  }
}

}  // namespace velko::host
