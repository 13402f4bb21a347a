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

// A reading that only a person can judge: the question the step asks and how their remark is
// kept in the step's comment.
struct PersonsJudgement {
  const char* key;
  const char* questionKey;
  const char* remarkKey;  // %%1 the remark
};

const PersonsJudgement* FindJudgement(const String& key) {
  static const PersonsJudgement judgements[] = {
      {kKeyVisual,
       "420::Are the housing, the power cord and its plug, the applied parts and their leads and "
       "the labels free of damage and contamination?",
       "421::Remark of the inspection: %%1"},
      {kKeyFunction, "430::Does the device perform its intended function at its nominal setting?",
       "431::Remark of the functional check: %%1"},
  };
  for (const PersonsJudgement& judgement : judgements) {
    if (key == judgement.key) return &judgement;
  }
  return nullptr;
}

// A person's judgement is asked through the user-interface layer. The default button is the
// simulated device's answer: a host that answers nothing itself (the headless layer) gets it.
OperatorAnswer Ask(const PersonsJudgement& judgement, bool simulatedYes, const String& caption) {
  const Long flags = ui::kMbYesNo | ui::kMbIconQuestion | (simulatedYes ? 0 : ui::kMbDefButton2);
  const Ref<IUserInterface> layer = UserInterface();
  const Long answer = layer->MessageBox(Text(judgement.questionKey), flags, caption);
  const auto remarks = QueryInterface<IAnswerRemark>(layer);
  return {answer == ui::kIdYes, remarks ? remarks->LastAnswerRemark() : String()};
}

// Puts the questions of the readings that a person judges, in their order, and keeps each answer
// as the reading's value; returns the remarks for the step's comment.
std::vector<String> AskThePerson(std::vector<Reading>& readings, const Ref<ITestElement>& step) {
  std::vector<String> remarks;
  String caption;
  for (Reading& reading : readings) {
    const PersonsJudgement* judgement = FindJudgement(reading.key);
    if (!judgement) continue;
    if (caption.empty()) caption = GVelkoCoreUtils::Instance()->CreateTestGuideCaption(step);
    const OperatorAnswer answer = Ask(*judgement, reading.value.ToBoolean(), caption);
    reading.value = Variant(answer.yes);
    if (!answer.remark.empty())
      remarks.push_back(Text(judgement->remarkKey, {Variant(answer.remark)}));
  }
  return remarks;
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
  std::vector<String> comments = AskThePerson(measured.readings, RefToSelf<ITestElement>(this));
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
    const Ref<IUnknown> measurement =
        MakeRef<SimMeasurement>(key, Variant(), facts.valueType, facts.format, kStatusNotPerformed);
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
