// CTestElement: definition and result XML, the load failures with their log entries, cloning,
// termination, the Condor fix-up and printing.
#include "velko/sequence/test_element.hpp"

#include <gtest/gtest.h>

#include "sequence/sequence_fixture.hpp"
#include "support/error_helpers.hpp"
#include "support/failing_xml.hpp"
#include "support/recording_report.hpp"
#include "support/tree_doubles.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/gtranslate.hpp"
#include "velko/limits/limit.hpp"
#include "velko/limits/standard.hpp"
#include "velko/outside/error_server.hpp"
#include "velko/outside/progress_log.hpp"
#include "velko/sequence/test_container.hpp"

namespace velko::test {
namespace {

Long LastErrorFlags() {
  return ErrorServer()->ErrorObject()->LastFlags();
}

using TestElementTest = SequenceFixture;

TEST_F(TestElementTest, ReadsAndWritesItsDefinition) {
  auto element = MakeRef<CTestElement>();
  element->Load(ParseElement(R"(<TestElement ID=" 12 "><PlugIn Name="X" TestID="3"/>)"
                             R"(<Info><Name>Mains</Name></Info><Other/></TestElement>)"),
                nullptr);
  EXPECT_EQ(element->ID(), 12);
  EXPECT_EQ(element->TestID(), 3);
  EXPECT_EQ(element->PlugInID(), "X");
  EXPECT_EQ(element->Info()->Name(), "Mains");

  Ref<IXmlElement> saved = element->Save(CreateXmlDocument(), kSaveDefinition);
  EXPECT_EQ(saved->TagName(), "TestElement");
  EXPECT_EQ(saved->GetAttribute("ID"), "12");
  Ref<IXmlElement> plugIn = QueryInterface<IXmlElement>(saved->ChildNodes()->NodeAt(0));
  ASSERT_TRUE(plugIn);
  EXPECT_EQ(plugIn->TagName(), "PlugIn");
  EXPECT_EQ(plugIn->GetAttribute("Name"), "X");
  EXPECT_EQ(plugIn->GetAttribute("TestID"), "3");
  EXPECT_TRUE(saved->FindChild("Info"));
  EXPECT_TRUE(saved->FindChild("Filter"));
}

TEST_F(TestElementTest, IdAndTestNumberAreReadLikeStoredNumbers) {
  auto element = MakeRef<CTestElement>();
  element->Load(ParseElement(R"(<TestElement ID="2.5x"><PlugIn Name="X" TestID="abc"/>)"
                             R"(</TestElement>)"),
                nullptr);
  EXPECT_EQ(element->ID(), 2);  // halves to even
  EXPECT_EQ(element->TestID(), 0);
}

TEST_F(TestElementTest, LoadFailuresRaiseOrLogAndAlwaysCloseTheirSection) {
  struct Case {
    const char* xml;
    Long error;  // 0: the load ends normally
    Long flags;
    const char* logKey;  // "" when nothing is logged
  };
  const Case cases[] = {
      {"<Other/>", err::kElementWrongTag, 8, ""},
      {R"(<TestElement><PlugIn Name="X" TestID="1"/></TestElement>)", err::kElementNoId, 1,
       "5091::The test element cannot be loaded because no valid element ID was found."},
      {R"(<TestElement ID=""><PlugIn Name="X" TestID="1"/></TestElement>)", err::kElementNoId, 1,
       "5091::The test element cannot be loaded because no valid element ID was found."},
      {R"(<TestElement ID="4"><Info><Name>First</Name></Info></TestElement>)",
       err::kElementNoPlugIn, 1,
       "5092::The test element cannot be loaded because no valid Plug-In ID was found."},
      {R"(<TestElement ID="4"><PlugIn TestID="1"/></TestElement>)", err::kElementNoPlugIn, 1,
       "5092::The test element cannot be loaded because no valid Plug-In ID was found."},
      {R"(<TestElement ID="4"><PlugIn Name="X"/><Info><Name>Late</Name></Info></TestElement>)", 0,
       0, "5093::The test element cannot be loaded because no valid test number was found."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.xml);
    auto element = MakeRef<CTestElement>();
    auto log = MakeRef<CollectingLog>();
    const Long raised = ErrorNumberOf([&] { element->Load(ParseElement(c.xml), log); });
    EXPECT_EQ(raised, c.error);
    if (c.error != 0) {
      EXPECT_EQ(LastErrorFlags(), c.flags);
    }
    EXPECT_EQ(log->Sections().size(), 1u);
    EXPECT_TRUE(log->AllSectionsClosed());
    EXPECT_EQ(log->StrayCloses(), 0);
    if (*c.logKey == '\0') {
      EXPECT_TRUE(log->Entries().empty());
    } else {
      ASSERT_EQ(log->Entries().size(), 1u);
      EXPECT_EQ(log->Entries()[0].messageKey, c.logKey);
      EXPECT_EQ(log->Entries()[0].level, kLevelData);
      EXPECT_EQ(log->Entries()[0].section, log->Sections()[0].handle);
    }
  }
}

TEST_F(TestElementTest, LoadKeepsWhatWasReadBeforeTheFailure) {
  auto element = MakeRef<CTestElement>();
  EXPECT_EQ(ErrorNumberOf([&] {
              element->Load(ParseElement(R"(<TestElement ID="4"><Info><Name>First</Name></Info>)"
                                         R"(</TestElement>)"),
                            nullptr);
            }),
            err::kElementNoPlugIn);
  EXPECT_EQ(element->ID(), 4);
  EXPECT_EQ(element->Info()->Name(), "First");

  // A "PlugIn" without a test number ends the load: the children after it are not read.
  element->Load(ParseElement(R"(<TestElement ID="5"><PlugIn Name="X"/>)"
                             R"(<Info><Name>Late</Name></Info></TestElement>)"),
                nullptr);
  EXPECT_EQ(element->PlugInID(), "X");
  EXPECT_EQ(element->TestID(), 0);
  EXPECT_EQ(element->Info()->Name(), "First");
}

TEST_F(TestElementTest, AForeignFailureIsWrappedOnceAndTheSectionClosed) {
  auto element = MakeRef<CTestElement>();
  auto log = MakeRef<CollectingLog>();
  const Error e = CaughtError([&] { element->Load(nullptr, log); });
  EXPECT_EQ(e.Number(), err::kUnexpected);
  EXPECT_EQ(e.Source(), "VelkoCore.CTestElement");
  EXPECT_EQ(LastErrorFlags(), 8);
  EXPECT_TRUE(log->AllSectionsClosed());
}

TEST_F(TestElementTest, PartsWithoutTheirObjectAreSkipped) {
  auto element = MakeRef<CTestElement>();
  element->Load(ParseElement(R"(<TestElement ID="1"><PlugIn Name="X" TestID="1"/>)"
                             R"(<ExpectedResult><Standards/></ExpectedResult>)"
                             R"(<PlugInData Range="x"/></TestElement>)"),
                nullptr);
  EXPECT_TRUE(element->Limits() == nullptr);
  EXPECT_TRUE(element->Configuration() == nullptr);
  Ref<IXmlElement> saved = element->Save(CreateXmlDocument(), kSaveDefinition);
  EXPECT_FALSE(saved->FindChild("ExpectedResult"));
  EXPECT_FALSE(saved->FindChild("PlugInData"));
}

TEST_F(TestElementTest, PlugInPartsAndResultsRoundTrip) {
  Ref<ITestElement> element = Node("A", 200, 7);
  element->Load(ParseElement(R"(<TestElement ID="7"><PlugIn Name="A" TestID="200"/>)"
                             R"(<PlugInData Range="10 mA"/></TestElement>)"),
                nullptr);
  SetResult(element, kStatusFailed, "too high");

  Ref<IXmlDocument> doc = CreateXmlDocument();
  Ref<IXmlElement> definition = element->Save(doc, kSaveDefinition | kSaveResults);
  EXPECT_EQ(definition->TagName(), "TestElement");
  EXPECT_EQ(definition->FindChild("PlugInData")->GetAttribute("Range"), "10 mA");
  EXPECT_TRUE(definition->FindChild("ExpectedResult"));
  EXPECT_FALSE(definition->FindChild("ResultItem"));

  Ref<IXmlElement> result = element->Save(doc, kSaveResults);
  EXPECT_EQ(result->TagName(), "ResultItem");
  EXPECT_EQ(result->GetAttribute("ElementID"), "7");

  Ref<ITestElement> other = Node("A", 200, 7);
  other->Load(result, nullptr);
  EXPECT_EQ(other->Result()->Status(), kStatusFailed);
  EXPECT_EQ(other->Result()->Comment(), "too high");

  auto bare = MakeRef<CTestElement>();
  bare->Load(result, nullptr);  // no result object: nothing is read
  EXPECT_TRUE(bare->Save(doc, kSaveResults) == nullptr);
  EXPECT_TRUE(element->Save(doc, 0) == nullptr);
  EXPECT_TRUE(element->Save(doc, kSaveKeepRtf) == nullptr);
}

TEST_F(TestElementTest, SaveWithoutElementsRaisesItsSaveError) {
  for (const char* tag : {"TestElement", "PlugIn"}) {
    auto doc = MakeRef<FailingXmlDocument>();
    doc->FailForTag(tag);
    const Error e = CaughtError([&] { MakeRef<CTestElement>()->Save(doc, kSaveDefinition); });
    EXPECT_EQ(e.Number(), err::kElementSave) << tag;
    EXPECT_EQ(e.Source(), "VelkoCore.CTestElement");
    EXPECT_EQ(LastErrorFlags(), 4);
  }
  // A part that fails to save is wrapped once.
  auto doc = MakeRef<FailingXmlDocument>();
  doc->FailForTag("Info");
  Ref<ITestElement> element = MakeRef<CTestElement>();
  element->Info()->SetName("x");
  EXPECT_EQ(ErrorNumberOf([&] { element->Save(doc, kSaveDefinition); }), err::kUnexpected);
}

TEST_F(TestElementTest, CloneCopiesTheDefinitionButNotResultOrParent) {
  Ref<ITestElement> element = Node("A", 200, 3);
  element->Info()->SetName("Earth bond");
  element->Limits()->AddStandard("EN 1", "EN 1:2000");
  auto parent = MakeRef<CTestContainer>();
  element->SetParent(parent);

  Ref<ITestElement> clone = element->Clone();
  EXPECT_EQ(clone->ID(), 3);
  EXPECT_EQ(clone->PlugInID(), "A");
  EXPECT_EQ(clone->TestID(), 200);
  EXPECT_TRUE(clone->Result() == nullptr);
  EXPECT_TRUE(clone->Parent() == nullptr);
  EXPECT_EQ(clone->Info()->Name(), "Earth bond");
  EXPECT_FALSE(SameObject(clone->Info(), element->Info()));
  EXPECT_FALSE(SameObject(clone->Filter(), element->Filter()));
  EXPECT_FALSE(SameObject(clone->Limits(), element->Limits()));
  EXPECT_EQ(clone->Limits()->Standards()->Count(), 1);
  EXPECT_TRUE(clone->Configuration());

  auto plain = QueryInterface<CTestElement>(element);
  ASSERT_TRUE(plain);
  Ref<ITestElement> created = plain->Create(9);
  EXPECT_EQ(created->ID(), 9);
  EXPECT_EQ(element->ID(), 3);
  element->Terminate();
}

TEST_F(TestElementTest, TerminateReleasesEveryObjectButKeepsTheIdentity) {
  Ref<ITestElement> element = Node("A", 200, 3);
  auto parent = MakeRef<CTestContainer>();
  element->SetParent(parent);
  std::weak_ptr<IResult> result = element->Result().shared();
  element->Terminate();
  EXPECT_TRUE(element->Info() == nullptr);
  EXPECT_TRUE(element->Filter() == nullptr);
  EXPECT_TRUE(element->Parent() == nullptr);
  EXPECT_TRUE(element->Limits() == nullptr);
  EXPECT_TRUE(element->Configuration() == nullptr);
  EXPECT_TRUE(result.expired());
  EXPECT_EQ(element->ID(), 3);
  EXPECT_EQ(element->PlugInID(), "A");
  // A terminated element can still be saved: it writes its identity only.
  EXPECT_EQ(element->Save(CreateXmlDocument(), kSaveDefinition)->ChildNodes()->NodeCount(), 1);
}

TEST_F(TestElementTest, PlainElementMembers) {
  auto element = MakeRef<CTestElement>();
  element->Perform(nullptr);
  EXPECT_TRUE(element->QuerySetParent(nullptr));
  EXPECT_TRUE(element->GetMeasurementList().IsEmpty());
  element->UpdateReferences();
  element->Initialize("P", 4, 5);
  EXPECT_EQ(element->PlugInID(), "P");
  EXPECT_EQ(element->TestID(), 4);
  EXPECT_EQ(element->ID(), 5);
}

// The definition of `source` with five limits that carry operands, under another plug-in name.
String CondorDefinition(const Ref<ITestElement>& source, const String& plugInName) {
  Ref<IStandard> standard = MakeRef<CStandard>();
  standard->Initialize("EN 1", "EN 1:2000", kStandardPredefined);
  for (const char* key : {"X::VOLTAGE", "X::voltage", "X::CREST_FACTOR2", "X::CURRENT", "X::R"}) {
    auto limit = MakeRef<CLimit>();
    limit->Initialize(key, "V", "10", "1");
    limit->SetOperand(0, "X*2");
    standard->AddLimit(limit);
  }
  source->Limits()->Standards()->Add(standard);
  Ref<IXmlFile> file = CreateXmlFile();
  Ref<IXmlElement> saved = source->Save(file->Document(), kSaveDefinition);
  saved->FindChild("PlugIn")->SetAttribute("Name", plugInName);
  file->Document()->SetDocumentElement(saved);
  return file->SaveToText();
}

std::vector<String> OperandsAfterLoad(Ref<ITestElement> element, const String& xml) {
  element->Load(ParseElement(xml), nullptr);
  std::vector<String> operands;
  Ref<ILimitColl> limits = element->Limits()->Standards()->Item(1)->Limits();
  for (Long i = 1; i <= limits->Count(); ++i)
    operands.push_back(limits->Item(i)->Operand());
  return operands;
}

TEST_F(TestElementTest, CondorDropsTheOperandsItComputesItself) {
  const std::vector<String> cleared{"", "X*2", "", "", "X*2"};
  EXPECT_EQ(
      OperandsAfterLoad(Node("Condor", 200, 1), CondorDefinition(Node("Condor", 200, 1), "Condor")),
      cleared);
  EXPECT_EQ(OperandsAfterLoad(Node("Condor", 200, 1),
                              CondorDefinition(Node("Condor", 200, 1), "  condor ")),
            cleared);
  const std::vector<String> kept(5, "X*2");
  EXPECT_EQ(OperandsAfterLoad(Node("A", 200, 1), CondorDefinition(Node("Condor", 200, 1), "A")),
            kept);
}

class TestElementPrintTest : public SequenceFixture {
 protected:
  void SetUp() override {
    SequenceFixture::SetUp();
    report = MakeRef<RecordingReport>();
  }
  Ref<RecordingReport> report;
};

TEST_F(TestElementPrintTest, DetailedReportEndsWithASpacerRowAcrossThePage) {
  auto element = MakeRef<CTestElement>();
  element->SetResult(MakeResult(kStatusPassed));
  element->PrintReport(report, nullptr);
  const auto tables = report->Calls("PrintTable");
  ASSERT_FALSE(tables.empty());
  EXPECT_EQ(tables.back().Arg(0), "<560|<1680|<+!7200|<+560;");
  EXPECT_EQ(tables.back().Arg(2), ";;");

  report->Clear();
  report->reportLevel = 1;
  element->PrintReport(report, nullptr);
  for (const auto& table : report->Calls("PrintTable"))
    EXPECT_NE(table.Arg(2), ";;");
}

TEST_F(TestElementPrintTest, OnlyReportedElementsPrintAnything) {
  struct Case {
    bool included;
    bool hasResult;
    Long status;
    Long options;
    bool printed;
  };
  for (const Case& c :
       {Case{false, true, kStatusFailed, 0, false}, Case{true, false, kStatusFailed, 0, false},
        Case{true, true, kStatusPassed, kReportOnlyFailed, false},
        Case{true, true, kStatusFailed, kReportOnlyFailed, true},
        Case{true, true, kStatusFailed, kReportOnlyServiceRecord, false},
        Case{true, true, kStatusPassed, 0, true}}) {
    auto element = MakeRef<CTestElement>();
    element->Filter()->SetIncludeInReport(c.included);
    if (c.hasResult) element->SetResult(MakeResult(c.status));
    report->Clear();
    report->reportOptions = c.options | kReportConfiguration | kReportLimits | kReportResult;
    element->PrintReport(report, nullptr);
    EXPECT_EQ(!report->Transcript().empty(), c.printed)
        << c.included << c.hasResult << c.status << c.options;
  }
}

TEST_F(TestElementPrintTest, OptionsSelectConfigurationLimitsAndResult) {
  Ref<ITestElement> element = Node("A", 200, 1);
  element->Load(ParseElement(R"(<TestElement ID="1"><PlugIn Name="A" TestID="200"/>)"
                             R"(<PlugInData Range="R-17"/></TestElement>)"),
                nullptr);
  SetResult(element, kStatusPassed, "all well");

  report->reportOptions = kReportConfiguration | kReportResult;
  element->PrintReport(report, nullptr);
  EXPECT_NE(report->Transcript().find("Range: R-17"), String::npos);
  EXPECT_NE(report->Transcript().find("all well"), String::npos);

  report->Clear();
  report->reportLevel = 1;  // configuration and limits belong to the detailed report only
  element->PrintReport(report, nullptr);
  EXPECT_EQ(report->Transcript().find("Range: R-17"), String::npos);
  EXPECT_NE(report->Transcript().find("all well"), String::npos);

  report->Clear();
  report->reportOptions = 0;
  element->PrintReport(report, nullptr);
  EXPECT_EQ(report->Transcript().find("all well"), String::npos);
  element->Terminate();
}

TEST_F(TestElementPrintTest, PetrelPrintsTheCommentWithoutItsPrintText) {
  const String comment = String("shown") + kCommentSeparator + "hidden print text";
  for (const char* plugIn : {"Petrel", "A"}) {
    Ref<ITestElement> element = Node(plugIn, 200, 1);
    SetResult(element, kStatusPassed, comment);
    report->Clear();
    report->reportOptions = kReportResult;
    element->PrintReport(report, nullptr);
    const String text = report->Transcript();
    EXPECT_NE(text.find("shown"), String::npos) << plugIn;
    EXPECT_EQ(text.find("hidden print text") != String::npos, String(plugIn) == "A") << plugIn;
  }
}

}  // namespace
}  // namespace velko::test
