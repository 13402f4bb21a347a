#include "velko/host/session/first_use.hpp"

#include <filesystem>

#include "velko/frame/error.hpp"
#include "velko/frame/runtime.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/host/session/messages.hpp"
#include "velko/outside/registry.hpp"

namespace velko::host {
namespace {

// Where the install puts the shipped plug-ins, relative to the library's folder.
constexpr const char* kShippedSimulator = "velko/plugins/libvelkosimulator.so";

bool KeyExists(const String& path) {
  try {
    CreateRegistryKey()->OpenKey(kHKeyLocalMachine, path);
    return true;
  } catch (const Error&) {
    return false;
  }
}

bool SimulatorListed() {
  try {
    Ref<IRegistryKey> list = CreateRegistryKey();
    list->OpenKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathPlugIns));
    list->Value(Variant(String("Simulator")));
    return true;
  } catch (const Error&) {
    return false;
  }
}

}  // namespace

String ShippedSimulatorFile() {
  const String library = LibraryFile();
  if (library.empty()) return {};
  const std::filesystem::path simulator =
      std::filesystem::path(library).parent_path() / kShippedSimulator;
  std::error_code ec;
  return std::filesystem::is_regular_file(simulator, ec) ? simulator.string() : String();
}

FirstUse RegisterShippedComponents() {
  FirstUse firstUse;
  if (!IsFirstUseOfUserRegistry()) return firstUse;
  firstUse.simulator = ShippedSimulatorFile();
  if (firstUse.simulator.empty()) return firstUse;
  if (KeyExists("Software\\Classes\\VelkoCore.CTestElement") && SimulatorListed()) return firstUse;
  firstUse.attempted = true;
  firstUse.library = LibraryFile();
  try {
    RegisterServer(firstUse.library);
    RegisterServer(firstUse.simulator);
  } catch (const Error& e) {
    firstUse.failure = e;
  }
  return firstUse;
}

std::vector<String> FirstUseNotices(const FirstUse& firstUse) {
  if (!firstUse.attempted) return {};
  if (firstUse.failure) {
    return {HostText(
        "641::The library and the simulator plug-in are not registered, and registering them "
        "failed: %%1 Register them with: velko register %%2 && velko register %%3",
        ErrorText(*firstUse.failure), firstUse.library, firstUse.simulator)};
  }
  return {HostText(
      "640::First use: the library and the simulator plug-in shipped with it were registered in "
      "%%1.",
      DefaultRegistryFile())};
}

}  // namespace velko::host
