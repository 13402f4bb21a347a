// The check of one sequence, setup or record file: everything that loading it reports.
#pragma once

#include <vector>

#include "velko/typelib/plugin.hpp"

namespace velko::host {

// Opens the file, loads it by its root element ("TestElement", "Setup", "TestRecord") with a
// collecting log and returns every problem found, in the order found; none for a clean file.
// A file that cannot be opened, or whose root is none of these, is one problem too.
std::vector<String> ValidateFile(const String& path, const Ref<IPlugInManager>& manager);

}  // namespace velko::host
