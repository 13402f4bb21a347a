// Text helpers shared by every part: trimming, case folding, splitting, character codes.
#pragma once

#include <string_view>
#include <vector>

#include "velko/frame/types.hpp"

namespace velko {

// Removes leading and trailing blanks (spaces only, as the runtime's Trim does).
String TrimBlanks(std::string_view text);

// Unicode-aware lower-case folding (UTF-8 in, UTF-8 out); used for case-insensitive keys.
String FoldCase(std::string_view text);
// Appends FoldCase(text) to `out`.
void AppendFoldedCase(String& out, std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Case-insensitive substring test.
bool ContainsIgnoreCase(std::string_view text, std::string_view part);

// ASCII-only lower case, for format names and markup.
String ToLowerAscii(std::string_view text);

// Splits at every occurrence of the separator; an empty text gives one empty part.
std::vector<String> Split(std::string_view text, std::string_view separator);
// Replaces every occurrence of `from` (not empty) by `to`, scanning left to right.
String ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// The length (1 to 4) of the well-formed UTF-8 sequence that starts at `i`, or 0 when the bytes
// there are none: a stray continuation byte, a cut-off sequence, an overlong form, a surrogate or
// a code beyond U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i);
// Every byte belongs to a well-formed UTF-8 sequence.
bool IsValidUtf8(std::string_view text);
// One UTF-8 sequence at `i`, which moves past it; a byte that starts no well-formed sequence
// decodes as itself (Latin-1).
char32_t DecodeUtf8(std::string_view text, std::size_t& i);
// Appends the code point as UTF-8.
void AppendUtf8(String& out, char32_t c);

// The character with the given code: codes 0-255 and beyond are Unicode code points, written as
// UTF-8. Codes outside the Unicode range give "".
String CharFromCode(Long code);

}  // namespace velko
