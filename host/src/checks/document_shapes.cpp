#include "document_shapes.hpp"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <string_view>

#include "velko/frame/error.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/host/session/host_text.hpp"

namespace velko::host::checks {
namespace {

using Words = std::vector<String>;

// What an attribute or an element text holds.
enum class Holds {
  kText,         // any text
  kNumber,       // a complete number (Single)
  kWholeNumber,  // a complete whole number (Long)
  kWord,         // one of the words
};

struct AttributeShape {
  const char* name;
  Holds holds = Holds::kText;
  Words words = {};
  bool required = false;
};

enum ShapeId : int {
  kTestElement,
  kPlugIn,
  kInfo,
  kPlainText,
  kProcedure,
  kFilter,
  kIncludeInReport,  // its presence is its value
  kServiceRecord,
  kServiceEvents,
  kActivity,
  kExpectedResult,
  kStandards,
  kStandard,
  kLimit,
  kOperand,
  kLimitValue,
  kReference,
  kForeign,  // belongs to a plug-in: not looked into here
  kSetup,
  kSelectedStandard,
  kItems,
  kItem,
  kTestInstruments,
  kInstrument,
  kRecord,
  kRun,
  kRecordSequence,
  kTestData,
  kStatus,
  kDate,
  kShapeCount
};

struct Shape {
  std::vector<AttributeShape> attributes;
  Holds text = Holds::kText;
  Words textWords = {};
  bool textRequired = false;
  std::vector<std::pair<const char*, ShapeId>> children;
  bool foreign = false;
};

const Words kTrueFalse{"True", "False"};
// The operand formulas of a limit; any other text silently makes both bounds the reference value.
const Words kOperands{"", "Y", "X*Y%", "X+(X*Y%)", "X*Y", "X+Y", "X+(X*Y)", "CV"};

using Children = std::vector<std::pair<const char*, ShapeId>>;

AttributeShape Attr(const char* name, Holds holds = Holds::kText, Words words = {}) {
  return AttributeShape{name, holds, std::move(words), false};
}
AttributeShape Required(const char* name, Holds holds = Holds::kText) {
  return AttributeShape{name, holds, {}, true};
}

// An element of other elements.
Shape Parent(std::vector<AttributeShape> attributes, Children children) {
  return Shape{std::move(attributes), Holds::kText, {}, false, std::move(children), false};
}
// An element of text.
Shape Leaf(std::vector<AttributeShape> attributes, Holds text = Holds::kText, Words words = {},
           bool textRequired = false) {
  return Shape{std::move(attributes), text, std::move(words), textRequired, {}, false};
}

std::vector<Shape> MakeShapes() {
  std::vector<Shape> shapes(kShapeCount, Leaf({}));
  shapes[kTestElement] =
      Parent({Required("ID", Holds::kWholeNumber)}, {{"PlugIn", kPlugIn},
                                                     {"Info", kInfo},
                                                     {"Filter", kFilter},
                                                     {"ExpectedResult", kExpectedResult},
                                                     {"PlugInData", kForeign},
                                                     {"TestElement", kTestElement}});
  shapes[kPlugIn] = Leaf({Required("Name"), Required("TestID", Holds::kWholeNumber)});
  shapes[kInfo] = Parent({}, {{"Name", kPlainText},
                              {"Type", kPlainText},
                              {"Parameter", kPlainText},
                              {"Description", kPlainText},
                              {"Comment", kPlainText},
                              {"Procedure", kProcedure}});
  shapes[kProcedure] = Leaf({Attr("Format", Holds::kWord, {"0", "1", "2", "3", "4", "5"})});
  shapes[kFilter] = Parent({}, {{"IncludeInReport", kIncludeInReport},
                                {"ServiceRecord", kServiceRecord},
                                {"ServiceEvents", kServiceEvents}});
  shapes[kServiceRecord] = Leaf({Attr("Options", Holds::kWholeNumber)});
  // Any text of SelectAll selects all; only "True" says so to a person.
  shapes[kServiceEvents] =
      Parent({Attr("SelectAll", Holds::kWord, {"True"})}, {{"Activity", kActivity}});
  shapes[kActivity] = Leaf({Required("Type"), Attr("Event")});
  shapes[kExpectedResult] = Parent({}, {{"Standards", kStandards}});
  shapes[kStandards] = Parent({}, {{"Standard", kStandard}});
  shapes[kStandard] =
      Parent({Attr("AlphaName"), Attr("CompleteName"), Attr("Type", Holds::kWord, {"Predefined"})},
             {{"Limit", kLimit}});
  shapes[kLimit] = Parent({Required("Key")}, {{"Unit", kPlainText},
                                              {"Operand", kOperand},
                                              {"Value", kLimitValue},
                                              {"Reference", kReference}});
  shapes[kOperand] = Leaf({}, Holds::kWord, kOperands);
  shapes[kLimitValue] =
      Leaf({Attr("Type", Holds::kWord, {"High", "Low"}), Attr("Operand", Holds::kWord, kOperands)},
           Holds::kNumber, {}, true);
  shapes[kReference] = Leaf({Required("ElementID", Holds::kWholeNumber), Required("Key")});
  shapes[kForeign] = Shape{{}, Holds::kText, {}, false, {}, true};
  shapes[kSetup] =
      Parent({Attr("ReadOnly", Holds::kWord, kTrueFalse)}, {{"ServiceEvents", kServiceEvents},
                                                            {"Standard", kSelectedStandard},
                                                            {"DUT", kItems},
                                                            {"Links", kItems},
                                                            {"PlugInData", kForeign},
                                                            {"TestInstruments", kTestInstruments}});
  shapes[kSelectedStandard] = Leaf({Attr("AlphaName"), Attr("CompleteName")});
  shapes[kItems] = Parent({}, {{"Item", kItem}});
  shapes[kItem] =
      Leaf({Required("Name"), Attr("Ord", Holds::kWholeNumber), Attr("Caption"),
            Attr("Required", Holds::kWord, kTrueFalse), Attr("Key", Holds::kWord, kTrueFalse)});
  shapes[kTestInstruments] = Parent({}, {{"MTIData", kInstrument}});
  shapes[kInstrument] = Parent({Required("PlugIn"), Required("ID", Holds::kWholeNumber)},
                               {{"Type", kPlainText},
                                {"SerialNumber", kPlainText},
                                {"Version", kPlainText},
                                {"CalibrationDate", kPlainText},
                                {"PlugInData", kItems}});
  shapes[kRecord] =
      Parent({Attr("Format", Holds::kWholeNumber), Attr("ID")}, {{"Run", kRun},
                                                                 {"Sequence", kRecordSequence},
                                                                 {"Results", kForeign},
                                                                 {"Setup", kSetup},
                                                                 {"TestData", kTestData}});
  shapes[kRun] = Leaf({Attr("Tester"), Attr("Station"), Attr("Organisation")});
  shapes[kRecordSequence] = Parent({}, {{"TestElement", kTestElement}});
  shapes[kTestData] = Parent({}, {{"Status", kStatus}, {"Date", kDate}});
  shapes[kStatus] = Leaf({Attr("AccordingTo")}, Holds::kWord,
                         {"Passed", "Failed", "NA", "Not Performed", "Cancelled"});
  shapes[kDate] =
      Leaf({Required("Year", Holds::kWholeNumber), Required("Month", Holds::kWholeNumber),
            Required("Day", Holds::kWholeNumber), Required("Hour", Holds::kWholeNumber),
            Required("Min", Holds::kWholeNumber), Required("Sec", Holds::kWholeNumber)});
  return shapes;
}

const std::vector<Shape>& Shapes() {
  static const std::vector<Shape> shapes = MakeShapes();
  return shapes;
}

String Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!text.empty() && blank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && blank(text.back()))
    text.remove_suffix(1);
  return String(text);
}

