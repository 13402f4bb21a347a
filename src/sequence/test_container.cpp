#include "velko/sequence/test_container.hpp"

#include <algorithm>
#include <utility>

#include "sequence/tree_nesting.hpp"
#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/plugin_manager.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/outside/value_formatter.hpp"
#include "velko/typelib/limits.hpp"

namespace velko {
namespace {

constexpr const char* kSource = "VelkoCore.CTestContainer";
constexpr ErrorPolicy kLoadPolicy{kSource,
                                  {err::kElementNoId, err::kElementNoPlugIn, err::kElementNoTestId,
                                   err::kElementWrongTag, err::kNestingTooDeep}};
constexpr ErrorPolicy kSavePolicy{kSource, {err::kElementSave, err::kNestingTooDeep}};
constexpr ErrorPolicy kAddPolicy{kSource, {err::kContainerAdd}};
constexpr ErrorPolicy kRemovePolicy{kSource, {err::kContainerChildNotFound}};
constexpr ErrorPolicy kClonePolicy{kSource};

// Below this many direct children a walk over them finds a result's element as quickly as a
// look-up, and no index is kept.
constexpr std::size_t kMinIndexedNodes = 32;
// A subtree search pays more per node (the children's list held, each child asked whether it is a
// container), so subtrees are indexed from a few nodes on: a group of ten steps that a reference
// misses on its way to the root then costs one probe.
constexpr std::size_t kMinIndexedSubtree = 8;

// Node IDs are mostly consecutive numbers; multiplying spreads them over the table.
std::size_t SlotOf(Long id, std::size_t mask) {
  return static_cast<std::size_t>(
             (static_cast<std::uint64_t>(static_cast<std::uint32_t>(id)) * 0x9E3779B97F4A7C15ULL) >>
             32) &
         mask;
}

// Terminates a node and every node below it (walked without recursion: the subtree may be as
// deep as the nesting limit allows).
void TerminateSubtree(const Ref<ITestElement>& top) {
  std::vector<Ref<ITestElement>> nodes{top};
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const Ref<ITestContainer> group = QueryInterface<ITestContainer>(nodes[i]);
    if (!group) continue;
    const Long count = QuietlyOr(Long{0}, [&] { return group->Count(); });
    for (Long k = 1; k <= count; ++k) {
      if (Ref<ITestElement> child = QuietlyOr(Ref<ITestElement>(), [&] { return group->Item(k); }))
        nodes.push_back(std::move(child));
    }
  }
  for (const auto& node : nodes)
    Quietly([&] { node->Terminate(); });
}

}  // namespace

VELKO_PUBLIC_CLASS(CTestContainer, Instancing::kCreatable, ITestElement, ITestContainer);

Ref<ITestElement> CTestContainer::Item(Long index) {
  if (index < 1 || index > Count()) return nullptr;
  return children_[static_cast<std::size_t>(index - 1)];
}

long CTestContainer::PositionOf(Long id) const {
  for (std::size_t i = 0; i < children_.size(); ++i) {
    if (children_[i] && children_[i]->ID() == id) return static_cast<long>(i);
  }
  return -1;
}

void CTestContainer::Add(const Ref<ITestElement>& child, const Ref<ITestElement>& relative,
                         Long relation) {
  Guarded(kAddPolicy, [&] {
    const Ref<ITestElement> self = RefToSelf<ITestElement>(this);
    auto at = children_.end();
    if (!relative) {
      if (relation == kRelationFirst) at = children_.begin();
    } else {
      const long position = PositionOf(relative->ID());
      if (position < 0 || (relation != kRelationAfter && relation != kRelationBefore)) {
        RaiseError(err::kContainerAdd, kSource, kLevelFatal);
      }
      at = children_.begin() + position + (relation == kRelationAfter ? 1 : 0);
    }
    child->SetParent(self);
    children_.insert(at, child);
    TreeShapeChanged();
    AdoptStandards(child);
  });
}

