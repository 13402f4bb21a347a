// velko plugins: the registered plug-ins, their versions and the tests they offer.
#include <fmt/format.h>

#include <iostream>

#include "commands.hpp"

namespace velko::host {
namespace {

void PrintOffered(const Ref<ITestContainer>& container, int depth) {
  if (!container || depth > kMaxTreeNesting) return;
  for (Long i = 1; i <= container->Count(); ++i) {
    const Ref<ITestElement> element = container->Item(i);
    if (!element) continue;
    const String name = QuietlyOr(String(), [&] { return element->Info()->Name(); });
    fmt::print("{:>{}}test {:<5} {}\n", "", 4 + 2 * depth, element->TestID(), name);
    PrintOffered(QueryInterface<ITestContainer>(element), depth + 1);
  }
}

}  // namespace

int PlugInsCommand(const String& language) {
  CoreSession session(language);
  for (const String& warning : session.PlugInWarnings())
    std::cerr << "warning: " << warning << "\n";
  const Ref<IPlugInManager> manager = session.Manager();
  if (manager->Count() == 0) fmt::print("No plug-ins are registered.\n");
  for (Long i = 1; i <= manager->Count(); ++i) {
    const Ref<IPlugIn> plugIn = manager->Item(i);
    fmt::print("{}  {}  version {}\n", plugIn->ID(), plugIn->Name(), plugIn->Version());
    PrintOffered(plugIn->Elements(), 0);
  }
  return kExitPassed;
}

}  // namespace velko::host
