// The rich-text groups and control words that report cells and headings carry, turned into
// escaped HTML markup (and into plain text for measuring).
#pragma once

#include <string_view>
#include <vector>

#include "velko/frame/types.hpp"
#include "velko/outside/rich_text.hpp"

namespace velko::report {

struct RenderedText {
  String html;                         // escaped, balanced markup; line breaks as <br>
  std::vector<std::size_t> lineChars;  // the visible characters of each printed line
};

// Texts that begin with "{\rtf" are whole documents: unknown control words and destinations are
// skipped and raw line ends are not text. Any other text is a data text with a few groups in it:
// raw line ends break the line and an unknown control word prints as it stands.
RenderedText RenderRichText(std::string_view text);
// The same appended to `html`, with the line lengths in `lineChars` (cleared first): the form for
// writers that render many texts into one document and reuse the one vector.
void AppendRichText(String& html, std::vector<std::size_t>& lineChars, std::string_view text);

// HTML-escapes plain text: markup characters become entities, control characters other than tab
// become U+FFFD, bytes that are not UTF-8 are read as the character of that code (0-255).
void AppendEscaped(String& out, std::string_view text);
String Escaped(std::string_view text);

// The byte length of the character that starts at `i` (a whole UTF-8 sequence, or 1 byte when
// the bytes there are not UTF-8).
std::size_t CharLength(std::string_view text, std::size_t i);
// The number of characters (as CharLength counts them).
std::size_t CharCount(std::string_view text);

}  // namespace velko::report
