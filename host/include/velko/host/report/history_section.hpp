// The part of a report that compares the run with the device's earlier tests: a table with a row
// per measurement of the run (its value, the previous value and the change, the reference value of
// the first test and the change from it, how far it moved towards its limit, marked beyond the
// drift share), then one small chart per measurement key with its limit lines. Charts are inline
// SVG without scripts, printed where the writer is the HTML report.
#pragma once

#include "velko/host/archive/comparison.hpp"
#include "velko/typelib/report.hpp"

namespace velko::host {

// Prints nothing for an empty comparison.
void PrintHistorySection(const Ref<IReport>& report, const DeviceComparison& history);

// The chart of one series: its values in order, the newest one marked, failed ones red, and a
// dashed line for each bound. Every text in it is escaped.
String SeriesChartSvg(const MeasurementSeries& series);

}  // namespace velko::host
