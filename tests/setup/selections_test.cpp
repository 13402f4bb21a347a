#include "velko/setup/selections.hpp"

#include <gtest/gtest.h>

#include "support/recording_report.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/limits/standard.hpp"
#include "velko/limits/standard_coll.hpp"
#include "velko/outside/progress_log.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/xml.hpp"
#include "velko/service/activities.hpp"

namespace velko {
namespace {

// An entry of the host's activity definition: an activity with a group number.
class DefinedActivity final : public CActivity, public IActivityDefinition {
 public:
  DefinedActivity(const String& activity, const String& event, Long group) : group_(group) {
    SetActivity(activity);
    SetServiceEv(event);
  }
  Long Group() override { return group_; }

 private:
  Long group_;
};

// A filter that names activities (only Activities is used by the selections).
class NamingFilter final : public IElementFilter {
 public:
  Ref<IActivities> Activities() override { return activities; }
  Boolean IncludeInReport() override { return true; }
  void SetIncludeInReport(Boolean) override {}
  Long ServiceRecordOptions() override { return 0; }
  void SetServiceRecordOptions(Long) override {}
  String ServiceRecordID() override { return {}; }
  void SetServiceRecordID(const String&) override {}
  Ref<IElementFilter> Clone() override { return nullptr; }
  void Load(const Ref<IXmlElement>&, const Ref<IProgressLog>&) override {}
  Ref<IXmlElement> Save(const Ref<IXmlDocument>&) override { return nullptr; }

  Ref<CActivities> activities = MakeRef<CActivities>();
};

// Limits holding the given standards.
class StandardLimits final : public IElementLimits {
 public:
  Ref<IStandardColl> Standards() override { return standards; }
  Ref<IElementLimits> Clone() override { return nullptr; }
  void AddStandard(const String&, const String&) override {}
  void Load(const Ref<IXmlElement>&, const Ref<IProgressLog>&) override {}
  Ref<IXmlElement> Save(const Ref<IXmlDocument>&) override { return nullptr; }
  void PrintReport(const Ref<IReport>&, const Ref<ITestSetup>&) override {}

  Ref<CStandardColl> standards = MakeRef<CStandardColl>();
};

Ref<IStandard> Standard(const String& alpha, const String& complete) {
  auto s = MakeRef<CStandard>();
  s->Initialize(alpha, complete, 1);
  return s;
}

class SelectionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseInMemoryRegistry();
    auto definition = MakeRef<CActivities>();
    definition->Add(MakeRef<DefinedActivity>("Inspection", "Annual", 1));
    definition->Add(MakeRef<DefinedActivity>("Inspection", "Repair", 1));
    definition->Add(MakeRef<DefinedActivity>("Calibration", "", 2));
    definition->Add(MakeRef<DefinedActivity>("Cleaning", "", 3));
    selections.SetServiceEventsDefinition(definition);
  }
  void TearDown() override { UseDefaultRegistry(); }

  bool Applies(std::initializer_list<std::pair<const char*, const char*>> named) {
    auto filter = MakeRef<NamingFilter>();
    for (auto [a, e] : named)
      filter->activities->AddNew(a, e);
    return selections.IsApplicableServiceEvents(filter);
  }
  void LoadXml(const String& xml, const Ref<IProgressLog>& log = nullptr) {
    selections.Load(ParseXmlDocument(xml)->DocumentElement(), log);
  }

  CTestSetupSelections selections;
};

TEST_F(SelectionsTest, NothingSelectedAppliesToEveryElement) {
  EXPECT_TRUE(Applies({{"Inspection", "Annual"}}));
  auto limits = MakeRef<StandardLimits>();
  limits->standards->Add(Standard("A", "B"));
  EXPECT_TRUE(selections.IsApplicableStandard(limits));
}

TEST_F(SelectionsTest, ServiceEventsMatchPerGroup) {
  selections.Activities()->AddNew("Inspection", "Annual");
  EXPECT_TRUE(Applies({}));                  // no activities named
  EXPECT_TRUE(Applies({{"Cleaning", ""}}));  // nothing selected in group 3
  EXPECT_TRUE(Applies({{"Inspection", "Annual"}}));
  EXPECT_FALSE(Applies({{"Inspection", "Repair"}}));
  EXPECT_TRUE(Applies({{"Inspection", "Repair"}, {"Inspection", "Annual"}}));  // either matches
  EXPECT_TRUE(Applies({{"Inspection", ""}}));                                  // the activity alone
  selections.Activities()->AddNew("Calibration", "");
  // An event the definition does not know falls into group 0, where nothing is selected.
  EXPECT_TRUE(Applies({{"Calibration", "Full"}}));
  EXPECT_TRUE(Applies({{"Inspection", "Annual"}, {"Calibration", ""}}));
  EXPECT_FALSE(Applies({{"Inspection", "Repair"}, {"Calibration", ""}}));
}

