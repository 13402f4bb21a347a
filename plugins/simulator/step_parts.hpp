// The parts the simulator hangs on its elements: the limits (standards of the library holding
// limits), the result with its measurements.
//
//   <ExpectedResult><Standards><Standard AlphaName=".." CompleteName="..">
//       <Limit Key="PE_TOTAL">...</Limit>...</Standard>...</Standards></ExpectedResult>
//   <ResultItem Status="Passed">
//     <Comment>text</Comment>
//     <Measurement Key="PE_TOTAL" Unit="Ω" Status="Passed" Format="0.000"><Value>0.12</Value>
//     </Measurement>...
//   </ResultItem>
//
// Status words: "Not Performed", "Passed", "Failed", "NA", "Cancelled".
#pragma once

#include <vector>

#include "velko/typelib/limits.hpp"
#include "velko/typelib/progress.hpp"
#include "velko/typelib/report.hpp"
#include "velko/typelib/sequence.hpp"
#include "velko/typelib/xml.hpp"

namespace velko::simulator {

// The status word of a verdict; "" outside 0..4.
String StatusWord(Long status);

class ElementLimits final : public IElementLimits {
 public:
  ElementLimits();
  explicit ElementLimits(Ref<IStandardColl> standards) : standards_(std::move(standards)) {}

  Ref<IStandardColl> Standards() override { return standards_; }
  Ref<IElementLimits> Clone() override;
  void AddStandard(const String& alphaName, const String& completeName) override;
  // Replaces the standards with those of the "Standards" child (none: no standards).
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;
  // The limits table of the standards the setup selected (all when it selected none).
  void PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& setup) override;

 private:
  Ref<IStandardColl> standards_;
};

class SimMeasurement final : public IMeasurement {
 public:
  SimMeasurement() = default;
  SimMeasurement(String key, Variant value, Long valueType, String format, Long status);

  // The text of the value as reports show it (formatted number, or the inspection's outcome).
  String ValueText();

  String Description() override;
  String Key() override { return key_; }
  String LimitKey() override { return key_; }
  Long Status() override { return status_; }
  String Unit() override;
  Variant Value() override { return value_; }
  Variant PresetValue() override { return {}; }
  Long ValueType() override { return valueType_; }
  String ValueFormat() override { return format_; }
  Long Flags() override { return 0; }
  String ToolTipText() override { return {}; }
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;

 private:
  String key_;
  Variant value_;
  Long valueType_ = kValueNone;
  String format_;
  Long status_ = kStatusNotPerformed;
};

class StepResult final : public IResult {
 public:
  // Replaces what the result holds with the outcome of a new run of the step.
  void Record(Long status, String comment, std::vector<Ref<SimMeasurement>> measurements);
  const std::vector<Ref<SimMeasurement>>& Measurements() const { return measurements_; }

  String Comment() override { return comment_; }
  Long Status() override { return status_; }
  // Reads status, comment and measurements; an unknown status word reads as not performed and
  // is reported to the log (0x80045204, level 2).
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;
  // One table of the measurements - name, value, the limits that judged it, unit, verdict -
  // ending with the verdict of the step; a step without measurements prints its verdict alone.
  void PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& setup) override;
  // The limits of the element whose result this is, for the limits column of the report.
  void SetJudgingLimits(Ref<IElementLimits> limits) { limits_ = std::move(limits); }
  Ref<IMeasurement> Measurement(const String& key) override;
  Ref<IServiceRecord> ServiceRecord() override { return nullptr; }

 private:
  Long status_ = kStatusNotPerformed;
  String comment_;
  std::vector<Ref<SimMeasurement>> measurements_;
  Ref<IElementLimits> limits_;
};

// The standards that judge an element: those it has and the setup selected; all it has when
// the setup selected none; none when it has none.
Ref<IStandardColl> JudgingStandards(const Ref<IElementLimits>& limits,
                                    const Ref<ITestSetup>& setup);

// The standards the simulator offers for a test, with their default limits: IEC 62353 for
// class I and class II equipment and the stricter in-house limits. `referencedId` is the element
// ID that the relative limits of the repeat operating current refer to.
Ref<IStandardColl> DefaultStandards(Long testId, Long referencedId);

}  // namespace velko::simulator
