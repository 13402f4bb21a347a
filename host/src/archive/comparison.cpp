#include "velko/host/archive/comparison.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "velko/core/error_module.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/outside/registry.hpp"
#include "velko/typelib/registry.hpp"

namespace velko::host {
namespace {

// The name of each reading of a record: its key, with its count where one key comes again.
std::vector<String> SeriesNames(const std::vector<ArchivedMeasurement>& measurements) {
  std::map<String, int> seen;
  std::vector<String> names;
  for (const ArchivedMeasurement& m : measurements) {
    const int n = ++seen[m.key];
    names.push_back(n == 1 ? m.key : fmt::format("{} ({})", m.key, n));
  }
  return names;
}

void SetBounds(MeasurementSeries& series, const ArchivedMeasurement& m) {
  for (const ArchivedLimit& limit : m.limits) {
    if (limit.low && (!series.low || *limit.low > *series.low)) series.low = limit.low;
    if (limit.high && (!series.high || *limit.high < *series.high)) series.high = limit.high;
  }
}

void Evaluate(MeasurementSeries& series, double driftShare, Long currentStatus) {
  const std::vector<SeriesPoint>& points = series.points;
  if (points.empty() || !series.inNewest) return;
  series.current = points.back().value;
  if (points.size() >= 2) series.previous = points[points.size() - 2].value;
  series.reference = points.front().value;
  if (points.size() < 2 || !series.current) return;
  if (series.previous) series.changeFromPrevious = *series.current - *series.previous;
  if (!series.reference) return;
  const double moved = *series.current - *series.reference;
  series.changeFromReference = moved;
  const std::optional<double> bound = moved > 0   ? series.high
                                      : moved < 0 ? series.low
                                                  : std::nullopt;
  if (!bound) return;
  const double room = *bound - *series.reference;
  if (room == 0 || (room > 0) != (moved > 0)) return;  // the reference lay on or beyond the bound
  series.shareTowardsLimit = moved / room;
  series.drifting = *series.shareTowardsLimit > driftShare && currentStatus != kStatusFailed;
}

}  // namespace

double DriftShareSetting() {
  return QuietlyOr(kDefaultDriftShare, [] {
    const Ref<IRegistryKey> key = CreateRegistryKey();
    key->OpenKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathReport));
    const Variant value = key->Value(Variant(String("DriftWarningPercent")));
    const double percent = value.ToDouble();
    return percent >= 1 && percent <= 100 ? percent / 100 : kDefaultDriftShare;
  });
}

DeviceComparison CompareRecords(const std::vector<MeasuredRecord>& records, double driftShare) {
  DeviceComparison comparison;
  comparison.driftShare = driftShare;
  comparison.records = records.size();
  if (records.empty()) return comparison;
  comparison.referenceStarted = records.front().summary.started;
  if (records.size() >= 2) comparison.previousStarted = records[records.size() - 2].summary.started;
  std::vector<MeasurementSeries>& series = comparison.series;
  std::map<String, std::size_t> index;
  std::map<String, Long> currentStatus;
  // The newest record first, so that its order and its bounds lead.
  for (auto record = records.rbegin(); record != records.rend(); ++record) {
    const std::vector<String> names = SeriesNames(record->measurements);
    for (std::size_t i = 0; i < names.size(); ++i) {
      const ArchivedMeasurement& m = record->measurements[i];
      auto [at, added] = index.emplace(names[i], series.size());
      if (added) {
        MeasurementSeries fresh;
        fresh.name = names[i];
        fresh.key = m.key;
        fresh.elementName = m.elementName;
        fresh.unit = m.unit;
        fresh.inNewest = record == records.rbegin();
        if (fresh.inNewest) {
          SetBounds(fresh, m);
          currentStatus[names[i]] = m.status;
        }
        series.push_back(std::move(fresh));
      }
      series[at->second].points.push_back(
          {record->summary.recordId, record->summary.started, m.value, m.valueText, m.status});
    }
  }
  for (MeasurementSeries& s : series) {
    std::reverse(s.points.begin(), s.points.end());
    Evaluate(s, driftShare, currentStatus[s.name]);
  }
  return comparison;
}

String ChangeText(double change) {
  // Through single precision's digits, so that 0.13 - 0.12 shows as 0.01.
  const Single shown = ThroughDecimal(change);
  if (shown == 0) return "0";
  return (shown > 0 ? "+" : "") + FormatNumber(shown);
}

}  // namespace velko::host