TEST_F(SelectionsTest, StandardsApplyWhenTheSelectionSharesOne) {
  selections.Standards()->Add(Standard("IEC 62353", "Class I"));
  auto none = MakeRef<StandardLimits>();
  EXPECT_TRUE(selections.IsApplicableStandard(none));
  EXPECT_TRUE(selections.IsApplicableStandard(nullptr));
  auto other = MakeRef<StandardLimits>();
  other->standards->Add(Standard("In-house", "Tight"));
  EXPECT_FALSE(selections.IsApplicableStandard(other));
  other->standards->Add(Standard("iec 62353", "class i"));
  EXPECT_TRUE(selections.IsApplicableStandard(other));
}

TEST_F(SelectionsTest, StandardsLoadByNamesBuiltInNamesAndTheRegistryList) {
  Ref<IRegistryKey> key = CreateRegistryKey();
  key->CreateKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathStandards) + "\\IEC 62353");
  key->SetValue(Variant("Class I"), Variant(""));
  key->SetValue(Variant("#note"), Variant(""));
  key->SetValue(Variant("Class II"), Variant(""));
  auto log = MakeRef<CollectingLog>();
  LoadXml("<Standard AlphaName='A' CompleteName='B'/>", log);
  LoadXml("<Standard AlphaName='a' CompleteName='b'/>", log);  // already selected: kept once
  LoadXml("<Standard AlphaName='IEC 62353'/>", log);
  LoadXml("<Standard>HP110</Standard>", log);
  LoadXml("<Standard>Class II</Standard>", log);  // a complete name: known, adds nothing
  LoadXml("<Standard>Nowhere</Standard>", log);
  LoadXml("<Other/>", log);
  std::vector<String> names;
  for (Long i = 1; i <= selections.Standards()->Count(); ++i) {
    const Ref<IStandard> s = selections.Standards()->Item(i);
    names.push_back(s->AlphaName() + "/" + s->CompleteName());
  }
  EXPECT_EQ(names,
            (std::vector<String>{"A/B", "IEC 62353/Class I", "IEC 62353/Class II", "HP/HP110"}));
  ASSERT_EQ(log->Entries().size(), 1u);
  EXPECT_EQ(log->Entries()[0].errNo, err::kSelectionsUnknownStandard);
  EXPECT_EQ(log->Entries()[0].level, 1);
  EXPECT_EQ(log->Entries()[0].params.at(0).ToString(), "Nowhere");
  EXPECT_TRUE(log->AllSectionsClosed());
}

TEST_F(SelectionsTest, AMissingStandardsListEndsTheLoad) {
  try {
    LoadXml("<Standard>Nowhere</Standard>");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), err::kUnexpected);  // 0x8004A4D2 through central handling
  }
}

TEST_F(SelectionsTest, ReportRows) {
  auto report = MakeRef<test::RecordingReport>();
  selections.PrintReport(report);
  EXPECT_TRUE(report->Calls().empty());
  for (const char* a : {"A1", "A2", "A3", "A|4"})
    selections.Activities()->AddNew(a, "");
  for (const char* s : {"S1", "S2", "S3"})
    selections.Standards()->Add(Standard(s, s));
  report->pageWidth = 9000;
  selections.PrintReport(report);
  const auto tables = report->Calls("PrintTable");
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables[0].Arg(0), "<+!4500|<+!4500");
  EXPECT_EQ(tables[0].Arg(1), "Service events performed|Standards performed");
  EXPECT_EQ(tables[1].Arg(0), "^+1500|^+1500|^+!1500|^+2250|^+2250");
  EXPECT_EQ(tables[1].Arg(2), "A1|A2|A3|S1|S2;A 4|||S3|;");
}

TEST_F(SelectionsTest, SavesActivitiesThenStandards) {
  selections.Activities()->AddNew("Inspection", "Annual");
  selections.Standards()->Add(Standard("IEC", "Class I"));
  const Ref<IXmlElement> setup = selections.Save(CreateXmlDocument());
  ASSERT_TRUE(setup);
  EXPECT_EQ(setup->TagName(), "Setup");
  const Ref<IXmlElementList> children = setup->ChildNodes();
  ASSERT_EQ(children->NodeCount(), 2);
  EXPECT_EQ(QueryInterface<IXmlElement>(children->NodeAt(0))->TagName(), "ServiceEvents");
  EXPECT_EQ(QueryInterface<IXmlElement>(children->NodeAt(1))->GetAttribute("CompleteName"),
            "Class I");
}

}  // namespace
}  // namespace velko
