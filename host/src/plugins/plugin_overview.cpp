#include "velko/host/plugins/plugin_overview.hpp"

#include "velko/core/error_module.hpp"
#include "velko/sequence/test_node.hpp"
#include "velko/typelib/sequence.hpp"

namespace velko::host {
namespace {

void CollectOffered(const Ref<ITestContainer>& container, int depth,
                    std::vector<OfferedTest>& tests) {
  if (!container || depth > kMaxTreeNesting) return;
  for (Long i = 1; i <= container->Count(); ++i) {
    const Ref<ITestElement> element = container->Item(i);
    if (!element) continue;
    const String name = QuietlyOr(String(), [&] { return element->Info()->Name(); });
    tests.push_back({element->TestID(), name, depth});
    CollectOffered(QueryInterface<ITestContainer>(element), depth + 1, tests);
  }
}

}  // namespace

std::vector<PlugInOverview> DescribePlugIns(const Ref<IPlugInManager>& manager) {
  std::vector<PlugInOverview> overview;
  for (Long i = 1; i <= manager->Count(); ++i) {
    const Ref<IPlugIn> plugIn = manager->Item(i);
    PlugInOverview entry{plugIn->ID(), plugIn->Name(), plugIn->Version(), {}};
    CollectOffered(plugIn->Elements(), 0, entry.tests);
    overview.push_back(std::move(entry));
  }
  return overview;
}

}  // namespace velko::host