// How the lenient reading takes a text: its number as the value formatter writes it.
String LenientReading(const String& text, bool whole) {
  try {
    const double value = ParseNumber(text);
    return whole ? std::to_string(RoundToLong(value)) : FormatNumber(value);
  } catch (const Error&) {
    return HostText("212::a number out of range");
  }
}

String QuotedWords(const Words& words) {
  std::vector<String> quoted;
  for (const String& word : words)
    quoted.push_back(word.empty() ? HostText("213::(empty)") : word);
  return HostText("232::one of: %%1", JoinedWords(quoted));
}

// Whether a text is a complete number (a limit value, a Single) or a whole number (32 bits).
bool IsCompleteNumber(const String& text) {
  const std::optional<double> value = ParseNumberStrict(Trimmed(text));
  return value && std::isfinite(*value) && std::fabs(*value) <= FLT_MAX;
}

bool IsWholeNumber(const String& text) {
  const std::optional<double> value = ParseNumberStrict(Trimmed(text));
  return value && std::nearbyint(*value) == *value && *value >= -2147483648.0 &&
         *value <= 2147483647.0;
}

// How a message names the checked text; asked for only when there is a problem, since naming
// it means translating a message.
using NameOfText = std::function<String()>;

// Checks one text against what it holds.
void CheckValue(ProblemSink& sink, pugi::xml_node where, const NameOfText& what, const String& text,
                Holds holds, const Words& words) {
  String problem;
  String expected;
  switch (holds) {
    case Holds::kText:
      return;
    case Holds::kNumber:
      if (IsCompleteNumber(text)) return;
      problem = NumberProblem(what(), text);
      expected = ExpectedNumber();
      break;
    case Holds::kWholeNumber:
      if (IsWholeNumber(text)) return;
      problem = WholeNumberProblem(what(), text);
      expected = ExpectedWholeNumber();
      break;
    case Holds::kWord:
      for (const String& word : words) {
        if (text == word) return;
      }
      problem =
          HostText("223::%%1 \"%%2\" is not one of the words its reader knows.", what(), text);
      expected = QuotedWords(words);
      break;
  }
  if (!problem.empty()) sink.Error(where, text, expected, problem);
}

