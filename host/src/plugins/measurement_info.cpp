#include "velko/host/plugins/measurement_info.hpp"

#include "velko/core/error_module.hpp"

namespace velko::host {
namespace {

OfferedMeasurement FromRow(const Variant& row) {
  OfferedMeasurement offered;
  if (!row.IsArray()) {
    offered.key = row.ToString();
    return offered;
  }
  const VariantArray& cells = row.Elements();
  if (cells.empty()) return offered;
  offered.key = cells[0].ToString();
  if (cells.size() > 1) offered.name = cells[1].ToString();
  if (cells.size() > 3 && cells[3].IsObject()) {
    if (const auto measurement = QueryInterface<IMeasurement>(cells[3].ToObject())) {
      offered.unit = measurement->Unit();
      offered.valueType = measurement->ValueType();
      offered.described = true;
    }
  }
  return offered;
}

}  // namespace

std::vector<OfferedMeasurement> OfferedMeasurements(const Ref<ITestElement>& element) {
  return QuietlyOr(std::vector<OfferedMeasurement>(), [&] {
    std::vector<OfferedMeasurement> offered;
    const Variant list = element->GetMeasurementList();
    if (!list.IsArray()) return offered;
    for (const Variant& row : list.Elements()) {
      OfferedMeasurement measurement = FromRow(row);
      if (!measurement.key.empty()) offered.push_back(std::move(measurement));
    }
    return offered;
  });
}

bool IsJudgedByLimits(const OfferedMeasurement& measurement) {
  return !measurement.described || measurement.valueType == kValueFloat ||
         measurement.valueType == kValueInteger || measurement.valueType == kValueNone;
}

const OfferedMeasurement* FindMeasurement(const std::vector<OfferedMeasurement>& measurements,
                                          const String& key) {
  for (const OfferedMeasurement& measurement : measurements) {
    if (measurement.key == key) return &measurement;
  }
  return nullptr;
}

}  // namespace velko::host
