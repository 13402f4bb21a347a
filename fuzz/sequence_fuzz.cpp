// Test sequences: a definition ("TestElement", nodes created by the test plug-ins) or results
// ("ResultItem", read into a fixed three-level sequence). A tree that loads saves again, and the
// saved text loads into a fresh tree that saves the same text.
#include <fstream>
#include <sstream>
#include <vector>

#include "fuzz_support.hpp"
#include "velko/sequence/test_container.hpp"
#include "velko/typelib/enums.hpp"

using namespace velko;

namespace {

String FixtureText() {
  static const String text = [] {
    std::ifstream in(VELKO_FUZZ_SEQUENCE_FIXTURE, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
  }();
  return text;
}

// Every node of the tree, the root first.
std::vector<Ref<ITestElement>> NodesOf(const Ref<ITestElement>& root) {
  std::vector<Ref<ITestElement>> nodes{root};
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const Ref<ITestContainer> group = QueryInterface<ITestContainer>(nodes[i]);
    if (!group) continue;
    for (Long k = 1; k <= group->Count(); ++k) {
      if (Ref<ITestElement> child = group->Item(k)) nodes.push_back(child);
    }
  }
  return nodes;
}

// A root container; the tree is terminated when it goes (the host's duty, which breaks the
// parent cycles so that nothing leaks).
class Tree {
 public:
  Tree() : root_(MakeRef<CTestContainer>()) {}
  ~Tree() {
    for (const auto& node : NodesOf(root_))
      node->Terminate();
  }
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;

  const Ref<CTestContainer>& operator->() const { return root_; }
  const Ref<CTestContainer>& Root() const { return root_; }

  // Loads the definition every result input is read into.
  void LoadFixture() {
    const Ref<IXmlElement> fixture = fuzz::ParseRoot(FixtureText());
    fuzz::Require(static_cast<bool>(fixture), "the sequence fixture is missing or broken");
    root_->Load(fixture, nullptr);
  }

 private:
  Ref<CTestContainer> root_;
};

String SavedTree(const Tree& tree, Long mode) {
  return fuzz::SavedText([&](const Ref<IXmlDocument>& owner) { return tree->Save(owner, mode); });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::StartTestPlugIns();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Ref<IXmlElement> in = fuzz::ParseRoot(fuzz::Bytes(data, size));
  if (!in) return 0;
  const bool results = in->TagName() == "ResultItem";
  const Long mode = results ? kSaveResults : kSaveDefinition;

  Tree first;
  if (results) first.LoadFixture();
  const Ref<CollectingLog> log = fuzz::NewLog();
  const bool loaded = fuzz::Tolerating([&] { first->Load(in, log); });
  fuzz::RequireBalanced(*log);
  if (!loaded) return 0;

  String text;
  fuzz::Require(fuzz::Tolerating([&] { text = SavedTree(first, mode); }),
                "a loaded sequence failed to save");
  fuzz::Tolerating([&] { (void)SavedTree(first, kSaveDefinition | kSaveKeepRtf); });

  // Loads the text into a fresh tree and returns what that tree saves.
  const auto reload = [&](const String& saved) {
    const Ref<IXmlElement> again = fuzz::ParseRoot(saved);
    fuzz::Require(static_cast<bool>(again), "a saved sequence is not well-formed XML");
    Tree next;
    if (results) next.LoadFixture();
    fuzz::Require(fuzz::Tolerating([&] { next->Load(again, nullptr); }),
                  "a saved sequence does not load again");
    return SavedTree(next, mode);
  };
  // A container adopts the standards of the children added after its own limits were read, so
  // a file that puts "ExpectedResult" after the children settles only once it has been saved in
  // the library's order; from then on the text must not change.
  text = reload(text);
  fuzz::Require(reload(text) == text,
                "saving, loading and saving a sequence again changed the text");
  return 0;
}
