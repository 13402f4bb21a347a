// For the suites that load the test plug-in library: a fresh in-memory registry with the library
// registered, the plug-in list written as a test needs it, a headless user interface whose
// message boxes can be inspected, and the plug-ins' initialisation counts.
#pragma once

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "velko/core/gtranslate.hpp"
#include "velko/core/initialize.hpp"
#include "velko/frame/runtime.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/user_interface.hpp"

namespace velko::test {

inline const String kTestPlugInLibrary = VELKO_TEST_PLUGIN_PATH;

// The programmatic identifier of a test plug-in class by its plug-in ID ("A" -> CPlugInA).
inline String TestProgId(const String& plugInId) {
  const bool letter = plugInId.size() == 1;
  return "VelkoTest.C" + String(letter ? "PlugIn" : "") + plugInId;
}

// Replaces the plug-in list (ID, ProgID in this order) and "FirstPlugInToLoad" ("" removes it).
inline void WritePlugInList(const std::vector<std::pair<String, String>>& entries,
                            const String& first = String()) {
  const String listPath = RegistryPaths()->KeyPath(kRegPathPlugIns);
  Ref<IRegistryKey> key = CreateRegistryKey();
  key->DeleteKey(kHKeyLocalMachine, listPath);
  key->CreateKey(kHKeyLocalMachine, listPath);
  for (const auto& [id, progId] : entries)
    key->SetValue(Variant(id), Variant(progId));
  Ref<IRegistryKey> root = CreateRegistryKey();
  root->CreateKey(kHKeyLocalMachine, kVelkoRootKey);
  if (first.empty()) {
    root->DeleteValue("FirstPlugInToLoad");
  } else {
    root->SetValue(Variant("FirstPlugInToLoad"), Variant(first));
  }
}

// The list of test plug-ins by ID, each under its own class.
inline void WritePlugInIds(const std::vector<String>& ids, const String& first = String()) {
  std::vector<std::pair<String, String>> entries;
  for (const auto& id : ids)
    entries.emplace_back(id, TestProgId(id));
  WritePlugInList(entries, first);
}

// How often a plug-in with that ID was initialised on this thread.
inline long InitializeCount(const String& plugInId) {
  auto count = reinterpret_cast<long (*)(const char*)>(
      ServerEntryPoint(kTestPlugInLibrary, "VelkoTestInitializeCount"));
  return count(plugInId.c_str());
}

inline void ResetInitializeCounts() {
  reinterpret_cast<void (*)()>(ServerEntryPoint(kTestPlugInLibrary, "VelkoTestResetCounts"))();
}

// Puts the calling thread into a known state: in-memory registry with the test library
// registered, normal plug-in mode, a fresh headless user interface, no core objects.
inline Ref<HeadlessUserInterface> PrepareTestPlugInThread() {
  GInitialize::Instance()->ShutDownCore();
  UseInMemoryRegistry();
  RegisterServer(kTestPlugInLibrary);
  Ref<GTranslate> modes = GTranslate::Instance();
  modes->SetVitaraPlugInView(false);
  modes->SetKestrelPlugInView(false);
  modes->SetCommandLineData(String());
  auto ui = MakeRef<HeadlessUserInterface>();
  UseUserInterface(ui);
  ResetInitializeCounts();
  return ui;
}

// InitCore and Initialize with the given plug-ins; returns the manager.
inline Ref<IPlugInManager> StartCoreWith(const std::vector<String>& ids,
                                         const String& first = String()) {
  WritePlugInIds(ids, first);
  GInitialize::Instance()->InitCore();
  Ref<IPlugInManager> manager = GInitialize::Instance()->PlugInManager();
  manager->Initialize(nullptr);
  return manager;
}

class TestPlugInFixture : public ::testing::Test {
 protected:
  void SetUp() override { ui = PrepareTestPlugInThread(); }
  void TearDown() override {
    GInitialize::Instance()->ShutDownCore();
    UseUserInterface(nullptr);
    UseDefaultRegistry();
  }

  Ref<HeadlessUserInterface> ui;
};

}  // namespace velko::test
