#include "tree_doubles.hpp"

#include <algorithm>

namespace velko::test {

Ref<FakeMeasurement> MakeMeasurement(const String& key, Variant value, Long valueType,
                                     const String& unit) {
  auto m = MakeRef<FakeMeasurement>();
  m->key = key;
  m->value = std::move(value);
  m->valueType = valueType;
  m->unit = unit;
  return m;
}

Variant FakeStandardMeasurement::LimitText(const Ref<IStandard>& standard, Long index, Long flags) {
  const String name = standard ? standard->AlphaName() : String();
  limitTextCalls.emplace_back(name, flags);
  const auto it = limitTextByStandard.find({name, index});
  return it == limitTextByStandard.end() ? Variant(String()) : it->second;
}

Long FakeStandardMeasurement::StandardStatus(const Ref<IStandard>& standard) {
  const auto it = statusByStandard.find(standard ? standard->AlphaName() : String());
  return it == statusByStandard.end() ? kStatusNotApplicable : it->second;
}

Ref<IMeasurement> FakeResult::Measurement(const String& key) {
  for (const auto& m : measurements) {
    if (m && m->Key() == key) return m;
  }
  return nullptr;
}

Ref<FakeResult> MakeResult(Long status, std::vector<Ref<IMeasurement>> measurements) {
  auto r = MakeRef<FakeResult>();
  r->status = status;
  r->measurements = std::move(measurements);
  return r;
}

void FakeElement::Initialize(const String& newPlugInId, Long newTestId, Long newId) {
  plugInId = newPlugInId;
  testId = newTestId;
  id = newId;
}

Ref<ITestElement> FakeContainer::Item(Long index) {
  if (index < 1 || index > Count()) return nullptr;
  return children[static_cast<std::size_t>(index - 1)];
}

void FakeContainer::Add(const Ref<ITestElement>& child, const Ref<ITestElement>& /*relative*/,
                        Long /*relation*/) {
  if (!child) return;
  children.push_back(child);
  child->SetParent(RefToSelf<ITestElement>(this));
}

Ref<ITestElement> FakeContainer::FindElement(Long elementId) {
  ++findCalls;
  for (const auto& child : children) {
    if (child->ID() == elementId) return child;
  }
  for (const auto& child : children) {
    if (auto container = QueryInterface<ITestContainer>(child)) {
      if (auto found = container->FindElement(elementId)) return found;
    }
  }
  return nullptr;
}

void FakeContainer::Remove(const Ref<ITestElement>& child) {
  std::erase_if(children, [&](const Ref<ITestElement>& c) { return SameObject(c, child); });
}

Ref<IEnumVariant> FakeContainer::NewEnum() {
  return MakeEnumerator(VariantArray(children.begin(), children.end()));
}

Ref<FakeElement> MakeElement(Long id, Ref<IResult> result) {
  auto e = MakeRef<FakeElement>();
  e->id = id;
  e->result = std::move(result);
  return e;
}

Ref<FakeContainer> MakeContainer(Long id) {
  auto c = MakeRef<FakeContainer>();
  c->id = id;
  return c;
}

}  // namespace velko::test
