#include "velko/host/report/pdf_report.hpp"

#include <cairo-pdf.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "velko/core/error_module.hpp"
#include "velko/frame/error.hpp"
#include "velko/frame/text.hpp"
#include "velko/outside/html_report.hpp"
#include "velko/outside/report_stand_ins.hpp"
#include "velko/outside/report_table.hpp"
#include "velko/outside/rich_text.hpp"

namespace velko::host {
namespace {

constexpr const char* kSource = "VelkoHost.PdfReport";

// Page geometry in points.
constexpr double kMargin = 42.52;  // 15 mm
constexpr double kHeaderBand = 22;
constexpr double kFooterBand = 22;
constexpr double kCellPadX = 3;
constexpr double kCellPadY = 1.5;
constexpr double kTwips = PdfReport::kTwipsPerPoint;

constexpr const char* kFamily = "DejaVu Sans";
constexpr double kBodySize = 9;
constexpr double kSmallSize = 8;
constexpr double kPageTextSize = 7.5;
// Framed blocks (style 11) are set in by this much from the right edge: the rule that callers
// draw beside them, a little inside the edge, stays clear of their text.
constexpr double kFramedInset = 36;

struct PaperSize {
  double width;
  double height;
};

PaperSize SizeOf(Paper paper) {
  return paper == Paper::kLetter ? PaperSize{612, 792} : PaperSize{595.28, 841.89};
}

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
using LayoutPtr = std::unique_ptr<PangoLayout, GObjectUnref>;

struct Colour {
  double r = 0, g = 0, b = 0;
};

// RGB Long (r + 256 g + 65536 b); 0 and values that are no colour give none.
std::optional<Colour> ColourOf(Long rgb) {
  if (rgb <= 0 || rgb > 0xFFFFFF) return std::nullopt;
  return Colour{(rgb & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, ((rgb >> 16) & 0xFF) / 255.0};
}

// The type of a style.
struct Look {
  double size = kBodySize;
  PangoWeight weight = PANGO_WEIGHT_NORMAL;
};

Look LookOf(Long style) {
  switch (style) {
    case 3:
    case 4:
      return {13, PANGO_WEIGHT_BOLD};
    case 5:
      return {kBodySize, PANGO_WEIGHT_SEMIBOLD};
    case 9:
      return {kBodySize, PANGO_WEIGHT_BOLD};
    case 10:
      return {kSmallSize, PANGO_WEIGHT_NORMAL};
    default:
      return {};
  }
}

struct Cell {
  LayoutPtr layout;
  double x = 0;  // from the left of the printable area
  double width = 0;
  bool ruleRight = false;
  bool muted = false;
};

struct Row {
  std::vector<Cell> cells;
  double height = 0;
  std::optional<Colour> shade;
};

struct Block {
  enum class Kind { kHeading, kTable, kRule };
  Kind kind = Kind::kHeading;
  std::vector<Row> rows;
  std::size_t headerRows = 0;  // repeated on the pages a table continues on
  double spaceAbove = 0;
  double spaceBelow = 0;
  bool keepTogether = false;
  bool keepWithPrevious = false;
  bool startsUnit = false;  // a section heading or an element's heading row
  bool ruleAbove = false;
  bool ruleBelow = false;
  bool grid = false;
  double top = 0;  // in the column of everything printed, points
  double bottom = 0;
  std::vector<std::size_t> rules;   // the vertical rules drawn beside it
  double ruleFrom = 0, ruleTo = 0;  // a horizontal rule's x range

  double RowsHeight() const {
    double height = 0;
    for (const Row& row : rows)
      height += row.height;
    return height;
  }
  double Height() const { return spaceAbove + RowsHeight() + spaceBelow; }
};

// A piece of a block on a page: a row (or the part of a tall row between `from` and `to`, as
// measured from its top), drawn with its top at `y` below the top of the page's body.
struct Piece {
  std::size_t block = 0;
  std::size_t row = 0;
  double y = 0;
  double from = 0;
  double to = 0;
  double space = 0;  // the block's space above this piece, kept on the page
};

using Page = std::vector<Piece>;

// The highest position at or below `cut` (from the row's top) where no line of any cell of the
// row is cut through; `from` when every cell has a line across `cut` that starts above it.
double LineSafeCut(const Row& row, double from, double cut) {
  double safe = cut;
  for (const Cell& cell : row.cells) {
    PangoLayoutIter* iter = pango_layout_get_iter(cell.layout.get());
    do {
      int top = 0, bottom = 0;
      pango_layout_iter_get_line_yrange(iter, &top, &bottom);
      const double lineTop = kCellPadY + top / double(PANGO_SCALE);
      const double lineBottom = kCellPadY + bottom / double(PANGO_SCALE);
      if (lineTop < safe && lineBottom > safe && lineTop > from) safe = lineTop;
    } while (pango_layout_iter_next_line(iter));
    pango_layout_iter_free(iter);
  }
  return safe;
}

// The text as cairo takes it for a PDF's selectable text and metadata: well-formed UTF-8 without
// noncharacters (U+FDD0 to U+FDEF, U+xFFFE and U+xFFFF), which cairo refuses for the whole
// document; each becomes the replacement character, so that no text can cost the report.
String CairoSafe(std::string_view text) {
  String safe;
  safe.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8SequenceLength(text, i);
    std::size_t next = i;
    const char32_t c = length ? DecodeUtf8(text, next) : 0;
    const bool nonCharacter = (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
    if (length == 0 || nonCharacter) {
      AppendUtf8(safe, 0xFFFD);
      i += length ? length : 1;
    } else {
      safe.append(text.substr(i, length));
      i += length;
    }
  }
  return safe;
}

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<String*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::optional<Paper> PaperNamed(const String& name) {
  const String lower = ToLowerAscii(name);
  if (lower == "a4") return Paper::kA4;
  if (lower == "letter") return Paper::kLetter;
  return std::nullopt;
}

class PdfReport::Document {
 public:
  explicit Document(Paper paper) : paper_(SizeOf(paper)) {
    // The thread's own font map (pango keeps one per thread): its fonts are loaded once for every
    // report the thread prints.
    context_ = pango_font_map_create_context(pango_cairo_font_map_get_default());
    pango_cairo_context_set_resolution(context_, 72);  // one pango unit scale to the point
    cairo_font_options_t* options = cairo_font_options_create();
    // Unhinted metrics: what is measured here is what the PDF shows at any zoom.
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context_, options);
    cairo_font_options_destroy(options);
  }
  ~Document() {
    blocks_.clear();  // the layouts before their context
    g_object_unref(context_);
  }
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  Long reportLevel = 3;
  Long reportOptions = 7;
  Long style = 6;
  Integer tableStyle = 0;
  Long tableParam = 0;
  Long tableMode = 0;
  Integer option = 0;
  String title;
  String headerLeft, headerRight, footerLeft;
  PageOfText pageOf = [](std::size_t page, std::size_t pages) {
    return "Page " + std::to_string(page) + " of " + std::to_string(pages);
  };

  double BodyWidth() const { return paper_.width - 2 * kMargin; }
  double BodyHeight() const { return paper_.height - 2 * kMargin - kHeaderBand - kFooterBand; }
  Long WidthTwips() const { return static_cast<Long>(std::floor(BodyWidth() * kTwips)); }
  Long PositionTwips() const {
    return static_cast<Long>(std::min(flow_ * kTwips, 2'000'000'000.0));
  }

  // ReplaceChars: device texts keep their reserved characters as the writers' stand-ins, which
  // every layout prints back as the originals.
  report::WriterReplacer replacer;

  Long MeasureTwips(const String& text) {
    const LayoutPtr layout = MakeLayout(text, Look{}, -1);
    int width = 0, height = 0;
    pango_layout_get_size(layout.get(), &width, &height);
    return static_cast<Long>(std::lround(width / double(PANGO_SCALE) * kTwips));
  }

  void AddTitle(const String& text) {
    Block block;
    block.spaceBelow = 8;
    block.rows.push_back(TextRow(text, Look{16, PANGO_WEIGHT_BOLD}, 0, BodyWidth()));
    block.startsUnit = true;
    Append(std::move(block));
  }

  void AddHeading(const String& text) {
    const bool section = style == 3;
    Block block;
    block.spaceAbove = section ? 12 : 2;
    block.spaceBelow = section ? 4 : 0;
    block.ruleBelow = section;
    block.startsUnit = section;
    block.keepTogether = true;
    block.keepWithPrevious = TakeOption();
    const double width = style == 11 ? BodyWidth() - kFramedInset : BodyWidth();
    block.rows.push_back(TextRow(text, LookOf(style), 0, width));
    Append(std::move(block));
  }

  void AddTable(const String& format, const String& header, const String& body, Long backColour) {
    const std::size_t cells = std::max(report::MaxCellCount(header), report::MaxCellCount(body));
    const bool keepWithPrevious = TakeOption();
    if (cells == 0) return;  // no rows at all
    const std::vector<report::ColumnFormat> columns =
        report::TableColumns(report::ParseTableFormat(format), cells);
    const std::vector<Long> widths = report::ColumnWidths(columns, WidthTwips());
    const std::optional<Colour> shade = ColourOf(backColour);
    Block block;
    block.kind = Block::Kind::kTable;
    block.spaceAbove = static_cast<double>(tableParam);
    block.keepTogether = tableMode == 1;
    block.keepWithPrevious = keepWithPrevious;
    block.startsUnit = style == 9;
    block.ruleAbove = style == 9;
    block.grid = tableStyle == 3;
    AddRows(block, header, columns, widths, shade, LookOf(style));
    block.headerRows = block.rows.size();
    // A table heading's look (5) is for its header: the values under it print as body text.
    AddRows(block, body, columns, widths, header.empty() ? shade : std::nullopt,
            LookOf(style == 5 && !header.empty() ? 6 : style));
    Append(std::move(block));
  }

  void AddLine(Long x1, Long y1, Long x2, Long y2) {
    if (x1 == x2 && y1 != y2) return AddVerticalRule(std::min(y1, y2), std::max(y1, y2));
    if (y1 == y2 && x1 != x2) return AddHorizontalRule(std::min(x1, x2), std::max(x1, x2), y1);
    // A point or a slanted line is not drawn: a report has no use for them.
  }

  String Render() const;

 private:
  bool TakeOption() {
    const bool keep = option == 1;
    option = 0;
    return keep;
  }

  void Append(Block block) {
    block.top = flow_;
    flow_ += block.Height();
    block.bottom = flow_;
    blocks_.push_back(std::move(block));
  }

  // A layout of a rich text (or of a plain one, every character as it stands) in a look, wrapped
  // at `width` points (-1: not wrapped).
  LayoutPtr MakeLayout(std::string_view text, const Look& look, double width,
                       bool rich = true) const {
    LayoutPtr layout(pango_layout_new(context_));
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, kFamily);
    pango_font_description_set_absolute_size(font, look.size * PANGO_SCALE);
    pango_font_description_set_weight(font, look.weight);
    pango_layout_set_font_description(layout.get(), font);
    pango_font_description_free(font);
    String plain;
    PangoAttrList* attributes = pango_attr_list_new();
    bool firstLine = true;
    const std::vector<report::TextLine> lines =
        rich ? report::RichTextLines(text)
             : std::vector<report::TextLine>{{report::TextRun{String(text), {}}}};
    for (const report::TextLine& line : lines) {
      if (!firstLine) plain += '\n';
      firstLine = false;
      for (const report::TextRun& run : line) {
        const auto start = static_cast<guint>(plain.size());
        String piece;
        if (rich) {
          piece = report::WithOriginals(run.text);
        } else {
          report::AppendPrintable(piece, report::WithOriginals(run.text));
        }
        plain += CairoSafe(piece);
        AddRunAttributes(attributes, run.look, start, static_cast<guint>(plain.size()));
      }
    }
    pango_layout_set_text(layout.get(), plain.c_str(), static_cast<int>(plain.size()));
    pango_layout_set_attributes(layout.get(), attributes);
    pango_attr_list_unref(attributes);
    if (width > 0) {
      pango_layout_set_width(layout.get(), static_cast<int>(width * PANGO_SCALE));
      pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    }
    return layout;
  }

  static void AddRunAttributes(PangoAttrList* list, const report::TextLook& look, guint start,
                               guint end) {
    const auto add = [&](PangoAttribute* attribute) {
      attribute->start_index = start;
      attribute->end_index = end;
      pango_attr_list_insert(list, attribute);
    };
    if (look.bold) add(pango_attr_weight_new(PANGO_WEIGHT_BOLD));
    if (look.italic) add(pango_attr_style_new(PANGO_STYLE_ITALIC));
    if (look.underline) add(pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (look.halfPoints > 0) add(pango_attr_size_new_absolute(look.halfPoints * PANGO_SCALE / 2));
  }

  Cell MakeCell(std::string_view text, const Look& look, double x, double width,
                PangoAlignment align) const {
    Cell cell;
    cell.x = x;
    cell.width = width;
    cell.layout = MakeLayout(text, look, std::max(1.0, width - 2 * kCellPadX));
    pango_layout_set_alignment(cell.layout.get(), align);
    return cell;
  }

  static double CellHeight(const Cell& cell) {
    int width = 0, height = 0;
    pango_layout_get_size(cell.layout.get(), &width, &height);
    return height / double(PANGO_SCALE) + 2 * kCellPadY;
  }

  Row TextRow(std::string_view text, const Look& look, double x, double width) const {
    Row row;
    Cell cell = MakeCell(text, look, x - kCellPadX, width + 2 * kCellPadX, PANGO_ALIGN_LEFT);
    row.height = CellHeight(cell);
    row.cells.push_back(std::move(cell));
    return row;
  }

  void AddRows(Block& block, std::string_view text,
               const std::vector<report::ColumnFormat>& columns, const std::vector<Long>& widths,
               const std::optional<Colour>& shade, const Look& look) const {
    report::ForEachTableRow(text, [&](std::string_view cellsText) {
      Row row;
      row.shade = shade;
      report::TableCells cells(cellsText);
      double x = 0;
      for (std::size_t c = 0; c < columns.size(); ++c) {
        const double width = widths[c] / kTwips;
        Look cellLook = look;
        if (tableStyle == 2 && c == 0) cellLook.size = 11;
        Cell cell = MakeCell(cells.Next(), cellLook, x, width, AlignOf(columns[c].align));
        cell.ruleRight = columns[c].ruleRight;
        cell.muted = tableStyle == 4 && c % 2 == 0;
        row.height = std::max(row.height, CellHeight(cell));
        row.cells.push_back(std::move(cell));
        x += width;
      }
      block.rows.push_back(std::move(row));
    });
  }

  static PangoAlignment AlignOf(report::Align align) {
    switch (align) {
      case report::Align::kCentre:
        return PANGO_ALIGN_CENTER;
      case report::Align::kRight:
        return PANGO_ALIGN_RIGHT;
      case report::Align::kLeft:
        break;
    }
    return PANGO_ALIGN_LEFT;
  }

  void AddVerticalRule(Long yFrom, Long yTo) {
    const std::size_t id = verticalRules_;
    bool used = false;
    // Blocks are appended at the position, which never goes back: walking back from the end, the
    // first block above yFrom ends the search.
    for (auto it = blocks_.rbegin(); it != blocks_.rend(); ++it) {
      if (it->kind == Block::Kind::kRule) continue;
      if (it->top * kTwips < yFrom - 1) break;
      if (it->bottom <= it->top || it->bottom * kTwips > yTo + 1) continue;
      it->rules.push_back(id);
      used = true;
    }
    if (used) ++verticalRules_;
  }

  void AddHorizontalRule(Long xFrom, Long xTo, Long y) {
    auto after = blocks_.begin();
    for (auto it = blocks_.end(); it != blocks_.begin(); --it) {
      if ((it - 1)->bottom * kTwips <= y + 1) {
        after = it;
        break;
      }
    }
    Block block;
    block.kind = Block::Kind::kRule;
    block.top = block.bottom = y / kTwips;
    block.ruleFrom = std::clamp(xFrom / kTwips, 0.0, BodyWidth());
    block.ruleTo = std::clamp(xTo / kTwips, 0.0, BodyWidth());
    block.keepWithPrevious = true;
    blocks_.insert(after, std::move(block));
  }

  std::vector<Page> Paginate() const;
  void DrawPage(cairo_t* cr, const Page& page, std::size_t number, std::size_t pages) const;
  void DrawPageTexts(cairo_t* cr, std::size_t number, std::size_t pages) const;
  void DrawRow(cairo_t* cr, const Block& block, const Row& row, double top, bool first) const;
  void DrawText(cairo_t* cr, const String& text, double x, double y, PangoAlignment align,
                double width) const;

  PaperSize paper_;
  PangoContext* context_ = nullptr;
  std::vector<Block> blocks_;
  std::size_t verticalRules_ = 0;  // the rules that framed a block so far
  double flow_ = 0;
};

// Lays the blocks onto pages. Blocks form units: a section heading or an element's heading row
// starts one, and every block up to the next start belongs to it. A unit that fits on a page
// never breaks; a longer one breaks between blocks, a table that is not kept together between
// its rows, and a row taller than a page at a line boundary.
std::vector<Page> PdfReport::Document::Paginate() const {
  const double pageHeight = BodyHeight();
  std::vector<Page> pages(1);
  double y = 0;
  const auto newPage = [&] {
    if (pages.back().empty()) return;
    pages.emplace_back();
    y = 0;
  };
  const auto placeRow = [&](std::size_t b, std::size_t r, double space) {
    const Block& block = blocks_[b];
    const Row& row = block.rows[r];
    if (y > 0 && y + space + row.height > pageHeight) newPage();
    if (y == 0) space = 0;
    y += space;
    double from = 0;
    while (true) {
      const double room = pageHeight - y;
      const double to =
          row.height - from <= room ? row.height : LineSafeCut(row, from, from + room);
      const double end = to > from ? to : from + room;
      pages.back().push_back({b, r, y, from, end, space});
      y += end - from;
      space = 0;
      from = end;
      if (from >= row.height) break;
      newPage();
    }
  };
  const auto placeBlock = [&](std::size_t b, bool continuesUnit) {
    const Block& block = blocks_[b];
    if (block.kind == Block::Kind::kRule) {
      pages.back().push_back({b, 0, y, 0, 0, 0});
      return;
    }
    const double height = block.RowsHeight() + (y > 0 ? block.spaceAbove : 0);
    // Kept together where it fits: a heading also takes the first row of what follows along.
    double needed = height;
    if (block.kind == Block::Kind::kHeading && b + 1 < blocks_.size() &&
        !blocks_[b + 1].rows.empty())
      needed += blocks_[b + 1].spaceAbove + blocks_[b + 1].rows.front().height;
    if (!continuesUnit && (block.keepTogether || block.kind == Block::Kind::kHeading) && y > 0 &&
        y + needed > pageHeight && needed <= pageHeight)
      newPage();
    for (std::size_t r = 0; r < block.rows.size(); ++r) {
      const bool breaks = y > 0 && y + block.rows[r].height > pageHeight;
      if (breaks && r >= block.headerRows && block.headerRows > 0) {
        newPage();
        for (std::size_t h = 0; h < block.headerRows; ++h)
          placeRow(b, h, 0);
      }
      placeRow(b, r, r == 0 ? block.spaceAbove : 0);
    }
    y += block.spaceBelow;
  };
  for (std::size_t start = 0; start < blocks_.size();) {
    std::size_t end = start + 1;
    while (end < blocks_.size() && (!blocks_[end].startsUnit || blocks_[end].keepWithPrevious))
      ++end;
    double height = 0;
    for (std::size_t b = start; b < end; ++b)
      height += blocks_[b].Height();
    if (y > 0) {
      if (y + height > pageHeight && height <= pageHeight) newPage();
    }
    const bool whole = y + height <= pageHeight;
    for (std::size_t b = start; b < end; ++b)
      placeBlock(b, whole);
    start = end;
  }
  return pages;
}

void PdfReport::Document::DrawText(cairo_t* cr, const String& text, double x, double y,
                                   PangoAlignment align, double width) const {
  if (text.empty()) return;
  const LayoutPtr layout = MakeLayout(text, Look{kPageTextSize, PANGO_WEIGHT_NORMAL}, width, false);
  pango_layout_set_alignment(layout.get(), align);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout.get());
}

void PdfReport::Document::DrawPageTexts(cairo_t* cr, std::size_t number, std::size_t pages) const {
  const double width = BodyWidth();
  cairo_set_source_rgb(cr, 0.25, 0.25, 0.25);
  DrawText(cr, headerLeft, kMargin, kMargin, PANGO_ALIGN_LEFT, width * 0.7);
  DrawText(cr, headerRight, kMargin + width * 0.7, kMargin, PANGO_ALIGN_RIGHT, width * 0.3);
  const double footerTop = paper_.height - kMargin - kPageTextSize * 1.6;
  DrawText(cr, footerLeft, kMargin, footerTop, PANGO_ALIGN_LEFT, width * 0.7);
  DrawText(cr, pageOf(number, pages), kMargin + width * 0.7, footerTop, PANGO_ALIGN_RIGHT,
           width * 0.3);
  cairo_set_line_width(cr, 0.5);
  const double headerRule = kMargin + kHeaderBand - 6;
  const double footerRule = paper_.height - kMargin - kFooterBand + 6;
  for (const double y : {headerRule, footerRule}) {
    cairo_move_to(cr, kMargin, y);
    cairo_line_to(cr, kMargin + width, y);
  }
  cairo_stroke(cr);
}

void PdfReport::Document::DrawRow(cairo_t* cr, const Block& block, const Row& row, double top,
                                  bool first) const {
  for (const Cell& cell : row.cells) {
    const double x = kMargin + cell.x;
    if (row.shade) {
      cairo_set_source_rgb(cr, row.shade->r, row.shade->g, row.shade->b);
      cairo_rectangle(cr, x, top, cell.width, row.height);
      cairo_fill(cr);
    }
    const double grey = cell.muted ? 0.27 : 0;
    cairo_set_source_rgb(cr, grey, grey, grey);
    cairo_move_to(cr, x + kCellPadX, top + kCellPadY);
    pango_cairo_show_layout(cr, cell.layout.get());
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 0.5);
    if (block.grid) {
      cairo_rectangle(cr, x, top, cell.width, row.height);
      cairo_stroke(cr);
    } else if (cell.ruleRight) {
      cairo_set_source_rgb(cr, 0.73, 0.73, 0.73);  // a column rule, light as in the HTML report
      cairo_move_to(cr, x + cell.width, top);
      cairo_line_to(cr, x + cell.width, top + row.height);
      cairo_stroke(cr);
    }
  }
  if (block.ruleAbove && first) {
    cairo_set_line_width(cr, 1.2);
    cairo_move_to(cr, kMargin, top);
    cairo_line_to(cr, kMargin + BodyWidth(), top);
    cairo_stroke(cr);
  }
  if (block.ruleBelow) {
    cairo_set_source_rgb(cr, 0.33, 0.33, 0.33);
    cairo_set_line_width(cr, 0.6);
    cairo_move_to(cr, kMargin, top + row.height + 1);
    cairo_line_to(cr, kMargin + BodyWidth(), top + row.height + 1);
    cairo_stroke(cr);
  }
}

void PdfReport::Document::DrawPage(cairo_t* cr, const Page& page, std::size_t number,
                                   std::size_t pages) const {
  DrawPageTexts(cr, number, pages);
  const double bodyTop = kMargin + kHeaderBand;
  for (const Piece& piece : page) {
    const Block& block = blocks_[piece.block];
    const double top = bodyTop + piece.y;
    if (block.kind == Block::Kind::kRule) {
      cairo_set_source_rgb(cr, 0, 0, 0);
      cairo_set_line_width(cr, 0.6);
      cairo_move_to(cr, kMargin + block.ruleFrom, top);
      cairo_line_to(cr, kMargin + block.ruleTo, top);
      cairo_stroke(cr);
      continue;
    }
    const Row& row = block.rows[piece.row];
    cairo_save(cr);
    if (piece.from > 0 || piece.to < row.height) {
      cairo_rectangle(cr, 0, top, paper_.width, piece.to - piece.from);
      cairo_clip(cr);
    }
    DrawRow(cr, block, row, top - piece.from, piece.row == 0 && piece.from == 0);
    cairo_restore(cr);
    // A rule the library draws beside a block only frames it: it becomes a light bar on the
    // block's left edge, as in the HTML report, instead of a stray line at the right margin.
    if (!block.rules.empty()) {
      const double x = kMargin - 4;
      cairo_set_source_rgb(cr, 0.73, 0.73, 0.73);
      cairo_set_line_width(cr, 1.5);
      cairo_move_to(cr, x, top - piece.space);
      cairo_line_to(cr, x, top + piece.to - piece.from);
      cairo_stroke(cr);
    }
  }
}

String PdfReport::Document::Render() const {
  const std::vector<Page> pages = Paginate();
  String pdf;
  cairo_surface_t* surface =
      cairo_pdf_surface_create_for_stream(AppendToString, &pdf, paper_.width, paper_.height);
  if (!title.empty())
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, CairoSafe(title).c_str());
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "VelkoCore");
  cairo_t* cr = cairo_create(surface);
  for (std::size_t p = 0; p < pages.size(); ++p) {
    DrawPage(cr, pages[p], p + 1, pages.size());
    cairo_show_page(cr);
  }
  const cairo_status_t drawn = cairo_status(cr);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const cairo_status_t finished = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  const cairo_status_t status = drawn != CAIRO_STATUS_SUCCESS ? drawn : finished;
  if (status != CAIRO_STATUS_SUCCESS) {
    throw Error(rt::kInvalidCall, kSource,
                String("The PDF report cannot be made (") + cairo_status_to_string(status) + ").");
  }
  return pdf;
}

