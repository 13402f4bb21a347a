// Test setups: loading one (with the simulated device's fault replaced on request) and whether
// the system's list of standards defines a standard.
#pragma once

#include <optional>
#include <vector>

#include "velko/host/documents/xml_source.hpp"
#include "velko/setup/test_setup.hpp"
#include "velko/typelib/progress.hpp"

namespace velko::host {

// Loads a test setup ("Setup" root; no file: an empty setup). `fault`, when given, replaces the
// fault in the simulator's device data (added when the setup has none); the change is made to the
// document in memory only.
Ref<CTestSetup> LoadSetup(XmlSource source, const std::optional<String>& fault,
                          const Ref<IProgressLog>& log);

// Why the system's list of standards (registry) does not define the standard of these names (the
// error's text); nullopt when it defines it.
std::optional<String> UnregisteredStandardProblem(const String& alphaName,
                                                  const String& completeName);

}  // namespace velko::host
