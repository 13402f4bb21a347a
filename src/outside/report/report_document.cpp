#include "outside/report/report_document.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "outside/report/rich_text_markup.hpp"
#include "outside/report/table_format.hpp"
#include "velko/frame/numeric.hpp"

namespace velko {
namespace report {
namespace {

constexpr Long kTwipsPerPoint = 20;

// The print style sheet: paper first, a calm page on screen.
constexpr const char* kStyleSheet = R"css(
body{margin:0;font-family:"Segoe UI",Arial,Helvetica,sans-serif;font-size:10pt;color:#000;background:#eee}
main.report{box-sizing:border-box;max-width:190mm;margin:8mm auto;padding:12mm;background:#fff}
h1{font-size:16pt;margin:0 0 10pt}
h2.s-3{font-size:13pt;margin:12pt 0 4pt;padding-bottom:1pt;border-bottom:1px solid #555}
p.hd{margin:2pt 0}
p.s-11{margin:1pt 0}
table.t{border-collapse:collapse;table-layout:fixed;margin-bottom:0}
table.t td,table.t th{padding:1pt 3pt;vertical-align:top;font-weight:inherit;overflow-wrap:anywhere}
table.t tr{height:1.25em}
.al{text-align:left}.ac{text-align:center}.ar{text-align:right}
.nw{white-space:nowrap}
.rr{border-right:1px solid #000}
.s-4{font-size:13pt;font-weight:bold}
.s-5{font-weight:600}
.s-9{font-weight:bold}table.s-9{border-top:1.5px solid #000}
.s-10{font-size:8.5pt}
.ts-2 td:first-child{font-size:11pt}
.ts-3 td,.ts-3 th{border:1px solid #000}
.ts-4 td:nth-child(odd){color:#444}
.shaded{-webkit-print-color-adjust:exact;print-color-adjust:exact}
.keep{break-inside:avoid;page-break-inside:avoid}
.with-prev{break-before:avoid;page-break-before:avoid}
div.ruled{border-color:#000;border-style:none;border-width:1px}
hr.line{border:0;border-top:1px solid #000;margin:2pt 0}
@page{size:A4;margin:15mm}
@media print{body{background:#fff;font-size:9.5pt}main.report{max-width:none;margin:0;padding:0}h2.s-3{break-after:avoid;page-break-after:avoid}}
)css";

String Percent(double value) {
  const double clamped = std::clamp(value, 0.0, 100.0);
  return FormatNumber(std::round(clamped * 10000.0) / 10000.0) + "%";
}

// Counts of printed lines are kept below this, so that no position overflows.
constexpr double kMaxLines = 1'000'000;

Long LinesOf(const RenderedText& text, Long widthAvailable, bool wraps) {
  double lines = 0;
  for (const String& line : text.plainLines) {
    const double width = static_cast<double>(CharCount(line)) * HtmlReport::kCharWidth;
    lines += !wraps || widthAvailable <= 0 ? 1.0 : std::max(1.0, std::ceil(width / widthAvailable));
  }
  return static_cast<Long>(std::clamp(lines, 1.0, kMaxLines));
}

// RGB Long (r + 256 g + 65536 b) as a CSS colour; 0 and values that are no colour give none.
std::optional<String> CssColour(Long rgb) {
  if (rgb <= 0 || rgb > 0xFFFFFF) return std::nullopt;
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", rgb & 0xFF, (rgb >> 8) & 0xFF,
                (rgb >> 16) & 0xFF);
  return String(text);
}

const char* AlignClass(Align align) {
  switch (align) {
    case Align::kCentre:
      return "ac";
    case Align::kRight:
      return "ar";
    case Align::kLeft:
      break;
  }
  return "al";
}

// Column widths as shares of the table and of the page, and the table's share of the page.
struct TableLayout {
  std::vector<ColumnFormat> columns;
  std::vector<std::optional<double>> percentOfTable;
  std::vector<Long> unitWidths;  // for counting wrapped lines
  double tablePercent = 100.0;
};

TableLayout LayoutTable(std::vector<ColumnFormat> columns, std::size_t columnCount,
                        Long pageWidth) {
  TableLayout layout;
  const bool formatGiven = !columns.empty();
  ColumnFormat extra;
  extra.wraps = true;  // columns that the format does not describe
  columns.resize(std::max(columns.size(), columnCount), extra);
  if (!formatGiven) {
    for (auto& column : columns)
      column.wraps = true;
  }
  double defined = 0;
  std::size_t undefinedCount = 0;
  for (const auto& column : columns) {
    if (column.width) {
      defined += *column.width;
    } else {
      ++undefinedCount;
    }
  }
  // Widths that add up to more than the page are scaled to the full line.
  const double base = std::max<double>(pageWidth, defined);
  const double scale = pageWidth / base;
  const double rest = std::max(0.0, pageWidth - defined * scale);
  const Long undefinedWidth =
      undefinedCount ? static_cast<Long>(rest / static_cast<double>(undefinedCount)) : 0;
  layout.tablePercent = undefinedCount || defined <= 0 ? 100.0 : defined / base * 100.0;
  const double tableUnits = layout.tablePercent / 100.0 * base;
  for (const auto& column : columns) {
    if (column.width && tableUnits > 0) {
      layout.percentOfTable.emplace_back(*column.width / tableUnits * 100.0);
      layout.unitWidths.push_back(static_cast<Long>(*column.width * scale));
    } else {
      layout.percentOfTable.emplace_back(std::nullopt);
      layout.unitWidths.push_back(column.width ? 0 : undefinedWidth);
    }
  }
  layout.columns = std::move(columns);
  return layout;
}

// Renders rows into `html` and returns their height in lines.
Long RenderRows(String& html, const std::vector<TableRow>& rows, const TableLayout& layout,
                const char* cellTag, const std::optional<String>& shade) {
  Long lines = 0;
  for (const TableRow& row : rows) {
    html += "<tr>";
    Long rowLines = 1;
    for (std::size_t c = 0; c < layout.columns.size(); ++c) {
      const ColumnFormat& column = layout.columns[c];
      const RenderedText cell = RenderRichText(c < row.size() ? std::string_view(row[c]) : "");
      rowLines = std::max(rowLines, LinesOf(cell, layout.unitWidths[c], column.wraps));
      html += "<";
      html += cellTag;
      html += " class=\"";
      html += AlignClass(column.align);
      if (!column.wraps) html += " nw";
      if (column.ruleRight) html += " rr";
      if (shade) html += " shaded\" style=\"background-color:" + *shade;
      html += "\">" + cell.html + "</" + cellTag + ">";
    }
    html += "</tr>\n";
    lines = std::min<Long>(lines + rowLines, static_cast<Long>(kMaxLines));
  }
  return lines;
}

}  // namespace

Long MeasureText(std::string_view text) {
  std::size_t longest = 0;
  for (const String& line : RenderRichText(text).plainLines) {
    longest = std::max(longest, CharCount(line));
  }
  const double width = static_cast<double>(longest) * HtmlReport::kCharWidth;
  return static_cast<Long>(std::min<double>(width, 2'000'000'000.0));
}

}  // namespace report

String HtmlReport::Document::BlockClasses() {
  String classes = "s-" + std::to_string(style);
  if (option == 1) classes += " with-prev";
  option = 0;
  return classes;
}

void HtmlReport::Document::Append(report::Block block, long long height) {
  block.top = positionY;
  positionY = static_cast<Long>(
      std::min<long long>(positionY + std::max<long long>(height, 0), 2'000'000'000LL));
  block.bottom = positionY;
  blocks_.push_back(std::move(block));
}

void HtmlReport::Document::AddHeading(const String& text) {
  const report::RenderedText rendered = report::RenderRichText(text);
  const bool section = style == 3;
  const Long lines = report::LinesOf(rendered, pageWidth, true);
  report::Block block;
  const String tag = section ? "h2" : "p";
  block.html =
      "<" + tag + " class=\"hd " + BlockClasses() + "\">" + rendered.html + "</" + tag + ">";
  const long long height = static_cast<long long>(lines) * kLineHeight;
  Append(std::move(block), section ? height * 3 / 2 : height);
}

void HtmlReport::Document::AddTable(const String& format, const String& header, const String& body,
                                    Long backColour) {
  const std::vector<report::TableRow> headerRows = report::SplitTableText(header);
  const std::vector<report::TableRow> bodyRows = report::SplitTableText(body);
  if (headerRows.empty() && bodyRows.empty()) return;
  std::size_t cells = 0;
  for (const auto* rows : {&headerRows, &bodyRows}) {
    for (const auto& row : *rows)
      cells = std::max(cells, row.size());
  }
  const report::TableLayout layout =
      report::LayoutTable(report::ParseTableFormat(format), cells, pageWidth);
  const std::optional<String> shade = report::CssColour(backColour);

  String html = "<table class=\"t " + BlockClasses() + " ts-" + std::to_string(tableStyle);
  if (tableMode == 1) html += " keep";
  html += "\" style=\"width:" + report::Percent(layout.tablePercent) +
          ";margin-top:" + std::to_string(tableParam) + "pt\">\n<colgroup>";
  for (const auto& percent : layout.percentOfTable) {
    html += percent ? "<col style=\"width:" + report::Percent(*percent) + "\">" : "<col>";
  }
  html += "</colgroup>\n";
  Long lines = 0;
  if (!headerRows.empty()) {
    html += "<thead>\n";
    lines += report::RenderRows(html, headerRows, layout, "th", shade);
    html += "</thead>\n";
  }
  if (!bodyRows.empty()) {
    html += "<tbody>\n";
    lines +=
        report::RenderRows(html, bodyRows, layout, "td", headerRows.empty() ? shade : std::nullopt);
    html += "</tbody>\n";
  }
  html += "</table>";
  report::Block block;
  block.kind = report::Block::Kind::kTable;
  block.html = std::move(html);
  Append(std::move(block), static_cast<long long>(tableParam) * report::kTwipsPerPoint +
                               static_cast<long long>(lines) * kLineHeight);
}

void HtmlReport::Document::AddLine(Long x1, Long y1, Long x2, Long y2) {
  if (x1 == x2 && y1 != y2) return AddVerticalRule(x1, std::min(y1, y2), std::max(y1, y2));
  if (y1 == y2 && x1 != x2) return AddHorizontalRule(std::min(x1, x2), std::max(x1, x2), y1);
  // A point or a slanted line is not drawn: a report has no use for them.
}

void HtmlReport::Document::AddVerticalRule(Long x, Long yFrom, Long yTo) {
  const Long edge = RightEdge();
  report::VerticalRule rule;
  rule.right = 2LL * x > static_cast<long long>(edge);
  const long long inset = rule.right ? static_cast<long long>(edge) - x : x;
  rule.inset = static_cast<Long>(std::clamp<long long>(inset, 0, pageWidth));
  const int id = static_cast<int>(rules_.size());
  bool used = false;
  // Printed blocks are only appended, at the current position, which never goes back: their
  // tops rise through the list. Walking back from the end, the first printed block above
  // yFrom ends the search, so a rule beside the last blocks costs what it borders, not the
  // length of the report.
  for (auto it = blocks_.rbegin(); it != blocks_.rend(); ++it) {
    report::Block& block = *it;
    if (block.kind == report::Block::Kind::kRule) continue;
    if (block.top < yFrom) break;
    if (block.bottom <= block.top) continue;
    if (block.bottom <= yTo) {
      (rule.right ? block.rightRule : block.leftRule) = id;
      used = true;
    }
  }
  if (used) rules_.push_back(rule);
}

void HtmlReport::Document::AddHorizontalRule(Long xFrom, Long xTo, Long y) {
  // After the last block that ends at or above y; searched from the end, where a rule drawn
  // at the current position belongs.
  auto after = blocks_.begin();
  for (auto it = blocks_.end(); it != blocks_.begin(); --it) {
    if ((it - 1)->bottom <= y) {
      after = it;
      break;
    }
  }
  const double page = pageWidth;
  report::Block block;
  block.kind = report::Block::Kind::kRule;
  block.top = block.bottom = y;
  const double left = std::clamp<double>(xFrom, 0.0, page);
  const double right = std::clamp<double>(xTo, 0.0, page);
  block.html = "<hr class=\"line\" style=\"margin-left:" + report::Percent(left / page * 100.0) +
               ";width:" + report::Percent((right - left) / page * 100.0) + "\">";
  blocks_.insert(after, std::move(block));
}

String HtmlReport::Document::Render() const {
  String html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  html += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  html += "<title>" + report::Escaped(title) + "</title>\n<style>";
  html += report::kStyleSheet;
  html += "</style>\n</head>\n<body>\n<main class=\"report\">\n";
  if (!title.empty()) html += "<h1>" + report::Escaped(title) + "</h1>\n";
  std::pair<int, int> open{-1, -1};
  for (const auto& block : blocks_) {
    const std::pair<int, int> rules{block.leftRule, block.rightRule};
    if (rules != open) {
      if (open != std::pair<int, int>{-1, -1}) html += "</div>\n";
      if (rules != std::pair<int, int>{-1, -1}) {
        html += "<div class=\"ruled\" style=\"";
        for (const int id : {rules.first, rules.second}) {
          if (id < 0) continue;
          const report::VerticalRule& rule = rules_[static_cast<std::size_t>(id)];
          const String side = rule.right ? "right" : "left";
          html += "border-" + side + "-style:solid;padding-" + side + ":3pt;margin-" + side + ":" +
                  report::Percent(100.0 * rule.inset / pageWidth) + ";";
        }
        html += "\">\n";
      }
      open = rules;
    }
    html += block.html + "\n";
  }
  if (open != std::pair<int, int>{-1, -1}) html += "</div>\n";
  html += "</main>\n</body>\n</html>\n";
  return html;
}

}  // namespace velko
