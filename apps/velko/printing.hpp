// What the command line prints besides the commands' own output.
#pragma once

#include <vector>

#include "velko/host/run/run_preparation.hpp"

namespace velko::cli {

// Prints the problems to stderr under a heading naming the file; nothing when there are none.
void PrintProblems(const String& file, const std::vector<String>& problems);
void PrintProblems(const std::vector<host::FileProblems>& problems);
// "warning: <text>" on stderr for each warning.
void PrintWarnings(const std::vector<String>& warnings);

}  // namespace velko::cli
