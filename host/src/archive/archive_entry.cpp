#include "velko/host/archive/archive_entry.hpp"

#include "velko/core/error_module.hpp"
#include "velko/host/run/step_outcome.hpp"
#include "velko/limits/standard_coll.hpp"
#include "velko/typelib/limits.hpp"
#include "velko/typelib/service.hpp"

namespace velko::host {
namespace {

constexpr Long kHighBound = 0;
constexpr Long kLowBound = 1;

std::optional<double> BoundOf(const Ref<ILimit>& limit, Long index) {
  if (!limit->Defined(index)) return std::nullopt;
  return SingleAsDecimal(limit->Value(index));
}

// The standards that judge the element's readings under this setup.
Ref<IStandardColl> JudgingStandards(const Ref<ITestElement>& element,
                                    const Ref<CTestSetup>& setup) {
  const Ref<IElementLimits> limits = element->Limits();
  if (!limits) return nullptr;
  const Ref<IStandardColl> standards = limits->Standards();
  if (!standards) return nullptr;
  const Ref<IStandardColl> selected = standards->Select(setup->SelectedStandards());
  return selected ? selected : standards;
}

std::vector<ArchivedLimit> LimitsFor(const Ref<IStandardColl>& standards, const String& key) {
  std::vector<ArchivedLimit> found;
  ForEachLimitOf(standards, key, [&](const Ref<IStandard>& standard, const Ref<ILimit>& limit) {
    ArchivedLimit entry{standard->CompleteName(), BoundOf(limit, kLowBound),
                        BoundOf(limit, kHighBound)};
    if (entry.low || entry.high) found.push_back(std::move(entry));
  });
  return found;
}

}  // namespace

DeviceIdentity DeviceOf(const Ref<CTestSetup>& setup) {
  DeviceIdentity device;
  Quietly([&] {
    const Ref<IItemCollection> items = setup->DutInfo();
    for (Long i = 1; items && i <= items->Count(); ++i) {
      const Ref<IDataItem> item = items->Item(i);
      if (!item) continue;
      const String name = item->Name();
      const String data = item->Data();
      if (item->IsKey()) device.keys.emplace_back(name, data);
      if (name == "SerialNumber") device.serial = data;
      if (name == "AssetNumber") device.asset = data;
      if (name == "Manufacturer") device.manufacturer = data;
      if (name == "Model") device.model = data;
    }
  });
  if (device.serial.empty() && !device.keys.empty()) device.serial = device.keys.front().second;
  return device;
}

std::vector<String> SelectedStandardNames(const Ref<CTestSetup>& setup) {
  std::vector<String> names;
  Quietly([&] {
    const Ref<IStandardColl> selected = setup->SelectedStandards();
    for (Long i = 1; selected && i <= selected->Count(); ++i) {
      if (const Ref<IStandard> standard = selected->Item(i))
        names.push_back(standard->CompleteName());
    }
  });
  return names;
}

std::vector<ArchivedMeasurement> MeasurementsOfStep(const Ref<ITestElement>& node,
                                                    const Ref<CTestSetup>& setup) {
  std::vector<ArchivedMeasurement> measurements;
  if (QueryInterface<ITestContainer>(node)) return measurements;
  const std::vector<MeasuredValue> values = MeasuredValues(node);
  if (values.empty()) return measurements;
  const Ref<IStandardColl> standards =
      QuietlyOr(Ref<IStandardColl>(), [&] { return JudgingStandards(node, setup); });
  const String name = NodeName(node);
  const Long id = QuietlyOr(Long{0}, [&] { return node->ID(); });
  for (const MeasuredValue& value : values) {
    ArchivedMeasurement m{id,         name,       value.key,    value.number,
                          value.text, value.unit, value.status, {}};
    m.limits = QuietlyOr(std::vector<ArchivedLimit>(),
                         [&] { return LimitsFor(standards, value.limitKey); });
    measurements.push_back(std::move(m));
  }
  return measurements;
}

std::vector<ArchivedMeasurement> MeasurementsOf(const SequenceTree& tree,
                                                const Ref<CTestSetup>& setup) {
  std::vector<ArchivedMeasurement> measurements;
  ForEachNode(tree.Root(), [&](const Ref<ITestElement>& node) {
    for (ArchivedMeasurement& m : MeasurementsOfStep(node, setup))
      measurements.push_back(std::move(m));
  });
  return measurements;
}

}  // namespace velko::host
