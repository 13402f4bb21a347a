// CPlugInManager: the installed instrument plug-ins of the calling thread, read from the
// registry, and the test elements created through them.
#pragma once

#include "velko/frame/keyed_collection.hpp"
#include "velko/typelib/plugin.hpp"
#include "velko/typelib/progress.hpp"

namespace velko {

// Internal class (reached through IPlugInManager). Plug-ins are kept in load order under their
// ID (compared exactly). Count, PlugIn and Item need Initialize first (0x8004A675).
class CPlugInManager final : public IPlugInManager {
 public:
  CPlugInManager() = default;
  // Manager termination: the first plug-in whose ID is "Petrel" (any case) is initialised once
  // more with no log, then every plug-in is released.
  ~CPlugInManager() override;
  CPlugInManager(const CPlugInManager&) = delete;
  CPlugInManager& operator=(const CPlugInManager&) = delete;

  Long Count() override;
  // 0x8004A677 when no plug-in has that ID.
  Ref<IPlugIn> PlugIn(const String& plugInId) override;
  // 0x8004A677 outside 1..Count.
  Ref<IPlugIn> Item(Long index) override;
  // A new node for a "TestElement" element, from its first "PlugIn" child ("Name", "TestID");
  // none (never an error) when that fails.
  Ref<ITestElement> CreateITEfromXML(const Ref<IXmlElement>& in) override;
  // The plug-in's new element of that test; none for an empty ID, a test ID below 1, an unknown
  // plug-in or a failing one. Does not need Initialize.
  Ref<ITestElement> CreateTestElement(const String& plugInId, Long testId) override;
  // Refresh, then marks the manager initialised.
  void Initialize(const Ref<IProgressLog>& log) override;
  // Loads the plug-ins of the registry's plug-in list in the host's mode (normal, command line,
  // Vitara view). Plug-ins already in the list stay; a plug-in that fails to load is reported
  // by a message box and skipped. 0x8004A676 when the plug-in list key cannot be opened.
  void Refresh(const Ref<IProgressLog>& log) override;
  Ref<IEnumVariant> NewEnum() override;

 private:
  void RequireInitialized() const;
  void AddUnlessPresent(const Ref<IPlugIn>& plugIn);

  KeyedCollection<Ref<IPlugIn>> plugIns_{KeyCase::kSensitive};
  bool initialized_ = false;
};

// The calling thread's plug-in manager (created by InitCore); none before InitCore and after
// ShutDownCore.
Ref<IPlugInManager> CurrentPlugInManager();
// Replaces the calling thread's plug-in manager (InitCore, ShutDownCore).
void SetCurrentPlugInManager(Ref<IPlugInManager> manager);

}  // namespace velko
