// Test sequences: the tree loaded from a sequence document, and the check that every element
// names a plug-in and a test that exist.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "velko/sequence/test_container.hpp"
#include "velko/typelib/plugin.hpp"
#include "velko/typelib/progress.hpp"

namespace velko::host {

// The tree of a test sequence; terminates every node when it goes.
class SequenceTree {
 public:
  SequenceTree() = default;
  explicit SequenceTree(Ref<CTestContainer> root) : root_(std::move(root)) {}
  ~SequenceTree();
  SequenceTree(SequenceTree&&) = default;
  SequenceTree& operator=(SequenceTree&&) = default;
  SequenceTree(const SequenceTree&) = delete;
  SequenceTree& operator=(const SequenceTree&) = delete;

  const Ref<CTestContainer>& Root() const { return root_; }
  // The name of the sequence (the root's info).
  String Name() const;

 private:
  Ref<CTestContainer> root_;
};

// Why an element naming plug-in `name` and its test `testId` cannot be created (the plug-in is
// not registered, or does not offer the test); nullopt when it can, or when the name or number is
// missing (the loader reports those itself).
std::optional<String> PlugInTestProblem(const Ref<IPlugInManager>& manager, const String& name,
                                        Long testId);

// Every "TestElement" of a sequence document (none: no problems) whose plug-in is not registered,
// or does not offer its test, as one problem each (the loader would skip such elements silently).
std::vector<String> CheckSequencePlugIns(const Ref<IXmlElement>& root,
                                         const Ref<IPlugInManager>& manager);

// Loads a sequence definition ("TestElement" root) into a new root container and resolves the
// references of its relative limits. Load problems go to `log`.
SequenceTree LoadSequence(const Ref<IXmlElement>& root, const Ref<IProgressLog>& log);

// Calls `visit` for `root` and every node below it, parents before children, in order.
void ForEachNode(const Ref<ITestElement>& root,
                 const std::function<void(const Ref<ITestElement>&)>& visit);

}  // namespace velko::host
