// CTestContainer: the inner node of a test sequence, holding an ordered list of child nodes.
#pragma once

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
  // containers; never this container itself. Never raises.
  Ref<ITestElement> FindElement(Long elementId) override;
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
  void AdoptStandards(const Ref<ITestElement>& child);

  std::vector<Ref<ITestElement>> children_;
};

}  // namespace velko
