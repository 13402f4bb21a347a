#include "report/report_utils.hpp"

#include <cstdint>
#include <limits>

#include "velko/core/error_module.hpp"
#include "velko/core/translation.hpp"
#include "velko/frame/text.hpp"
#include "velko/report/html_text.hpp"
#include "velko/report/rtf_processor.hpp"
#include "velko/setup/system_options.hpp"
#include "velko/typelib/enums.hpp"
#include "velko/typelib/service.hpp"

namespace velko {
namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kProcedureHeading = "313::Procedure:";
constexpr const char* kCommentHeading = "316::Comment:";
constexpr const char* kNotApplicableKey = "315::NA";
constexpr const char* kFailKey = "303::Fail";
// The rule beside a framed block stands this far inside the right edge.
constexpr Long kRuleInset = 560;

// A text taken from data as a table cell: no cell or row separator, no brace.
String CellText(const Ref<IReport>& report, const String& text) {
  return report->ReplaceChars(text, "|;{}", " ,()");
}

// The status cell of the heading row.
String StatusCell(const Ref<IElementFilter>& filter, const Ref<IResult>& result,
                  const Ref<IReport>& report, Boolean displayServiceRecord) {
  if (displayServiceRecord) {
    if (filter->ServiceRecordID().empty()) return String();
    return TrimBlanks(result->ServiceRecord()->CompleteRecord());
  }
  if (result->Status() != kStatusNotApplicable) return String();
  return report->Translate(String(), kNotApplicableKey, Variant::Missing());
}

void RemoveLeading(String& text, std::string_view part) {
  if (text.starts_with(part)) text.erase(0, part.size());
}

void RemoveTrailing(String& text, std::string_view part) {
  if (text.ends_with(part)) text.erase(text.size() - part.size());
}

// Rich text or HTML reduced to plain text for printing: blanks trimmed, one line break removed at
// either end, and empty paragraphs folded.
String ReducedMarkupText(Long format, const String& text) {
  const bool rich = format == kProcedureRtf;
  String plain = TrimBlanks(rich ? SharedRTFProcessor()->StripRTF(text) : HtmlToText(text));
  RemoveLeading(plain, kCrLf);
  RemoveTrailing(plain, kCrLf);
  if (rich) plain = ReplaceAll(plain, "\r\n \r\n", kCrLf);
  if (plain.find("\r\n\r\n") != String::npos) plain = ReplaceAll(plain, "\r\n\r\n", kCrLf);
  return plain;
}

}  // namespace

Boolean IsElementReported(const Ref<IElementFilter>& filter, const Ref<IResult>& result,
                          Long options) {
  return QuietlyOr(false, [&] {
    if (!filter->IncludeInReport() || !result) return false;
    if ((options & kReportOnlyFailed) != 0 && result->Status() != kStatusFailed) return false;
    if ((options & kReportOnlyServiceRecord) != 0 && filter->ServiceRecordID().empty()) {
      return false;
    }
    return true;
  });
}

Boolean IsTextEmpty(Long format, const String& text) {
  return QuietlyOr(true, [&] {
    switch (format) {
      case kProcedureRtf:
        return SharedRTFProcessor()->StripRTF(text).empty();
      case kProcedureHtml:
        return HtmlToText(text).empty();
      case kProcedureLink:
      case kProcedureLink2:
        return true;
      default:
        return TrimBlanks(text).empty();
    }
  });
}

void PrintElementHeader(const Ref<IElementInfo>& info, const Ref<IElementFilter>& filter,
                        const Ref<IResult>& result, const Ref<IReport>& report) {
  const Boolean display =
      QuietlyOr(false, [] { return SharedSystemOptions()->DisplayServiceRecord(); });
  PrintElementHeader(info, filter, result, report, display);
}

void PrintElementHeader(const Ref<IElementInfo>& info, const Ref<IElementFilter>& filter,
                        const Ref<IResult>& result, const Ref<IReport>& report,
                        Boolean displayServiceRecord) {
  String name;
  String type;
  String param;
  Quietly([&] { name = CellText(report, info->Name()); });
  Quietly([&] { type = CellText(report, info->TestType()); });
  Quietly([&] { param = CellText(report, info->TestParam()); });

  String typeCell = "{\\fs16\\i " + type;
  if (!param.empty()) typeCell += "\\line " + param;
  typeCell += "}";
  String row = name + "|" + typeCell;

  if (result) {
    String status;
    Quietly([&] { status = StatusCell(filter, result, report, displayServiceRecord); });
    row += "|" + status;
    Quietly([&] {
      if (result->Status() == kStatusFailed) row += "|" + TranslateText(String(), kFailKey);
    });
  }

  Quietly([&] { report->SetStyle(9); });
  Quietly([&] { report->SetTableStyle(2); });
  Quietly([&] { report->SetTableParam(report->ReportLevel() == kReportLevelDetailed ? 20 : 1); });
  Quietly([&] { report->SetTableMode(1); });
  Quietly([&] { report->PrintTable(String(), String(), row, 0, 0, 0); });
}

void PrintProcedure(const Ref<IElementInfo2>& info, const Ref<IReport>& report) {
  Quietly([&] {
    const String text = info->Procedure();
    if (!IsTextEmpty(info->ProcedureFormat(), text)) {
      PrintFramedBlock(report, kProcedureHeading, text);
    }
  });
}

void PrintProcedureText(const Ref<IElementInfo2>& info, const Ref<IReport>& report) {
  Quietly([&] {
    const Long format = info->ProcedureFormat();
    String text;
    if (format == kProcedureRtf || format == kProcedureHtml) {
      text = ReducedMarkupText(format, info->Procedure());
    } else if (format == kProcedureNone || format == kProcedurePlain) {
      text = info->Procedure();
    }
    if (!IsTextEmpty(kProcedurePlain, text)) PrintFramedBlock(report, kProcedureHeading, text);
  });
}

void PrintComment(const Ref<IReport>& report, const String& comment) {
  if (!comment.empty()) PrintFramedBlock(report, kCommentHeading, comment);
}

void PrintFramedBlock(const Ref<IReport>& report, const String& headingKey, const String& text) {
  Long top = 0;
  Long bottom = 0;
  Long x = 0;
  Quietly([&] { report->SetStyle(11); });
  Quietly([&] { top = report->PositionY(); });
  Quietly([&] {
    const String heading = report->Translate(String(), headingKey, Variant::Missing());
    report->PrintHeading("{\\i\\b " + heading + "}");
  });
  Quietly([&] { report->PrintHeading(text); });
  Quietly([&] { bottom = report->PositionY(); });
  Quietly([&] {
    // Computed wide: an edge near the bottom of the Long range is a failing step, not an overflow.
    const auto wide = static_cast<std::int64_t>(report->RightEdge(-1)) - kRuleInset;
    if (wide >= std::numeric_limits<Long>::min()) x = static_cast<Long>(wide);
  });
  Quietly([&] { report->DrawLine(x, top, x, bottom); });
}

}  // namespace velko