const AttributeShape* FindAttribute(const Shape& shape, const char* name) {
  for (const AttributeShape& attribute : shape.attributes) {
    if (std::strcmp(attribute.name, name) == 0) return &attribute;
  }
  return nullptr;
}

const ShapeId* FindChild(const Shape& shape, const char* tag) {
  for (const auto& [childTag, id] : shape.children) {
    if (std::strcmp(childTag, tag) == 0) return &id;
  }
  return nullptr;
}

std::vector<String> AttributeNames(const Shape& shape) {
  std::vector<String> names;
  for (const AttributeShape& attribute : shape.attributes)
    names.emplace_back(attribute.name);
  return names;
}

std::vector<String> ChildTags(const Shape& shape) {
  std::vector<String> tags;
  for (const auto& child : shape.children)
    tags.push_back(String("<") + child.first + ">");
  return tags;
}

void CheckAttributes(ProblemSink& sink, pugi::xml_node element, const Shape& shape) {
  for (pugi::xml_attribute attribute : element.attributes()) {
    const AttributeShape* known = FindAttribute(shape, attribute.name());
    if (!known) {
      sink.Error(element, attribute.name(),
                 shape.attributes.empty() ? HostText("234::no attributes")
                                          : QuotedWords(AttributeNames(shape)),
                 HostText("225::Unknown attribute %%1 on <%%2>: its reader ignores it.",
                          String(attribute.name()), String(element.name())));
      continue;
    }
    CheckValue(
        sink, element, [&] { return AttributeName(attribute, element); }, TextOf(attribute),
        known->holds, known->words);
  }
  for (const AttributeShape& attribute : shape.attributes) {
    if (attribute.required && !element.attribute(attribute.name)) {
      sink.Error(element, {}, {},
                 HostText("226::<%%1> has no %%2 attribute.", String(element.name()),
                          String(attribute.name)));
    }
  }
}

