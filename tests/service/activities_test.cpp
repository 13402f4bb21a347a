#include "velko/service/activities.hpp"

#include <gtest/gtest.h>

#include "support/error_helpers.hpp"
#include "support/failing_xml.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/frame/runtime.hpp"
#include "velko/outside/progress_log.hpp"
#include "velko/outside/xml.hpp"

namespace velko {
namespace {

Ref<IActivity> Activity(const String& activity, const String& event, bool selectAll = false) {
  auto a = MakeRef<CActivity>();
  a->SetActivity(activity);
  a->SetServiceEv(event);
  a->SetSelectAll(selectAll);
  return a;
}

// "Activity/Event" of every entry, in order.
std::vector<String> Entries(IActivities& set) {
  std::vector<String> out;
  for (Long i = 1; i <= set.Count(); ++i) {
    out.push_back(set.Item(i)->Activity() + "/" + set.Item(i)->ServiceEv());
  }
  return out;
}

Ref<IXmlElement> Parse(const String& xml) {
  return ParseXmlDocument(xml)->DocumentElement();
}

TEST(Activities, KeysAreActivityAndEventAndDuplicatesRaise) {
  auto set = MakeRef<CActivities>();
  set->AddNew("Inspection", "Annual");
  set->Add(Activity("Inspection", "Repair"));
  set->Add(nullptr);  // ignored
  EXPECT_EQ(Entries(*set), (std::vector<String>{"Inspection/Annual", "Inspection/Repair"}));

  const Error twice = test::CaughtError([&] { set->AddNew("Inspection", "Annual"); });
  EXPECT_EQ(twice.Number(), err::kActivityPresent);
  EXPECT_EQ(twice.Source(), "VelkoCore.CActivities");
  // Keys compare without regard to case, as the runtime's keyed collection did.
  EXPECT_EQ(test::ErrorNumberOf([&] { set->Add(Activity("INSPECTION", "annual")); }),
            err::kActivityPresent);
  EXPECT_EQ(set->Count(), 2);

  EXPECT_EQ(set->Item(0, "Inspection", "Annual")->ServiceEv(), "Annual");
  EXPECT_EQ(set->Item(0, "inspection", "REPAIR")->ServiceEv(), "Repair");
  EXPECT_EQ(set->Item(2)->ServiceEv(), "Repair");
  EXPECT_FALSE(set->Item(3));
  EXPECT_FALSE(set->Item(-1));
  EXPECT_FALSE(set->Item(0, "Inspection", "Weekly"));
}

TEST(Activities, RemoveByPositionOrKey) {
  auto set = MakeRef<CActivities>();
  set->AddNew("A", "1");
  set->AddNew("B", "");
  set->AddNew("C", "3");
  set->Remove(2);
  EXPECT_EQ(Entries(*set), (std::vector<String>{"A/1", "C/3"}));
  set->Remove(0, "C", "3");
  EXPECT_EQ(test::ErrorNumberOf([&] { set->Remove(0, "C", "3"); }), err::kActivityNotFound);
  EXPECT_EQ(test::ErrorNumberOf([&] { set->Remove(5); }), err::kActivityNotFound);
  set->Remove(1);
  EXPECT_EQ(set->Count(), 0);
  EXPECT_FALSE(set->Item(1));
  set->AddNew("A", "1");  // the key is free again
  EXPECT_EQ(set->Count(), 1);
}

TEST(Activity, CompareCoversByNameEventAndSelectAll) {
  struct Case {
    const char* entryActivity;
    const char* entryEvent;
    bool entrySelectAll;
    const char* askActivity;
    const char* askEvent;
    bool covered;
  };
  const Case cases[] = {
      {"Inspection", "", true, "Inspection", "Repair", true},
      {"Inspection", "Annual", false, "Inspection", "Repair", false},
      {"Inspection", "Annual", false, "Inspection", "", true},
      {"Inspection", "Annual", false, "Inspection", "Annual", true},
      {"Inspection", "Annual", false, "inspection", "Annual", false},  // case-sensitive
      {"Inspection", "Annual", false, "Inspection", "annual", false},
      {"Inspection", "", true, "Repair", "Annual", false},
      {"Inspection", "", false, "Inspection", "Repair", false},
  };
  for (const Case& c : cases) {
    const auto entry = Activity(c.entryActivity, c.entryEvent, c.entrySelectAll);
    EXPECT_EQ(entry->Compare(Activity(c.askActivity, c.askEvent)), c.covered)
        << c.entryActivity << "/" << c.entryEvent << " asked " << c.askActivity << "/"
        << c.askEvent;
  }
  EXPECT_FALSE(Activity("A", "")->Compare(nullptr));
}

TEST(Activities, SelectedAndContains) {
  const auto repair = Activity("Inspection", "Repair");
  auto set = MakeRef<CActivities>();
  EXPECT_TRUE(set->Selected(repair));  // empty set
  EXPECT_FALSE(set->Contains(repair));
  EXPECT_TRUE(set->Selected(nullptr));

  set->AddNew("Inspection", "Annual");
  EXPECT_FALSE(set->Selected(repair));
  EXPECT_TRUE(set->Selected(Activity("Inspection", "Annual")));
  set->Add(Activity("Inspection", "", true));
  EXPECT_TRUE(set->Contains(repair));  // the SelectAll entry covers every event

  auto all = MakeRef<CActivities>();
  all->AddNew("Other", "X");
  all->SetSelectAll(true);
  EXPECT_TRUE(all->Selected(repair));
  EXPECT_TRUE(all->Contains(repair));
}

TEST(Activities, LoadReadsEntriesAndLogsBadOnesOnce) {
  const auto xml = Parse(
      "<ServiceEvents SelectAll='yes'>"
      "<Activity Type='Inspection' Event='Annual'/>"
      "<Activity Event='Lost'/>"
      "stray text<!-- a comment -->"
      "<Whatever Type='Repair'/>"  // the tag is not examined
      "<Activity Type='Inspection' Event='Annual'/>"
      "</ServiceEvents>");
  auto log = MakeRef<CollectingLog>();
  auto set = MakeRef<CActivities>();
  set->AddNew("Old", "entry");
  set->Load(xml, log);

  EXPECT_TRUE(set->SelectAll());
  EXPECT_EQ(Entries(*set), (std::vector<String>{"Inspection/Annual", "Repair/"}));
  EXPECT_FALSE(set->Item(1)->SelectAll());
  EXPECT_TRUE(set->Item(2)->SelectAll());  // no event: the whole activity
  ASSERT_EQ(log->Entries().size(), 2u);
  EXPECT_EQ(log->Entries()[0].errNo, err::kActivityNoType);
  EXPECT_EQ(log->Entries()[0].level, 2);
  EXPECT_EQ(log->Entries()[0].messageKey,
            "5050::A service event cannot be loaded due to missing Activity data.");
  EXPECT_EQ(log->Entries()[1].errNo, err::kActivityPresent);
  EXPECT_EQ(log->Entries()[1].messageKey,
            "5051::A service event occurred twice in this collection. The second service event "
            "cannot be loaded. ");
  EXPECT_NE(log->Entries()[0].section, 0);
  EXPECT_TRUE(log->AllSectionsClosed());

  // Without a log the same problems are skipped silently.
  set->Load(xml, nullptr);
  EXPECT_EQ(set->Count(), 2);
}

TEST(Activities, LoadOfAnotherElementRaisesAndKeepsTheContent) {
  auto log = MakeRef<CollectingLog>();
  auto set = MakeRef<CActivities>();
  set->AddNew("Keep", "me");
  const Error e = test::CaughtError(
      [&] { set->Load(Parse("<serviceevents><Activity Type='A'/></serviceevents>"), log); });
  EXPECT_EQ(e.Number(), err::kActivitiesWrongTag);
  EXPECT_EQ(e.Source(), "VelkoCore.CActivities");
  EXPECT_TRUE(log->AllSectionsClosed());
  EXPECT_EQ(Entries(*set), (std::vector<String>{"Keep/me"}));

  // A none element is an error, not a crash.
  EXPECT_EQ(test::ErrorNumberOf([&] { set->Load(nullptr, log); }), err::kUnexpected);
  EXPECT_TRUE(log->AllSectionsClosed());
}

TEST(Activities, SaveWritesEventsOnlyForNarrowedEntries) {
  const auto doc = CreateXmlDocument();
  auto set = MakeRef<CActivities>();
  EXPECT_FALSE(set->Save(doc));  // empty, no SelectAll: nothing

  set->SetSelectAll(true);
  const auto bare = set->Save(doc);
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->TagName(), "ServiceEvents");
  EXPECT_EQ(bare->GetAttribute("SelectAll"), "True");
  EXPECT_EQ(bare->ChildNodes()->NodeCount(), 0);