PdfReport::PdfReport(Paper paper) : doc_(std::make_unique<Document>(paper)) {}
PdfReport::~PdfReport() = default;

Long PdfReport::PositionY() {
  return doc_->PositionTwips();
}
void PdfReport::SetStyle(Long style) {
  doc_->style = style;
}
Long PdfReport::RightEdge(Long /*which*/) {
  return doc_->WidthTwips();
}
Long PdfReport::PageWidth(Long /*which*/) {
  return doc_->WidthTwips();
}
void PdfReport::PrintHeading(const String& text) {
  doc_->AddHeading(text);
}
void PdfReport::SetTableStyle(Integer style) {
  doc_->tableStyle = style;
}
void PdfReport::SetTableMode(Long mode) {
  doc_->tableMode = mode;
}
void PdfReport::SetTableParam(Long param) {
  doc_->tableParam = std::clamp(param, 0, 72);
}
void PdfReport::SetOption(Integer option) {
  doc_->option = option;
}
Long PdfReport::ReportLevel() {
  return doc_->reportLevel;
}
Long PdfReport::ReportOptions() {
  return doc_->reportOptions;
}
void PdfReport::PrintTable(const String& format, const String& header, const String& body,
                           Long backColour, Long /*reserved1*/, Long /*reserved2*/) {
  doc_->AddTable(format, header, body, backColour);
}
void PdfReport::DrawLine(Long x1, Long y1, Long x2, Long y2) {
  doc_->AddLine(x1, y1, x2, y2);
}
String PdfReport::ReplaceChars(const String& text, const String& from, const String& to) {
  return doc_->replacer.Apply(text, from, to);
}
Long PdfReport::TextWidth(const String& text) {
  return doc_->MeasureTwips(text);
}
String PdfReport::Translate(const String& plugInId, const String& messageKey,
                            const Variant& params) {
  return ReportTranslation(plugInId, messageKey, params);
}
void PdfReport::SetReportLevel(Long level) {
  doc_->reportLevel = level;
}
void PdfReport::SetReportOptions(Long options) {
  doc_->reportOptions = options;
}
void PdfReport::SetTitle(const String& title) {
  doc_->title = title;
  if (!title.empty()) doc_->AddTitle(title);
}
void PdfReport::SetPageTexts(const String& headerLeft, const String& headerRight,
                             const String& footerLeft, PageOfText pageOf) {
  doc_->headerLeft = headerLeft;
  doc_->headerRight = headerRight;
  doc_->footerLeft = footerLeft;
  if (pageOf) doc_->pageOf = std::move(pageOf);
}
String PdfReport::Pdf() const {
  return doc_->Render();
}

}  // namespace velko::host
