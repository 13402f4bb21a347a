#include "velko/host/run/test_run.hpp"

#include <vector>

#include "host_fixture.hpp"
#include "support/test_paths.hpp"
#include "velko/host/run/run_preparation.hpp"
#include "velko/host/run/step_outcome.hpp"
#include "velko/host/session/question_layer.hpp"

namespace velko::test {
namespace {

using host::RunEvent;

// One event as the test sees it: its kind, the element's ID (0 for the end), its status.
struct SeenEvent {
  RunEvent::Kind kind;
  Long id;
  Long status;
  bool operator==(const SeenEvent&) const = default;
};

class TestRunTest : public HostFixture {
 protected:
  host::PreparedRun Prepare(const String& setup) {
    host::PreparedRun run = host::PrepareRun({kSampleSequence, setup, {}}, session->Manager());
    EXPECT_TRUE(run.Ready()) << (run.problems.empty() ? ""
                                                      : run.problems[0].Listed().at(0).message);
    return run;
  }
};

TEST_F(TestRunTest, PerformsLeavesBeforeTheirContainerAndTellsEveryStepInOrder) {
  const host::PreparedRun prepared = Prepare(kHealthySetup);
  host::TestRun run(prepared.tree, prepared.setup);
  std::vector<SeenEvent> seen;
  std::vector<std::size_t> numbers;
  run.Subscribe([&](const RunEvent& event) {
    seen.push_back({event.kind, event.step ? event.step->node->ID() : 0, event.status});
    if (event.step && event.step->leaf && event.kind == RunEvent::Kind::kStepStarted)
      numbers.push_back(event.step->number);
    EXPECT_EQ(event.steps, 7u);
  });

  EXPECT_EQ(run.Perform(), kStatusPassed);

  // Electrical safety (10) holds 11..15, functional checks (20) holds 21 and 22.
  const std::vector<Long> order{11, 12, 13, 14, 15, 10, 21, 22, 20};
  ASSERT_EQ(seen.size(), 2 * order.size() + 1);
  for (std::size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(seen[2 * i],
              (SeenEvent{RunEvent::Kind::kStepStarted, order[i], kStatusNotPerformed}));
    EXPECT_EQ(seen[2 * i + 1], (SeenEvent{RunEvent::Kind::kStepFinished, order[i], kStatusPassed}));
  }
  EXPECT_EQ(seen.back(), (SeenEvent{RunEvent::Kind::kRunFinished, 0, kStatusPassed}));
  EXPECT_EQ(numbers, (std::vector<std::size_t>{1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(TestRunTest, AFailedStepFailsTheRunAndShowsItsReading) {
  const host::PreparedRun prepared = Prepare(kFaultySetup);
  host::TestRun run(prepared.tree, prepared.setup);
  Long earthStatus = 0;
  std::vector<host::MeasuredValue> earthValues;
  run.Subscribe([&](const RunEvent& event) {
    if (event.kind != RunEvent::Kind::kStepFinished || event.step->node->ID() != 12) return;
    earthStatus = event.status;
    earthValues = host::MeasuredValues(event.step->node);
  });

  EXPECT_EQ(run.Perform(), kStatusFailed);
  EXPECT_EQ(earthStatus, kStatusFailed);
  ASSERT_FALSE(earthValues.empty());
  EXPECT_EQ(earthValues.front().unit, "Ω");
  EXPECT_EQ(earthValues.front().status, kStatusFailed);
}

TEST_F(TestRunTest, ASequenceNamingAnUnknownPlugInIsNotLoaded) {
  const TempDir dir;
  const String sequence = dir / "sequence.xml";
  String text = ReadFileText(kSampleSequence);
  const String from = "Name=\"Simulator\" TestID=\"300\"";
  text.replace(text.find(from), from.size(), "Name=\"Nonesuch\" TestID=\"300\"");
  WriteFileText(sequence, text);

  const host::PreparedRun prepared =
      host::PrepareRun({sequence, kHealthySetup, {}}, session->Manager());
  EXPECT_FALSE(prepared.Ready());
  EXPECT_EQ(prepared.tree.Root(), nullptr);
  ASSERT_FALSE(prepared.problems.empty());
  EXPECT_EQ(prepared.problems[0].File(), sequence);
  EXPECT_NE(prepared.problems[0].Listed().at(0).message.find("Nonesuch"), String::npos);
}

}  // namespace
}  // namespace velko::test

namespace velko::test {
namespace {

// The questions of the visual inspection and of the functional check go through the
// user-interface layer, in this order: the person's answer judges the step and their remark stays
// with it; a layer that answers nothing gives the simulated device's answer (its default button).
TEST_F(TestRunTest, TheStepsAskThePersonAndKeepTheRemark) {
  using Answer = std::optional<host::OperatorAnswer>;
  const host::OperatorAnswer yes{ui::kIdYes, ""};
  const struct {
    String setup;
    String fault;  // the simulated device's fault ("" for the setup's own)
    Answer visual, function;
    Long visualStatus, functionStatus;
    const char* functionComment;
  } cases[] = {
      {kHealthySetup, "", host::OperatorAnswer{ui::kIdNo, "Cracked housing"}, yes, kStatusFailed,
       kStatusPassed, ""},
      {kHealthySetup, "", yes, host::OperatorAnswer{ui::kIdNo, "No flow"}, kStatusPassed,
       kStatusFailed, "Remark of the functional check: No flow"},
      {kHealthySetup, "", std::nullopt, std::nullopt, kStatusPassed, kStatusPassed, ""},
      // A device that does not work: the simulated answer of the functional check is No.
      {kHealthySetup, "Function", std::nullopt, std::nullopt, kStatusPassed, kStatusFailed, ""},
      {kFaultySetup, "", std::nullopt, std::nullopt, kStatusPassed, kStatusPassed, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setup + " " + c.fault);
    std::vector<host::OperatorQuestion> asked;
    host::ScopedUserInterface layer(MakeRef<host::QuestionLayer>([&](const auto& question) {
      asked.push_back(question);
      return asked.size() == 1 ? c.visual : c.function;
    }));
    const host::PreparedRun prepared =
        host::PrepareRun({kSampleSequence, c.setup,
                          !c.fault.empty() ? std::optional<String>(c.fault) : std::nullopt},
                         session->Manager());
    ASSERT_TRUE(prepared.Ready());
    host::TestRun run(prepared.tree, prepared.setup);
    run.Perform();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_NE(asked[0].text.find("damage"), String::npos);
    EXPECT_EQ(asked[0].caption, "Electrical safety");  // the test-guide caption: the parent
    EXPECT_NE(asked[1].text.find("intended function"), String::npos);
    EXPECT_EQ(asked[1].caption, "Functional checks");
    for (const host::OperatorQuestion& question : asked)
      EXPECT_EQ(question.flags & 0xF, ui::kMbYesNo);
    const Ref<ITestElement> visual = run.Plan().front().node;
    EXPECT_EQ(host::NodeStatus(visual), c.visualStatus);
    if (c.visual) {
      EXPECT_NE(visual->Result()->Comment().find(c.visual->remark), String::npos);
    }
    const Ref<ITestElement> function = prepared.tree.Root()->FindElement(21);
    EXPECT_EQ(host::NodeStatus(function), c.functionStatus);
    EXPECT_EQ(function->Result()->Comment(), c.functionComment);
    const std::vector<host::MeasuredValue> values = host::MeasuredValues(function);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[1].key, "FUNCTION");
    EXPECT_EQ(values[1].text, c.functionStatus == kStatusPassed ? "yes" : "no");
  }
}

TEST_F(TestRunTest, AnAbortCheckEndsTheRunCancelledBeforeTheNextStep) {
  const host::PreparedRun prepared = Prepare(kHealthySetup);
  host::TestRun run(prepared.tree, prepared.setup);
  std::size_t performed = 0;
  run.Subscribe([&](const RunEvent& event) {
    performed += event.kind == RunEvent::Kind::kStepFinished ? 1 : 0;
  });
  run.SetAbortCheck([&] { return performed == 2; });
  EXPECT_EQ(run.Perform(), kStatusCancelled);
  EXPECT_EQ(performed, 2u);
}

TEST(AnswersFile, ReadsYesNoAndRemarksAndNamesTheLineOfAnythingElse) {
  const std::vector<host::OperatorAnswer> answers =
      host::ParseAnswers("# visual inspection\nno  Cracked housing \n\nJa\nyes\n");
  ASSERT_EQ(answers.size(), 3u);
  EXPECT_EQ(answers[0].answer, ui::kIdNo);
  EXPECT_EQ(answers[0].remark, "Cracked housing");
  EXPECT_EQ(answers[1].answer, ui::kIdYes);
  try {
    host::ParseAnswers("yes\nmaybe later\n");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(e.Description().find("Line 2"), String::npos) << e.Description();
    EXPECT_NE(e.Description().find("maybe"), String::npos);
  }
}

}  // namespace
}  // namespace velko::test
