// velko validate: checks sequence, setup and record files and lists every problem.
#include <fmt/format.h>

#include "commands.hpp"
#include "printing.hpp"
#include "velko/host/checks/document_checks.hpp"
#include "velko/host/session/core_session.hpp"
#include "velko/host/session/host_text.hpp"

namespace velko::cli {

int ValidateCommand(const ValidateArgs& args) {
  host::CoreSession session(args.language);
  PrintWarnings(session.PlugInWarnings());
  const host::CheckContext context{session.Manager()};
  bool unreadable = false;
  bool errors = false;
  for (const String& file : args.files) {
    host::FileProblems problems = host::CheckFile(file, context);
    if (args.strict) problems.TreatWarningsAsErrors();
    if (problems.Empty()) fmt::print("{}\n", host::HostText("300::%%1: no problems found", file));
    PrintProblems(problems);
    unreadable = unreadable || problems.Unreadable();
    errors = errors || problems.Errors() > 0;
  }
  return unreadable ? kExitError : errors ? kExitFailed : kExitPassed;
}

}  // namespace velko::cli
