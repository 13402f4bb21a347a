#include "steps.hpp"

#include <algorithm>

#include "analyser.hpp"
#include "device.hpp"
#include "simulator_catalogue.hpp"
#include "step_parts.hpp"
#include "velko/core/error_module.hpp"
#include "velko/outside/user_interface.hpp"
#include "velko/typelib/limits.hpp"
#include "velko/typelib/service.hpp"
#include "velko/typelib/setup.hpp"
#include "velko/ui/velko_core_utils.hpp"

namespace velko::simulator {
namespace {

constexpr const char* kStepSource = "VelkoSimulator.SimulatorStep";

// The result object of a node, made when the node has none (a clone has none).
Ref<StepResult> ResultOf(TestNode& node) {
  if (auto result = QueryInterface<StepResult>(node.Result())) return result;
  auto result = MakeRef<StepResult>();
  result->SetJudgingLimits(node.Limits());
  node.SetResult(result);
  return result;
}

SimulatedDevice DeviceOf(const Ref<ITestSetup>& setup) {
  const auto data = QueryInterface<SimulatorDutData>(setup->GetDUTData(kPlugInId));
  return data ? data->Device() : SimulatedDevice{};
}

String SerialNumberOf(const Ref<ITestSetup>& setup) {
  return QuietlyOr(String(), [&] {
    const Ref<IDataItem> item = setup->DutInfo()->Item(0, "SerialNumber");
    return item ? item->Data() : String();
  });
}

struct Judged {
  Long status = kStatusNotApplicable;
  std::vector<String> failedUnder;  // complete names of the standards whose limits failed
};

Judged Judge(const Reading& reading, const Ref<IStandardColl>& standards) {
  Judged judged;
  if (reading.valueType == kValueBoolean) {
    judged.status = reading.value.ToBoolean() ? kStatusPassed : kStatusFailed;
    return judged;
  }
  if (!standards) return judged;
  const Single value = reading.value.ToSingle();
  for (Long i = 1; i <= standards->Count(); ++i) {
    const Ref<IStandard> standard = standards->Item(i);
    const Long verdict = standard->TestLimits(reading.key, value, Variant());
    if (verdict == kStatusFailed) {
      judged.status = kStatusFailed;
      judged.failedUnder.push_back(standard->CompleteName());
    } else if (verdict == kStatusPassed && judged.status != kStatusFailed) {
      judged.status = kStatusPassed;
    }
  }
  return judged;
}

// What the person answered to the analyser's question, and the remark they added to it.
struct OperatorAnswer {
  bool yes = false;
  String remark;
};

// The visual inspection is a person's judgement, so the step asks its question through the
// user-interface layer. The default button is the simulated device's condition: a host that
// answers nothing itself (the headless layer) gets the simulated answer.
OperatorAnswer AskVisualInspection(const SimulatedDevice& device, const String& caption) {
  const Long flags =
      ui::kMbYesNo | ui::kMbIconQuestion | (device.fault == Fault::kVisual ? ui::kMbDefButton2 : 0);
  const Ref<IUserInterface> layer = UserInterface();
  const Long answer = layer->MessageBox(
      Text("420::Are the housing, the power cord and its plug, the applied parts and their leads "
           "and the labels free of damage and contamination?"),
      flags, caption);
  const auto remarks = QueryInterface<IAnswerRemark>(layer);
  return {answer == ui::kIdYes, remarks ? remarks->LastAnswerRemark() : String()};
}

String Joined(const std::vector<String>& parts) {
  String text;
  for (const String& part : parts)
    text += (text.empty() ? "" : ", ") + part;
  return text;
}

}  // namespace

void SimulatorStep::Perform(const Ref<IUnknown>& object) {
  const Ref<ITestSetup> setup = QueryInterface<ITestSetup>(object);
  if (!setup) {
    String source = kStepSource;
    RaiseError(kPlugInId, kErrNoSetup, source, kLevelFatal);
  }
  const SimulatedDevice device = DeviceOf(setup);
  Measured measured = Measure(testId_, device, DeviceSeed(SerialNumberOf(setup)));
  std::vector<String> comments;
  if (testId_ == kTestVisual) {
    const String caption =
        GVelkoCoreUtils::Instance()->CreateTestGuideCaption(RefToSelf<ITestElement>(this));
    const OperatorAnswer answer = AskVisualInspection(device, caption);
    measured.readings.front().value = Variant(answer.yes);
    if (!answer.remark.empty())
      comments.push_back(Text("421::Remark of the inspection: %%1", {Variant(answer.remark)}));
  }
  const Ref<StepResult> result = ResultOf(*this);
  if (!measured.applies) {
    result->Record(kStatusNotApplicable, Text(measured.commentKey, measured.commentParams), {});
    return;
  }
  const Ref<IStandardColl> standards = JudgingStandards(limits_, setup);
  std::vector<Ref<SimMeasurement>> measurements;
  bool anyFailed = false;
  bool anyPassed = false;
  for (const Reading& reading : measured.readings) {
    const Judged judged = Judge(reading, standards);
    anyFailed = anyFailed || judged.status == kStatusFailed;
    anyPassed = anyPassed || judged.status == kStatusPassed;
    auto measurement = MakeRef<SimMeasurement>(reading.key, reading.value, reading.valueType,
                                               reading.format, judged.status);
    if (!judged.failedUnder.empty()) {
      comments.push_back(
          Text("402::%%1 is outside the limits of %%2.",
               {Variant(measurement->Description()), Variant(Joined(judged.failedUnder))}));
    } else if (judged.status == kStatusNotApplicable) {
      comments.push_back(Text("403::No limit of the selected standards applies to %%1.",
                              {Variant(measurement->Description())}));
    }
    measurements.push_back(measurement);
  }
  const Long status = anyFailed ? kStatusFailed : anyPassed ? kStatusPassed : kStatusNotApplicable;
  String comment;
  for (const String& line : comments)
    comment += (comment.empty() ? "" : "\n") + line;
  result->Record(status, comment, std::move(measurements));
}

Ref<ITestElement> SimulatorStep::Clone() {
  auto clone = MakeRef<SimulatorStep>();
  CloneIdentityInto(*clone);
  if (info_) clone->info_ = info_->Clone();
  return clone;
}

void SimulatorStep::UpdateReferences() {
  Quietly([&] {
    if (!limits_) return;
    if (const Ref<IStandardColl> standards = limits_->Standards())
      standards->UpdateReferences(RefToSelf<ITestElement>(this));
  });
}

Variant SimulatorStep::GetMeasurementList() {
  const auto kind = FindTestKind(testId_);
  if (!kind || kind->measurementKeys.empty()) return Variant();
  VariantArray rows;
  for (const String key : kind->measurementKeys) {
    const MeasurementFacts facts = FactsOf(key);
    const Long valueType = key == kKeyVisual ? kValueBoolean : kValueFloat;
    const Ref<IUnknown> measurement =
        MakeRef<SimMeasurement>(key, Variant(), valueType, facts.format, kStatusNotPerformed);
    rows.emplace_back(VariantArray{Variant(key), Variant(Text(facts.nameKey)),
                                   Variant(facts.format), Variant(measurement)});
  }
  return Variant(std::move(rows));
}

void SimulatorGroup::Perform(const Ref<IUnknown>& /*object*/) {
  bool failed = false;
  bool passed = false;
  bool notApplicable = false;
  for (Long i = 1; i <= Count(); ++i) {
    const Ref<ITestElement> child = Item(i);
    const Ref<IResult> result = child ? child->Result() : nullptr;
    const Long status = result ? result->Status() : kStatusNotPerformed;
    failed = failed || status == kStatusFailed;
    passed = passed || status == kStatusPassed;
    notApplicable = notApplicable || status == kStatusNotApplicable;
  }
  const Long status = failed          ? kStatusFailed
                      : passed        ? kStatusPassed
                      : notApplicable ? kStatusNotApplicable
                                      : kStatusNotPerformed;
  ResultOf(*this)->Record(status, String(), {});
}

Ref<ITestElement> SimulatorGroup::Clone() {
  auto clone = MakeRef<SimulatorGroup>();
  CloneIdentityInto(*clone);
  clone->info_ = info_ ? info_->Clone() : nullptr;
  return clone;
}

Ref<ITestElement> MakeElement(Long testId, Long id, Long referencedId) {
  const auto kind = FindTestKind(testId);
  if (!kind) return nullptr;
  Ref<TestNode> node;
  if (kind->container) {
    auto group = MakeRef<SimulatorGroup>();
    group->SetLimits(MakeRef<ElementLimits>());
    group->SetResult(MakeRef<StepResult>());
    node = group;
  } else {
    auto step = MakeRef<SimulatorStep>();
    auto limits = MakeRef<ElementLimits>(DefaultStandards(testId, referencedId));
    auto result = MakeRef<StepResult>();
    result->SetJudgingLimits(limits);
    step->SetLimits(limits);
    step->SetResult(result);
    node = step;
  }
  node->Initialize(kPlugInId, testId, id);
  node->Info()->SetName(Text(kind->nameKey));
  return node;
}

}  // namespace velko::simulator
