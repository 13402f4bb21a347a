#include "velko/host/checks/document_checks.hpp"

#include <gmock/gmock.h>

#include <algorithm>
#include <cstring>

#include "host_fixture.hpp"
#include "support/test_paths.hpp"
#include "velko/host/plugins/measurement_info.hpp"
#include "velko/host/run/run_preparation.hpp"
#include "velko/host/run/run_summary.hpp"

namespace velko::test {
namespace {

using ::testing::HasSubstr;
using namespace std::chrono;

// The healthy sample's instrument calibration.
const String kHealthyCalibration = "<CalibrationDate>2026-09-14</CalibrationDate>";

class DocumentChecksTest : public HostFixture {
 protected:
  // A copy of `sample` with the first `from` replaced by `to`; the line `from` was on in `line`.
  String Mutated(const String& sample, const String& from, const String& to, Long* line = nullptr) {
    String text = ReadFileText(sample);
    const std::size_t at = text.find(from);
    EXPECT_NE(at, String::npos) << from;
    if (at == String::npos) return sample;
    if (line) *line = 1 + static_cast<Long>(std::count(text.begin(), text.begin() + at, '\n'));
    text.replace(at, from.size(), to);
    const String path = files / ("copy-" + std::to_string(++copies) + ".xml");
    WriteFileText(path, text);
    return path;
  }
  host::FileProblems Check(const String& path) { return host::CheckFile(path, Context()); }
  host::CheckContext Context() const {
    return {session->Manager(), sys_days(year(2026) / December / 10)};
  }
  static std::vector<String> Errors(const host::FileProblems& problems) {
    std::vector<String> errors;
    for (const host::Problem& problem : problems.Listed()) {
      if (problem.severity == host::Severity::kError) errors.push_back(problem.message);
    }
    return errors;
  }

