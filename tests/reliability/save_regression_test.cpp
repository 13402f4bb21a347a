// Writers that used to report success while a failing document left out an element that the
// reader needs: the saved file would have read back different (a filter no longer printed, the
// results of a whole subtree gone). They now fail with their own save error.
#include <gtest/gtest.h>

#include "support/error_helpers.hpp"
#include "support/failing_xml.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/outside/xml.hpp"
#include "velko/sequence/element_filter.hpp"
#include "velko/sequence/test_container.hpp"
#include "velko/sequence/test_element.hpp"

namespace velko {
namespace {

TEST(SaveRegression, AFilterWhoseIncludeInReportCannotBeCreatedFailsItsSave) {
  const Ref<IElementFilter> filter = CreateElementFilter();
  auto document = MakeRef<test::FailingXmlDocument>();
  document->FailForTag("IncludeInReport");
  const Error e = test::CaughtError([&] { filter->Save(document); });
  EXPECT_EQ(e.Number(), err::kFilterSave);
  EXPECT_EQ(e.Source(), "VelkoCore.CElementFilter");

  filter->SetIncludeInReport(false);  // nothing to create: the save goes through
  EXPECT_TRUE(filter->Save(document));
}

TEST(SaveRegression, AContainerWhoseOwnElementCannotBeCreatedFailsItsSave) {
  struct Case {
    const char* tag;
    Long mode;
  };
  for (const Case& c : {Case{"ResultItem", kSaveResults},
                        Case{"TestElement", kSaveBareWrapper | kSaveDefinition}}) {
    auto root = MakeRef<CTestContainer>();
    root->Add(MakeRef<CTestElement>());
    auto document = MakeRef<test::FailingXmlDocument>();
    document->FailForTag(c.tag);
    const Error e = test::CaughtError([&] { root->Save(document, c.mode); });
    EXPECT_EQ(e.Number(), err::kElementSave) << c.tag;
    EXPECT_EQ(e.Source(), "VelkoCore.CTestContainer") << c.tag;
    root->Terminate();
  }
}

}  // namespace
}  // namespace velko
