// The rich-text groups and control words that report cells and headings carry, read into lines
// of formatted runs: the form for report writers that lay text out themselves (the HTML writer
// renders the same reading into markup).
#pragma once

#include <string_view>
#include <vector>

#include "velko/frame/types.hpp"

namespace velko::report {

struct TextLook {
  bool italic = false;
  bool bold = false;
  bool underline = false;
  int halfPoints = 0;  // 0: the surrounding size

  bool operator==(const TextLook&) const = default;
};

// A piece of one look. Its text is printable UTF-8: bytes that are no UTF-8 are the characters of
// their codes (0-255), a tab is an em space and other control characters are U+FFFD.
struct TextRun {
  String text;
  TextLook look;
};

using TextLine = std::vector<TextRun>;

// The printed lines of a cell or heading text, read as the HTML writer reads it: texts that begin
// with "{\rtf" are whole documents (unknown control words and destinations skipped, raw line ends
// no text), any other text is a data text whose raw line ends break the line and whose unknown
// control words print as they stand. Always at least one line; a line may have no runs.
std::vector<TextLine> RichTextLines(std::string_view text);

// `text` as printable UTF-8, as TextRun holds it, appended to `out`.
void AppendPrintable(String& out, std::string_view text);

}  // namespace velko::report
