// CTestContainer: the child list (add, remove, find), standards adoption, loading through the
// plug-in manager, results, the save modes, printing and termination.
#include "velko/sequence/test_container.hpp"

#include <gtest/gtest.h>

#include "sequence/sequence_fixture.hpp"
#include "support/error_helpers.hpp"
#include "support/recording_report.hpp"
#include "support/tree_doubles.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/outside/error_server.hpp"
#include "velko/sequence/test_element.hpp"

namespace velko::test {
namespace {

Long LastErrorFlags() {
  return ErrorServer()->ErrorObject()->LastFlags();
}

std::vector<Long> ChildIds(const Ref<ITestContainer>& container) {
  std::vector<Long> ids;
  for (auto child : EnumRange<ITestElement>(container->NewEnum()))
    ids.push_back(child->ID());
  return ids;
}

Ref<ITestElement> Leaf(Long id) {
  auto leaf = MakeRef<CTestElement>();
  leaf->Initialize("A", 200, id);
  return leaf;
}

class TestContainerTest : public SequenceFixture {
 protected:
  void TearDown() override {
    for (const auto& tree : trees)
      TerminateTree(tree);
    SequenceFixture::TearDown();
  }
  // A container with leaves of the given IDs; terminated after the test.
  Ref<CTestContainer> Container(Long id, std::initializer_list<Long> children = {}) {
    auto container = MakeRef<CTestContainer>();
    container->Initialize("A", 2, id);
    for (Long child : children)
      container->Add(Leaf(child));
    trees.push_back(container);
    return container;
  }

