// The shape check: every element, attribute, number and word of a sequence, setup or record
// against what the library's readers know. The readers skip unknown tags, read a number up to
// the first character that cannot continue it and take an unknown word for a default; here each
// of these is a problem at its line.
#pragma once

#include "problem_sink.hpp"

namespace velko::host::checks {

// Checks `root` ("TestElement", "Setup" or "TestRecord") and everything below it. The content
// that belongs to a plug-in (its device data, its results) is left to the plug-in's checks.
void CheckShapes(pugi::xml_node root, ProblemSink& sink);

// The number a text gives as a limit value (Single), or a problem text for the sink: "" when it
// is a complete number. Shared with the checks that read numbers outside the shapes.
String NumberProblem(const String& what, const String& text);
String WholeNumberProblem(const String& what, const String& text);
// What a number is expected to look like.
String ExpectedNumber();
String ExpectedWholeNumber();

// How a message names an attribute and the text of an element.
String AttributeName(pugi::xml_attribute attribute, pugi::xml_node owner);
String TextName(pugi::xml_node element);

}  // namespace velko::host::checks
