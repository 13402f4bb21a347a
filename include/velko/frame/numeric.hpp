// The one numeric parse, rounding, formatter and single-precision step that every part uses.
#pragma once

#include <optional>
#include <string_view>

#include "velko/frame/types.hpp"

namespace velko {

// Numbers read from stored texts: blanks, tabs and line feeds are ignored anywhere; the longest
// leading number (optional sign, digits, one ".", optional exponent) is read, whatever follows is
// ignored; a text without a leading number gives 0. Never locale-dependent.
double ParseNumber(std::string_view text);

// The whole text (blanks around it allowed) as a number, or nullopt: the runtime's conversion of
// a String to a number, where a text that is not a number is a type mismatch.
std::optional<double> ParseNumberStrict(std::string_view text);

// A stored text read with ParseNumber and rounded to a Long (halves to even; out of range: 6).
Long ParseLong(std::string_view text);

// Round to the nearest whole number, halves to the even neighbour; out of range raises 6.
Long RoundToLong(double value);
Integer RoundToInteger(double value);

// A Single passed "through a decimal number": seven significant digits, so that noise below
// single precision does not show (200 x 1.1 gives 220, not 220.00002).
Single ThroughDecimal(double value);

// The shortest text that reads back (with ParseNumber) to the same number; whole numbers below
// 1e21 as plain decimals ("220", "-3"), others in exponent form when that is shorter.
String FormatNumber(double value);
String FormatNumber(Single value);

// A number through a display pattern of the runtime's Format function: "0" and "#" digit
// placeholders, one ".", "," for thousands grouping, and an "E+00"/"E-00" exponent part. An empty
// pattern gives FormatNumber. Unknown characters are copied as they stand.
String FormatNumberPattern(double value, std::string_view pattern);

}  // namespace velko
