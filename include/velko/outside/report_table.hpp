// The table language of the report writers: the format of the columns and the cell and row
// texts. Every writer reads it here, so that a table lays out alike in each of them.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "velko/frame/types.hpp"

namespace velko::report {

enum class Align { kLeft, kCentre, kRight };

struct ColumnFormat {
  Align align = Align::kLeft;
  bool wraps = false;      // "+": the text may take more lines
  bool ruleRight = false;  // "!": a vertical rule at the right of the column
  std::optional<Long> width;
};

// One column format per "|"-separated part; a trailing ";" and blanks are ignored. Parts that
// cannot be read keep the defaults of what could not be read (left, one line, no rule, no width): a
// report prints its data even under a faulty layout. An empty format gives none.
std::vector<ColumnFormat> ParseTableFormat(std::string_view format);

// The columns of a table whose rows have up to `cellCount` cells: those of the format, then
// left-aligned wrapping ones for the cells the format does not describe. Without a format, every
// column wraps.
std::vector<ColumnFormat> TableColumns(std::vector<ColumnFormat> format, std::size_t cellCount);

// The printed width of each column in the writer's unit: the widths of the format, scaled down to
// the page when they add up to more; the columns without a width share what is left of the page.
std::vector<Long> ColumnWidths(const std::vector<ColumnFormat>& columns, Long pageWidth);

using TableRow = std::vector<String>;
// Rows end with ";" (a last row without it still counts), cells are separated by "|". An empty
// text has no rows; ";;" is two rows of one empty cell each.
std::vector<TableRow> SplitTableText(std::string_view text);

// The rows of a table text as SplitTableText reads them, without copying: `visit` gets the text
// of each row (its cells with their "|", without the ";").
template <typename Visit>
void ForEachTableRow(std::string_view text, Visit&& visit) {
  std::size_t start = 0;
  while (start < text.size()) {  // a ";" at the very end opens no further row
    const std::size_t end = text.find(';', start);
    if (end == std::string_view::npos) {
      visit(text.substr(start));
      return;
    }
    visit(text.substr(start, end - start));
    start = end + 1;
  }
}

// The cells of one row, in order; past the last cell, Next gives empty cells.
class TableCells {
 public:
  explicit TableCells(std::string_view row) : rest_(row) {}
  std::string_view Next() {
    if (done_) return {};
    const std::size_t end = rest_.find('|');
    if (end == std::string_view::npos) {
      done_ = true;
      return rest_;
    }
    const std::string_view cell = rest_.substr(0, end);
    rest_.remove_prefix(end + 1);
    return cell;
  }

 private:
  std::string_view rest_;
  bool done_ = false;
};

// The most cells that a row of the text has; 0 for a text without rows.
std::size_t MaxCellCount(std::string_view text);

}  // namespace velko::report
