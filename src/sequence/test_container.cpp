#include "velko/sequence/test_container.hpp"

#include "sequence/tree_nesting.hpp"
#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/plugin_manager.hpp"
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

Long ReadLong(const String& text) {
  return RoundToLong(ParseNumber(text));
}

// The child elements of an XML element in document order (character data is skipped).
template <class F>
void ForEachChildElement(const Ref<IXmlElement>& parent, F&& visit) {
  const Ref<IXmlElementList> children = parent->ChildNodes();
  const Long count = children->NodeCount();
  for (Long i = 0; i < count; ++i) {
    if (const Ref<IXmlElement> child = QueryInterface<IXmlElement>(children->NodeAt(i))) {
      visit(child);
    }
  }
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

void CTestContainer::Remove(const Ref<ITestElement>& child) {
  Guarded(kRemovePolicy, [&] {
    const long position = PositionOf(child->ID());
    if (position < 0) RaiseError(err::kContainerChildNotFound, kSource, kLevelItem);
    const Ref<ITestElement> removed = children_[static_cast<std::size_t>(position)];
    children_.erase(children_.begin() + position);
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
  id_ = 0;
  plugInId_.clear();
  testId_ = 0;
  children_ = {};
  id_ = ReadLong(in->GetAttribute("ID"));
  if (id_ == 0) RaiseError(err::kElementNoId, kSource, kLevelItem);

  ForEachChildElement(in, [&](const Ref<IXmlElement>& child) {
    const String tag = child->TagName();
    if (tag == "PlugIn") {
      plugInId_ = child->GetAttribute("Name");
      testId_ = ReadLong(child->GetAttribute("TestID"));
    } else if (tag == "TestElement") {
      const Ref<ITestElement> node = CurrentPlugInManager()->CreateITEfromXML(child);
      if (!node) return;  // a plug-in that is not installed: its step is left out
      node->Load(child, log);
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
    const long position = PositionOf(ReadLong(item->GetAttribute("ElementID")));
    if (position >= 0) children_[static_cast<std::size_t>(position)]->Load(item, log);
  });
}

Ref<IXmlElement> CTestContainer::WriteOwnElement(const Ref<IXmlDocument>& owner, Long saveMode) {
  if (saveMode & kSaveBareWrapper) return owner->CreateElement("TestElement");
  if (saveMode & kSaveDefinition) return WriteDefinition(owner, saveMode, kSource);
  if (!(saveMode & kSaveResults)) return nullptr;
  Ref<IXmlElement> item = result_ ? result_->Save(owner) : owner->CreateElement("ResultItem");
  if (item) item->SetAttribute("ElementID", FormatValue(Variant(id_)));
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
