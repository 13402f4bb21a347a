// GInitialize: start-up and shut-down of the library on the calling thread.
#pragma once

#include "velko/frame/class_table.hpp"
#include "velko/typelib/plugin.hpp"

namespace velko {

// Global class: the state it works on (system options, plug-in manager) exists once per thread,
// shared by every instance made on that thread.
class GInitialize : public virtual IUnknown {
 public:
  VELKO_CLASS_IDS("{8E0F2A31-6C4B-4D7E-A1F2-3B4C5D6E7021}",
                  "{8E0F2A31-6C4B-4D7E-A1F2-3B4C5D6E7022}");

  // The calling thread's predeclared instance.
  static Ref<GInitialize> Instance();

  // The manager made by InitCore; none before InitCore and after ShutDownCore. Never raises.
  Ref<IPlugInManager> PlugInManager();
  // Creates the thread's system options and a new, uninitialised plug-in manager (replacing any
  // earlier ones), then points the language server at the Language option "Path" (empty: the
  // default language path). The plug-ins are loaded by PlugInManager()->Initialize.
  void InitCore();
  // Releases the plug-in manager and the shared rich-text processor. Never raises.
  void ShutDownCore();
};

}  // namespace velko
