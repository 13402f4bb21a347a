#include "velko/sequence/element_filter.hpp"

#include <gtest/gtest.h>

#include "support/error_helpers.hpp"
#include "support/failing_xml.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/outside/progress_log.hpp"
#include "velko/outside/xml.hpp"
#include "velko/typelib/service.hpp"

namespace velko {
namespace {

Ref<IXmlElement> Parse(const String& xml) {
  return ParseXmlDocument(xml)->DocumentElement();
}

Ref<IXmlElement> Child(const Ref<IXmlElement>& parent, Long index) {
  return QueryInterface<IXmlElement>(parent->ChildNodes()->NodeAt(index));
}

std::vector<String> ChildTags(const Ref<IXmlElement>& parent) {
  std::vector<String> tags;
  for (Long i = 0; i < parent->ChildNodes()->NodeCount(); ++i) {
    tags.push_back(Child(parent, i)->TagName());
  }
  return tags;
}

TEST(ElementFilter, NewFilterIsIncludedAndSavesOnlyThat) {
  const auto filter = CreateElementFilter();
  EXPECT_TRUE(filter->IncludeInReport());
  EXPECT_EQ(filter->ServiceRecordOptions(), 0);
  EXPECT_EQ(filter->ServiceRecordID(), "");
  ASSERT_TRUE(filter->Activities());
  EXPECT_EQ(filter->Activities()->Count(), 0);

  const auto saved = filter->Save(CreateXmlDocument());
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->TagName(), "Filter");
  EXPECT_EQ(ChildTags(saved), (std::vector<String>{"IncludeInReport"}));
  EXPECT_EQ(Child(saved, 0)->ChildNodes()->NodeCount(), 0);
}

TEST(ElementFilter, ServiceRecordIsWrittenOnlyWithOptions) {
  const auto doc = CreateXmlDocument();
  const auto filter = CreateElementFilter();
  filter->SetIncludeInReport(false);
  filter->SetServiceRecordID("SR-7");
  EXPECT_EQ(ChildTags(filter->Save(doc)), std::vector<String>{});

  filter->SetServiceRecordOptions(3);
  filter->Activities()->AddNew("Inspection", "Annual");
  const auto saved = filter->Save(doc);
  EXPECT_EQ(ChildTags(saved), (std::vector<String>{"ServiceRecord", "ServiceEvents"}));
  EXPECT_EQ(Child(saved, 0)->ElementText(), "SR-7");
  EXPECT_EQ(Child(saved, 0)->GetAttribute("Options"), "3");

  const auto back = CreateElementFilter();
  back->Load(saved, nullptr);
  EXPECT_FALSE(back->IncludeInReport());
  EXPECT_EQ(back->ServiceRecordID(), "SR-7");
  EXPECT_EQ(back->ServiceRecordOptions(), 3);
  ASSERT_EQ(back->Activities()->Count(), 1);
  EXPECT_EQ(back->Activities()->Item(1)->ServiceEv(), "Annual");
}

TEST(ElementFilter, LoadResetsAllButTheRecordIdentifier) {
  struct Case {
    const char* xml;
    bool include;
    Long options;
    const char* recordId;
    Long activities;
  };
  const Case cases[] = {
      {"<Filter/>", false, 0, "kept", 0},
      {"<Filter><IncludeInReport>False</IncludeInReport></Filter>", true, 0, "kept", 0},
      {"<Filter><ServiceRecord>SR-1</ServiceRecord></Filter>", false, 0, "SR-1", 0},
      {"<Filter><ServiceRecord Options='abc'>SR-1</ServiceRecord></Filter>", false, 0, "SR-1", 0},
      {"<Filter><ServiceRecord Options=' 6.5 '/></Filter>", false, 6, "", 0},
      {"<Filter>text<Unknown/><serviceevents><Activity Type='A'/></serviceevents></Filter>", false,
       0, "kept", 0},
      {"<Filter><ServiceEvents><Activity Type='A'/><Activity Type='B'/></ServiceEvents></Filter>",
       false, 0, "kept", 2},
  };
  for (const Case& c : cases) {
    const auto filter = CreateElementFilter();
    filter->SetServiceRecordID("kept");
    filter->SetServiceRecordOptions(9);
    filter->Activities()->AddNew("Old", "");
    filter->Load(Parse(c.xml), nullptr);
    EXPECT_EQ(filter->IncludeInReport(), c.include) << c.xml;
    EXPECT_EQ(filter->ServiceRecordOptions(), c.options) << c.xml;
    EXPECT_EQ(filter->ServiceRecordID(), c.recordId) << c.xml;
    EXPECT_EQ(filter->Activities()->Count(), c.activities) << c.xml;
  }
}

TEST(ElementFilter, LoadLogsInItsOwnSectionAndClosesItOnFailure) {
  auto log = MakeRef<CollectingLog>();
  const auto filter = CreateElementFilter();
  filter->Load(Parse("<Filter><ServiceEvents><Activity/></ServiceEvents></Filter>"), log);
  ASSERT_FALSE(log->Sections().empty());
  EXPECT_EQ(log->Sections()[0].contextKey, "E5055::Loading element filter");
  ASSERT_EQ(log->Entries().size(), 1u);
  EXPECT_EQ(log->Entries()[0].errNo, err::kActivityNoType);
  EXPECT_TRUE(log->AllSectionsClosed());

  filter->SetServiceRecordOptions(4);
  const Error e = test::CaughtError([&] { filter->Load(Parse("<Info/>"), log); });
  EXPECT_EQ(e.Number(), err::kFilterWrongTag);
  EXPECT_EQ(e.Source(), "VelkoCore.CElementFilter");
  EXPECT_TRUE(log->AllSectionsClosed());
  EXPECT_EQ(filter->ServiceRecordOptions(), 4);  // a failed load changes nothing

  const Error overflow = test::CaughtError([&] {
    filter->Load(Parse("<Filter><ServiceRecord Options='1e12'>x</ServiceRecord></Filter>"), log);
  });
  EXPECT_EQ(overflow.Number(), err::kUnexpected);
  EXPECT_TRUE(log->AllSectionsClosed());
  EXPECT_EQ(filter->ServiceRecordOptions(), 4);
}

TEST(ElementFilter, CloneCopiesFieldsAndActivitiesDeeply) {
  const auto filter = CreateElementFilter();
  filter->SetIncludeInReport(false);
  filter->SetServiceRecordID("SR");
  filter->SetServiceRecordOptions(2);
  filter->Activities()->AddNew("A", "1");
  filter->Activities()->SetSelectAll(true);

  const auto copy = filter->Clone();
  ASSERT_TRUE(copy);
  EXPECT_FALSE(copy->IncludeInReport());
  EXPECT_EQ(copy->ServiceRecordID(), "SR");
  EXPECT_EQ(copy->ServiceRecordOptions(), 2);
  EXPECT_TRUE(copy->Activities()->SelectAll());
  EXPECT_EQ(copy->Activities()->Count(), 1);
  EXPECT_FALSE(SameObject(copy->Activities(), filter->Activities()));
  copy->Activities()->AddNew("B", "");
  EXPECT_EQ(filter->Activities()->Count(), 1);
}

TEST(ElementFilter, SaveFailureRaisesTheFilterSaveError) {
  const auto filter = CreateElementFilter();
  const Error e = test::CaughtError([&] { filter->Save(test::MakeAlwaysFailingXmlDocument()); });
  EXPECT_EQ(e.Number(), err::kFilterSave);
  EXPECT_EQ(e.Source(), "VelkoCore.CElementFilter");
}

}  // namespace
}  // namespace velko
