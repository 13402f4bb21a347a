// Numbers read from stored texts and the runtime's conversions of a String. The input is split
// at its first NUL byte into the number's text and a display pattern.
#include <cmath>

#include "fuzz_support.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/frame/variant.hpp"

using namespace velko;

namespace {

// Every conversion of the text as a String Variant: an error is a correct outcome.
void ConvertEveryWay(const String& text) {
  const Variant value(text);
  fuzz::Tolerating([&] { (void)value.ToBoolean(); });
  fuzz::Tolerating([&] { (void)value.ToInteger(); });
  fuzz::Tolerating([&] { (void)value.ToLong(); });
  fuzz::Tolerating([&] { (void)value.ToSingle(); });
  fuzz::Tolerating([&] { (void)value.ToDouble(); });
  fuzz::Tolerating([&] { (void)value.ToDate(); });
  fuzz::Require(value.ToString() == text, "a String Variant changed its text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  const std::size_t split = bytes.find('\0');
  const String text(bytes.substr(0, split));
  const String pattern(split == std::string_view::npos ? "" : bytes.substr(split + 1));

  const double number = ParseNumber(text);
  if (std::isfinite(number)) {
    // The formatter's contract: its text reads back to the same number.
    fuzz::Require(ParseNumber(FormatNumber(number)) == number,
                  "FormatNumber does not read back to the same number");
    const Single single = ThroughDecimal(number);
    if (std::isfinite(single)) {
      fuzz::Require(static_cast<Single>(ParseNumber(FormatNumber(single))) == single,
                    "FormatNumber(Single) does not read back to the same Single");
    }
  }
  fuzz::Tolerating([&] { (void)RoundToLong(number); });
  fuzz::Tolerating([&] { (void)RoundToInteger(number); });
  if (const auto strict = ParseNumberStrict(text)) (void)*strict;
  ConvertEveryWay(text);
  fuzz::Tolerating([&] { (void)FormatNumberPattern(number, pattern); });
  return 0;
}
