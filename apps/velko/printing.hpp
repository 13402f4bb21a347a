// What the command line prints besides the commands' own output.
#pragma once

#include <vector>

#include "velko/host/checks/problem.hpp"
#include "velko/host/run/run_summary.hpp"

namespace velko::cli {

// Prints the problems to stderr under a heading naming the file; nothing when there are none.
void PrintProblems(const String& file, const std::vector<String>& problems);
// Each problem of the file on stderr, one line each ("FILE:LINE: error: message (element 12;
// found "1O"; expected ...)"), then how many there were; nothing when there are none.
void PrintProblems(const host::FileProblems& problems);
void PrintProblems(const std::vector<host::FileProblems>& problems);
// "warning: <text>" on stderr for each warning.
void PrintWarnings(const std::vector<String>& warnings);
// The counts of a run and every step that was not judged.
void PrintSummary(const host::RunSummary& summary);

}  // namespace velko::cli
