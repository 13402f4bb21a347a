// The table texts of the report writer: the format language and the cell and row texts.
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

using TableRow = std::vector<String>;
// Rows end with ";" (a last row without it still counts), cells are separated by "|". An empty
// text has no rows; ";;" is two rows of one empty cell each.
std::vector<TableRow> SplitTableText(std::string_view text);

}  // namespace velko::report
