#include "velko/setup/test_status.hpp"

#include <gtest/gtest.h>

#include "support/recording_report.hpp"
#include "support/tree_doubles.hpp"
#include "velko/outside/xml.hpp"

namespace velko {
namespace {

using test::MakeElement;
using test::MakeResult;

Long StatusOfEntries(std::initializer_list<Long> codes) {
  CTestStatus status;
  Long id = 1;
  for (Long code : codes)
    status.Register(MakeElement(id++, MakeResult(code)));
  Boolean aborted = false;
  status.UpdateStatus(aborted);
  return status.TestStatus();
}

TEST(TestStatus, Precedence) {
  struct Case {
    std::initializer_list<Long> codes;
    Long expected;
  };
  const Case cases[] = {{{1, 3}, 1}, {{3, 3}, 3}, {{1, 2, 1}, 2},
                        {{0, 4}, 0}, {{}, 0},     {{3, 1}, 1}};
  for (const auto& c : cases)
    EXPECT_EQ(StatusOfEntries(c.codes), c.expected);
  CTestStatus status;
  status.Register(MakeElement(1, MakeResult(2)));
  Boolean aborted = true;
  status.UpdateStatus(aborted);
  EXPECT_EQ(status.TestStatus(), 4);
  EXPECT_TRUE(status.TestAborted());
}

TEST(TestStatus, RegisterCountsElementsWithAPositiveIdOnceEach) {
  CTestStatus status;
  EXPECT_EQ(status.PerformedCount(), 0);
  status.Register(nullptr);
  status.Register(MakeElement(0, MakeResult(1)));
  auto element = MakeElement(5);  // no result yet: not performed
  status.Register(element);
  EXPECT_EQ(status.Entries().Item(1).Status, 0);
  element->result = MakeResult(2);
  status.Register(element);
  status.Register(MakeElement(6, MakeResult(1)));
  EXPECT_EQ(status.PerformedCount(), 2);
  EXPECT_EQ(status.Entries().Item(1).ElementID, 5);
  EXPECT_EQ(status.Entries().Item(1).Status, 2);
  const Date before = status.TestDate();
  Boolean aborted = false;
  status.UpdateStatus(aborted);
  status.Reset();
  EXPECT_EQ(status.TestStatus(), 2);
  EXPECT_EQ(status.PerformedCount(), 2);
  EXPECT_GE(status.TestDate().Serial(), before.Serial());
}

TEST(TestStatus, OverridesThroughAParentTurnFailedIntoPassed) {
  auto parent = test::MakeContainer(10);
  auto failed = MakeElement(11, MakeResult(2));
  auto notApplicable = MakeElement(12, MakeResult(3));
  parent->Add(failed);
  parent->Add(notApplicable);
  CTestStatus status;
  status.AddOverrideID(5);
  status.AddOverrideID(10);
  status.AddOverrideID(5);  // once only, moved to the end
  EXPECT_TRUE(status.IsOverridden(failed));
  status.Register(failed);
  status.Register(notApplicable);
  EXPECT_EQ(status.Entries().Item(1).Status, 1);
  EXPECT_EQ(status.Entries().Item(2).Status, 3);
  status.RemoveOverrideID(10);
  status.RemoveOverrideID(99);
  status.Register(failed);
  EXPECT_EQ(status.Entries().Item(1).Status, 2);
}

TEST(TestStatus, SaveAndLoad) {
  CTestStatus status;
  status.Register(MakeElement(1, MakeResult(1)));
  Boolean aborted = false;
  status.UpdateStatus(aborted);
  const Ref<IXmlDocument> doc = CreateXmlDocument();
  const Ref<IXmlElement> saved = status.Save(doc);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->TagName(), "TestData");
  EXPECT_EQ(saved->FindChild("Status", 0)->ElementText(), "Passed");
  CTestStatus back;
  back.Load(saved);
  EXPECT_EQ(back.TestStatus(), 1);
  EXPECT_EQ(back.TestDate().Parts().second, status.TestDate().Parts().second);

  const struct {
    const char* word;
    Long code;
  } words[] = {{"Passed", 1}, {"Failed", 2}, {"NA", 3}, {"Cancelled", 4}, {"passed", 0}, {"", 0}};
  for (const auto& w : words) {
    back.Load(ParseXmlDocument(String("<TestData><Status>") + w.word + "</Status></TestData>")
                  ->DocumentElement());
    EXPECT_EQ(back.TestStatus(), w.code) << w.word;
  }
  EXPECT_EQ(back.Save(doc)->FindChild("Status", 0)->ElementText(), "Not Performed");
  back.Load(ParseXmlDocument("<Other><Status>Passed</Status></Other>")->DocumentElement());
  EXPECT_EQ(back.TestStatus(), 0);
  // A date that is not a date keeps the current one.
  const Date kept = back.TestDate();
  back.Load(ParseXmlDocument("<TestData><Date Year='2024' Month='13' Day='1'/></TestData>")
                ->DocumentElement());
  EXPECT_EQ(back.TestDate(), kept);
}

TEST(TestStatus, PrintsTheVerdictLine) {
  auto report = MakeRef<test::RecordingReport>();
  report->translateMode = test::RecordingReport::TranslateMode::kKey;
  report->pageWidth = 9000;
  const struct {
    Long code;
    const char* key;
  } cases[] = {{1, "480::TEST PASSED"},
               {2, "481::TEST FAILED"},
               {3, "483::TEST NOT PERFORMED"},
               {4, "482::TEST ABORTED"},
               {0, "483::TEST NOT PERFORMED"}};
  for (const auto& c : cases) {
    CTestStatus status;
    status.Load(ParseXmlDocument(String("<TestData><Status>") + TestStatusWord(c.code) +
                                 "</Status></TestData>")
                    ->DocumentElement());
    report->Clear();
    status.PrintReport(report);
    const auto tables = report->Calls("PrintTable");
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].args[0].ToString(), "^+9000");
    EXPECT_EQ(tables[0].args[1].ToString(), c.key);
    EXPECT_EQ(tables[0].args[3].ToLong(), kReportLightGrey);
  }
}

}  // namespace
}  // namespace velko
