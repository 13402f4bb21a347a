// The one test of the minimal plug-in: it reads the supply voltage of the device under test and
// judges it with the limits of the standards the element carries.
//
// What a plug-in hangs on each element it creates:
//   limits  (IElementLimits)  the element's standards with their limits ("ExpectedResult")
//   result  (IResult)         verdict, comment and measurements of the last run ("ResultItem")
// The element itself is the library's CTestElement with its own Perform.
#pragma once

#include <vector>
#include <velko/sequence/general_measurement.hpp>
#include <velko/sequence/test_element.hpp>
#include <velko/velko.hpp>

namespace minimal {

using velko::Long;
using velko::Ref;
using velko::String;

inline constexpr const char* kPlugInId = "Minimal";

// The plug-in's test numbers ("TestID" of the "PlugIn" element of a sequence).
enum : Long {
  kTestSequence = 1,  // a container for the steps
  kTestSupply = 100,  // the supply voltage check
};

// The measurement key; the limits in a sequence use the same key.
inline constexpr const char* kKeySupply = "SUPPLY_V";

// The plug-in's own error: a test number it does not offer (%%1). Its message key is the number
// minus 0x80040200, with the text in the plug-in's catalogue.
inline constexpr Long kErrUnknownTest = velko::ErrorNumber(0x80046001u);

// A text of the plug-in's catalogue ("key::default text"), in the selected language.
String Text(const String& messageKey, const velko::VariantArray& params = {});

// "ExpectedResult" holding "Standards": the library's standard collection does the work.
class SupplyLimits final : public velko::IElementLimits {
 public:
  SupplyLimits();
  explicit SupplyLimits(Ref<velko::IStandardColl> standards) : standards_(std::move(standards)) {}

  Ref<velko::IStandardColl> Standards() override { return standards_; }
  Ref<velko::IElementLimits> Clone() override;
  void AddStandard(const String& alphaName, const String& completeName) override;
  void Load(const Ref<velko::IXmlElement>& in, const Ref<velko::IProgressLog>& log) override;
  Ref<velko::IXmlElement> Save(const Ref<velko::IXmlDocument>& owner) override;
  void PrintReport(const Ref<velko::IReport>& report, const Ref<velko::ITestSetup>& setup) override;

 private:
  Ref<velko::IStandardColl> standards_;
};

// <ResultItem Status="1" Comment="..." Volts="230"/>: the verdict, a comment and the reading.
class SupplyResult final : public velko::IResult {
 public:
  void Record(Long status, String comment, double volts);

  String Comment() override { return comment_; }
  Long Status() override { return status_; }
  void Load(const Ref<velko::IXmlElement>& in, const Ref<velko::IProgressLog>& log) override;
  Ref<velko::IXmlElement> Save(const Ref<velko::IXmlDocument>& owner) override;
  void PrintReport(const Ref<velko::IReport>& report, const Ref<velko::ITestSetup>& setup) override;
  Ref<velko::IMeasurement> Measurement(const String& key) override;
  Ref<velko::IServiceRecord> ServiceRecord() override { return nullptr; }

 private:
  Long status_ = velko::kStatusNotPerformed;
  String comment_;
  Ref<velko::CGeneralMeasurement> reading_;  // none before the first run
};

// The step: Perform measures and judges; the library does loading, saving and printing.
class SupplyCheck final : public velko::CTestElement {
 public:
  // `object` is the test setup the host runs with.
  void Perform(const Ref<velko::IUnknown>& object) override;
  Ref<velko::ITestElement> Clone() override;
  velko::Variant GetMeasurementList() override;
};

// A new element of test `testId` (its limits, result and name), or none for an unknown test.
Ref<velko::ITestElement> MakeElement(Long testId, Long id);

}  // namespace minimal
