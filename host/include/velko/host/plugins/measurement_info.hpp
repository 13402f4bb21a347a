// What a test measures, as its element tells through the plug-in kit's measurement info:
// `GetMeasurementList` returns one row per measurement the test can produce, each row an array of
// (key, display name, number format, an IMeasurement giving its unit and value type). Plug-ins
// that return plain keys are understood too; their units are then not known.
#pragma once

#include <vector>

#include "velko/typelib/sequence.hpp"

namespace velko::host {

struct OfferedMeasurement {
  String key;
  String name;
  String unit;
  Long valueType = kValueNone;  // EValueType; kValueNone when not known
  bool described = false;       // whether the row gave a measurement (its unit and value type)
};

// The measurements of `element`'s test in the order it gives them; none when it measures nothing
// (or cannot be asked). Never raises.
std::vector<OfferedMeasurement> OfferedMeasurements(const Ref<ITestElement>& element);

// Whether a reading of this value type is judged by limits (a number), rather than by itself.
bool IsJudgedByLimits(const OfferedMeasurement& measurement);

// The offered measurement with `key` (exact, as limits compare keys); nullptr when none.
const OfferedMeasurement* FindMeasurement(const std::vector<OfferedMeasurement>& measurements,
                                          const String& key);

}  // namespace velko::host