  set->SetSelectAll(false);
  set->AddNew("Inspection", "Annual");
  set->Add(Activity("Repair", "ignored", true));
  const auto saved = set->Save(doc);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->GetAttribute("SelectAll"), "");
  const auto first = QueryInterface<IXmlElement>(saved->ChildNodes()->NodeAt(0));
  const auto second = QueryInterface<IXmlElement>(saved->ChildNodes()->NodeAt(1));
  EXPECT_EQ(first->GetAttribute("Type"), "Inspection");
  EXPECT_EQ(first->GetAttribute("Event"), "Annual");
  EXPECT_EQ(second->GetAttribute("Type"), "Repair");
  EXPECT_EQ(second->GetAttribute("Event"), "");

  auto back = MakeRef<CActivities>();
  back->Load(saved, nullptr);
  EXPECT_EQ(Entries(*back), (std::vector<String>{"Inspection/Annual", "Repair/"}));
  EXPECT_TRUE(back->Item(2)->SelectAll());
}

TEST(Activities, SaveFailuresRaiseTheSaveError) {
  auto set = MakeRef<CActivities>();
  set->AddNew("A", "1");
  const auto failing = test::MakeAlwaysFailingXmlDocument();
  const Error e = test::CaughtError([&] { set->Save(failing); });
  EXPECT_EQ(e.Number(), err::kActivitySave);
  EXPECT_EQ(e.Source(), "VelkoCore.CActivities");

  // The entry fails on its own element: its error reaches the caller unchanged.
  auto second = MakeRef<test::FailingXmlDocument>();
  second->FailForTag("Activity");
  const Error inner = test::CaughtError([&] { set->Save(second); });
  EXPECT_EQ(inner.Number(), err::kActivitySave);
  EXPECT_EQ(inner.Source(), "VelkoCore.CActivity");
}

