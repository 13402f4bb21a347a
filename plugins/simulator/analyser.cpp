#include "analyser.hpp"

#include <cmath>

#include "simulator_catalogue.hpp"
#include "velko/typelib/enums.hpp"

namespace velko::simulator {
namespace {

// Added to every protective earth reading by a broken earth conductor, in ohm.
constexpr double kBrokenEarthOhm = 0.42;
// The operating current after repair differs from the first reading by this fraction.
constexpr double kHealthyDrift = 0.02;
constexpr double kFaultyDrift = 0.27;

// A value between `low` and `high`, fixed for the seed and the salt, rounded to `decimals`.
double Spread(std::uint32_t seed, std::uint32_t salt, double low, double high, int decimals) {
  std::uint32_t h = seed ^ (salt * 0x9E3779B9u);
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  const double fraction = static_cast<double>(h) / 4294967295.0;
  const double scale = std::pow(10.0, decimals);
  return std::round((low + (high - low) * fraction) * scale) / scale;
}

Reading Number(const char* key, double value) {
  // Readings are single precision, as the limits that judge them and the records that keep them.
  return {key, Variant(static_cast<Single>(value)), kValueFloat, FactsOf(key).format};
}

// A person's judgement, as the simulated device would make them judge; the step puts the question
// to the person and keeps their answer in its place.
Reading Judgement(const char* key, bool yes) {
  return {key, Variant(yes), kValueBoolean, String()};
}

bool ClassI(const SimulatedDevice& device) {
  return device.protection == ProtectionClass::kClassI;
}

Measured NotApplicable(const char* commentKey, VariantArray params = {}) {
  Measured measured;
  measured.applies = false;
  measured.commentKey = commentKey;
  measured.commentParams = std::move(params);
  return measured;
}

Measured Visual(const SimulatedDevice& device) {
  Measured measured;
  measured.readings.push_back(Judgement(kKeyVisual, device.fault != Fault::kVisual));
  return measured;
}

Measured Earth(const SimulatedDevice& device, std::uint32_t seed) {
  if (!ClassI(device)) {
    return NotApplicable(
        "400::Class II equipment has no protective earth; the test does not apply.");
  }
  const double extra = device.fault == Fault::kEarth ? kBrokenEarthOhm : 0.0;
  Measured measured;
  switch (device.cord) {
    case PowerCord::kNonDetachable:
      measured.readings.push_back(Number(kKeyEarthTotal, Spread(seed, 1, 0.08, 0.16, 3) + extra));
      break;
    case PowerCord::kDetachable:
      measured.readings.push_back(
          Number(kKeyEarthEquipment, Spread(seed, 2, 0.04, 0.09, 3) + extra));
      measured.readings.push_back(Number(kKeyEarthCord, Spread(seed, 3, 0.03, 0.06, 3)));
      break;
    case PowerCord::kNone:
      measured.readings.push_back(
          Number(kKeyEarthEquipment, Spread(seed, 2, 0.04, 0.09, 3) + extra));
      break;
  }
  return measured;
}

Measured Insulation(const SimulatedDevice& device, std::uint32_t seed) {
  double value = ClassI(device) ? Spread(seed, 4, 45, 180, 1) : Spread(seed, 5, 60, 250, 1);
  if (device.fault == Fault::kInsulation) value = 0.8;
  Measured measured;
  measured.readings.push_back(Number(kKeyInsulation, value));
  return measured;
}

Measured EquipmentLeakage(Long testId, const SimulatedDevice& device, std::uint32_t seed) {
  const bool leaking = device.fault == Fault::kLeakage;
  const bool classI = ClassI(device);
  const char* key = kKeyLeakageAlternative;
  double value = 0;
  if (testId == kTestLeakageAlternative) {
    value = leaking ? (classI ? 1380 : 720)
                    : (classI ? Spread(seed, 6, 85, 160, 1) : Spread(seed, 7, 25, 60, 1));
  } else {
    key = testId == kTestLeakageDirect ? kKeyLeakageDirect : kKeyLeakageDifferential;
    value = leaking ? (classI ? 640 : 160)
                    : (classI ? Spread(seed, 8, 40, 90, 1) : Spread(seed, 9, 12, 35, 1));
  }
  Measured measured;
  measured.readings.push_back(Number(key, value));
  return measured;
}

Measured AppliedPartLeakage(const SimulatedDevice& device, std::uint32_t seed) {
  const bool leaking = device.fault == Fault::kLeakage;
  Measured measured;
  switch (device.appliedPart) {
    case AppliedPart::kTypeBF:
      measured.readings.push_back(
          Number(kKeyAppliedPartBF, leaking ? 5650 : Spread(seed, 10, 12, 38, 1)));
      return measured;
    case AppliedPart::kTypeCF:
      measured.readings.push_back(
          Number(kKeyAppliedPartCF, leaking ? 78 : Spread(seed, 11, 2.5, 8, 2)));
      return measured;
    case AppliedPart::kTypeB:
    case AppliedPart::kNone:
      break;
  }
  return NotApplicable(
      "401::The device has no applied part of type BF or CF; the test does not apply.");
}

double OperatingCurrent(std::uint32_t seed) {
  return Spread(seed, 12, 0.35, 0.62, 3);
}

Measured Operating(Long testId, const SimulatedDevice& device, std::uint32_t seed) {
  Measured measured;
  if (testId == kTestOperatingCurrent) {
    measured.readings.push_back(Number(kKeyOperatingCurrent, OperatingCurrent(seed)));
    measured.readings.push_back(Judgement(kKeyFunction, device.fault != Fault::kFunction));
  } else {
    const double drift = device.fault == Fault::kFunction ? kFaultyDrift : kHealthyDrift;
    const double value = std::round(OperatingCurrent(seed) * (1 + drift) * 1000) / 1000;
    measured.readings.push_back(Number(kKeyOperatingRepeat, value));
  }
  return measured;
}

}  // namespace

std::uint32_t DeviceSeed(const String& serialNumber) {
  std::uint32_t hash = 2166136261u;
  for (unsigned char c : serialNumber) {
    hash ^= c;
    hash *= 16777619u;
  }
  return hash;
}

Measured Measure(Long testId, const SimulatedDevice& device, std::uint32_t seed) {
  switch (testId) {
    case kTestVisual:
      return Visual(device);
    case kTestEarth:
      return Earth(device, seed);
    case kTestInsulation:
      return Insulation(device, seed);
    case kTestLeakageAlternative:
    case kTestLeakageDirect:
    case kTestLeakageDifferential:
      return EquipmentLeakage(testId, device, seed);
    case kTestAppliedPart:
      return AppliedPartLeakage(device, seed);
    case kTestOperatingCurrent:
    case kTestOperatingRepeat:
      return Operating(testId, device, seed);
    default:
      return {};
  }
}

}  // namespace velko::simulator
