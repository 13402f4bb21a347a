// velko classes, register, unregister: the component side of the host.
#include <fmt/format.h>

#include <filesystem>

#include "commands.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/velko.hpp"

namespace velko::cli {

int ListClasses() {
  for (const ClassInfo& info : LibraryClasses().Classes()) {
    const char* kind = info.instancing == Instancing::kGlobal ? "global" : "creatable";
    fmt::print("VelkoCore.{:<22} {:<10} {}\n", info.name, kind, info.clsid.ToString());
    for (std::size_t i = 1; i < info.interfaces.size(); ++i)
      fmt::print("    implements {}\n", info.interfaces[i].name);
  }
  return kExitPassed;
}

int RegisterLibrary(const String& library, bool unregister) {
  const String path = std::filesystem::absolute(library).lexically_normal().string();
  if (unregister) {
    UnregisterServer(path);
  } else {
    RegisterServer(path);
  }
  fmt::print("{}\n{}\n",
             unregister ? host::HostText("1319::Unregistered %%1", path)
                        : host::HostText("1320::Registered %%1", path),
             host::HostText("1321::  registry: %%1", DefaultRegistryFile()));
  return kExitPassed;
}

}  // namespace velko::cli
