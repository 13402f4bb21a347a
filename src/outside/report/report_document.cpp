#include "outside/report/report_document.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "outside/report/rich_text_markup.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/outside/report_stand_ins.hpp"
#include "velko/outside/report_table.hpp"

namespace velko {
namespace report {
namespace {

constexpr Long kTwipsPerPoint = 20;

// The print style sheet: paper first, a calm page on screen.
constexpr const char* kStyleSheet = R"css(
body{margin:0;font-family:"DejaVu Sans","Segoe UI",Arial,Helvetica,sans-serif;font-size:9pt;line-height:1.3;color:#000;background:#eee}
main.report{box-sizing:border-box;max-width:190mm;margin:8mm auto;padding:10mm 12mm;background:#fff}
h1{font-size:14pt;margin:0 0 6pt}
h2.s-3{font-size:11pt;margin:9pt 0 3pt;padding-bottom:1pt;border-bottom:1px solid #555;break-after:avoid;page-break-after:avoid}
p.hd{margin:1pt 0}
table.t{border-collapse:collapse;table-layout:fixed;margin-bottom:0}
table.t td,table.t th{padding:1pt 4pt;vertical-align:top;font-weight:inherit;overflow-wrap:anywhere}
table.t th{text-align:inherit}
.al{text-align:left}.ac{text-align:center}.ar{text-align:right}
.nw{white-space:nowrap}
.rr{border-right:1px solid #bbb}
.s-4{font-size:12pt;font-weight:bold}
.s-5{font-weight:600}
.s-9{font-weight:bold}table.s-9{border-top:1px solid #000}
.s-10{font-size:8pt}
.ts-2 td:first-child{font-size:10pt}
.ts-3 td,.ts-3 th{border:1px solid #777}
.ts-4 td:nth-child(odd){color:#444}
.shaded{-webkit-print-color-adjust:exact;print-color-adjust:exact}
.keep{break-inside:avoid;page-break-inside:avoid}
.with-prev{break-before:avoid;page-break-before:avoid}
div.framed{border-left:2px solid #bbb;padding-left:5pt;margin:1pt 0 2pt 1pt}
div.gap{height:3pt}
section.element{break-inside:avoid;page-break-inside:avoid;padding-bottom:2pt}
hr.line{border:0;border-top:1px solid #000;margin:2pt 0}
@media print{body{background:#fff}main.report{max-width:none;margin:0;padding:0}}
)css";

// Beyond this the space above a table stays this (points): a section gap, never a hole.
constexpr Long kMostSpaceAbove = 6;

// A text as a CSS string: quotes, backslashes and line ends escaped, "<" too (no "</style>").
String CssString(std::string_view text) {
  String out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '<') {
      out += "\\3c ";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      out += "\\a ";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// The page rule: margins that suit A4 and Letter, and the page frame in the margin boxes.
String PageRule(const HtmlReport::PageFrame& frame) {
  String rule = "@page{margin:16mm 14mm 15mm;";
  const auto box = [&](const char* where, const String& content) {
    if (content.empty()) return;
    rule += "@";
    rule += where;
    rule += "{content:" + content + ";font-size:7.5pt;color:#333}";
  };
  box("top-left", frame.headerLeft.empty() ? String() : CssString(frame.headerLeft));
  box("top-right", frame.headerRight.empty() ? String() : CssString(frame.headerRight));
  box("bottom-left", frame.footerLeft.empty() ? String() : CssString(frame.footerLeft));
  if (!frame.pageOf.empty()) {
    // "Page %%1 of %%2" with the page counters in place of the parameters.
    String content;
    String literal;
    const auto flush = [&] {
      if (!literal.empty()) content += CssString(literal) + " ";
      literal.clear();
    };
    for (std::size_t i = 0; i < frame.pageOf.size(); ++i) {
      if (frame.pageOf.compare(i, 3, "%%1") == 0 || frame.pageOf.compare(i, 3, "%%2") == 0) {
        flush();
        content += frame.pageOf[i + 2] == '1' ? "counter(page) " : "counter(pages) ";
        i += 2;
      } else {
        literal += frame.pageOf[i];
      }
    }
    flush();
    box("bottom-right", content);
  }
  return rule + "}\n";
}

// True when the text holds rows whose cells are all empty.
bool OnlyEmptyCells(std::string_view text) {
  return text.find_first_not_of("|;") == std::string_view::npos;
}

String Percent(double value) {
  const double clamped = std::clamp(value, 0.0, 100.0);
  return FormatNumber(std::round(clamped * 10000.0) / 10000.0) + "%";
}

// Counts of printed lines are kept below this, so that no position overflows.
constexpr double kMaxLines = 1'000'000;

Long LinesOf(const std::vector<std::size_t>& lineChars, Long widthAvailable, bool wraps) {
  double lines = 0;
  for (const std::size_t chars : lineChars) {
    const double width = static_cast<double>(chars) * HtmlReport::kCharWidth;
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

// The markup of a table's widths: its share of the page and the column shares of the table.
void AppendWidthMarkup(TableLayout& layout, double tablePercent,
                       const std::vector<std::optional<double>>& percentOfTable) {
  layout.tableWidth = Percent(tablePercent);
  String& colgroup = layout.colgroup;
  colgroup = "<colgroup>";
  for (const auto& percent : percentOfTable) {
    if (percent) {
      colgroup += "<col style=\"width:";
      colgroup += Percent(*percent);
      colgroup += "\">";
    } else {
      colgroup += "<col>";
    }
  }
  colgroup += "</colgroup>\n";
}

TableLayout LayoutTable(std::vector<ColumnFormat> format, std::size_t columnCount, Long pageWidth) {
  TableLayout layout;
  layout.columns = TableColumns(std::move(format), columnCount);
  layout.unitWidths = ColumnWidths(layout.columns, pageWidth);
  double defined = 0;
  bool undefined = false;
  for (const auto& column : layout.columns) {
    defined += column.width.value_or(0);
    undefined = undefined || !column.width;
  }
  // Widths that add up to more than the page are scaled to the full line.
  const double base = std::max<double>(pageWidth, defined);
  const double tablePercent = undefined || defined <= 0 ? 100.0 : defined / base * 100.0;
  const double tableUnits = tablePercent / 100.0 * base;
  std::vector<std::optional<double>> percentOfTable;
  for (const auto& column : layout.columns) {
    if (column.width && tableUnits > 0) {
      percentOfTable.emplace_back(*column.width / tableUnits * 100.0);
    } else {
      percentOfTable.emplace_back(std::nullopt);
    }
  }
  AppendWidthMarkup(layout, tablePercent, percentOfTable);
  return layout;
}

// What goes before the text of each column's cell: the end of the cell before it (or the start
// of the row) and the cell's opening tag, the same in every row.
std::vector<String> CellStarts(const TableLayout& layout, std::string_view cellTag,
                               const std::optional<String>& shade) {
  std::vector<String> starts;
  starts.reserve(layout.columns.size());
  for (const ColumnFormat& column : layout.columns) {
    String start;
    if (starts.empty()) {
      start = "<tr>";
    } else {
      start = "</";
      start += cellTag;
      start += '>';
    }
    start += '<';
    start += cellTag;
    start += " class=\"";
    start += AlignClass(column.align);
    if (!column.wraps) start += " nw";
    if (column.ruleRight) start += " rr";
    if (shade) {
      start += " shaded\" style=\"background-color:";
      start += *shade;
    }
    start += "\">";
    starts.push_back(std::move(start));
  }
  return starts;
}

constexpr std::string_view kCellTags[] = {"th", "td"};

// Renders the rows of `text` into `html` and returns their height in lines.
Long RenderRows(String& html, std::string_view text, const TableLayout& layout,
                TableSection section, const std::optional<String>& shade) {
  const auto index = static_cast<std::size_t>(section);
  std::vector<String> shadedStarts;
  const std::vector<String>* starts = &layout.cellStarts[index];
  if (shade) {
    shadedStarts = CellStarts(layout, kCellTags[index], shade);
    starts = &shadedStarts;
  }
  const std::vector<String>& cellStarts = *starts;
  const std::string_view rowEnd =
      section == TableSection::kHeader ? "</th></tr>\n" : "</td></tr>\n";
  Long lines = 0;
  std::vector<std::size_t> lineChars;  // reused by every cell
  ForEachTableRow(text, [&](std::string_view row) {
    Long rowLines = 1;
    TableCells cells(row);
    for (std::size_t c = 0; c < layout.columns.size(); ++c) {
      html += cellStarts[c];
      AppendRichText(html, lineChars, cells.Next());  // no cell left: an empty one
      rowLines =
          std::max(rowLines, LinesOf(lineChars, layout.unitWidths[c], layout.columns[c].wraps));
    }
    html += rowEnd;
    lines = std::min<Long>(lines + rowLines, static_cast<Long>(kMaxLines));
  });
  return lines;
}

}  // namespace

std::string_view MarkupStore::Add(std::string_view markup) {
  const std::size_t needed = markup.size() + 1;
  if (capacity_ - used_ < needed) {
    // Allocated before anything changes: a failed allocation leaves the store as it was.
    const std::size_t capacity = std::max(kChunkBytes, needed);
    auto chunk = std::make_unique_for_overwrite<char[]>(capacity);
    chunks_.push_back(std::move(chunk));
    capacity_ = capacity;
    used_ = 0;
  }
  char* at = chunks_.back().get() + used_;
  std::copy(markup.begin(), markup.end(), at);
  at[markup.size()] = '\n';
  used_ += needed;
  return {at, markup.size()};
}

Long MeasureText(std::string_view text) {
  std::size_t longest = 0;
  for (const std::size_t chars : RenderRichText(text).lineChars)
    longest = std::max(longest, chars);
  const double width = static_cast<double>(longest) * HtmlReport::kCharWidth;
  return static_cast<Long>(std::min<double>(width, 2'000'000'000.0));
}

}  // namespace report

void HtmlReport::Document::AppendBlockClasses(String& html) {
  html += "s-";
  html += std::to_string(style);
  if (option == 1) html += " with-prev";
  option = 0;
}

void HtmlReport::Document::Append(report::Block block, long long height) {
  block.top = positionY;
  positionY = static_cast<Long>(
      std::min<long long>(positionY + std::max<long long>(height, 0), 2'000'000'000LL));
  block.bottom = positionY;
  blocks_.push_back(std::move(block));
}

void HtmlReport::Document::AddFigure(const String& svg, Long height) {
  report::Block block;
  block.html = markup_.Add(
      "<figure style=\"display:inline-block;margin:2pt 8pt 4pt 0;break-inside:avoid\">" + svg +
      "</figure>");
  Append(std::move(block), height);
}

void HtmlReport::Document::AddHeading(const String& text) {
  const bool section = style == 3;
  const std::string_view tag = section ? "h2" : "p";
  String& html = scratch_;
  html.clear();
  html += '<';
  html += tag;
  html += " class=\"hd ";
  AppendBlockClasses(html);
  html += "\">";
  std::vector<std::size_t> lineChars;
  report::AppendRichText(html, lineChars, text);
  html += "</";
  html += tag;
  html += '>';
  const Long lines = report::LinesOf(lineChars, pageWidth, true);
  report::Block block;
  block.html = markup_.Add(html);
  block.opensSection = section;
  const long long height = static_cast<long long>(lines) * kLineHeight;
  Append(std::move(block), section ? height * 3 / 2 : height);
}

void HtmlReport::Document::AddTable(const String& format, const String& header, const String& body,
                                    Long backColour) {
  const std::size_t cells = std::max(report::MaxCellCount(header), report::MaxCellCount(body));
  if (cells == 0) return;  // no rows at all
  const std::optional<String> shade = report::CssColour(backColour);
  if (header.empty() && !shade && report::OnlyEmptyCells(body)) {
    // A spacer row: a small gap, however many empty rows it has.
    option = 0;
    report::Block gap;
    gap.html = markup_.Add("<div class=\"gap\"></div>");
    Append(std::move(gap),
           static_cast<long long>(report::MaxCellCount(body) > 0 ? 1 : 0) * kLineHeight);
    return;
  }
  const report::TableLayout& layout = LayoutFor(format, cells);

  String& html = scratch_;  // keeps its capacity from table to table
  html.clear();
  html += "<table class=\"t ";
  AppendBlockClasses(html);
  html += " ts-";
  html += std::to_string(tableStyle);
  if (tableMode == 1) html += " keep";
  html += "\" style=\"width:";
  html += layout.tableWidth;
  html += ";margin-top:";
  html += std::to_string(std::min(tableParam, report::kMostSpaceAbove));
  html += "pt\">\n";
  html += layout.colgroup;
  Long lines = 0;
  if (!header.empty()) {
    html += "<thead>\n";
    lines += report::RenderRows(html, header, layout, report::TableSection::kHeader, shade);
    html += "</thead>\n";
  }
  if (!body.empty()) {
    html += "<tbody>\n";
    lines += report::RenderRows(html, body, layout, report::TableSection::kBody,
                                header.empty() ? shade : std::nullopt);
    html += "</tbody>\n";
  }
  html += "</table>";
  report::Block block;
  block.kind = report::Block::Kind::kTable;
  block.html = markup_.Add(html);
  block.opensElement = style == 9;
  Append(std::move(block), static_cast<long long>(tableParam) * report::kTwipsPerPoint +
                               static_cast<long long>(lines) * kLineHeight);
}

const report::TableLayout& HtmlReport::Document::LayoutFor(const String& format,
                                                           std::size_t cells) {
  // Reports print the same few table formats over and over.
  constexpr std::size_t kMaxFormats = 256;
  constexpr std::size_t kMaxLayoutsPerFormat = 16;
  auto found = layouts_.find(format);
  if (found == layouts_.end()) {
    if (layouts_.size() >= kMaxFormats) layouts_.clear();
    found = layouts_.try_emplace(format).first;
  }
  std::vector<report::TableLayout>& known = found->second;
  for (const report::TableLayout& layout : known) {
    if (layout.cells == cells && layout.pageWidth == pageWidth) return layout;
  }
  if (known.size() >= kMaxLayoutsPerFormat) known.clear();
  report::TableLayout& layout =
      known.emplace_back(report::LayoutTable(report::ParseTableFormat(format), cells, pageWidth));
  layout.cells = cells;
  layout.pageWidth = pageWidth;
  for (const auto section : {report::TableSection::kHeader, report::TableSection::kBody}) {
    const auto index = static_cast<std::size_t>(section);
    layout.cellStarts[index] = report::CellStarts(layout, report::kCellTags[index], std::nullopt);
  }
  return layout;
}

void HtmlReport::Document::AddLine(Long x1, Long y1, Long x2, Long y2) {
  if (x1 == x2 && y1 != y2) return AddVerticalRule(std::min(y1, y2), std::max(y1, y2));
  if (y1 == y2 && x1 != x2) return AddHorizontalRule(std::min(x1, x2), std::max(x1, x2), y1);
  // A point or a slanted line is not drawn: a report has no use for them.
}

void HtmlReport::Document::AddVerticalRule(Long yFrom, Long yTo) {
  const int id = frames_;
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
      block.frame = id;
      used = true;
    }
  }
  if (used) ++frames_;
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
  block.html =
      markup_.Add("<hr class=\"line\" style=\"margin-left:" + report::Percent(left / page * 100.0) +
                  ";width:" + report::Percent((right - left) / page * 100.0) + "\">");
  blocks_.insert(after, std::move(block));
}

String HtmlReport::Document::Render() const {
  // Reserved up front: a report runs to hundreds of megabytes, and growing it copies them.
  constexpr std::size_t kGroupBytes = 64;        // more than a group's opening and closing take
  std::size_t bytes = 4096 + 12 * title.size();  // head, style sheet and title (escaped twice)
  bytes += 8 * (pageFrame.headerLeft.size() + pageFrame.headerRight.size() +
                pageFrame.footerLeft.size() + pageFrame.pageOf.size());
  int frameBefore = -1;
  for (const auto& block : blocks_) {
    bytes += block.html.size() + 1;
    if (block.frame != frameBefore || block.opensElement) bytes += 2 * kGroupBytes;
    frameBefore = block.frame;
  }
  String html;
  html.reserve(bytes);
  html += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  html += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  html += "<title>" + report::Escaped(title) + "</title>\n<style>";
  html += report::kStyleSheet;
  html += report::PageRule(pageFrame);
  html += "</style>\n</head>\n<body>\n<main class=\"report\">\n";
  if (!title.empty()) html += "<h1>" + report::Escaped(title) + "</h1>\n";
  // Blocks printed one after the other lie side by side in the store, each with its line end:
  // they are copied as one run.
  std::string_view run;
  int open = -1;           // the framed block open
  bool inElement = false;  // an element's section open
  const auto flush = [&] {
    html.append(run);
    run = {};
  };
  const auto closeFrame = [&] {
    if (open < 0) return;
    flush();
    html += "</div>\n";
    open = -1;
  };
  for (const auto& block : blocks_) {
    if (block.opensElement || block.opensSection) {
      closeFrame();
      flush();
      if (inElement) html += "</section>\n";
      inElement = block.opensElement;
      if (inElement) html += "<section class=\"element\">\n";
    }
    if (block.frame != open) {
      closeFrame();
      if (block.frame >= 0) {
        flush();
        html += "<div class=\"framed\">\n";
        open = block.frame;
      }
    }
    const std::string_view stored(block.html.data(), block.html.size() + 1);
    if (!run.empty() && run.data() + run.size() == stored.data()) {
      run = std::string_view(run.data(), run.size() + stored.size());
    } else {
      html.append(run);
      run = stored;
    }
  }
  closeFrame();
  flush();
  if (inElement) html += "</section>\n";
  html += "</main>\n</body>\n</html>\n";
  return html;
}

}  // namespace velko
