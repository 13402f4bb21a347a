// Simple HTML to plain text.
#pragma once

#include "velko/frame/types.hpp"

namespace velko {

// The text of an HTML fragment: tags removed ("br", "p" and "/p" become CR LF), character
// entities replaced. CR LF pairs of the input are dropped first.
String HtmlToText(const String& html);
// The text of one character entity name (without "&" and ";"); "" for unknown names.
String HtmlEntityText(const String& name);

}  // namespace velko