// A container that has standards takes over those of a new child that it lacks.
void CTestContainer::AdoptStandards(const Ref<ITestElement>& child) {
  if (!limits_) return;
  const Ref<IStandardColl> own = limits_->Standards();
  const Ref<IElementLimits> childLimits = child->Limits();
  const Ref<IStandardColl> offered = childLimits ? childLimits->Standards() : nullptr;
  if (!own || !offered || own->Count() == 0) return;
  const Long count = offered->Count();
  for (Long i = 1; i <= count; ++i) {
    const Ref<IStandard> standard = offered->Item(i);
    if (!standard) continue;
    const String alphaName = standard->AlphaName();
    const String completeName = standard->CompleteName();
    if (!own->Item(0, alphaName, completeName)) limits_->AddStandard(alphaName, completeName);
  }
}

Ref<ITestElement> CTestContainer::FindElement(Long elementId) {
  return QuietlyOr(Ref<ITestElement>(), [&]() -> Ref<ITestElement> {
    const TreeNestingGuard nesting;
    if (nesting.TooDeep()) return nullptr;
    if (ITestElement* found = nullptr; LookUpIndexed(elementId, nesting.Level(), found)) {
      return found ? RefToSelf<ITestElement>(found) : nullptr;
    }
    const auto children = children_;  // a snapshot: a child's look-up may change this list
    for (const auto& child : children) {
      if (QuietlyOr(false, [&] { return child->ID() == elementId; })) return child;
    }
    for (const auto& child : children) {
      if (const Ref<ITestContainer> group = QueryInterface<ITestContainer>(child)) {
        if (Ref<ITestElement> found = group->FindElement(elementId)) return found;
      }
    }
    return nullptr;
  });
}

// The first search of a tree shape walks the tree; a second one builds the index, which then
// answers every search until the shape changes.
bool CTestContainer::LookUpIndexed(Long id, int level, ITestElement*& found) {
  const std::uint64_t version = TreeShapeVersion();
  if (subtreeIndex_.version != version) {
    if (searchedAt_ != version) {
      searchedAt_ = version;
      return false;
    }
    BuildSubtreeIndex(version);
  }
  // The walk would stop at the nesting limit somewhere below: let it.
  if (!subtreeIndex_.usable || level + subtreeIndex_.height > kMaxTreeNesting) return false;
  const auto& slots = subtreeIndex_.slots;
  const std::size_t mask = slots.size() - 1;
  for (std::size_t at = SlotOf(id, mask);; at = (at + 1) & mask) {
    if (slots[at].second == nullptr || slots[at].first == id) {
      found = slots[at].second;
      return true;
    }
  }
}

// An open-addressing table (linear probing, at most half full) from ID to FindElement's
// answer, the first candidate of each ID in the gathered order: one look-up costs the same
// whatever the size of the tree.
void CTestContainer::BuildSubtreeIndex(std::uint64_t version) {
  SubtreeIndex index;
  index.version = version;
  std::vector<Candidate> candidates;
  index.usable =
      GatherCandidates(candidates, 0, index.height) && candidates.size() >= kMinIndexedSubtree;
  if (index.usable) {
    std::size_t size = 1;
    while (size < 2 * candidates.size())
      size *= 2;
    index.slots.assign(size, Candidate{0, nullptr});
    const std::size_t mask = size - 1;
    for (const Candidate& candidate : candidates) {
      std::size_t at = SlotOf(candidate.first, mask);
      while (index.slots[at].second != nullptr && index.slots[at].first != candidate.first)
        at = (at + 1) & mask;
      if (index.slots[at].second == nullptr) index.slots[at] = candidate;  // first one wins
    }
  }
  subtreeIndex_ = std::move(index);
}

