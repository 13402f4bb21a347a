// velko validate: loads a sequence, setup or record with a collecting log and lists every problem.
#include <fmt/format.h>

#include "commands.hpp"
#include "printing.hpp"
#include "velko/host/checks/file_validation.hpp"
#include "velko/host/session/core_session.hpp"

namespace velko::cli {

int ValidateCommand(const String& file, const String& language) {
  host::CoreSession session(language);
  PrintWarnings(session.PlugInWarnings());
  const std::vector<String> problems = host::ValidateFile(file, session.Manager());
  if (problems.empty()) {
    fmt::print("{}: no problems found\n", file);
    return kExitPassed;
  }
  PrintProblems(file, problems);
  return kExitError;
}

}  // namespace velko::cli
