#include "printing.hpp"

#include <fmt/format.h>

#include <iostream>

namespace velko::cli {

void PrintProblems(const String& file, const std::vector<String>& problems) {
  if (problems.empty()) return;
  std::cerr << fmt::format("{} problem{} in {}:\n", problems.size(),
                           problems.size() == 1 ? "" : "s", file);
  for (const String& problem : problems)
    std::cerr << "  " << problem << "\n";
}

void PrintProblems(const std::vector<host::FileProblems>& problems) {
  for (const host::FileProblems& file : problems)
    PrintProblems(file.file, file.problems);
}

void PrintWarnings(const std::vector<String>& warnings) {
  for (const String& warning : warnings)
    std::cerr << "warning: " << warning << "\n";
}

}  // namespace velko::cli
