#include "velko/limits/quarto_xml.hpp"

#include <array>
#include <cmath>
#include <optional>

#include "velko/core/error_module.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/outside/value_formatter.hpp"
#include "velko/outside/xml.hpp"
#include "velko/typelib/enums.hpp"

namespace velko {

VELKO_PUBLIC_CLASS(GQuartoXML, velko::Instancing::kGlobal);

namespace {

constexpr std::array<const char*, 6> kDateAttributes = {"Year", "Month", "Day",
                                                        "Hour", "Min",   "Sec"};

// A whole number written as plain digits (blanks around it allowed), as a date part.
std::optional<int> DatePart(const String& text) {
  const auto number = ParseNumberStrict(text);
  // The range is checked first: a number beyond any integer type must not reach a conversion.
  if (!number || !(*number >= 0 && *number <= 99999) || *number != std::floor(*number)) {
    return std::nullopt;
  }
  return static_cast<int>(*number);
}

// The date of a "Date" element, or nullopt when its parts do not make a valid date and time.
std::optional<Date> ReadDate(const Ref<IXmlElement>& in) {
  std::array<int, 6> parts{};
  for (std::size_t i = 0; i < kDateAttributes.size(); ++i) {
    const auto part = DatePart(in->GetAttribute(kDateAttributes[i]));
    if (!part) return std::nullopt;
    parts[i] = *part;
  }
  return Date::FromParts({parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]});
}

bool IsDateElement(const Ref<IXmlElement>& in) {
  return in && in->TagName() == "Date";
}

const char* StatusText(Long status) {
  if (status == kStatusFailed) return "Failed";
  if (status == kStatusNotApplicable) return "NA";
  return "Passed";
}

const char* ValueTypeName(Long type) {
  switch (type) {
    case kValueFloat:
      return "Float";
    case kValueInteger:
      return "Int";
    case kValueBoolean:
      return "Bool";
    case kValueTime:
      return "Time";
    case kValueText:
      return "Text";
    default:
      return nullptr;
  }
}

String ValueText(const Variant& value, Long type) {
  switch (type) {
    case kValueFloat:
    case kValueInteger:
      return FormatValue(value);
    case kValueBoolean:
      return QuietlyOr(false, [&] { return value.ToBoolean(); }) ? "True" : "False";
    default:
      return value.ToString();
  }
}

}  // namespace

Ref<IXmlElement> SaveDateElement(const Ref<IXmlDocument>& owner, Date date) {
  return QuietlyOr(Ref<IXmlElement>(), [&]() -> Ref<IXmlElement> {
    if (!owner) return nullptr;
    const Ref<IXmlElement> element = owner->CreateElement("Date");
    if (!element) return nullptr;
    const DateParts p = date.Parts();
    const std::array<int, 6> values = {p.year, p.month, p.day, p.hour, p.minute, p.second};
    for (std::size_t i = 0; i < values.size(); ++i) {
      Quietly([&] {
        element->SetAttribute(kDateAttributes[i],
                              FormatValue(Variant(static_cast<Long>(values[i]))));
      });
    }
    return element;
  });
}

void LoadDateElement(const Ref<IXmlElement>& in, Variant& date) {
  date = Variant::Null();
  if (!IsDateElement(in)) return;
  const auto read = ReadDate(in);
  if (!read) RaiseRuntimeError(rt::kTypeMismatch, "The \"Date\" element holds no valid date.");
  date = *read;
}

Ref<GQuartoXML> GQuartoXML::Instance() {
  return PredeclaredInstance<GQuartoXML>();
}

Ref<IXmlFile> GQuartoXML::CreateQuartoFile() {
  return CreateXmlFile();
}

Ref<IXmlElement> GQuartoXML::XmlSaveDate(const Ref<IXmlDocument>& owner, Date date) {
  return SaveDateElement(owner, date);
}

Variant GQuartoXML::XmlLoadDate(const Ref<IXmlElement>& in, Variant& date) {
  date = Variant::Null();
  Quietly([&] {
    // Parts that make no valid date give the zero date, 30 December 1899 00:00:00.
    if (IsDateElement(in)) date = ReadDate(in).value_or(Date());
  });
  return Variant();
}

Ref<IXmlElement> GQuartoXML::XmlSaveStatus(const Ref<IXmlDocument>& owner, Long status,
                                           const String& standardName) {
  return QuietlyOr(Ref<IXmlElement>(), [&]() -> Ref<IXmlElement> {
    const Ref<IXmlElement> element = owner->CreateElement("Status");
    if (!element) return nullptr;
    Quietly([&] { element->SetElementText(StatusText(status)); });
    if (status == kStatusFailed && !standardName.empty()) {
      Quietly([&] { element->SetAttribute("AccordingTo", standardName); });
    }
    return element;
  });
}

void GQuartoXML::XmlLoadStatus(const Ref<IXmlElement>& in, Long& status) {
  String ignored;
  XmlLoadStatus(in, status, ignored);
}

void GQuartoXML::XmlLoadStatus(const Ref<IXmlElement>& in, Long& status, String& standardName) {
  Quietly([&] {
    if (!in || in->TagName() != "Status") return;
    const String text = in->ElementText();
    if (text == "Failed") {
      status = kStatusFailed;
      standardName = in->GetAttribute("AccordingTo");
    } else if (text == "NA") {
      status = kStatusNotApplicable;
    } else {
      status = kStatusPassed;
    }
  });
}

Ref<IXmlElement> GQuartoXML::XmlSaveValue(const Ref<IXmlDocument>& owner, const Variant& value,
                                          Long type) {
  return QuietlyOr(Ref<IXmlElement>(), [&]() -> Ref<IXmlElement> {
    const Ref<IXmlElement> element = owner->CreateElement("Value");
    if (!element) return nullptr;
    Quietly([&] { element->SetElementText(ValueText(value, type)); });
    if (const char* name = ValueTypeName(type)) {
      Quietly([&] { element->SetAttribute("Type", name); });
    }
    return element;
  });
}

void GQuartoXML::XmlLoadValue(const Ref<IXmlElement>& in, Variant& value, Long& type) {
  type = kValueNone;
  if (!in) return;
  Quietly([&] {
    const String text = in->ElementText();
    const String name = in->GetAttribute("Type");
    if (name == "Float") {
      const Single number = Variant(ParseNumber(text)).ToSingle();
      value = number;
      type = kValueFloat;
    } else if (name == "Int") {
      const Long number = ParseLong(text);
      value = number;
      type = kValueInteger;
    } else if (name == "Bool") {
      value = text == "True";
      type = kValueBoolean;
    } else if (name == "Text") {
      value = text;
      type = kValueText;
    } else if (name == "Time") {
      value = text;
      type = kValueTime;
    } else {
      value = text;
    }
  });
}

}  // namespace velko
