#include "velko/sequence/general_measurement.hpp"

#include "velko/core/error_module.hpp"

namespace velko {

VELKO_PUBLIC_CLASS(CGeneralMeasurement, Instancing::kCreatable, IMeasurement);

void CGeneralMeasurement::Initialize(const String& key, const String& description,
                                     const String& unit, Long valueType, const Variant& value) {
  key_ = key;
  description_ = description;
  unit_ = unit;
  valueType_ = valueType;
  value_ = value;
}

void CGeneralMeasurement::Update(const String& description, const String& highLimit,
                                 const String& lowLimit, const String& unit, Long required) {
  description_ = description;
  highLimit_ = highLimit;
  lowLimit_ = lowLimit;
  unit_ = unit;
  iconIndex_ = required;
}

String CGeneralMeasurement::CreateTableBody() {
  const String value = QuietlyOr(String(), [&] {
    return value_.IsNull() || value_.IsMissing() ? String() : value_.ToString();
  });
  return "|   " + description_ + "|" + value + "|" + unit_ + "|" + highLimit_ + "|" + lowLimit_ +
         ";";
}

}  // namespace velko
