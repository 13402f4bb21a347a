// velko plugins: the registered plug-ins, their versions and the tests they offer.
#include <fmt/format.h>

#include "commands.hpp"
#include "printing.hpp"
#include "velko/host/plugins/plugin_overview.hpp"
#include "velko/host/session/core_session.hpp"
#include "velko/host/session/host_text.hpp"

namespace velko::cli {

int PlugInsCommand(const String& language) {
  host::CoreSession session(language);
  PrintWarnings(session.PlugInWarnings());
  const std::vector<host::PlugInOverview> plugIns = host::DescribePlugIns(session.Manager());
  if (plugIns.empty()) fmt::print("{}\n", host::HostText("1316::No plug-ins are registered."));
  for (const host::PlugInOverview& plugIn : plugIns) {
    fmt::print("{}\n", host::HostText("1317::%%1  %%2  version %%3", plugIn.id, plugIn.name,
                                      plugIn.version));
    for (const host::OfferedTest& test : plugIn.tests) {
      fmt::print(
          "{:>{}}{}\n", "", 4 + 2 * test.depth,
          host::HostText("1318::test %%1 %%2", fmt::format("{:<5}", test.testId), test.name));
    }
  }
  return kExitPassed;
}

}  // namespace velko::cli
