#include "velko/frame/variant.hpp"

#include <fmt/format.h>

#include <cfloat>
#include <cmath>

#include "velko/frame/error.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/frame/text.hpp"

namespace velko {
namespace {

template <class... F>
struct Overload : F... {
  using F::operator()...;
};
template <class... F>
Overload(F...) -> Overload<F...>;

[[noreturn]] void Mismatch() {
  RaiseRuntimeError(rt::kTypeMismatch);
}
[[noreturn]] void NullUse() {
  RaiseRuntimeError(rt::kInvalidUseOfNull);
}

// A text as a number the way the runtime converts it: a whole number text, or True/False.
double NumberFromText(const String& text) {
  if (auto n = ParseNumberStrict(text)) return *n;
  const String trimmed = TrimBlanks(text);
  if (EqualsIgnoreCase(trimmed, "True")) return -1.0;
  if (EqualsIgnoreCase(trimmed, "False")) return 0.0;
  Mismatch();
}

String DateText(Date date) {
  const DateParts p = date.Parts();
  const String day = fmt::format("{:04}-{:02}-{:02}", p.year, p.month, p.day);
  if (p.hour == 0 && p.minute == 0 && p.second == 0) return day;
  return fmt::format("{} {:02}:{:02}:{:02}", day, p.hour, p.minute, p.second);
}

}  // namespace

Variant Variant::Null() {
  Variant v;
  v.value_ = NullTag{};
  return v;
}

Variant Variant::Missing() {
  Variant v;
  v.value_ = MissingTag{};
  return v;
}

Variant::Type Variant::GetType() const {
  static constexpr Type kTypes[] = {Type::kEmpty,   Type::kNull,   Type::kMissing, Type::kBoolean,
                                    Type::kInteger, Type::kLong,   Type::kSingle,  Type::kDouble,
                                    Type::kDate,    Type::kString, Type::kObject,  Type::kArray};
  return kTypes[value_.index()];
}

bool Variant::IsNumeric() const {
  switch (GetType()) {
    case Type::kBoolean:
    case Type::kInteger:
    case Type::kLong:
    case Type::kSingle:
    case Type::kDouble:
    case Type::kDate:
      return true;
    default:
      return false;
  }
}

Double Variant::ToDouble() const {
  return std::visit(
      Overload{[](std::monostate) -> double { return 0.0; }, [](NullTag) -> double { NullUse(); },
               [](MissingTag) -> double { Mismatch(); },
               [](bool b) -> double { return b ? -1.0 : 0.0; },
               [](Integer i) -> double { return i; }, [](Long l) -> double { return l; },
               [](Single s) -> double { return s; }, [](Double d) -> double { return d; },
               [](velko::Date d) -> double { return d.Serial(); },
               [](const String& s) -> double { return NumberFromText(s); },
               [](const Ref<IUnknown>&) -> double { Mismatch(); },
               [](const ArrayBox&) -> double { Mismatch(); }},
      value_);
}

Long Variant::ToLong() const {
  if (const auto* l = std::get_if<Long>(&value_)) return *l;
  return RoundToLong(ToDouble());
}

Integer Variant::ToInteger() const {
  if (const auto* i = std::get_if<Integer>(&value_)) return *i;
  return RoundToInteger(ToDouble());
}

Single Variant::ToSingle() const {
  if (const auto* s = std::get_if<Single>(&value_)) return *s;
  const double d = ToDouble();
  // An infinite Double (a stored text beyond double range) is as far beyond single range as it
  // gets; passed on as an infinite Single it would be saved as a text that reads back as 0.
  if (!std::isnan(d) && std::fabs(d) > FLT_MAX) RaiseRuntimeError(rt::kOverflow);
  return static_cast<Single>(d);
}

Boolean Variant::ToBoolean() const {
  if (const auto* b = std::get_if<bool>(&value_)) return *b;
  return ToDouble() != 0.0;
}

Date Variant::ToDate() const {
  if (const auto* d = std::get_if<velko::Date>(&value_)) return *d;
  if (const auto* s = std::get_if<String>(&value_)) {
    DateParts p;
    const String t = TrimBlanks(*s);
    int n = 0;
    if (std::sscanf(t.c_str(), "%d-%d-%d %d:%d:%d%n", &p.year, &p.month, &p.day, &p.hour, &p.minute,
                    &p.second, &n) == 6 ||
        std::sscanf(t.c_str(), "%d-%d-%d%n", &p.year, &p.month, &p.day, &n) == 3) {
      if (static_cast<std::size_t>(n) == t.size()) {
        if (auto date = velko::Date::FromParts(p)) return *date;
      }
    }
    Mismatch();
  }
  return velko::Date(ToDouble());
}

String Variant::ToString() const {
  return std::visit(
      Overload{[](std::monostate) -> String { return {}; }, [](NullTag) -> String { NullUse(); },
               [](MissingTag) -> String { Mismatch(); },
               [](bool b) -> String { return b ? "True" : "False"; },
               [](Integer i) -> String { return std::to_string(i); },
               [](Long l) -> String { return std::to_string(l); },
               [](Single s) -> String { return FormatNumber(s); },
               [](Double d) -> String { return FormatNumber(d); },
               [](velko::Date d) -> String { return DateText(d); },
               [](const String& s) -> String { return s; },
               [](const Ref<IUnknown>&) -> String { Mismatch(); },
               [](const ArrayBox&) -> String { Mismatch(); }},
      value_);
}

Ref<IUnknown> Variant::ToObject() const {
  if (const auto* o = std::get_if<Ref<IUnknown>>(&value_)) return *o;
  switch (GetType()) {
    case Type::kEmpty:
    case Type::kNull:
    case Type::kMissing:
      return nullptr;
    default:
      Mismatch();
  }
}

const VariantArray& Variant::Elements() const {
  if (const auto* a = std::get_if<ArrayBox>(&value_)) return a->items();
  Mismatch();
}

VariantArray& Variant::Elements() {
  if (auto* a = std::get_if<ArrayBox>(&value_)) return a->items();
  Mismatch();
}

Long Variant::UBound() const {
  if (const auto* a = std::get_if<ArrayBox>(&value_)) {
    return static_cast<Long>(a->items().size()) - 1;
  }
  return -1;
}

}  // namespace velko
