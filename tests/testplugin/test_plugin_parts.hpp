// The parts a test plug-in hangs on its elements: limits made of the library's standards, a
// result with measurements, and a small configuration.
#pragma once

#include <vector>

#include "velko/sequence/general_measurement.hpp"
#include "velko/typelib/limits.hpp"
#include "velko/typelib/progress.hpp"
#include "velko/typelib/report.hpp"
#include "velko/typelib/sequence.hpp"
#include "velko/typelib/xml.hpp"

namespace velko::testplugin {

// "ExpectedResult" holding the "Standards" of the library's standard collection.
class TestLimits final : public IElementLimits {
 public:
  TestLimits();
  explicit TestLimits(Ref<IStandardColl> standards) : standards_(std::move(standards)) {}

  Ref<IStandardColl> Standards() override { return standards_; }
  Ref<IElementLimits> Clone() override;
  void AddStandard(const String& alphaName, const String& completeName) override;
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;
  void PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& setup) override;

 private:
  Ref<IStandardColl> standards_;
};

// "ResultItem" with "Status" and "Comment" and one "Measurement" child per measurement
// ("Key", "Value").
class TestResult final : public IResult {
 public:
  String Comment() override { return comment_; }
  Long Status() override { return status_; }
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;
  void PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& setup) override;
  Ref<IMeasurement> Measurement(const String& key) override;
  Ref<IServiceRecord> ServiceRecord() override { return nullptr; }

 private:
  Long status_ = kStatusNotPerformed;
  String comment_;
  std::vector<Ref<CGeneralMeasurement>> measurements_;
};

// "PlugInData" with a "Range" attribute.
class TestConfig final : public IConfigData {
 public:
  Boolean HasDialog() override { return false; }
  Ref<IConfigData> Clone() override;
  Ref<IUnknown> CreateDialog() override { return nullptr; }
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;
  void PrintReport(const Ref<IReport>& report) override;

 private:
  String range_ = "auto";
};

}  // namespace velko::testplugin
