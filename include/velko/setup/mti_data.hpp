// The measuring test instruments of a setup: one instrument's data and the keyed collection of
// them.
//
//   <TestInstruments>
//     <MTIData PlugIn="Simulator" ID="1">
//       <Type>SA-1</Type><SerialNumber>42</SerialNumber><Version>2.1</Version>
//       <CalibrationDate>2026-03-01</CalibrationDate>
//       <PlugInData>...items...</PlugInData>
//     </MTIData>
//   </TestInstruments>
#pragma once

#include "velko/frame/class_table.hpp"
#include "velko/typelib/service.hpp"
#include "velko/typelib/setup.hpp"

namespace velko {

// VelkoCore.CMTIData (creatable): the data of one test instrument.
class CMTIData : public IMTIData {
 public:
  VELKO_CLASS_IDS("{2C8A4E61-9B3D-4F70-8E12-6A7B8C9D0E41}",
                  "{2C8A4E61-9B3D-4F70-8E12-6A7B8C9D0E42}");

  String PlugInID() override { return plugInId_; }
  Long MTIID() override { return mtiId_; }
  String MTIType() override { return type_; }
  String SerialNo() override { return serialNo_; }
  String FWVersion() override { return firmware_; }
  Ref<IItemCollection> CustomData() override { return customData_; }
  void Initialize(const String& plugInId, Long number) override;
  void StoreMTIData(const String& type, const String& serialNo,
                    const String& firmwareVersion) override;
  // A new data item appended to the custom data (0x8004A69E for an empty name).
  Ref<IDataItem> AddCustomData(const String& name, const String& value) override;
  // Reads an "MTIData" element; neither plug-in nor number: logged (5076) and 0x8004A746.
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  // None without plug-in ID or number; the calibration date is written when there is one.
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;

  // The calibration date as text (not parsed).
  String CalDate() { return calDate_; }
  void SetCalDate(const String& date) { calDate_ = date; }
  // Shared by all instruments of the thread: whether the instrument loaded last had a
  // calibration date (the setup report prints the column only then).
  Boolean CalDateExists();
  void SetCalDateExists(Boolean exists);

 private:
  String plugInId_;
  Long mtiId_ = 0;
  String type_;
  String serialNo_;
  String firmware_;
  String calDate_;
  Ref<IItemCollection> customData_;
};

// A new, empty instrument collection (an internal class), keyed by plug-in ID "::" number.
Ref<IMTIDataColl> CreateMTIDataColl();

}  // namespace velko
