// CTestContainer: the inner node of a test sequence, holding an ordered list of child nodes.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "velko/frame/class_table.hpp"
#include "velko/sequence/test_node.hpp"

namespace velko {

// Public, creatable (VelkoCore.CTestContainer). Children are created through the thread's
// plug-in manager while loading; they refer back to the container through Parent, and the host
// breaks those cycles by calling Terminate on every node of a tree it discards.
class CTestContainer : public TestNode, public ITestContainer {
 public:
  VELKO_CLASS_IDS("{27228E4E-4277-4B29-9FD6-BAB0B6A4583F}",
                  "{691658E2-6C24-4F54-A325-71F386DFE4C1}");

  CTestContainer() = default;

  Long Count() override { return static_cast<Long>(children_.size()); }
  // The child at 1-based position; none outside 1..Count.
  Ref<ITestElement> Item(Long index) override;
  // Without a relative: relation 0 puts the child first, any other appends it. With a relative
  // (a direct child, matched by ID): relation 2 after it, 3 before it; anything else raises
  // 0x8004A2F2. The child's parent becomes this container, and a container with standards
  // adopts those of the child that it lacks.
  void Add(const Ref<ITestElement>& child, const Ref<ITestElement>& relative = nullptr,
           Long relation = kRelationLast) override;
  // The first direct child with that ID, else the first match found depth-first in the child
  // containers; never this container itself. Never raises. Final: the look-up index of a
  // container above relies on every container below searching this way.
  Ref<ITestElement> FindElement(Long elementId) final;
  // Removes the first direct child with the ID of `child` and clears that node's parent;
  // 0x8004A2F1 when there is none.
  void Remove(const Ref<ITestElement>& child) override;
  Ref<IEnumVariant> NewEnum() override;

  // An empty container with this one's identity, filter, info, configuration and limits.
  Ref<ITestElement> Clone() override;
  // Does nothing and returns none.
  Ref<ITestElement> Create(Long /*id*/) { return nullptr; }
  // "TestElement" replaces the definition and the children; "ResultItem" reads the results
  // into this node and its direct children (matched by "ElementID"); another tag raises
  // 0x8004A2C8. Nesting deeper than kMaxTreeNesting raises 0x8004A2F8.
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  // Bit 0x10000 writes a bare wrapper, else bit 1 the definition, else bit 2 the result (an
  // empty "ResultItem" without a result), else none; the children follow.
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner, Long saveMode) override;
  // The container's own part, then every child's, whether or not the container was printed.
  void PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& setup) override;
  // Releases the parent, the child list (children are not terminated) and the object fields.
  void Terminate() override;
  // Passes on to every child; a failing child is skipped.
  void UpdateReferences() override;

 private:
  void ReadDefinition(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log);
  void ReadResults(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log);
  Ref<IXmlElement> WriteOwnElement(const Ref<IXmlDocument>& owner, Long saveMode);
  // 0-based position of the first direct child with that ID; -1 when none.
  long PositionOf(Long id) const;
  // The same, through the index of the direct children when there are many of them.
  long PositionOfResult(Long id);
  void AdoptStandards(const Ref<ITestElement>& child);

  // Look-ups for trees that are searched many times without changing (a reference update
  // searches once per relative limit, a result load once per result item). Each is valid while
  // the thread's tree shape version is the one it was built at; nodes of other
  // implementations make it unusable, and their trees are searched one node after another.
  using Candidate = std::pair<Long, ITestElement*>;
  struct SubtreeIndex {
    std::uint64_t version = ~std::uint64_t{0};
    bool usable = false;
    int height = 0;                // container levels below this one
    std::vector<Candidate> slots;  // hash table: FindElement's answer for each ID below
  };
  struct ChildIndex {
    std::uint64_t version = ~std::uint64_t{0};
    bool usable = false;
    std::vector<std::pair<Long, long>> entries;  // by ID: the first direct child's position
  };
  // True when the subtree index answers for `id` (`found` null: no such node); `level` is
  // the walk level of this search.
  bool LookUpIndexed(Long id, int level, ITestElement*& found);
  void BuildSubtreeIndex(std::uint64_t version);
  bool GatherCandidates(std::vector<Candidate>& out, int level, int& height) const;
  void BuildChildIndex(std::uint64_t version);

  std::vector<Ref<ITestElement>> children_;
  SubtreeIndex subtreeIndex_;
  std::uint64_t searchedAt_ = ~std::uint64_t{0};  // shape version of the last unindexed search
  ChildIndex childIndex_;
};

}  // namespace velko