// FindElement's candidates in its order of preference: the direct children, then the
// candidates of each child container in turn. False when a node is not one of the library's
// own (its ID or its search could change unseen) or the tree is deeper than a walk goes.
bool CTestContainer::GatherCandidates(std::vector<Candidate>& out, int level, int& height) const {
  if (level > kMaxTreeNesting) return false;
  height = std::max(height, level);
  for (const auto& child : children_) {
    if (dynamic_cast<TestNode*>(child.get()) == nullptr) return false;
    out.emplace_back(child->ID(), child.get());
  }
  for (const auto& child : children_) {
    ITestElement* const node = child.get();
    const auto* group = dynamic_cast<const CTestContainer*>(node);
    if (group == nullptr) {
      if (dynamic_cast<ITestContainer*>(node) != nullptr) return false;
      continue;
    }
    if (!group->GatherCandidates(out, level + 1, height)) return false;
  }
  return true;
}

long CTestContainer::PositionOfResult(Long id) {
  if (children_.size() < kMinIndexedNodes) return PositionOf(id);
  const std::uint64_t version = TreeShapeVersion();
  if (childIndex_.version != version) BuildChildIndex(version);
  if (!childIndex_.usable) return PositionOf(id);
  const auto& entries = childIndex_.entries;
  const auto at =
      std::lower_bound(entries.begin(), entries.end(), id,
                       [](const std::pair<Long, long>& e, Long key) { return e.first < key; });
  return at != entries.end() && at->first == id ? at->second : -1;
}

void CTestContainer::BuildChildIndex(std::uint64_t version) {
  ChildIndex index;
  index.version = version;
  index.usable = true;
  for (std::size_t i = 0; i < children_.size(); ++i) {
    if (dynamic_cast<TestNode*>(children_[i].get()) == nullptr) {
      index.usable = false;
      break;
    }
    index.entries.emplace_back(children_[i]->ID(), static_cast<long>(i));
  }
  if (index.usable) {
    std::stable_sort(index.entries.begin(), index.entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    index.entries.erase(
        std::unique(index.entries.begin(), index.entries.end(),
                    [](const auto& a, const auto& b) { return a.first == b.first; }),
        index.entries.end());
  } else {
    index.entries = {};
  }
  childIndex_ = std::move(index);
}

void CTestContainer::Remove(const Ref<ITestElement>& child) {
  Guarded(kRemovePolicy, [&] {
    const long position = PositionOf(child->ID());
    if (position < 0) RaiseError(err::kContainerChildNotFound, kSource, kLevelItem);
    const Ref<ITestElement> removed = children_[static_cast<std::size_t>(position)];
    children_.erase(children_.begin() + position);
    TreeShapeChanged();
    // The node taken out of the list loses its parent; it may be another object than the one
    // passed in when two children share an ID.
    if (removed) removed->SetParent(nullptr);
  });
}

Ref<IEnumVariant> CTestContainer::NewEnum() {
  VariantArray items;
  for (const auto& child : children_)
    items.emplace_back(child);
  return MakeEnumerator(std::move(items));
}

Ref<ITestElement> CTestContainer::Clone() {
  return Guarded(kClonePolicy, [&]() -> Ref<ITestElement> {
    auto clone = MakeRef<CTestContainer>();
    CloneIdentityInto(*clone);
    clone->info_ = info_ ? info_->Clone() : nullptr;
    return clone;
  });
}

void CTestContainer::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  Guarded(kLoadPolicy, [&] {
    const TreeNestingGuard nesting;
    if (nesting.TooDeep()) RaiseError(err::kNestingTooDeep, kSource, kLevelFatal);
    const String tag = in->TagName();
    if (tag == "TestElement") {
      ReadDefinition(in, log);
    } else if (tag == "ResultItem") {
      ReadResults(in, log);
    } else {
      RaiseError(err::kElementWrongTag, kSource, kLevelFatal);
    }
  });
}

