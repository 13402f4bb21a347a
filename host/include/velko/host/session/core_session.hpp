// The core on the calling thread for the life of one object.
#pragma once

#include <vector>

#include "velko/outside/user_interface.hpp"
#include "velko/typelib/plugin.hpp"

namespace velko::host {

// InitCore, the language, the plug-ins (loaded with a collecting log); ShutDownCore at the end.
// On the first use of an installed tree the shipped library and simulator are registered first
// (RegisterShippedComponents). Message boxes that the plug-in manager shows while loading are
// collected, not shown. The library's objects belong to the thread that made the session.
class CoreSession {
 public:
  explicit CoreSession(const String& language);
  ~CoreSession();
  CoreSession(const CoreSession&) = delete;
  CoreSession& operator=(const CoreSession&) = delete;

  Ref<IPlugInManager> Manager() const { return manager_; }
  // What the user should know about the plug-ins: what the first use registered (or why it could
  // not), and what the plug-in manager reported while loading them (its message boxes).
  std::vector<String> PlugInWarnings() const;

 private:
  Ref<HeadlessUserInterface> ui_;
  std::vector<String> firstUse_;
  Ref<IPlugInManager> manager_;
};

}  // namespace velko::host
