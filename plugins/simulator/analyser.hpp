// The simulated analyser: what it measures on a device for each of its tests. Readings are
// deterministic: the same device (its data and serial number) always gives the same values.
#pragma once

#include <cstdint>
#include <vector>

#include "device.hpp"

namespace velko::simulator {

struct Reading {
  String key;      // measurement key (the key of the limits that judge it)
  Variant value;   // a Single, or a Boolean for a person's judgement
  Long valueType;  // EValueType
  String format;   // display pattern of the value ("" for Booleans)
};

struct Measured {
  // False when the test does not apply to the device (for example protective earth on class II
  // equipment); `commentKey` then says why.
  bool applies = true;
  String commentKey;
  VariantArray commentParams;
  std::vector<Reading> readings;
};

// A stable number for a device, from its serial number (FNV-1a).
std::uint32_t DeviceSeed(const String& serialNumber);

// The readings of test `testId` on `device`. A container test or an unknown test measures
// nothing.
Measured Measure(Long testId, const SimulatedDevice& device, std::uint32_t seed);

}  // namespace velko::simulator
