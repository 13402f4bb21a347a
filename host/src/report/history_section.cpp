#include "velko/host/report/history_section.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "velko/core/error_module.hpp"
#include "velko/core/translation.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/host/run/step_outcome.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/outside/html_report.hpp"
#include "velko/typelib/enums.hpp"

namespace velko::host {
namespace {

// Report styles and table looks of the writer (see HtmlReport).
constexpr Long kStyleSection = 3;
constexpr Long kStyleTableHeading = 5;
constexpr Long kStyleBody = 6;
constexpr Integer kTableGrid = 3;
constexpr Long kShadedHeader = 12632256;  // light grey
constexpr const char* kTableFormat = "<+2400|>+1200|>+1200|>+1100|>+1200|>+1300|<+1600";
constexpr const char* kCellSpecials = "|;{}";
constexpr const char* kCellReplacements = " ,()";

// The chart's size in pixels, its plot area and its height in the writer's unit.
constexpr double kChartWidth = 232;
constexpr double kChartHeight = 118;
constexpr double kPlotLeft = 58;
constexpr double kPlotRight = 224;
constexpr double kPlotTop = 22;
constexpr double kPlotBottom = 100;
constexpr Long kChartUnits = 1700;

String EscapedMarkup(std::string_view text) {
  String out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

String Cell(const Ref<IReport>& report, const String& text) {
  return report->ReplaceChars(text, kCellSpecials, kCellReplacements);
}

// A value as the archive keeps it ("0.463", "yes") as the reader of the report reads it.
String Shown(const String& stored) {
  return DisplayNumberText(FlagWord(stored));
}

String WithUnit(const String& stored, const String& unit) {
  const String text = Shown(stored);
  if (text.empty() || unit.empty()) return text;
  return text + " " + unit;
}

String ChangeWithUnit(const std::optional<double>& change, const String& unit) {
  return change ? WithUnit(ChangeText(*change), unit) : String();
}

String PercentText(double share) {
  return fmt::format("{:.0f} %", share * 100);
}

String TowardsLimitText(const MeasurementSeries& series) {
  if (!series.shareTowardsLimit) return {};
  String text = PercentText(*series.shareTowardsLimit);
  if (series.drifting) text += " \xE2\x9A\xA0 " + HostText("834::near its limit");
  return text;
}

String Row(const Ref<IReport>& report, const MeasurementSeries& s) {
  const String name = s.elementName.empty() ? s.name : s.elementName + " (" + s.name + ")";
  const String current = s.points.empty() ? String() : WithUnit(s.points.back().valueText, s.unit);
  const String previous =
      s.points.size() >= 2 ? WithUnit(s.points[s.points.size() - 2].valueText, s.unit) : String();
  const String reference =
      s.points.size() >= 2 ? WithUnit(s.points.front().valueText, s.unit) : String();
  const std::vector<String> cells = {name,
                                     current,
                                     previous,
                                     ChangeWithUnit(s.changeFromPrevious, s.unit),
                                     reference,
                                     ChangeWithUnit(s.changeFromReference, s.unit),
                                     TowardsLimitText(s)};
  String row;
  for (std::size_t i = 0; i < cells.size(); ++i)
    row += (i ? "|" : "") + Cell(report, cells[i]);
  return row + ";";
}

void PrintTableOfSeries(const Ref<IReport>& report, const DeviceComparison& history) {
  const String header = HostText("835::Measurement") + "|" + HostText("836::This test") + "|" +
                        HostText("837::Previous test") + "|" + HostText("838::Change") + "|" +
                        HostText("839::First test") + "|" + HostText("840::Change since first") +
                        "|" + HostText("841::Towards its limit") + ";";
  String body;
  for (const MeasurementSeries& s : history.series) {
    if (s.inNewest) body += Row(report, s);
  }
  report->SetStyle(kStyleTableHeading);
  report->SetTableStyle(kTableGrid);
  report->PrintTable(kTableFormat, header, body, kShadedHeader, 0, 0);
}

// The y position of a value in the plot area.
struct Scale {
  double low;
  double high;
  double Y(double value) const {
    const double span = high - low;
    return kPlotBottom - (span > 0 ? (value - low) / span : 0.5) * (kPlotBottom - kPlotTop);
  }
};

Scale ScaleOf(const MeasurementSeries& series) {
  std::vector<double> values;
  for (const SeriesPoint& p : series.points) {
    if (p.value) values.push_back(*p.value);
  }
  for (const auto& bound : {series.low, series.high}) {
    if (bound) values.push_back(*bound);
  }
  const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
  double low = *lo;
  double high = *hi;
  const double pad = high > low ? (high - low) * 0.1 : std::max(std::fabs(high) * 0.1, 1.0);
  return {low - pad, high + pad};
}

}  // namespace

String SeriesChartSvg(const MeasurementSeries& series) {
  const Scale scale = ScaleOf(series);
  const std::size_t n = series.points.size();
  const auto x = [&](std::size_t i) {
    return n <= 1 ? (kPlotLeft + kPlotRight) / 2
                  : kPlotLeft + (kPlotRight - kPlotLeft) * static_cast<double>(i) / (n - 1);
  };
  const String title = series.unit.empty() ? series.name : series.name + " (" + series.unit + ")";
  String svg = fmt::format(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"{0}\" height=\"{1}\" "
      "viewBox=\"0 0 {0} {1}\" role=\"img\" font-family=\"sans-serif\" font-size=\"9\">"
      "<title>{2}</title>"
      "<rect x=\"0.5\" y=\"0.5\" width=\"{3}\" height=\"{4}\" fill=\"#fff\" stroke=\"#bbb\"/>"
      "<text x=\"6\" y=\"13\" font-weight=\"bold\">{2}</text>",
      kChartWidth, kChartHeight, EscapedMarkup(title), kChartWidth - 1, kChartHeight - 1);
  for (const auto& [bound, word] :
       {std::pair{series.high, "\xE2\x89\xA4 "}, std::pair{series.low, "\xE2\x89\xA5 "}}) {
    if (!bound) continue;
    const double y = scale.Y(*bound);
    svg += fmt::format(
        "<line x1=\"{0}\" y1=\"{1:.1f}\" x2=\"{2}\" y2=\"{1:.1f}\" stroke=\"#c62828\" "
        "stroke-dasharray=\"4 3\"/><text x=\"{3}\" y=\"{4:.1f}\" fill=\"#c62828\" "
        "text-anchor=\"end\">{5}</text>",
        kPlotLeft, y, kPlotRight, kPlotLeft - 3, y + 3,
        EscapedMarkup(word + fmt::format("{:.4g}", *bound)));
  }
  String line;
  String dots;
  for (std::size_t i = 0; i < n; ++i) {
    const SeriesPoint& p = series.points[i];
    if (!p.value) continue;
    const double px = x(i);
    const double py = scale.Y(*p.value);
    line += fmt::format("{}{:.1f},{:.1f}", line.empty() ? "" : " ", px, py);
    const bool newest = i + 1 == n;
    const char* colour = p.status == kStatusFailed ? "#c62828" : newest ? "#1a237e" : "#5c6bc0";
    dots += fmt::format(
        "<circle cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"{}\" fill=\"{}\"><title>{}</title></circle>", px,
        py, newest ? 3.5 : 2.5, colour,
        EscapedMarkup(p.started + ": " + WithUnit(p.valueText, series.unit)));
  }
  if (!line.empty())
    svg +=
        "<polyline fill=\"none\" stroke=\"#5c6bc0\" stroke-width=\"1.5\" points=\"" + line + "\"/>";
  svg += dots;
  if (n > 0) {
    svg +=
        fmt::format("<text x=\"{}\" y=\"{}\" fill=\"#555\">{}</text>", kPlotLeft, kChartHeight - 6,
                    EscapedMarkup(series.points.front().started.substr(0, 10)));
    svg += fmt::format("<text x=\"{}\" y=\"{}\" fill=\"#555\" text-anchor=\"end\">{}</text>",
                       kPlotRight, kChartHeight - 6,
                       EscapedMarkup(series.points.back().started.substr(0, 10)));
  }
  return svg + "</svg>";
}

void PrintHistorySection(const Ref<IReport>& report, const DeviceComparison& history) {
  if (history.Empty() || !report) return;
  Quietly([&] {
    report->SetStyle(kStyleSection);
    report->PrintHeading(HostText("830::Comparison with earlier tests of this device"));
    report->SetStyle(kStyleBody);
    report->PrintHeading(HostText(
        "831::%%1 tests compared. Reference values: the first test, %%2. Previous test: %%3.",
        static_cast<Long>(history.records), history.referenceStarted, history.previousStarted));
    PrintTableOfSeries(report, history);
    report->SetStyle(kStyleBody);
    report->PrintHeading(
        HostText("832::\xE2\x9A\xA0 marks a value that has moved more than %%1 of the way from its "
                 "reference value towards its limit.",
                 PercentText(history.driftShare)));
  });
  auto* const html = dynamic_cast<HtmlReport*>(report.get());
  if (!html) return;
  for (const MeasurementSeries& s : history.series) {
    if (!s.inNewest || !std::any_of(s.points.begin(), s.points.end(),
                                    [](const SeriesPoint& p) { return p.value.has_value(); }))
      continue;
    Quietly([&] { html->PrintFigure(SeriesChartSvg(s), kChartUnits); });
  }
}

}  // namespace velko::host
