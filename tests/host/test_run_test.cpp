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

// The visual inspection's question through the user-interface layer: the person's answer judges
// the step and their remark stays with it; a layer that answers nothing gives the simulated one.
TEST_F(TestRunTest, TheVisualInspectionAsksThePersonAndKeepsTheRemark) {
  const struct {
    std::optional<host::OperatorAnswer> answer;
    Long expected;
    const char* remark;
  } cases[] = {
      {host::OperatorAnswer{ui::kIdNo, "Cracked housing"}, kStatusFailed, "Cracked housing"},
      {host::OperatorAnswer{ui::kIdYes, ""}, kStatusPassed, ""},
      {std::nullopt, kStatusPassed, ""},  // the healthy device's simulated answer
  };
  for (const auto& c : cases) {
    std::vector<host::OperatorQuestion> asked;
    host::ScopedUserInterface layer(MakeRef<host::QuestionLayer>([&](const auto& question) {
      asked.push_back(question);
      return c.answer;
    }));
    const host::PreparedRun prepared = Prepare(kHealthySetup);
    host::TestRun run(prepared.tree, prepared.setup);
    run.Perform();
    const Ref<ITestElement> visual = run.Plan().front().node;
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].flags & 0xF, ui::kMbYesNo);
    EXPECT_EQ(asked[0].caption, "Electrical safety");  // the test-guide caption: the parent
    EXPECT_EQ(host::NodeStatus(visual), c.expected);
    EXPECT_EQ(visual->Result()->Comment().find(c.remark) != String::npos, true);
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
