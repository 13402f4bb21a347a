#include "velko/setup/test_setup.hpp"

#include <gtest/gtest.h>

#include "support/recording_report.hpp"
#include "support/tree_doubles.hpp"
#include "velko/core/gtranslate.hpp"
#include "velko/outside/progress_log.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/xml.hpp"
#include "velko/service/activities.hpp"
#include "velko/service/data_item.hpp"
#include "velko/setup/mti_data.hpp"

namespace velko {
namespace {

// A plug-in's device data in a setup: writes "PlugInData" with its plug-in ID.
class PlugInDutData final : public IConfigData {
 public:
  explicit PlugInDutData(String id) : id_(std::move(id)) {}
  Boolean HasDialog() override { return false; }
  Ref<IConfigData> Clone() override { return nullptr; }
  Ref<IUnknown> CreateDialog() override { return nullptr; }
  void Load(const Ref<IXmlElement>&, const Ref<IProgressLog>&) override {}
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override {
    Ref<IXmlElement> e = owner->CreateElement("PlugInData");
    e->SetAttribute("PlugIn", id_);
    return e;
  }
  void PrintReport(const Ref<IReport>& report) override { report->PrintHeading("data " + id_); }

 private:
  String id_;
};

std::vector<String> ChildTags(const Ref<IXmlElement>& e) {
  std::vector<String> tags;
  const Ref<IXmlElementList> list = e->ChildNodes();
  for (Long i = 0; i < list->NodeCount(); ++i) {
    const Ref<IXmlElement> child = QueryInterface<IXmlElement>(list->NodeAt(i));
    tags.push_back(child->TagName() + (child->GetAttribute("PlugIn").empty()
                                           ? String()
                                           : "=" + child->GetAttribute("PlugIn")));
  }
  return tags;
}

class TestSetupTest : public ::testing::Test {
 protected:
  void SetUp() override { UseInMemoryRegistry(); }
  void TearDown() override { UseDefaultRegistry(); }
};

TEST_F(TestSetupTest, ANewSetup) {
  auto setup = MakeRef<CTestSetup>();
  EXPECT_FALSE(setup->ReadOnly());
  EXPECT_EQ(setup->PlugInsDUTCount(), 0);
  EXPECT_FALSE(setup->HasDialog());
  EXPECT_FALSE(setup->Clone());
  EXPECT_TRUE(SameObject(setup->WindowData(), setup->WindowData()));
  const Ref<IXmlElement> saved = setup->Save(CreateXmlDocument());
  EXPECT_EQ(saved->TagName(), "Setup");
  EXPECT_EQ(saved->GetAttribute("ReadOnly"), "");
}

TEST_F(TestSetupTest, ReadOnlyOnlyFromTheExactText) {
  auto setup = MakeRef<CTestSetup>();
  setup->Load(ParseXmlDocument("<Setup ReadOnly='true'/>")->DocumentElement(), nullptr);
  EXPECT_FALSE(setup->ReadOnly());
  setup->Load(ParseXmlDocument("<Setup ReadOnly='True'/>")->DocumentElement(), nullptr);
  EXPECT_TRUE(setup->ReadOnly());
  EXPECT_EQ(setup->Save(CreateXmlDocument())->GetAttribute("ReadOnly"), "True");
}

TEST_F(TestSetupTest, PlugInDataStoreAndRemove) {
  auto setup = MakeRef<CTestSetup>();
  auto first = MakeRef<PlugInDutData>("X");
  setup->StoreDUTData(first, "");
  setup->StoreDUTData(first, "X");
  setup->StoreDUTData(MakeRef<PlugInDutData>("X2"), "X");
  setup->StoreDUTData(MakeRef<PlugInDutData>("Y"), "Y");
  EXPECT_EQ(setup->PlugInsDUTCount(), 2);
  EXPECT_TRUE(SameObject(setup->GetDUTData("X"), first));
  EXPECT_FALSE(setup->GetDUTData("Z"));
  setup->RemoveDUTData("X");
  setup->RemoveDUTData("nope");
  EXPECT_EQ(setup->PlugInsDUTCount(), 1);
  setup->StoreTheFileType(1);
  EXPECT_EQ(ChildTags(setup->Save(CreateXmlDocument())), (std::vector<String>{"PlugInData=Y"}));
  for (Long templateType : {2, 4}) {
    setup->StoreTheFileType(templateType);
    EXPECT_EQ(ChildTags(setup->Save(CreateXmlDocument())),
              (std::vector<String>{"PlugInData=X", "PlugInData=Y"}));
  }
}

TEST_F(TestSetupTest, ReleasingASetupResetsTheThreadsFileTypeAndTemplate) {
  {
    auto setup = MakeRef<CTestSetup>();
    setup->StoreTheFileType(4);
    setup->StoreTheTemplateRecord(test::MakeContainer(1));
    EXPECT_TRUE(GTranslate::Instance()->CheckTemplateType());
    EXPECT_TRUE(GTranslate::Instance()->ReturnTheTemplateData());
  }
  EXPECT_EQ(StoredTemplateType(), 1);
  EXPECT_FALSE(GTranslate::Instance()->ReturnTheTemplateData());
}

TEST_F(TestSetupTest, LoadRebuildsEveryPartAndSkipsPlugInDataWithoutPlugIn) {
  auto setup = MakeRef<CTestSetup>();
  setup->SetServiceEventsDefinition(MakeRef<CActivities>());
  const Ref<ITestStatus> before = setup->Status();
  auto log = MakeRef<CollectingLog>();
  setup->Load(ParseXmlDocument("<Setup><ServiceEvents><Activity Type='Inspection'/></ServiceEvents>"
                               "<DUT><Item Name='Model'>M</Item></DUT>"
                               "<Links><Item Name='Manual'>m.pdf</Item></Links>"
                               "<PlugInData Range='x'/>"
                               "<TestInstruments><MTIData PlugIn='P' ID='1'/></TestInstruments>"
                               "<Unknown/></Setup>")
                  ->DocumentElement(),
              log);
  EXPECT_FALSE(SameObject(before, setup->Status()));
  EXPECT_FALSE(setup->ServiceEventsDefinition());
  EXPECT_EQ(setup->SelectedActivities()->Count(), 1);
  EXPECT_EQ(setup->DutInfo()->Item(0, "Model")->Data(), "M");
  EXPECT_EQ(setup->DocLinks()->Item(0, "Manual")->Data(), "m.pdf");
  EXPECT_EQ(setup->TestInstruments()->Count(), 1);
  EXPECT_EQ(setup->PlugInsDUTCount(), 0);
  EXPECT_TRUE(log->AllSectionsClosed());
  EXPECT_EQ(log->Sections().at(0).contextKey, "E5100::Loading test sequence setup");
  EXPECT_EQ(ChildTags(setup->Save(CreateXmlDocument())),
            (std::vector<String>{"ServiceEvents", "DUT", "Links", "TestInstruments"}));
}

TEST_F(TestSetupTest, APlugInThatIsNotRegisteredEndsTheLoadAndKeepsWhatWasRead) {
  auto setup = MakeRef<CTestSetup>();
  auto log = MakeRef<CollectingLog>();
  EXPECT_THROW(setup->Load(ParseXmlDocument("<Setup><DUT><Item Name='Model'/></DUT>"
                                            "<PlugInData PlugIn='Nobody'/>"
                                            "<Links><Item Name='L'/></Links></Setup>")
                               ->DocumentElement(),
                           log),
               Error);
  EXPECT_EQ(setup->DutInfo()->Count(), 1);
  EXPECT_EQ(setup->DocLinks()->Count(), 0);
  EXPECT_TRUE(log->AllSectionsClosed());
}

TEST_F(TestSetupTest, IsApplicableAsksStandardsOnlyWhenTheEventsApply) {
  auto setup = MakeRef<CTestSetup>();
  EXPECT_TRUE(setup->IsApplicable(test::MakeElement(1)));
  EXPECT_FALSE(setup->IsApplicable(nullptr));
}

TEST_F(TestSetupTest, DutSectionInTwoPairsPerRow) {
  auto setup = MakeRef<CTestSetup>();
  for (const char* name : {"A", "B", "C|x", "D", "E"}) {
    auto item = MakeRef<CDataItem>();
    item->SetName(name);
    item->SetData(String("v") + name);
    setup->DutInfo()->Add(item);
  }
  auto report = MakeRef<test::RecordingReport>();
  report->pageWidth = 10000;
  report->charWidth = 100;
  setup->PrintReport(report);
  const auto tables = report->Calls("PrintTable");
  ASSERT_EQ(tables.size(), 1u);  // no instruments: no instrument section
  EXPECT_EQ(tables[0].Arg(0), "<+580|<+!4420|<+580|<+4420");
  EXPECT_EQ(tables[0].Arg(2), "A|vA|D|vD;B|vB|E|vE;C x|vC x||;");
}

TEST_F(TestSetupTest, InstrumentSectionShowsTheCalibrationDateColumnWhenTheLastLoadedHadOne) {
  auto setup = MakeRef<CTestSetup>();
  setup->TestInstruments()->Load(
      ParseXmlDocument("<TestInstruments><MTIData PlugIn='P' ID='1'><Type>T</Type>"
                       "<CalibrationDate>2026-01-02</CalibrationDate></MTIData></TestInstruments>")
          ->DocumentElement(),
      nullptr);
  auto report = MakeRef<test::RecordingReport>();
  report->pageWidth = 8000;
  setup->PrintReport(report);
  auto tables = report->Calls("PrintTable");
  ASSERT_EQ(tables.size(), 3u);
  EXPECT_EQ(tables[1].Arg(0), "<+2000|<+2000|<+2000|<+2000");
  EXPECT_EQ(tables[1].Arg(1), "Test instrument|Serial number|Firmware version|Calibration date");
  EXPECT_EQ(tables[2].Arg(2), "T|||2026-01-02;");
  CMTIData().SetCalDateExists(false);
  report->Clear();
  setup->PrintReport(report);
  tables = report->Calls("PrintTable");
  EXPECT_EQ(tables[1].Arg(0), "<+2666|<+2666|<+2666");
  EXPECT_EQ(tables[2].Arg(2), "T|||2026-01-02;");
}

}  // namespace
}  // namespace velko
