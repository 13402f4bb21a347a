// A device's measurements over its tests: per measurement key the values of its records, the change
// against the previous test and against the first one (the reference values of a recurrent test),
// and how far a value has moved from its reference towards its limit.
#pragma once

#include "velko/host/archive/archive.hpp"

namespace velko::host {

struct SeriesPoint {
  String recordId;
  String started;
  std::optional<double> value;
  String valueText;
  Long status = 0;
};

struct MeasurementSeries {
  String name;  // the key; "KEY (2)" for the second reading of one key in a record
  String key;
  String elementName;
  String unit;
  std::vector<SeriesPoint> points;  // oldest first; the newest is the compared record's, if any
  bool inNewest = false;            // the newest record measured it
  std::optional<double> current;
  std::optional<double> previous;
  std::optional<double> reference;
  std::optional<double> changeFromPrevious;
  std::optional<double> changeFromReference;
  // The newest record's bounds for this reading: the highest low bound, the lowest high bound.
  std::optional<double> low;
  std::optional<double> high;
  // The share of the way from the reference value to the bound it moved towards (0.6: 60 %).
  std::optional<double> shareTowardsLimit;
  bool drifting = false;  // moved more than the drift share towards its limit, not failed yet
};

// The share of the way towards a limit above which a reading is marked (0.5 when not set).
inline constexpr double kDefaultDriftShare = 0.5;

// The drift share from the registry: "DriftWarningPercent" (1 to 100) of the report settings key;
// kDefaultDriftShare when it is missing or out of range.
double DriftShareSetting();

// A device's records compared.
struct DeviceComparison {
  std::vector<MeasurementSeries> series;
  double driftShare = kDefaultDriftShare;
  std::size_t records = 0;
  String referenceStarted;  // when the first (reference) record was made
  String previousStarted;   // when the record before the newest was made; "" with one record

  bool Empty() const { return series.empty(); }
};

// Compares the records (oldest first): the first is the reference, the last the newest. A series
// per key in the order the newest record measured them, then keys only earlier records had.
DeviceComparison CompareRecords(const std::vector<MeasuredRecord>& records, double driftShare);

// "+0.012", "-3", "0": a change with its sign.
String ChangeText(double change);

}  // namespace velko::host
