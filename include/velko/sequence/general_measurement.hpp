// CGeneralMeasurement: a ready-made measurement record of a test step.
#pragma once

#include "velko/frame/class_table.hpp"
#include "velko/typelib/sequence.hpp"

namespace velko {

// Public, creatable (VelkoCore.CGeneralMeasurement). Its limits are keyed like the measurement
// (LimitKey = Key); it is never stored (Save returns none, Load reads nothing).
class CGeneralMeasurement : public IMeasurement {
 public:
  VELKO_CLASS_IDS("{5D3A7C21-8B4E-4F60-9A1C-2E3F4A5B6C21}",
                  "{5D3A7C21-8B4E-4F60-9A1C-2E3F4A5B6C22}");

  void Initialize(const String& key, const String& description, const String& unit, Long valueType,
                  const Variant& value);
  // Sets the description, both limits, the unit, and the icon number (`required`).
  void Update(const String& description, const String& highLimit, const String& lowLimit,
              const String& unit, Long required);
  // One report table row of six cells: "|   <description>|<value>|<unit>|<high>|<low>;". A
  // value without a text form (an object, an array) gives an empty cell.
  String CreateTableBody();

  void SetKey(const String& key) { key_ = key; }
  String HighLimit() { return highLimit_; }
  void SetHighLimit(const String& limit) { highLimit_ = limit; }
  String LowLimit() { return lowLimit_; }
  void SetLowLimit(const String& limit) { lowLimit_ = limit; }
  void SetUnit(const String& unit) { unit_ = unit; }
  void SetDescription(const String& description) { description_ = description; }
  Long IconIndex() { return iconIndex_; }
  void SetIconIndex(Long icon) { iconIndex_ = icon; }

  String Description() override { return description_; }
  String Key() override { return key_; }
  String LimitKey() override { return key_; }
  Long Status() override { return status_; }
  String Unit() override { return unit_; }
  Variant Value() override { return value_; }
  Variant PresetValue() override { return {}; }
  Long ValueType() override { return valueType_; }
  String ValueFormat() override { return {}; }
  Long Flags() override { return 0; }
  String ToolTipText() override { return {}; }
  void Load(const Ref<IXmlElement>& /*in*/, const Ref<IProgressLog>& /*log*/) override {}
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& /*owner*/) override { return nullptr; }

 private:
  String description_;
  Long valueType_ = kValueNone;
  Variant value_;
  Long status_ = kStatusNotPerformed;
  String unit_;
  String key_;
  String highLimit_;
  String lowLimit_;
  Long iconIndex_ = 0;
};

}  // namespace velko
