// velko plugins: the registered plug-ins, their versions and the tests they offer.
#include <fmt/format.h>

#include "commands.hpp"
#include "printing.hpp"
#include "velko/host/plugins/plugin_overview.hpp"
#include "velko/host/session/core_session.hpp"

namespace velko::cli {

int PlugInsCommand(const String& language) {
  host::CoreSession session(language);
  PrintWarnings(session.PlugInWarnings());
  const std::vector<host::PlugInOverview> plugIns = host::DescribePlugIns(session.Manager());
  if (plugIns.empty()) fmt::print("No plug-ins are registered.\n");
  for (const host::PlugInOverview& plugIn : plugIns) {
    fmt::print("{}  {}  version {}\n", plugIn.id, plugIn.name, plugIn.version);
    for (const host::OfferedTest& test : plugIn.tests)
      fmt::print("{:>{}}test {:<5} {}\n", "", 4 + 2 * test.depth, test.testId, test.name);
  }
  return kExitPassed;
}

}  // namespace velko::cli
