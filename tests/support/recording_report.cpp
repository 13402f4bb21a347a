#include "support/recording_report.hpp"

#include <algorithm>

#include "velko/outside/html_report.hpp"

namespace velko::test {
namespace {

bool IsQuery(const String& name) {
  static const char* const kQueries[] = {"PositionY",   "RightEdge",     "PageWidth",
                                         "ReportLevel", "ReportOptions", "ReplaceChars",
                                         "TextWidth",   "Translate"};
  return std::any_of(std::begin(kQueries), std::end(kQueries),
                     [&](const char* q) { return name == q; });
}

String ArgText(const Variant& v) {
  if (v.IsString()) return "\"" + v.ToString() + "\"";
  if (v.IsArray()) {
    String text = "[";
    for (std::size_t i = 0; i < v.Elements().size(); ++i) {
      if (i) text += ", ";
      text += ArgText(v.Elements()[i]);
    }
    return text + "]";
  }
  if (v.IsEmpty() || v.IsMissing()) return "";
  return v.ToString();
}

// Splits a text into its UTF-8 characters (a stray byte is a character of its own).
std::vector<String> Characters(const String& text) {
  std::vector<String> chars;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = 1;
    const auto b = static_cast<unsigned char>(text[i]);
    if (b >= 0xC0) n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
    if (i + n > text.size()) n = 1;
    chars.push_back(text.substr(i, n));
    i += n;
  }
  return chars;
}

}  // namespace

String ReportCall::Text() const {
  String text = name + "(";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) text += ", ";
    text += ArgText(args[i]);
  }
  return text + ")";
}

String ReportCall::Arg(std::size_t index) const {
  return index < args.size() ? args[index].ToString() : String{};
}

void RecordingReport::Record(String name, std::vector<Variant> args, Variant result) {
  calls_.push_back({std::move(name), std::move(args), std::move(result)});
}

Long RecordingReport::PositionY() {
  Record("PositionY", {}, positionY);
  return positionY;
}

void RecordingReport::SetStyle(Long style) {
  Record("SetStyle", {style});
}

Long RecordingReport::RightEdge(Long which) {
  Record("RightEdge", {which}, rightEdge);
  return rightEdge;
}

Long RecordingReport::PageWidth(Long which) {
  Record("PageWidth", {which}, pageWidth);
  return pageWidth;
}

void RecordingReport::PrintHeading(const String& text) {
  Record("PrintHeading", {text});
  positionY += positionStep;
}

void RecordingReport::SetTableStyle(Integer style) {
  Record("SetTableStyle", {style});
}
void RecordingReport::SetTableMode(Long mode) {
  Record("SetTableMode", {mode});
}
void RecordingReport::SetTableParam(Long param) {
  Record("SetTableParam", {param});
}
void RecordingReport::SetOption(Integer option) {
  Record("SetOption", {option});
}

Long RecordingReport::ReportLevel() {
  Record("ReportLevel", {}, reportLevel);
  return reportLevel;
}

Long RecordingReport::ReportOptions() {
  Record("ReportOptions", {}, reportOptions);
  return reportOptions;
}

void RecordingReport::PrintTable(const String& format, const String& header, const String& body,
                                 Long backColour, Long reserved1, Long reserved2) {
  Record("PrintTable", {format, header, body, backColour, reserved1, reserved2});
  positionY += positionStep;
}

void RecordingReport::DrawLine(Long x1, Long y1, Long x2, Long y2) {
  Record("DrawLine", {x1, y1, x2, y2});
}

String RecordingReport::ReplaceChars(const String& text, const String& from, const String& to) {
  const std::vector<String> fromChars = Characters(from);
  const std::vector<String> toChars = Characters(to);
  String out;
  for (const String& c : Characters(text)) {
    const auto found = std::find(fromChars.begin(), fromChars.end(), c);
    const auto index = static_cast<std::size_t>(found - fromChars.begin());
    out += found != fromChars.end() && index < toChars.size() ? toChars[index] : c;
  }
  Record("ReplaceChars", {text, from, to}, out);
  return out;
}

Long RecordingReport::TextWidth(const String& text) {
  const auto width = static_cast<Long>(Characters(text).size()) * charWidth;
  Record("TextWidth", {text}, width);
  return width;
}

String RecordingReport::Translate(const String& plugInId, const String& messageKey,
                                  const Variant& params) {
  String text =
      translateMode == TranslateMode::kKey ? messageKey : DefaultMessageText(messageKey, params);
  Record("Translate", {plugInId, messageKey, params}, text);
  return text;
}

std::vector<ReportCall> RecordingReport::Calls(const String& name) const {
  std::vector<ReportCall> found;
  std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(found),
               [&](const ReportCall& c) { return c.name == name; });
  return found;
}

String RecordingReport::Transcript() const {
  String text;
  for (const auto& call : calls_) {
    if (!IsQuery(call.name)) text += call.Text() + "\n";
  }
  return text;
}

}  // namespace velko::test
