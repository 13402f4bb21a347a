#include "velko/outside/html_report.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "outside/report/report_document.hpp"
#include "velko/core/error_module.hpp"
#include "velko/core/translation.hpp"
#include "velko/frame/error.hpp"
#include "velko/frame/file_replace.hpp"
#include "velko/frame/text.hpp"

namespace velko {
namespace {

constexpr const char* kSource = "VelkoCore.HtmlReport";
constexpr Long kPathFileAccessError = 75;

// The parameters as TranslateText passes them: an array whose element 0 is an array stands for
// that inner array.
VariantArray MessageParams(const Variant& params) {
  if (params.IsArray()) {
    const VariantArray& items = params.Elements();
    if (!items.empty() && items.front().IsArray()) return items.front().Elements();
    return items;
  }
  if (params.IsEmpty() || params.IsMissing() || params.IsNull()) return {};
  return {params};
}

String ParamText(const VariantArray& params, std::size_t index) {
  if (index >= params.size()) return {};
  return QuietlyOr(String{}, [&] { return params[index].ToString(); });
}

// Writes `text` so that the file is either the old one or the complete new one.
void WriteFileAtomically(const String& path, const String& text) {
  const String failure = ReplaceFileContent(path, text);
  if (!failure.empty()) {
    throw Error(kPathFileAccessError, kSource,
                "The report file \"" + path + "\" cannot be written (" + failure + ").");
  }
}

}  // namespace

String DefaultMessageText(const String& messageKey, const Variant& params) {
  return QuietlyOr(String{}, [&] {
    const std::size_t mark = messageKey.find("::");
    const String text = mark == String::npos ? messageKey : messageKey.substr(mark + 2);
    const VariantArray values = MessageParams(params);
    String out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text.compare(i, 2, "%%") == 0 && i + 2 < text.size() && text[i + 2] >= '1' &&
          text[i + 2] <= '5') {
        out += ParamText(values, static_cast<std::size_t>(text[i + 2] - '1'));
        i += 2;
      } else if (text.compare(i, 2, "\\n") == 0) {
        out += '\n';
        ++i;
      } else {
        out += text[i];
      }
    }
    return out;
  });
}

HtmlReport::HtmlReport(String title) : doc_(std::make_unique<Document>()) {
  doc_->title = std::move(title);
}

HtmlReport::~HtmlReport() = default;

Long HtmlReport::PositionY() {
  return doc_->positionY;
}
void HtmlReport::SetStyle(Long style) {
  doc_->style = style;
}
Long HtmlReport::RightEdge(Long /*which*/) {
  return doc_->RightEdge();
}
Long HtmlReport::PageWidth(Long /*which*/) {
  return doc_->pageWidth;
}
void HtmlReport::PrintHeading(const String& text) {
  doc_->AddHeading(text);
}
void HtmlReport::SetTableStyle(Integer style) {
  doc_->tableStyle = style;
}
void HtmlReport::SetTableMode(Long mode) {
  doc_->tableMode = mode;
}
void HtmlReport::SetTableParam(Long param) {
  doc_->tableParam = std::clamp(param, 0, 72);
}
void HtmlReport::SetOption(Integer option) {
  doc_->option = option;
}
Long HtmlReport::ReportLevel() {
  return doc_->reportLevel;
}
Long HtmlReport::ReportOptions() {
  return doc_->reportOptions;
}

void HtmlReport::PrintTable(const String& format, const String& header, const String& body,
                            Long backColour, Long /*reserved1*/, Long /*reserved2*/) {
  doc_->AddTable(format, header, body, backColour);
}

void HtmlReport::DrawLine(Long x1, Long y1, Long x2, Long y2) {
  doc_->AddLine(x1, y1, x2, y2);
}

String HtmlReport::ReplaceChars(const String& text, const String& from, const String& to) {
  return doc_->replacer.Apply(text, from, to);
}

Long HtmlReport::TextWidth(const String& text) {
  return report::MeasureText(text);
}

String ReportTranslation(const String& plugInId, const String& messageKey, const Variant& params) {
  String text = TranslateText(plugInId, messageKey, params);
  if (!text.empty() || messageKey.empty()) return text;
  return DefaultMessageText(messageKey, params);
}

String HtmlReport::Translate(const String& plugInId, const String& messageKey,
                             const Variant& params) {
  return ReportTranslation(plugInId, messageKey, params);
}

void HtmlReport::SetPageWidth(Long width) {
  if (width <= 0) {
    throw Error(rt::kInvalidCall, kSource,
                "The page width must be positive (" + std::to_string(width) + ").");
  }
  doc_->pageWidth = width;
}

void HtmlReport::SetRightEdge(Long edge) {
  if (edge <= 0) {
    throw Error(rt::kInvalidCall, kSource,
                "The right edge must be positive (" + std::to_string(edge) + ").");
  }
  doc_->rightEdge = edge;
}

void HtmlReport::PrintFigure(const String& svg, Long height) {
  doc_->AddFigure(svg, height);
}

void HtmlReport::SetReportLevel(Long level) {
  doc_->reportLevel = level;
}
void HtmlReport::SetReportOptions(Long options) {
  doc_->reportOptions = options;
}
void HtmlReport::SetPageFrame(PageFrame frame) {
  doc_->pageFrame = std::move(frame);
}
void HtmlReport::SetTitle(const String& title) {
  doc_->title = title;
}
const String& HtmlReport::Title() const {
  return doc_->title;
}
String HtmlReport::Html() const {
  return doc_->Render();
}
void HtmlReport::SaveToFile(const String& path) const {
  WriteFileAtomically(path, Html());
}

}  // namespace velko
