#include <algorithm>

#include "velko/frame/text.hpp"
#include "velko/outside/report_table.hpp"

namespace velko::report {
namespace {

// Widths beyond this are taken as this (a page is never wider).
constexpr Long kMaxWidth = 100'000'000;

ColumnFormat ParseColumnFormat(std::string_view cell) {
  ColumnFormat column;
  std::size_t i = 0;
  if (i < cell.size() && (cell[i] == '<' || cell[i] == '^' || cell[i] == '>')) {
    column.align = cell[i] == '<' ? Align::kLeft : cell[i] == '^' ? Align::kCentre : Align::kRight;
    ++i;
  }
  for (; i < cell.size() && (cell[i] == '+' || cell[i] == '!'); ++i) {
    (cell[i] == '+' ? column.wraps : column.ruleRight) = true;
  }
  Long width = 0;
  const std::size_t firstDigit = i;
  for (; i < cell.size() && cell[i] >= '0' && cell[i] <= '9'; ++i) {
    width = width >= kMaxWidth / 10 ? kMaxWidth : width * 10 + (cell[i] - '0');
  }
  if (i > firstDigit) column.width = width;
  return column;
}

}  // namespace

std::vector<ColumnFormat> ParseTableFormat(std::string_view format) {
  String text = TrimBlanks(format);
  while (!text.empty() && (text.back() == ';' || text.back() == ' '))
    text.pop_back();
  std::vector<ColumnFormat> columns;
  if (text.empty()) return columns;
  for (const String& part : Split(text, "|"))
    columns.push_back(ParseColumnFormat(TrimBlanks(part)));
  return columns;
}

std::vector<ColumnFormat> TableColumns(std::vector<ColumnFormat> columns, std::size_t cellCount) {
  const bool formatGiven = !columns.empty();
  ColumnFormat extra;
  extra.wraps = true;
  columns.resize(std::max(columns.size(), cellCount), extra);
  if (!formatGiven) {
    for (auto& column : columns)
      column.wraps = true;
  }
  return columns;
}

std::vector<Long> ColumnWidths(const std::vector<ColumnFormat>& columns, Long pageWidth) {
  double defined = 0;
  std::size_t undefinedCount = 0;
  for (const auto& column : columns) {
    if (column.width) {
      defined += *column.width;
    } else {
      ++undefinedCount;
    }
  }
  const double scale = pageWidth / std::max<double>(pageWidth, defined);
  const double rest = std::max(0.0, pageWidth - defined * scale);
  const Long undefinedWidth =
      undefinedCount ? static_cast<Long>(rest / static_cast<double>(undefinedCount)) : 0;
  std::vector<Long> widths;
  widths.reserve(columns.size());
  for (const auto& column : columns)
    widths.push_back(column.width ? static_cast<Long>(*column.width * scale) : undefinedWidth);
  return widths;
}

std::vector<TableRow> SplitTableText(std::string_view text) {
  std::vector<TableRow> rows;
  ForEachTableRow(text, [&](std::string_view row) { rows.push_back(Split(row, "|")); });
  return rows;
}

std::size_t MaxCellCount(std::string_view text) {
  if (text.empty()) return 0;
  std::size_t most = 0;
  std::size_t cells = 1;  // of the row being read
  for (const char c : text) {
    if (c == ';') {
      most = std::max(most, cells);
      cells = 1;
    } else if (c == '|') {
      ++cells;
    }
  }
  // A last row without its ";" counts too.
  return text.back() == ';' ? most : std::max(most, cells);
}

}  // namespace velko::report
