// velko: the host command-line program of the library.
#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <filesystem>
#include <iostream>

#include "velko/velko.hpp"

namespace {

// Lists the library's public classes with their identifiers and interfaces.
int ListClasses() {
  for (const velko::ClassInfo& info : velko::LibraryClasses().Classes()) {
    const char* kind = info.instancing == velko::Instancing::kGlobal ? "global" : "creatable";
    fmt::print("VelkoCore.{:<22} {:<10} {}\n", info.name, kind, info.clsid.ToString());
    for (std::size_t i = 1; i < info.interfaces.size(); ++i) {
      fmt::print("    implements {}\n", info.interfaces[i].name);
    }
  }
  return 0;
}

int Register(const std::string& library, bool unregister) {
  const std::string path = std::filesystem::absolute(library).lexically_normal().string();
  if (unregister) {
    velko::UnregisterServer(path);
  } else {
    velko::RegisterServer(path);
  }
  fmt::print("{} {}\n  registry: {}\n", unregister ? "Unregistered" : "Registered", path,
             velko::DefaultRegistryFile());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"velko: runs, judges, saves and prints test sequences of the VelkoCore library"};
  app.require_subcommand(1);

  auto* classes = app.add_subcommand("classes", "List the library's public classes");
  std::string library;
  auto* reg = app.add_subcommand("register", "Register a component library (its classes)");
  reg->add_option("LIBRARY", library, "Path of the shared library")->required();
  auto* unreg = app.add_subcommand("unregister", "Remove the registration of a library");
  unreg->add_option("LIBRARY", library, "Path of the shared library")->required();

  CLI11_PARSE(app, argc, argv);
  try {
    if (classes->parsed()) return ListClasses();
    if (reg->parsed()) return Register(library, false);
    if (unreg->parsed()) return Register(library, true);
  } catch (const velko::Error& e) {
    std::cerr << fmt::format("error {:#x} ({}): {}\n", static_cast<std::uint32_t>(e.Number()),
                             e.Source(), e.Description());
    return 2;
  }
  return 0;
}
