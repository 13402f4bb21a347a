// The code pages of rich text: which one a font's \fcharsetN and the document's \ansicpgN select
// for the bytes of \'hh escapes, and the characters those bytes stand for.
#pragma once

#include <optional>
#include <string_view>

#include "velko/frame/types.hpp"

namespace velko::rtf {

// Windows' number for the symbol charset: a byte names a glyph of a symbol font.
inline constexpr int kSymbolCodePage = 42;
inline constexpr int kWesternCodePage = 1252;

// The code page of a font's \fcharsetN; none for the default charset (1) and for charsets without
// one of their own, whose bytes follow the document's \ansicpg.
std::optional<int> CodePageOfCharset(int charset);

// True for a lead byte of a double-byte code page (932, 936, 949, 950, 1361): the byte that
// follows belongs to the same character.
bool IsLeadByte(int codePage, unsigned char byte);

// Appends the characters of `bytes` (one character, or a lead and a trail byte) in `codePage` as
// UTF-8. Bytes that the code page does not define become U+FFFD; a code page that this system
// cannot convert reads as Latin-1.
void AppendCodePageText(int codePage, std::string_view bytes, String& out);

// The character that a byte shows in a symbol font (the symbol encoding; bytes without a symbol
// keep their code). Symbol fonts also reach the private-use codes U+F020 to U+F0FF.
char32_t SymbolChar(char32_t byte);

}  // namespace velko::rtf
