// The document behind HtmlReport: the printed blocks with their vertical extent, the rules drawn
// beside them, and the rendering of the whole HTML page.
#pragma once

#include <optional>
#include <vector>

#include "velko/outside/html_report.hpp"

namespace velko {
namespace report {

// The printed width of a text (its longest line) in the writer's unit.
Long MeasureText(std::string_view text);

struct Block {
  enum class Kind { kHeading, kTable, kRule };
  Kind kind = Kind::kHeading;
  String html;
  Long top = 0;
  Long bottom = 0;
  int leftRule = -1;  // index of the vertical rule drawn beside the block, -1 none
  int rightRule = -1;
};

// A vertical rule: on which side of its blocks, and how far inside that page edge.
struct VerticalRule {
  bool right = true;
  Long inset = 0;
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

  Long RightEdge() const { return rightEdge.value_or(pageWidth); }
  void AddHeading(const String& text);
  void AddTable(const String& format, const String& header, const String& body, Long backColour);
  void AddLine(Long x1, Long y1, Long x2, Long y2);
  String Render() const;

 private:
  // The classes shared by every block: its style and the one-shot option.
  String BlockClasses();
  void Append(report::Block block, long long height);
  void AddVerticalRule(Long x, Long yFrom, Long yTo);
  void AddHorizontalRule(Long xFrom, Long xTo, Long y);

  std::vector<report::Block> blocks_;
  std::vector<report::VerticalRule> rules_;
};

}  // namespace velko
