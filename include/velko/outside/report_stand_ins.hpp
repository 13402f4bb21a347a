// Device texts print exactly as entered, while the table language keeps its separators.
//
// Callers pass every data text of a report cell through IReport::ReplaceChars with "|;{}" (and
// similar lists) so that no separator or brace reaches the table text. A writer that took that
// literally would print "NM300;04711" as "NM300,04711" on the very document that identifies the
// device. The writers therefore map each reserved character ("|", ";", "{", "}", and "\" where the
// braces are protected) to a stand-in of their own - a character of the private use area, which no
// separator or control word can be read into - and print every stand-in back as its original.
#pragma once

#include <optional>
#include <string_view>

#include "velko/frame/types.hpp"
#include "velko/outside/char_replace.hpp"

namespace velko::report {

// True for the characters that the table and rich-text language of the writers reserve.
constexpr bool IsReservedChar(char c) {
  return c == '|' || c == ';' || c == '{' || c == '}' || c == '\\';
}

// The stand-in of a reserved character: U+E000 plus its code, as UTF-8.
inline String StandInFor(char reserved) {
  const auto code = static_cast<unsigned char>(reserved);
  return String{static_cast<char>(0xEE), static_cast<char>(0x80 | (code >> 6)),
                static_cast<char>(0x80 | (code & 0x3F))};
}

// The reserved character whose stand-in starts at `i`; none when there is none.
inline std::optional<char> StandInAt(std::string_view text, std::size_t i) {
  if (i + 3 > text.size() || static_cast<unsigned char>(text[i]) != 0xEE) return std::nullopt;
  const auto second = static_cast<unsigned char>(text[i + 1]);
  const auto third = static_cast<unsigned char>(text[i + 2]);
  if ((second != 0x80 && second != 0x81) || (third & 0xC0) != 0x80) return std::nullopt;
  const char c = static_cast<char>(((second & 1) << 6) | (third & 0x3F));
  return IsReservedChar(c) ? std::optional<char>(c) : std::nullopt;
}

// The text with every stand-in printed back as its original (for writers that print plain text).
String WithOriginals(std::string_view text);

// What ReplaceChars of the writers maps to: `to`, except that a reserved character of `from` maps
// to its stand-in, and that a backslash maps to its stand-in too where the braces are protected
// (the caller wants no markup from the text). Returns the lists to replace with.
struct CharMap {
  String from;
  String to;
};
CharMap WriterCharMap(std::string_view from, std::string_view to);

// ReplaceChars of a writer: the text mapped by WriterCharMap of the lists. The last replacer is
// kept, as callers use the same lists again and again.
class WriterReplacer {
 public:
  String Apply(std::string_view text, const String& from, const String& to);

 private:
  std::optional<CharReplacer> replacer_;
  String from_;  // the lists the caller asked the replacer for
  String to_;
};

}  // namespace velko::report
