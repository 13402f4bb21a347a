// FindElement over large trees answers from an index built when the same tree is searched again;
// these cases change the tree between searches and check that the answers still follow the
// search order (direct children first, then depth-first in list order).
#include <gtest/gtest.h>

#include "support/tree_doubles.hpp"
#include "velko/outside/xml.hpp"
#include "velko/sequence/test_container.hpp"
#include "velko/sequence/test_element.hpp"

namespace velko {
namespace {

constexpr Long kGroups = 40;  // enough nodes that the root keeps an index

Ref<CTestElement> Leaf(Long id) {
  auto leaf = MakeRef<CTestElement>();
  leaf->Initialize("P", 1, id);
  return leaf;
}

// A root (ID 1) of kGroups groups (IDs 1000 + g) with two leaves each (10 g + 11, 10 g + 12).
class FindIndex : public ::testing::Test {
 protected:
  void SetUp() override {
    root = MakeRef<CTestContainer>();
    root->Initialize("P", 1, 1);
    for (Long g = 0; g < kGroups; ++g) {
      auto group = MakeRef<CTestContainer>();
      group->Initialize("P", 2, 1000 + g);
      group->Add(Leaf(10 * g + 11));
      group->Add(Leaf(10 * g + 12));
      groups.push_back(group);
      root->Add(group);
    }
    Search();  // the first search walks, the second one builds the index
    Search();
  }
  void TearDown() override {
    for (const auto& group : groups) {
      for (Long i = 1; i <= group->Count(); ++i)
        group->Item(i)->Terminate();
      group->Terminate();
    }
    root->Terminate();
  }
  void Search() { root->FindElement(-1); }

  Ref<CTestContainer> root;
  std::vector<Ref<CTestContainer>> groups;
};

TEST_F(FindIndex, FindsEveryNodeBelowButNotTheContainerItself) {
  EXPECT_TRUE(SameObject(root->FindElement(1005), groups[5]));
  EXPECT_TRUE(SameObject(root->FindElement(402), groups[39]->Item(2)));
  EXPECT_EQ(root->FindElement(1), nullptr);
  EXPECT_EQ(root->FindElement(7), nullptr);
}

TEST_F(FindIndex, FollowsChangesOfIdsAndChildren) {
  const Ref<ITestElement> leaf = groups[20]->Item(1);  // ID 211
  leaf->SetID(5555);
  EXPECT_TRUE(SameObject(root->FindElement(5555), leaf));
  EXPECT_EQ(root->FindElement(211), nullptr);

  // A direct child wins over a deeper node with the same ID.
  const Ref<ITestElement> shallow = Leaf(5555);
  root->Add(shallow);
  EXPECT_TRUE(SameObject(root->FindElement(5555), shallow));

  // Of two deeper nodes, the one in the earlier group wins.
  groups[3]->Item(2)->SetID(777);
  groups[30]->Item(2)->SetID(777);
  EXPECT_TRUE(SameObject(root->FindElement(777), groups[3]->Item(2)));

  root->Remove(groups[3]);
  EXPECT_TRUE(SameObject(root->FindElement(777), groups[30]->Item(2)));
  shallow->Terminate();
}

TEST_F(FindIndex, AnotherImplementationBelowIsSearchedByItsOwnAnswers) {
  auto foreign = MakeRef<test::FakeElement>();
  foreign->id = 4242;
  groups[10]->Add(foreign);
  Search();
  Search();
  EXPECT_TRUE(SameObject(root->FindElement(4242), foreign));
  foreign->id = 4343;  // a change the library cannot see
  EXPECT_TRUE(SameObject(root->FindElement(4343), foreign));
  EXPECT_EQ(root->FindElement(4242), nullptr);
}

// A result that keeps the "Comment" of the element it was loaded from.
class CommentResult final : public IResult {
 public:
  String loaded;
  String Comment() override { return loaded; }
  Long Status() override { return kStatusPassed; }
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>&) override {
    loaded = in->GetAttribute("Comment");
  }
  Ref<IXmlElement> Save(const Ref<IXmlDocument>&) override { return nullptr; }
  void PrintReport(const Ref<IReport>&, const Ref<ITestSetup>&) override {}
  Ref<IMeasurement> Measurement(const String&) override { return nullptr; }
  Ref<IServiceRecord> ServiceRecord() override { return nullptr; }
};

TEST(ResultsAmongManyChildren, GoToTheFirstChildWithTheElementId) {
  auto root = MakeRef<CTestContainer>();
  root->Initialize("P", 1, 1);
  std::vector<Ref<CommentResult>> results;
  for (Long i = 1; i <= 40; ++i) {
    auto leaf = Leaf(i == 6 ? 5 : i);  // two children with ID 5
    results.push_back(MakeRef<CommentResult>());
    leaf->SetResult(results.back());
    root->Add(leaf);
  }
  const Ref<IXmlDocument> document = ParseXmlDocument(
      "<ResultItem ElementID='1'><ResultItem ElementID='39' Comment='last'/>"
      "<ResultItem ElementID='5' Comment='five'/><ResultItem ElementID='999' Comment='none'/>"
      "</ResultItem>");
  root->Load(document->DocumentElement(), nullptr);
  EXPECT_EQ(results[4]->loaded, "five");
  EXPECT_EQ(results[5]->loaded, "");
  EXPECT_EQ(results[38]->loaded, "last");
  for (Long i = 1; i <= root->Count(); ++i)
    root->Item(i)->Terminate();
  root->Terminate();
}

}  // namespace
}  // namespace velko