TEST(Activity, LoadNeedsATypeAndLeavesTheObjectAsItWas) {
  auto a = MakeRef<CActivity>();
  a->Load(Parse("<X Type='Repair' Event='Urgent'/>"));
  EXPECT_EQ(a->Activity(), "Repair");
  EXPECT_EQ(a->ServiceEv(), "Urgent");
  EXPECT_FALSE(a->SelectAll());
  const Error e = test::CaughtError([&] { a->Load(Parse("<Activity Type='' Event='E'/>")); });
  EXPECT_EQ(e.Number(), err::kActivityNoType);
  EXPECT_EQ(e.Source(), "VelkoCore.CActivity");
  EXPECT_EQ(a->Activity(), "Repair");
  EXPECT_EQ(a->ServiceEv(), "Urgent");
}

TEST(Activities, CloneIsDeepAndEnumerationFollowsTheOrder) {
  auto set = MakeRef<CActivities>();
  set->SetSelectAll(true);
  set->AddNew("B", "2");
  set->Add(Activity("A", "", true));
  const auto copy = set->Clone();
  ASSERT_TRUE(copy);
  EXPECT_TRUE(copy->SelectAll());
  EXPECT_EQ(Entries(*copy), Entries(*set));
  EXPECT_TRUE(copy->Item(2)->SelectAll());
  EXPECT_FALSE(SameObject(copy->Item(1), set->Item(1)));
  copy->Item(1)->SetActivity("changed");
  EXPECT_EQ(set->Item(1)->Activity(), "B");

  std::vector<String> seen;
  for (const Ref<IActivity> a : EnumRange<IActivity>(set->NewEnum()))
    seen.push_back(a->Activity());
  for (const Ref<IActivity>& a : *set)
    seen.push_back(a->Activity());
  EXPECT_EQ(seen, (std::vector<String>{"B", "A", "B", "A"}));
}

TEST(Activities, BothClassesAreCreatableByName) {
  const auto set = CreateObjectAs<IActivities>("VelkoCore.CActivities");
  const auto entry = CreateObjectAs<IActivity>("VelkoCore.CActivity");
  entry->SetActivity("A");
  set->Add(entry);
  EXPECT_EQ(set->Count(), 1);
}

}  // namespace
}  // namespace velko
