// What the registered plug-ins offer: their names and versions and the tests they can create.
#pragma once

#include <vector>

#include "velko/typelib/plugin.hpp"

namespace velko::host {

struct OfferedTest {
  Long testId = 0;
  String name;
  int depth = 0;  // 0 for a plug-in's top-level elements, one more per container level
};

struct PlugInOverview {
  String id;
  String name;
  String version;
  std::vector<OfferedTest> tests;  // in the plug-in's order, a container before its children
};

// Every plug-in the manager holds, in its order.
std::vector<PlugInOverview> DescribePlugIns(const Ref<IPlugInManager>& manager);

}  // namespace velko::host
