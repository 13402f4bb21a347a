#include "velko/frame/numeric.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "velko/frame/error.hpp"

namespace velko {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Length of the longest number at the start of `s` (which holds no blanks), 0 when none.
std::size_t LeadingNumberLength(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && IsDigit(s[i]))
    ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i]))
      ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j]))
        ++j;
      i = j;
    }
  }
  return i;
}

double ConvertNumber(std::string_view text) {
  // from_chars rejects a leading '+', which the reading above allows (a trailing '.' it leaves).
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    return text.find_first_of("eE") != std::string::npos && text.find("e-") != std::string::npos
               ? 0.0
               : (text.front() == '-' ? -HUGE_VAL : HUGE_VAL);
  }
  return value;
}

}  // namespace

double ParseNumber(std::string_view text) {
  // Nearly every number has no blank inside: it is read in place.
  if (text.find_first_of(" \t\n\r") == std::string_view::npos) {
    const std::size_t length = LeadingNumberLength(text);
    return length == 0 ? 0.0 : ConvertNumber(text.substr(0, length));
  }
  std::string compact;
  compact.reserve(text.size());
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') compact.push_back(c);
  }
  const std::size_t length = LeadingNumberLength(compact);
  return length == 0 ? 0.0 : ConvertNumber(std::string_view(compact).substr(0, length));
}

std::optional<double> ParseNumberStrict(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  const std::size_t length = LeadingNumberLength(text);
  if (length == 0 || length != text.size()) return std::nullopt;
  return ConvertNumber(text);
}

Long RoundToLong(double value) {
  const double rounded = std::nearbyint(value);  // default rounding mode: halves to even
  if (!(rounded >= std::numeric_limits<Long>::min() &&
        rounded <= std::numeric_limits<Long>::max())) {
    RaiseRuntimeError(rt::kOverflow);
  }
  return static_cast<Long>(rounded);
}

Long ParseLong(std::string_view text) {
  return RoundToLong(ParseNumber(text));
}

Integer RoundToInteger(double value) {
  const double rounded = std::nearbyint(value);
  if (!(rounded >= std::numeric_limits<Integer>::min() &&
        rounded <= std::numeric_limits<Integer>::max())) {
    RaiseRuntimeError(rt::kOverflow);
  }
  return static_cast<Integer>(rounded);
}

Single ThroughDecimal(double value) {
  if (!std::isfinite(value)) return static_cast<Single>(value);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.7g", value);
  float result = 0.0f;
  std::from_chars(buf, buf + std::char_traits<char>::length(buf), result);
  return result;
}

namespace {

String Shortest(double value) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return String(buf, r.ptr);
}

String Shortest(float value) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return String(buf, r.ptr);
}

String PlainWhole(double value) {
  char buf[64];
  // Whole numbers within the range of a 64-bit integer (nearly all stored values) print exactly
  // as that integer, far cheaper than fixed-point formatting of the double.
  if (std::fabs(value) < 9.0e18) {
    const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(value));
    return String(buf, r.ptr);
  }
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 0);
  return String(buf, r.ptr);
}

}  // namespace

String FormatNumber(double value) {
  if (value == 0.0) return "0";  // also for -0
  if (std::isfinite(value) && std::trunc(value) == value && std::fabs(value) < 1e21) {
    return PlainWhole(value);
  }
  return Shortest(value);
}

String FormatNumber(Single value) {
  if (value == 0.0f) return "0";
  if (std::isfinite(value) && std::trunc(value) == value && std::fabs(value) < 1e21f) {
    return PlainWhole(static_cast<double>(value));
  }
  return Shortest(value);
}

namespace {

struct Pattern {
  int minInt = 0;   // "0" placeholders before the point
  int minFrac = 0;  // "0" placeholders after the point
  int maxFrac = 0;  // all placeholders after the point
  bool grouping = false;
  bool exponent = false;
  bool expSignAlways = false;
  int expDigits = 0;
  String prefix, suffix;
};

Pattern ReadPattern(std::string_view p) {
  Pattern pat;
  std::size_t i = 0;
  while (i < p.size() && p[i] != '0' && p[i] != '#' && p[i] != '.')
    pat.prefix += p[i++];
  bool afterPoint = false;
  for (; i < p.size(); ++i) {
    const char c = p[i];
    if (c == '0' || c == '#') {
      if (afterPoint) {
        ++pat.maxFrac;
        if (c == '0') pat.minFrac = pat.maxFrac;
      } else if (c == '0') {
        ++pat.minInt;
      }
    } else if (c == '.' && !afterPoint) {
      afterPoint = true;
    } else if (c == ',' && !afterPoint) {
      pat.grouping = true;
    } else if ((c == 'E' || c == 'e') && i + 1 < p.size() && (p[i + 1] == '+' || p[i + 1] == '-')) {
      pat.exponent = true;
      pat.expSignAlways = p[i + 1] == '+';
      i += 2;
      while (i < p.size() && (p[i] == '0' || p[i] == '#'))
        ++pat.expDigits, ++i;
      pat.suffix = String(p.substr(i));
      break;
    } else {
      pat.suffix = String(p.substr(i));
      break;
    }
  }
  return pat;
}

String GroupThousands(const String& digits) {
  String out;
  const std::size_t n = digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    out += digits[i];
    if ((n - i - 1) % 3 == 0 && i + 1 < n) out += ',';
  }
  return out;
}

}  // namespace

String FormatNumberPattern(double value, std::string_view pattern) {
  if (pattern.empty() || !std::isfinite(value)) return FormatNumber(value);
  const Pattern pat = ReadPattern(pattern);
  const bool negative = value < 0;
  double magnitude = std::fabs(value);
  int exponent = 0;
  if (pat.exponent && magnitude != 0.0) {
    const int intDigits = std::max(pat.minInt, 1);
    exponent = static_cast<int>(std::floor(std::log10(magnitude))) - (intDigits - 1);
    magnitude /= std::pow(10.0, exponent);
  }
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.*f", pat.maxFrac, magnitude);
  String text(buf);
  String intPart = text.substr(0, text.find('.'));
  String fracPart = text.find('.') == String::npos ? "" : text.substr(text.find('.') + 1);
  while (static_cast<int>(fracPart.size()) > pat.minFrac && !fracPart.empty() &&
         fracPart.back() == '0') {
    fracPart.pop_back();
  }
  if (intPart == "0" && pat.minInt == 0) intPart.clear();
  while (static_cast<int>(intPart.size()) < pat.minInt)
    intPart.insert(0, "0");
  if (pat.grouping) intPart = GroupThousands(intPart);
  String result = pat.prefix;
  const bool allZero = intPart.find_first_not_of("0,") == String::npos &&
                       fracPart.find_first_not_of('0') == String::npos;
  if (negative && !allZero) result += '-';
  result += intPart;
  if (!fracPart.empty() || pattern.find('.') != std::string_view::npos) {
    if (!fracPart.empty() || pat.maxFrac == 0) result += '.';
  }
  result += fracPart;
  if (pat.exponent) {
    result += 'E';
    if (exponent < 0)
      result += '-';
    else if (pat.expSignAlways)
      result += '+';
    String e = std::to_string(std::abs(exponent));
    while (static_cast<int>(e.size()) < pat.expDigits)
      e.insert(0, "0");
    result += e;
  }
  return result + pat.suffix;
}

}  // namespace velko