  std::vector<Ref<ITestElement>> trees;
};

TEST_F(TestContainerTest, AddPlacesChildrenByRelation) {
  struct Case {
    Long relativeId;  // 0: no relative
    Long relation;
    std::vector<Long> order;
  };
  for (const Case& c :
       {Case{0, kRelationLast, {1, 2, 3, 9}}, Case{0, kRelationFirst, {9, 1, 2, 3}},
        Case{0, kRelationAfter, {1, 2, 3, 9}}, Case{2, kRelationAfter, {1, 2, 9, 3}},
        Case{3, kRelationAfter, {1, 2, 3, 9}}, Case{2, kRelationBefore, {1, 9, 2, 3}},
        Case{1, kRelationBefore, {9, 1, 2, 3}}}) {
    Ref<CTestContainer> container = Container(10, {1, 2, 3});
    Ref<ITestElement> added = Leaf(9);
    container->Add(added, c.relativeId ? container->FindElement(c.relativeId) : nullptr,
                   c.relation);
    EXPECT_EQ(ChildIds(container), c.order) << c.relativeId << "/" << c.relation;
    EXPECT_TRUE(SameObject(added->Parent(), container));
  }
}

TEST_F(TestContainerTest, AddRefusesABadRelativeOrRelation) {
  Ref<CTestContainer> container = Container(10, {1, 2});
  for (auto [relative, relation] :
       {std::pair{Leaf(2), Long{kRelationLast}}, std::pair{Leaf(2), Long{kRelationFirst}},
        std::pair{Leaf(7), Long{kRelationAfter}}}) {
    Ref<ITestElement> added = Leaf(9);
    const Error e = CaughtError([&] { container->Add(added, relative, relation); });
    EXPECT_EQ(e.Number(), err::kContainerAdd);
    EXPECT_EQ(e.Source(), "VelkoCore.CTestContainer");
    EXPECT_EQ(LastErrorFlags(), 8);
    EXPECT_EQ(ChildIds(container), (std::vector<Long>{1, 2}));
    EXPECT_TRUE(added->Parent() == nullptr);
  }
  EXPECT_EQ(ErrorNumberOf([&] { container->Add(nullptr); }), err::kUnexpected);
}

TEST_F(TestContainerTest, RelationFirstOnAnEmptyContainerInserts) {
  Ref<CTestContainer> container = Container(10);
  container->Add(Leaf(4), nullptr, kRelationFirst);
  EXPECT_EQ(ChildIds(container), std::vector<Long>{4});
}

TEST_F(TestContainerTest, RemoveTakesTheFirstChildWithTheIdAndClearsItsParent) {
  Ref<CTestContainer> container = Container(10, {1});
  Ref<ITestElement> first = container->Item(1);
  Ref<ITestElement> twin = Leaf(1);
  container->Add(twin);

  container->Remove(twin);  // matched by ID: the first child goes
  EXPECT_EQ(container->Count(), 1);
  EXPECT_TRUE(SameObject(container->Item(1), twin));
  EXPECT_TRUE(first->Parent() == nullptr);
  EXPECT_TRUE(SameObject(twin->Parent(), container));

  const Error e = CaughtError([&] { container->Remove(Leaf(5)); });
  EXPECT_EQ(e.Number(), err::kContainerChildNotFound);
  EXPECT_EQ(LastErrorFlags(), 1);
}

TEST_F(TestContainerTest, ItemOutsideTheListIsNone) {
  Ref<CTestContainer> container = Container(10, {1, 2});
  EXPECT_TRUE(container->Item(0) == nullptr);
  EXPECT_TRUE(container->Item(3) == nullptr);
  EXPECT_EQ(container->Item(2)->ID(), 2);
}

TEST_F(TestContainerTest, FindElementPrefersShallowNodesAndNeverItself) {
  Ref<CTestContainer> root = Container(5, {1});
  Ref<CTestContainer> first = Container(20, {21, 22});
  Ref<CTestContainer> second = Container(30, {31});
  Ref<CTestContainer> deep = Container(40, {7});
  second->Add(deep);
  Ref<ITestElement> grandchild = Leaf(5);
  second->Add(grandchild);
  root->Add(first);
  root->Add(second);

  EXPECT_TRUE(SameObject(root->FindElement(5), grandchild));  // not the root itself
  EXPECT_TRUE(SameObject(root->FindElement(7), deep->Item(1)));
  EXPECT_TRUE(root->FindElement(99) == nullptr);

  Ref<ITestElement> shallow = Leaf(7);
  root->Add(shallow);
  EXPECT_TRUE(SameObject(root->FindElement(7), shallow));
}

TEST_F(TestContainerTest, ContainersWithStandardsAdoptThoseOfNewChildren) {
  Ref<ITestContainer> container = Group(1);
  trees.push_back(QueryInterface<ITestElement>(container));
  Ref<IElementLimits> limits = QueryInterface<ITestElement>(container)->Limits();
  Ref<ITestElement> child = Node("A", 200, 2);
  child->Limits()->AddStandard("EN 1", "EN 1:2000");
  child->Limits()->AddStandard("EN 2", "EN 2:2010");

  container->Add(child);  // no standards of its own: adopts none
  EXPECT_EQ(limits->Standards()->Count(), 0);

  limits->AddStandard("en 1", "en 1:2000");
  Ref<ITestElement> second = Node("A", 200, 3);
  second->Limits()->AddStandard("EN 1", "EN 1:2000");
  second->Limits()->AddStandard("EN 2", "EN 2:2010");
  container->Add(second);
  ASSERT_EQ(limits->Standards()->Count(), 2);
  EXPECT_EQ(limits->Standards()->Item(2)->AlphaName(), "EN 2");
}

TEST_F(TestContainerTest, CloneIsAnEmptyContainerWithTheSameDefinition) {
  Ref<ITestContainer> container = Group(8);
  Ref<ITestElement> node = QueryInterface<ITestElement>(container);
  trees.push_back(node);
  node->Info()->SetName("Group");
  for (Long id : {1, 2, 3})
    container->Add(Node("A", 200, id));

  Ref<ITestElement> clone = node->Clone();
  EXPECT_EQ(QueryInterface<ITestContainer>(clone)->Count(), 0);
  EXPECT_EQ(clone->ID(), 8);
  EXPECT_EQ(clone->Info()->Name(), "Group");
  EXPECT_FALSE(SameObject(clone->Info(), node->Info()));
  EXPECT_TRUE(clone->Limits());
  EXPECT_TRUE(clone->Result() == nullptr);
  EXPECT_TRUE(QueryInterface<CTestContainer>(node)->Create(4) == nullptr);
}

TEST_F(TestContainerTest, LoadReplacesTheChildrenAndSkipsUnknownPlugIns) {
  Ref<CTestContainer> container = Container(10, {1, 2});
  Ref<ITestElement> old = container->Item(1);
  container->Load(
      ParseElement(R"(<TestElement ID="3"><PlugIn Name="A" TestID="2"/>)"
                   R"(<TestElement ID="4"><PlugIn Name="A" TestID="200"/></TestElement>)"
                   R"(<TestElement ID="5"><PlugIn Name="Z" TestID="200"/></TestElement>)"
                   R"(<TestElement ID="6"><PlugIn Name="B" TestID="2"/>)"
                   R"(<TestElement ID="7"><PlugIn Name="B" TestID="300"/></TestElement>)"
                   R"(</TestElement></TestElement>)"),
      nullptr);
  EXPECT_EQ(container->ID(), 3);
  EXPECT_EQ(ChildIds(container), (std::vector<Long>{4, 6}));
  EXPECT_TRUE(SameObject(container->Item(1)->Parent(), container));
  EXPECT_TRUE(container->FindElement(7));
  EXPECT_TRUE(SameObject(old->Parent(), container));  // released, not terminated
  old->Terminate();
}

// The plug-in manager creates a node from its first "PlugIn"; a second one must not change what
// the node saves, or the saved sequence would make a different kind of node when read back.
TEST_F(TestContainerTest, OnlyTheFirstPlugInOfANodeCounts) {
  const char* twice = R"(<TestElement ID="3"><PlugIn Name="A" TestID="2"/><PlugIn Name="B"/>)"
                      R"(<TestElement ID="4"><PlugIn Name="A" TestID="200"/>)"
                      R"(<PlugIn Name="A" TestID="2"/></TestElement></TestElement>)";
  Ref<CTestContainer> container = Container(1);
  container->Load(ParseElement(twice), nullptr);
  Ref<CTestContainer> reloaded = Container(1);
  reloaded->Load(container->Save(CreateXmlDocument(), kSaveDefinition), nullptr);
  for (const Ref<CTestContainer>& tree : {container, reloaded}) {
    EXPECT_EQ(tree->PlugInID(), "A");
    EXPECT_EQ(tree->TestID(), 2);
    ASSERT_EQ(ChildIds(tree), (std::vector<Long>{4}));
    EXPECT_EQ(tree->Item(1)->TestID(), 200);
    EXPECT_FALSE(QueryInterface<ITestContainer>(tree->Item(1)));
  }
}

TEST_F(TestContainerTest, LoadFailures) {
  struct Case {
    const char* xml;
    Long error;
    Long flags;
  };
  for (const Case& c : {
           Case{"<Other/>", err::kElementWrongTag, 8},
           Case{R"(<TestElement><PlugIn Name="A" TestID="2"/></TestElement>)", err::kElementNoId,
                1},
           Case{R"(<TestElement ID="abc"><PlugIn Name="A" TestID="2"/></TestElement>)",
                err::kElementNoId, 1},
           Case{R"(<TestElement ID="1"><PlugIn TestID="2"/></TestElement>)", err::kElementNoPlugIn,
                1},
           Case{R"(<TestElement ID="1"><PlugIn Name="A"/></TestElement>)", err::kElementNoTestId,
                1},
           // A child container's failure ends the whole load and passes unchanged.
           Case{R"(<TestElement ID="1"><PlugIn Name="A" TestID="2"/><TestElement ID="2">)"
                R"(<PlugIn Name="A" TestID="3"/><TestElement ID="0"><PlugIn Name="A" TestID="4"/>)"
                R"(</TestElement></TestElement></TestElement>)",
                err::kElementNoId, 1},
       }) {
    Ref<CTestContainer> container = Container(10);
    const Error e = CaughtError([&] { container->Load(ParseElement(c.xml), nullptr); });
    EXPECT_EQ(e.Number(), c.error) << c.xml;
    EXPECT_EQ(e.Source(), "VelkoCore.CTestContainer") << c.xml;
    EXPECT_EQ(LastErrorFlags(), c.flags) << c.xml;
  }
}

TEST_F(TestContainerTest, AFailingChildEndsTheLoadAndEarlierChildrenAreKept) {
  Ref<CTestContainer> container = Container(10);
  const Long raised = ErrorNumberOf([&] {
    container->Load(
        ParseElement(R"(<TestElement ID="1"><PlugIn Name="A" TestID="2"/>)"
                     R"(<TestElement ID="2"><PlugIn Name="A" TestID="200"/></TestElement>)"
                     R"(<TestElement ID="3"><PlugIn Name="A" TestID="200"/>)"
                     R"(<Info><Name>kept</Name></Info></TestElement>)"
                     R"(<TestElement ID="4"><PlugIn Name="A" TestID="200"/></TestElement>)"
                     R"(<TestElement ID="0"><PlugIn Name="A" TestID="2"/></TestElement>)"
                     R"(<TestElement ID="5"><PlugIn Name="A" TestID="200"/></TestElement>)"
                     R"(</TestElement>)"),
        nullptr);
  });
  EXPECT_EQ(raised, err::kElementNoId);  // the child container without an ID ends the load
  EXPECT_EQ(ChildIds(container), (std::vector<Long>{2, 3, 4}));
  EXPECT_EQ(container->Item(2)->Info()->Name(), "kept");
}

TEST_F(TestContainerTest, SaveModes) {
  Ref<CTestContainer> root = Container(1);
  Ref<ITestElement> leaf = Leaf(2);
  Ref<IElementInfo2> procedure = QueryInterface<IElementInfo2>(leaf->Info());
  procedure->SetProcedure(R"({\rtf1\ansi Hold the probe.})");
  procedure->SetProcedureFormat(kProcedureRtf);
  root->Add(leaf);
  Ref<ITestElement> withResult = Node("A", 200, 3);
  SetResult(withResult, kStatusPassed);
  root->Add(withResult);
  Ref<ITestContainer> inner = Group(4);
  inner->Add(Node("A", 200, 5));  // a result that was never set still saves
  root->Add(QueryInterface<ITestElement>(inner));
  Ref<IXmlDocument> doc = CreateXmlDocument();

  Ref<IXmlElement> definition = root->Save(doc, kSaveDefinition);
  EXPECT_EQ(definition->GetAttribute("ID"), "1");
  EXPECT_EQ(definition->FindChild("PlugIn")->GetAttribute("TestID"), "2");
  const String definitionText = SavedText(root, kSaveDefinition);
  EXPECT_EQ(SavedText(root, kSaveDefinition | kSaveResults), definitionText);
  // Mode 5: the children keep their rich-text procedures.
  EXPECT_EQ(definitionText.find("rtf1"), String::npos);
  EXPECT_NE(definitionText.find("Hold the probe."), String::npos);
  EXPECT_NE(SavedText(root, kSaveDefinition | kSaveKeepRtf).find("rtf1"), String::npos);
  EXPECT_NE(SavedText(root, kSaveBareWrapper | kSaveDefinition | kSaveKeepRtf).find("rtf1"),
            String::npos);

  // Results: every container writes one item (empty without a result), a leaf only with one.
  Ref<IXmlElement> results = root->Save(doc, kSaveResults);
  EXPECT_EQ(results->TagName(), "ResultItem");
  EXPECT_EQ(results->GetAttribute("ElementID"), "1");
  EXPECT_EQ(results->ChildNodes()->NodeCount(), 2);  // leaf 2 has no result
  Ref<IXmlElement> innerItem = QueryInterface<IXmlElement>(results->ChildNodes()->NodeAt(1));
  EXPECT_EQ(innerItem->GetAttribute("ElementID"), "4");
  EXPECT_EQ(innerItem->ChildNodes()->NodeCount(), 1);

  // The bare wrapper holds only the children, written in the other bits' mode.
  Ref<IXmlElement> wrapper = root->Save(doc, kSaveBareWrapper | kSaveDefinition);
  EXPECT_EQ(wrapper->TagName(), "TestElement");
  EXPECT_EQ(wrapper->GetAttribute("ID"), "");
  EXPECT_FALSE(wrapper->FindChild("PlugIn"));
  EXPECT_EQ(wrapper->ChildNodes()->NodeCount(), 3);
  EXPECT_EQ(QueryInterface<IXmlElement>(wrapper->ChildNodes()->NodeAt(0))->GetAttribute("ID"), "2");

  EXPECT_TRUE(root->Save(doc, 0) == nullptr);
  EXPECT_TRUE(root->Save(doc, kSaveKeepRtf) == nullptr);
}

TEST_F(TestContainerTest, ResultsAreMatchedByElementIdAmongDirectChildren) {
  Ref<CTestContainer> root = Container(1);
  Ref<ITestElement> leaf = Node("A", 200, 2);
  Ref<ITestContainer> inner = Group(4);
  Ref<ITestElement> grandchild = Node("A", 200, 5);
  inner->Add(grandchild);
  root->Add(leaf);
  root->Add(QueryInterface<ITestElement>(inner));

  root->Load(ParseElement(R"(<ResultItem ElementID="1">)"
                          R"(<ResultItem ElementID="2" Status="2" Comment="leaf"/>)"
                          R"(<ResultItem ElementID="5" Status="1" Comment="not here"/>)"
                          R"(<ResultItem ElementID="4" Status="3">)"
                          R"(<ResultItem ElementID="5" Status="1" Comment="grandchild"/>)"
                          R"(</ResultItem><Other ElementID="2" Status="4"/></ResultItem>)"),
             nullptr);
  EXPECT_EQ(leaf->Result()->Status(), kStatusFailed);
  EXPECT_EQ(leaf->Result()->Comment(), "leaf");
  EXPECT_EQ(QueryInterface<ITestElement>(inner)->Result()->Status(), kStatusNotApplicable);
  EXPECT_EQ(grandchild->Result()->Comment(), "grandchild");
}

TEST_F(TestContainerTest, AFilteredOutContainerStillPrintsItsChildren) {
  Ref<CTestContainer> root = Container(1);
  root->SetResult(MakeResult(kStatusPassed));
  root->Filter()->SetIncludeInReport(false);
  root->Info()->SetName("Hidden group");
  auto child = MakeRef<CTestElement>();
  child->Info()->SetName("Visible step");
  child->SetResult(MakeResult(kStatusPassed));
  root->Add(child);

  auto report = MakeRef<RecordingReport>();
  root->PrintReport(report, nullptr);
  const String text = report->Transcript();
  EXPECT_EQ(text.find("Hidden group"), String::npos);
  EXPECT_NE(text.find("Visible step"), String::npos);
}

TEST_F(TestContainerTest, TerminatingEveryNodeFreesTheTree) {
  std::weak_ptr<ITestElement> watchRoot;
  std::weak_ptr<ITestElement> watchLeaf;
  {
    auto root = MakeRef<CTestContainer>();
    root->Load(ParseElement(R"(<TestElement ID="1"><PlugIn Name="A" TestID="2"/>)"
                            R"(<TestElement ID="2"><PlugIn Name="A" TestID="3"/>)"
                            R"(<TestElement ID="3"><PlugIn Name="A" TestID="200"/></TestElement>)"
                            R"(</TestElement></TestElement>)"),
               nullptr);
    watchRoot = std::static_pointer_cast<ITestElement>(root.shared());
    watchLeaf = root->FindElement(3).shared();
    TerminateTree(root);
  }
  EXPECT_TRUE(watchRoot.expired());
  EXPECT_TRUE(watchLeaf.expired());
}

}  // namespace
}  // namespace velko::test
