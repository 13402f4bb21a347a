// Simple HTML to plain text.
#pragma once

#include "velko/frame/types.hpp"

namespace velko {

// The text of an HTML fragment: tags removed ("br", "p" and "/p" become CR LF), character
// entities replaced. CR LF pairs of the input are dropped first. A ">" outside a tag is text; an
// "&" is an entity only when letters and digits (after an optional "#") and a ";" follow, and
// never inside a tag. Raises what HtmlEntityText raises.
String HtmlToText(const String& html);
// The text of one character entity name (without "&" and ";"); "" for unknown names. Numeric
// names ("#233", "#x41", also "233") give the Unicode character of the code; a code that is no
// character (0, negative, a surrogate, beyond U+10FFFF) raises 5, one beyond 32 bits raises 6.
String HtmlEntityText(const String& name);

}  // namespace velko