// The checks that one table row cannot say.
void CheckSpecial(ProblemSink& sink, pugi::xml_node element, ShapeId id) {
  if (id == kStandard && TextOf(element.attribute("AlphaName")).empty() &&
      TextOf(element.attribute("CompleteName")).empty()) {
    sink.Error(element, {}, {},
               HostText("227::<%%1> has neither %%2 nor %%3: the sequence cannot be loaded.",
                        String("Standard"), String("AlphaName"), String("CompleteName")));
  }
}

void CheckElement(ProblemSink& sink, pugi::xml_node element, ShapeId id) {
  const Shape& shape = Shapes()[id];
  CheckAttributes(sink, element, shape);
  CheckSpecial(sink, element, id);
  const bool hasText = element.text() || shape.textRequired;
  if (hasText)
    CheckValue(
        sink, element, [&] { return TextName(element); }, TextOf(element), shape.text,
        shape.textWords);
}

}  // namespace

String NumberProblem(const String& what, const String& text) {
  if (Trimmed(text).empty()) return HostText("220::%%1 is empty; a number is expected.", what);
  if (IsCompleteNumber(text)) return {};
  return HostText("221::%%1 \"%%2\" is not a complete number: it would be read as %%3.", what, text,
                  LenientReading(text, false));
}

String WholeNumberProblem(const String& what, const String& text) {
  if (Trimmed(text).empty()) return HostText("220::%%1 is empty; a number is expected.", what);
  if (IsWholeNumber(text)) return {};
  return HostText("222::%%1 \"%%2\" is not a whole number: it would be read as %%3.", what, text,
                  LenientReading(text, true));
}

String ExpectedNumber() {
  return HostText("230::a number with \".\" as decimal point, such as 0.25 or 10");
}

String ExpectedWholeNumber() {
  return HostText("231::a whole number, such as 12");
}

String AttributeName(pugi::xml_attribute attribute, pugi::xml_node owner) {
  return HostText("210::Attribute %%1 of <%%2>", String(attribute.name()), String(owner.name()));
}

String TextName(pugi::xml_node element) {
  return HostText("211::The text of <%%1>", String(element.name()));
}

void CheckShapes(pugi::xml_node root, ProblemSink& sink) {
  ShapeId rootShape = kTestElement;
  if (std::strcmp(root.name(), "Setup") == 0) rootShape = kSetup;
  if (std::strcmp(root.name(), "TestRecord") == 0) rootShape = kRecord;
  // Depth-first without recursion: hostile files may nest deeper than any stack.
  std::vector<std::pair<pugi::xml_node, ShapeId>> pending{{root, rootShape}};
  while (!pending.empty()) {
    const auto [element, id] = pending.back();
    pending.pop_back();
    const Shape& shape = Shapes()[id];
    if (shape.foreign) continue;
    CheckElement(sink, element, id);
    std::vector<std::pair<pugi::xml_node, ShapeId>> children;
    for (pugi::xml_node child : element.children()) {
      if (child.type() != pugi::node_element) continue;
      if (const ShapeId* childShape = FindChild(shape, child.name())) {
        children.emplace_back(child, *childShape);
        continue;
      }
      sink.Error(child, String("<") + child.name() + ">",
                 shape.children.empty()
                     ? HostText("233::no elements inside <%%1>", String(element.name()))
                     : QuotedWords(ChildTags(shape)),
                 HostText("224::Unknown element <%%1> inside <%%2>: its reader skips it.",
                          String(child.name()), String(element.name())));
    }
    pending.insert(pending.end(), children.rbegin(), children.rend());
  }
}

}  // namespace velko::host::checks
