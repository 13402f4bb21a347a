// The first use of an installed tree: a user without a registry of their own starts from the
// installed default, which lists no plug-in unless a package registered them. The host then
// registers the library and the simulator shipped beside it, so that the samples run at once.
#pragma once

#include <optional>
#include <vector>

#include "velko/frame/error.hpp"

namespace velko::host {

// The simulator shipped with the library: lib/velko/plugins/libvelkosimulator.so beside the
// installed library, or "" when there is none (a build tree, a library without its plug-ins).
String ShippedSimulatorFile();

// What the first use did.
struct FirstUse {
  bool attempted = false;        // there was something to register
  std::optional<Error> failure;  // why registering failed
  String library;
  String simulator;
};

// On the first use (IsFirstUseOfUserRegistry) of an installed tree whose default registry lacks
// the library or the shipped simulator, registers both in the user's registry. Never raises.
FirstUse RegisterShippedComponents();

// What the user should be told (in the current language): that the components were registered
// and where, or why they could not be, with the exact commands that register them; nothing when
// there was nothing to do.
std::vector<String> FirstUseNotices(const FirstUse& firstUse);

}  // namespace velko::host
