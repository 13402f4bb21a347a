// Test doubles for a small test-sequence tree: elements and containers (ITestElement,
// ITestContainer), results (IResult) and measurements (IMeasurement, optionally
// IStandardMeasurement). Their state is public: a test sets what it needs. Parents are held
// weakly, so a tree of doubles needs no Terminate to be freed.
#pragma once

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "velko/typelib/limits.hpp"
#include "velko/typelib/sequence.hpp"

namespace velko::test {

class FakeMeasurement : public IMeasurement {
 public:
  String key;
  String unit;
  String description;
  Variant value;
  Variant presetValue;
  Long valueType = kValueFloat;
  Long status = kStatusNotPerformed;

  String Description() override { return description; }
  String Key() override { return key; }
  String LimitKey() override { return key; }
  Long Status() override { return status; }
  String Unit() override { return unit; }
  Variant Value() override { return value; }
  Variant PresetValue() override { return presetValue; }
  Long ValueType() override { return valueType; }
  String ValueFormat() override { return {}; }
  Long Flags() override { return 0; }
  String ToolTipText() override { return {}; }
  void Load(const Ref<IXmlElement>&, const Ref<IProgressLog>&) override {}
  Ref<IXmlElement> Save(const Ref<IXmlDocument>&) override { return nullptr; }
};

// A measurement of the given key, value type and value.
Ref<FakeMeasurement> MakeMeasurement(const String& key, Variant value, Long valueType = kValueFloat,
                                     const String& unit = String());

// A measurement that judges itself per standard: verdicts and limit texts by the standard's
// AlphaName (standards not listed give 3 and an empty text).
class FakeStandardMeasurement : public FakeMeasurement, public IStandardMeasurement {
 public:
  std::map<String, Long> statusByStandard;
  std::map<std::pair<String, Long>, Variant> limitTextByStandard;  // (AlphaName, index)
  std::vector<std::pair<String, Long>> limitTextCalls;             // (AlphaName, flags)

  Variant LimitText(const Ref<IStandard>& standard, Long index, Long flags) override;
  Variant LimitValue(const Ref<IStandard>&, Long) override { return {}; }
  String LimitUnit(const Ref<IStandard>&) override { return unit; }
  Boolean HasLimits(const Ref<IStandard>&) override { return true; }
  Long StandardStatus(const Ref<IStandard>& standard) override;
};

class FakeResult : public IResult {
 public:
  Long status = kStatusPassed;
  String comment;
  std::vector<Ref<IMeasurement>> measurements;

  String Comment() override { return comment; }
  Long Status() override { return status; }
  void Load(const Ref<IXmlElement>&, const Ref<IProgressLog>&) override {}
  Ref<IXmlElement> Save(const Ref<IXmlDocument>&) override { return nullptr; }
  void PrintReport(const Ref<IReport>&, const Ref<ITestSetup>&) override {}
  // The first measurement whose Key equals `key`; none when there is none.
  Ref<IMeasurement> Measurement(const String& key) override;
  Ref<IServiceRecord> ServiceRecord() override { return nullptr; }
};

// A result of the given status holding the given measurements.
Ref<FakeResult> MakeResult(Long status, std::vector<Ref<IMeasurement>> measurements = {});

class FakeElement : public ITestElement {
 public:
  Long id = 0;
  Long testId = 0;
  String plugInId;
  Ref<IResult> result;

  String PlugInID() override { return plugInId; }
  Long TestID() override { return testId; }
  Long ID() override { return id; }
  void SetID(Long newId) override { id = newId; }
  Ref<ITestElement> Parent() override { return Ref<ITestElement>(parent_.lock()); }
  void SetParent(const Ref<ITestElement>& parent) override { parent_ = parent.shared(); }
  Ref<IElementInfo> Info() override { return nullptr; }
  Ref<IElementFilter> Filter() override { return nullptr; }
  Ref<IResult> Result() override { return result; }
  Ref<IElementLimits> Limits() override { return nullptr; }
  Ref<IConfigData> Configuration() override { return nullptr; }
  void Initialize(const String& newPlugInId, Long newTestId, Long newId) override;
  Ref<ITestElement> Clone() override { return nullptr; }
  void Perform(const Ref<IUnknown>&) override {}
  void Load(const Ref<IXmlElement>&, const Ref<IProgressLog>&) override {}
  Ref<IXmlElement> Save(const Ref<IXmlDocument>&, Long) override { return nullptr; }
  void PrintReport(const Ref<IReport>&, const Ref<ITestSetup>&) override {}
  Boolean QuerySetParent(const Ref<IUnknown>&) override { return true; }
  void Terminate() override { parent_.reset(); }
  void UpdateReferences() override {}
  Variant GetMeasurementList() override { return {}; }

 private:
  std::weak_ptr<ITestElement> parent_;
};

// A container whose FindElement looks at the direct children first, then into each child
// container in order; the container's own ID is not compared.
class FakeContainer : public FakeElement, public ITestContainer {
 public:
  std::vector<Ref<ITestElement>> children;
  Long findCalls = 0;

  Long Count() override { return static_cast<Long>(children.size()); }
  Ref<ITestElement> Item(Long index) override;
  // Appends (the relation is ignored) and makes this container the child's parent.
  void Add(const Ref<ITestElement>& child, const Ref<ITestElement>& relative = nullptr,
           Long relation = kRelationLast) override;
  Ref<ITestElement> FindElement(Long elementId) override;
  void Remove(const Ref<ITestElement>& child) override;
  Ref<IEnumVariant> NewEnum() override;
};

// An element with that node ID (and result), and a container with that node ID.
Ref<FakeElement> MakeElement(Long id, Ref<IResult> result = nullptr);
Ref<FakeContainer> MakeContainer(Long id);

}  // namespace velko::test
