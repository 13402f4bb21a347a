// Whole test sequences: a three-level document from the test plug-ins through load and save,
// results of a whole tree, the nesting limit, and trees made cyclic by the host.
#include <gtest/gtest.h>

#include "sequence/sequence_fixture.hpp"
#include "support/error_helpers.hpp"
#include "support/recording_report.hpp"
#include "support/test_paths.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/outside/error_server.hpp"
#include "velko/outside/progress_log.hpp"
#include "velko/sequence/test_container.hpp"
#include "velko/sequence/test_node.hpp"
#include "velko/typelib/limits.hpp"

namespace velko::test {
namespace {

Long CountNodes(const Ref<ITestElement>& node) {
  Long count = 1;
  if (Ref<ITestContainer> group = QueryInterface<ITestContainer>(node)) {
    for (auto child : EnumRange<ITestElement>(group->NewEnum()))
      count += CountNodes(child);
  }
  return count;
}

Ref<CTestContainer> LoadRoot(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log = nullptr) {
  auto root = MakeRef<CTestContainer>();
  root->Load(in, log);
  return root;
}

// `depth` containers nested in one another, the innermost holding one leaf.
String NestedDocument(int depth) {
  String xml;
  for (int i = 1; i <= depth; ++i) {
    xml += R"(<TestElement ID=")" + std::to_string(i) + R"("><PlugIn Name="A" TestID="2"/>)";
  }
  xml += R"(<TestElement ID="9999"><PlugIn Name="A" TestID="200"/></TestElement>)";
  for (int i = 1; i <= depth; ++i)
    xml += "</TestElement>";
  return xml;
}

using SequenceDocumentTest = SequenceFixture;

TEST_F(SequenceDocumentTest, ThreeLevelSequenceSavesToTheDocumentItWasLoadedFrom) {
  Ref<IXmlFile> file = CreateXmlFile();
  file->Open(TestDataPath("sequence/three_levels.xml"));
  auto log = MakeRef<CollectingLog>();
  Ref<CTestContainer> first = LoadRoot(file->Document()->DocumentElement(), log);
  EXPECT_EQ(CountNodes(first), 20);
  EXPECT_TRUE(log->Entries().empty());
  EXPECT_TRUE(log->AllSectionsClosed());
  EXPECT_EQ(log->StrayCloses(), 0);

  Ref<ITestElement> deep = first->FindElement(16);
  ASSERT_TRUE(deep);
  EXPECT_EQ(deep->PlugInID(), "B");
  EXPECT_EQ(deep->Parent()->ID(), 14);
  EXPECT_EQ(deep->Parent()->Parent()->ID(), 10);
  EXPECT_EQ(deep->Info()->Name(), "Leaf 16");
  EXPECT_EQ(deep->Limits()->Standards()->Item(1)->Limits()->Item(1)->Key(), "B::LEAKAGE16");

  const String saved = SavedText(first, kSaveDefinition);
  Ref<CTestContainer> second = LoadRoot(ParseElement(saved));
  EXPECT_EQ(SavedText(second, kSaveDefinition), saved);
  EXPECT_EQ(CountNodes(second), 20);

  // Results of the whole tree go the same way.
  SetResult(first->FindElement(15), kStatusFailed, "leak");
  SetResult(first->FindElement(14), kStatusFailed);
  SetResult(first->FindElement(30), kStatusPassed, "ok");
  const String results = SavedText(first, kSaveResults);
  second->Load(ParseElement(results), nullptr);
  EXPECT_EQ(second->FindElement(15)->Result()->Comment(), "leak");
  EXPECT_EQ(SavedText(second, kSaveResults), results);

  TerminateTree(first);
  TerminateTree(second);
}

TEST_F(SequenceDocumentTest, NestingBeyondTheLimitFailsToLoadWithAClearError) {
  Ref<CTestContainer> fits = LoadRoot(ParseElement(NestedDocument(kMaxTreeNesting)));
  EXPECT_EQ(CountNodes(fits), kMaxTreeNesting + 1);
  EXPECT_TRUE(fits->FindElement(9999));
  EXPECT_FALSE(SavedText(fits, kSaveDefinition).empty());
  TerminateTree(fits);

  GTranslate::Instance()->SelectLanguageSet("en");
  auto tooDeep = MakeRef<CTestContainer>();
  const Error e = CaughtError(
      [&] { tooDeep->Load(ParseElement(NestedDocument(kMaxTreeNesting + 1)), nullptr); });
  EXPECT_EQ(e.Number(), err::kNestingTooDeep);
  EXPECT_EQ(e.Source(), "VelkoCore.CTestContainer");
  EXPECT_EQ(ErrorServer()->ErrorObject()->LastFlags(), 8);
  EXPECT_FALSE(e.Description().empty());
  TerminateTree(tooDeep);
}

TEST_F(SequenceDocumentTest, ACyclicTreeIsWalkedWithoutExhaustingTheStack) {
  auto loop = MakeRef<CTestContainer>();
  loop->Initialize("A", 2, 1);
  loop->Add(loop);  // the list enforces nothing

  EXPECT_TRUE(loop->FindElement(42) == nullptr);
  const Error e = CaughtError([&] { loop->Save(CreateXmlDocument(), kSaveDefinition); });
  EXPECT_EQ(e.Number(), err::kNestingTooDeep);
  EXPECT_EQ(ErrorServer()->ErrorObject()->LastFlags(), 4);
  auto report = MakeRef<RecordingReport>();
  loop->PrintReport(report, nullptr);
  loop->UpdateReferences();
  loop->Terminate();
  EXPECT_EQ(loop->Count(), 0);
}

}  // namespace
}  // namespace velko::test