  TempDir files;
  int copies = 0;
};

TEST_F(DocumentChecksTest, TheSamplesAreCleanButForTheFaultySetupsOverdueCalibration) {
  EXPECT_TRUE(Check(kSampleSequence).Empty());
  EXPECT_TRUE(Check(kHealthySetup).Empty());
  const host::FileProblems problems = Check(kFaultySetup);
  EXPECT_EQ(problems.Errors(), 0u);
  ASSERT_EQ(problems.Warnings(), 1u);
  EXPECT_THAT(problems.Listed()[0].message, HasSubstr("its calibration is due"));
  EXPECT_THAT(Check(Mutated(kHealthySetup, kHealthyCalibration, "")).Listed().at(0).message,
              HasSubstr("has no calibration date"));
}

// Each mistake made once in a copy of a sample: the error it gives, at the line of the mistake,
// naming the element and the text found.
struct Mistake {
  const char* name;
  const char* sample;  // "sequence" or "setup"
  const char* from;
  const char* to;
  const char* message;
  const char* element;  // "" for setup problems
  const char* found;
};

const Mistake kMistakes[] = {
    {"letter in a number", "sequence", "<Value Type=\"Low\">10</Value>",
     "<Value Type=\"Low\">1O</Value>",
     "The text of <Value> \"1O\" is not a complete number: it would be read as 1.", "13", "1O"},
    {"decimal comma", "sequence", "<Value Type=\"High\">0.3</Value>",
     "<Value Type=\"High\">0,3</Value>", "it would be read as 0.", "12", "0,3"},
    {"empty value", "sequence", "<Value Type=\"High\">0.3</Value>", "<Value Type=\"High\"></Value>",
     "is empty; a number is expected", "12", ""},
    {"unit after the number", "sequence", "<Value Type=\"High\">0.3</Value>",
     "<Value Type=\"High\">0.3 Ohm</Value>", "it would be read as 0.3.", "12", "0.3 Ohm"},
    {"hexadecimal", "sequence", "<Value Type=\"High\">1000</Value>",
     "<Value Type=\"High\">0x3E8</Value>", "it would be read as 0.", "14", "0x3E8"},
    {"misspelt limit type", "sequence", "<Value Type=\"High\">0.3</Value>",
     "<Value Type=\"Hihg\">0.3</Value>",
     "Attribute Type of <Value> \"Hihg\" is not one of the words its reader knows", "12", "Hihg"},
    {"misspelt operand", "sequence", "<Operand>X+(X*Y%)</Operand><Value Type=\"High\">10",
     "<Operand>X+(X*Y %)</Operand><Value Type=\"High\">10", "is not one of the words", "22",
     "X+(X*Y %)"},
    {"key no measurement has", "sequence", "<Limit Key=\"PE_TOTAL\">", "<Limit Key=\"PE_TOTL\">",
     "\"PE_TOTL\" is not a measurement of test 200 of plug-in \"Simulator\"", "12", "PE_TOTL"},
    {"unit without converter", "sequence", "<Unit>MΩ</Unit><Value Type=\"Low\">10",
     "<Unit>kΩ</Unit><Value Type=\"Low\">10", "is in kΩ, but the test measures it in MΩ", "13",
     "kΩ"},
    {"misspelt limit tag", "sequence",
     "<Limit Key=\"INS_MAINS_PE\"><Unit>MΩ</Unit><Value Type=\"Low\">10</Value></Limit>",
     "<Limt Key=\"INS_MAINS_PE\"><Unit>MΩ</Unit><Value Type=\"Low\">10</Value></Limt>",
     "Unknown element <Limt> inside <Standard>", "13", "<Limt>"},
    {"misspelt attribute", "sequence", "<Limit Key=\"EL_ALT\">", "<Limit Kye=\"EL_ALT\">",
     "Unknown attribute Kye on <Limit>", "14", "Kye"},
    {"duplicate element ID", "sequence", "<TestElement ID=\"13\">", "<TestElement ID=\"12\">",
     "Element ID 12 is given twice (first on line 25)", "12", "12"},
    {"reference to no element", "sequence", "<Reference ElementID=\"21\"",
     "<Reference ElementID=\"99\"", "refers to element 99, which is not found", "22", "99"},
    {"required DUT item missing", "setup",
     "<Item Name=\"SerialNumber\" Ord=\"3\" Caption=\"472::Serial number\" Required=\"True\" "
     "Key=\"True\">NM300-04711</Item>",
     "", "The DUT item Serial number (SerialNumber) is required", "", ""},
    {"required DUT item blank", "setup", ">NM300-04711<", ">  <", "is required, but it is blank",
     "", "  "},
    {"unknown device word", "setup", "Cord=\"Detachable\"", "Cord=\"Spiral\"", "Spiral", "", ""},
    {"misspelt device attribute", "setup", "Cord=\"Detachable\"", "Chord=\"Detachable\"",
     "Unknown attribute Chord in the device data of plug-in \"Simulator\"", "", "Chord"},
    {"instrument without serial number", "setup", "<SerialNumber>SIM-0001</SerialNumber>", "",
     "has no serial number", "", ""},
    {"unregistered standard", "setup", "CompleteName=\"In-house limits\"",
     "CompleteName=\"Nowhere limits\"", "is not in the system's list of standards", "",
     "In-house / Nowhere limits"},
};

TEST_F(DocumentChecksTest, EachMistakeIsAnErrorAtItsLineNamingElementAndText) {
  for (const Mistake& mistake : kMistakes) {
    SCOPED_TRACE(mistake.name);
    const bool sequence = String(mistake.sample) == "sequence";
    Long line = 0;
    const String path =
        Mutated(sequence ? kSampleSequence : kHealthySetup, mistake.from, mistake.to, &line);
    const host::FileProblems problems = Check(path);
    ASSERT_GE(problems.Errors(), 1u);
    const host::Problem& first = problems.Listed().front();
    EXPECT_EQ(first.severity, host::Severity::kError);
    EXPECT_THAT(first.message, HasSubstr(mistake.message));
    EXPECT_EQ(first.element, mistake.element);
    EXPECT_EQ(first.found, mistake.found);
    EXPECT_EQ(first.file, path);
    // Problems of a DUT item that is missing stand at the <DUT> element.
    if (String(mistake.to).empty() && !sequence) continue;
    EXPECT_EQ(first.line, line);
  }
}

TEST_F(DocumentChecksTest, AReferenceToALaterElementAndAStepThatCannotBeJudged) {
  // The referenced reading (element 21) moved behind the element that uses it.
  String text = ReadFileText(kSampleSequence);
  const std::size_t first = text.find("    <TestElement ID=\"21\">");
  const std::size_t second = text.find("    <TestElement ID=\"22\">");
  const std::size_t end = text.find("  </TestElement>\n</TestElement>");
  text = text.substr(0, first) + text.substr(second, end - second) +
         text.substr(first, second - first) + text.substr(end);
  WriteFileText(files / "order.xml", text);
  EXPECT_THAT(Errors(Check(files / "order.xml")),
              ::testing::Contains(HasSubstr("runs after this element")));

  // The insulation test without standards: it applies to every setup, and nothing judges it.
  String bare = ReadFileText(kSampleSequence);
  const std::size_t from = bare.find("<ExpectedResult>", bare.find("<TestElement ID=\"13\">"));
  const std::size_t to = bare.find("</ExpectedResult>", from) + std::strlen("</ExpectedResult>");
  bare.replace(from, to - from, "<ExpectedResult><Standards/></ExpectedResult>");
  WriteFileText(files / "bare.xml", bare);
  const host::PreparedRun prepared =
      host::PrepareRun({files / "bare.xml", kHealthySetup, {}}, session->Manager());
  EXPECT_FALSE(prepared.Ready());
  ASSERT_FALSE(prepared.problems.empty());
  const host::Problem& problem = prepared.problems[0].Listed().at(0);
  EXPECT_THAT(problem.message,
              HasSubstr("cannot be judged: none of the selected standards that it has gives a "
                        "limit for INS_MAINS_PE"));
  EXPECT_EQ(problem.element, "13");
  EXPECT_EQ(problem.line, 47);
}

TEST_F(DocumentChecksTest, AtMostAHundredProblemsAreListedAndTheRestCounted) {
  String many;
  for (int i = 0; i < 150; ++i)
    many += "<Junk/>";
  const host::FileProblems problems =
      Check(Mutated(kSampleSequence, "<PlugIn Name=\"Simulator\" TestID=\"1\"/>",
                    "<PlugIn Name=\"Simulator\" TestID=\"1\"/>" + many));
  EXPECT_EQ(problems.Listed().size(), host::kMaxListedProblems);
  EXPECT_EQ(problems.Errors(), 150u);
  EXPECT_EQ(problems.Unlisted(), 50u);
}

TEST_F(DocumentChecksTest, CalibrationDatesOlderThanTheIntervalAreWarnings) {
  const auto checkDate = [&](const String& date) {
    return Check(Mutated(kHealthySetup, kHealthyCalibration,
                         "<CalibrationDate>" + date + "</CalibrationDate>"));
  };
  EXPECT_TRUE(checkDate("2026-01-15").Empty());
  const host::FileProblems old = checkDate("2025-12-09");
  ASSERT_EQ(old.Warnings(), 1u);
  EXPECT_THAT(old.Listed()[0].message, HasSubstr("more than 12 months ago"));
  EXPECT_THAT(checkDate("15.01.2026").Listed().at(0).message, HasSubstr("is not a date"));
}

TEST_F(DocumentChecksTest, StrictRunsRefuseOnWarningsToo) {
  const String undated = Mutated(kHealthySetup, kHealthyCalibration, "");
  EXPECT_TRUE(host::PrepareRun({kSampleSequence, undated, {}}, session->Manager()).Ready());
  const host::PreparedRun strict =
      host::PrepareRun({kSampleSequence, undated, {}, true}, session->Manager());
  EXPECT_FALSE(strict.Ready());
  ASSERT_EQ(strict.problems.size(), 1u);
  EXPECT_EQ(strict.problems[0].Errors(), 1u);
}

TEST_F(DocumentChecksTest, AStepWithReadingsNoLimitJudgesMakesTheRunIncomplete) {
  // Only the non-detachable cord's limit: the detachable cord's readings are not judged.
  String text = ReadFileText(kSampleSequence);
  for (const char* line : {"            <Limit Key=\"PE_EQUIPMENT\"><Unit>Ω</Unit><Value "
                           "Type=\"High\">0.2</Value></Limit>\n",
                           "            <Limit Key=\"PE_CORD\"><Unit>Ω</Unit><Value "
                           "Type=\"High\">0.1</Value></Limit>\n",
                           "            <Limit Key=\"PE_EQUIPMENT\"><Unit>Ω</Unit><Value "
                           "Type=\"High\">0.15</Value></Limit>\n",
                           "            <Limit Key=\"PE_CORD\"><Unit>Ω</Unit><Value "
                           "Type=\"High\">0.08</Value></Limit>\n"}) {
    const std::size_t at = text.find(line);
    ASSERT_NE(at, String::npos) << line;
    text.erase(at, std::strlen(line));
  }
  WriteFileText(files / "partial.xml", text);
  const host::PreparedRun prepared =
      host::PrepareRun({files / "partial.xml", kHealthySetup, {}}, session->Manager());
  ASSERT_TRUE(prepared.Ready());
  EXPECT_THAT(prepared.problems[0].Listed().at(0).message,
              HasSubstr("a reading of it would not be judged"));

  host::TestRun run(prepared.tree, prepared.setup);
  const Long verdict = run.Perform();
  const host::RunSummary summary = host::SummariseRun(run.Plan());
  EXPECT_EQ(verdict, kStatusPassed);  // what the test status says
  EXPECT_EQ(host::OutcomeOf(verdict, summary), host::RunOutcome::kIncomplete);
  EXPECT_EQ(summary.steps, 7u);
  EXPECT_EQ(summary.passed, 6u);
  ASSERT_EQ(summary.NotJudged(), 1u);
  EXPECT_EQ(summary.unjudged[0].node->ID(), 12);
  EXPECT_EQ(summary.unjudged[0].readings, (std::vector<String>{"PE_EQUIPMENT", "PE_CORD"}));
}

TEST_F(DocumentChecksTest, TheSimulatorTellsTheMeasurementsOfEachTest) {
  const Ref<ITestElement> earth = session->Manager()->PlugIn("Simulator")->CreateTestElement(200);
  const std::vector<host::OfferedMeasurement> offered = host::OfferedMeasurements(earth);
  earth->Terminate();
  ASSERT_EQ(offered.size(), 3u);
  EXPECT_EQ(offered[0].key, "PE_TOTAL");
  EXPECT_EQ(offered[2].key, "PE_CORD");
  EXPECT_EQ(offered[1].unit, "Ω");
  EXPECT_EQ(offered[1].valueType, kValueFloat);
}

}  // namespace
}  // namespace velko::test