void CTestContainer::ReadDefinition(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  AssignId(0);
  plugInId_.clear();
  testId_ = 0;
  children_ = {};
  AssignId(ParseLong(in->GetAttribute("ID")));
  if (ID() == 0) RaiseError(err::kElementNoId, kSource, kLevelItem);

  // Only the first "PlugIn" counts, as for a leaf: it is the one the plug-in manager reads.
  bool plugInRead = false;
  ForEachChildElement(in, [&](const Ref<IXmlElement>& child) {
    const String tag = child->TagName();
    if (tag == "PlugIn") {
      if (std::exchange(plugInRead, true)) return;
      plugInId_ = child->GetAttribute("Name");
      testId_ = ParseLong(child->GetAttribute("TestID"));
    } else if (tag == "TestElement") {
      const Ref<ITestElement> node = CurrentPlugInManager()->CreateITEfromXML(child);
      if (!node) return;  // a plug-in that is not installed: its step is left out
      try {
        node->Load(child, log);
      } catch (...) {
        // The node is dropped; its partly loaded children already point back at it, and with
        // nobody left to terminate them that cycle would keep the whole subtree alive.
        TerminateSubtree(node);
        throw;
      }
      Add(node, nullptr, kRelationLast);
    } else {
      ReadCommonChild(child, log);
    }
  });
  if (plugInId_.empty()) RaiseError(err::kElementNoPlugIn, kSource, kLevelItem);
  if (testId_ == 0) RaiseError(err::kElementNoTestId, kSource, kLevelItem);
}

void CTestContainer::ReadResults(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  if (result_) result_->Load(in, log);
  ForEachChildElement(in, [&](const Ref<IXmlElement>& item) {
    if (item->TagName() != "ResultItem") return;
    const long position = PositionOfResult(ParseLong(item->GetAttribute("ElementID")));
    if (position >= 0) children_[static_cast<std::size_t>(position)]->Load(item, log);
  });
}

Ref<IXmlElement> CTestContainer::WriteOwnElement(const Ref<IXmlDocument>& owner, Long saveMode) {
  // The container's own element holds its children: a document that does not create it fails
  // the save rather than dropping the whole subtree unnoticed. A result object that writes
  // nothing is its own choice.
  const auto created = [&](const char* tag) {
    Ref<IXmlElement> element = owner->CreateElement(tag);
    if (!element) RaiseError(err::kElementSave, kSource, kLevelSave);
    return element;
  };
  if (saveMode & kSaveBareWrapper) return created("TestElement");
  if (saveMode & kSaveDefinition) return WriteDefinition(owner, saveMode, kSource);
  if (!(saveMode & kSaveResults)) return nullptr;
  Ref<IXmlElement> item = result_ ? result_->Save(owner) : created("ResultItem");
  if (item) item->SetAttribute("ElementID", FormatValue(Variant(ID())));
  return item;
}

Ref<IXmlElement> CTestContainer::Save(const Ref<IXmlDocument>& owner, Long saveMode) {
  return Guarded(kSavePolicy, [&]() -> Ref<IXmlElement> {
    const TreeNestingGuard nesting;
    if (nesting.TooDeep()) RaiseError(err::kNestingTooDeep, kSource, kLevelSave);
    Ref<IXmlElement> element = WriteOwnElement(owner, saveMode);
    if (!element) return nullptr;
    const Long childMode = saveMode & ~static_cast<Long>(kSaveBareWrapper);
    for (const auto& child : children_) {
      if (Ref<IXmlElement> saved = child->Save(owner, childMode)) element->AppendChild(saved);
    }
    return element;
  });
}

void CTestContainer::PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& setup) {
  const TreeNestingGuard nesting;
  if (nesting.TooDeep()) return;
  PrintOwnReport(report, setup, false);
  const auto children = children_;
  for (const auto& child : children) {
    Quietly([&] { child->PrintReport(report, setup); });
  }
}

void CTestContainer::Terminate() {
  children_ = {};
  subtreeIndex_ = {};
  childIndex_ = {};
  TreeShapeChanged();
  ReleaseFields();
}

void CTestContainer::UpdateReferences() {
  const TreeNestingGuard nesting;
  if (nesting.TooDeep()) return;
  const auto children = children_;
  for (const auto& child : children) {
    Quietly([&] { child->UpdateReferences(); });
  }
}

}  // namespace velko
