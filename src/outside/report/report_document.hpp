// The document behind HtmlReport: the printed blocks with their vertical extent, the rules drawn
// beside them, and the rendering of the whole HTML page.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "velko/outside/html_report.hpp"
#include "velko/outside/report_stand_ins.hpp"
#include "velko/outside/report_table.hpp"

namespace velko {
namespace report {

// The printed width of a text (its longest line) in the writer's unit.
Long MeasureText(std::string_view text);

// The markup of printed blocks, kept in large chunks that never move: a report of many thousand
// blocks costs a few allocations, and blocks printed one after the other lie side by side.
class MarkupStore {
 public:
  // Copies `markup` and a line end after it; the view (without the line end) stays valid as long
  // as the store.
  std::string_view Add(std::string_view markup);

 private:
  static constexpr std::size_t kChunkBytes = std::size_t{64} << 10;  // below the size malloc maps
  std::vector<std::unique_ptr<char[]>> chunks_;
  std::size_t used_ = 0;  // of the last chunk
  std::size_t capacity_ = 0;
};

struct Block {
  enum class Kind { kHeading, kTable, kRule };
  Kind kind = Kind::kHeading;
  std::string_view html;  // in the document's MarkupStore, followed there by a line end
  Long top = 0;
  Long bottom = 0;
  int frame = -1;  // the framed block (a vertical rule drawn beside it) it is in; -1 none
  bool opensElement = false;  // an element's heading row: what follows up to the next belongs to it
  bool opensSection = false;  // a section heading: ends the element before it
};

enum class TableSection { kHeader, kBody };

// How a table of a format lays out on a page: its columns, and the markup of its widths.
struct TableLayout {
  std::size_t cells = 0;  // the most cells of a row, and the page width, laid out for
  Long pageWidth = 0;
  std::vector<ColumnFormat> columns;
  std::vector<Long> unitWidths;  // for counting wrapped lines
  String tableWidth;             // the table's share of the page, as a CSS length
  String colgroup;               // the column widths as the table's <colgroup> line
  // What goes before the text of each cell of an unshaded row, by TableSection.
  std::array<std::vector<String>, 2> cellStarts;
};

}  // namespace report

class HtmlReport::Document {
 public:
  String title;
  Long pageWidth = HtmlReport::kDefaultPageWidth;
  std::optional<Long> rightEdge;  // the page width until set
  Long reportLevel = 3;
  Long reportOptions = 7;  // configuration, limits and results
  Long style = 6;
  Integer tableStyle = 0;
  Long tableParam = 0;
  Long tableMode = 0;
  Integer option = 0;  // for the next block only
  Long positionY = 0;
  HtmlReport::PageFrame pageFrame;

  Long RightEdge() const { return rightEdge.value_or(pageWidth); }
  void AddHeading(const String& text);
  void AddTable(const String& format, const String& header, const String& body, Long backColour);
  void AddLine(Long x1, Long y1, Long x2, Long y2);
  void AddFigure(const String& svg, Long height);
  String Render() const;
  // ReplaceChars: device texts keep their reserved characters as the writer's stand-ins.
  report::WriterReplacer replacer;

 private:
  // Appends the classes shared by every block: its style and the one-shot option.
  void AppendBlockClasses(String& html);
  void Append(report::Block block, long long height);
  void AddVerticalRule(Long yFrom, Long yTo);
  // The layout of a table of `format` with rows of up to `cells` cells on the current page.
  const report::TableLayout& LayoutFor(const String& format, std::size_t cells);
  void AddHorizontalRule(Long xFrom, Long xTo, Long y);

  report::MarkupStore markup_;
  std::vector<report::Block> blocks_;
  int frames_ = 0;  // framed blocks made so far
  std::unordered_map<String, std::vector<report::TableLayout>> layouts_;  // by format
  String scratch_;                                                        // where a table is built
};

}  // namespace velko
