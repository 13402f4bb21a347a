#include "velko/host/session/messages.hpp"

#include <fmt/format.h>

namespace velko::host {

String ErrorText(const Error& error) {
  return fmt::format("error 0x{:08X} ({}): {}", static_cast<std::uint32_t>(error.Number()),
                     error.Source(), error.Description());
}

std::vector<String> LogProblems(const CollectingLog& log) {
  std::vector<String> problems;
  for (const LogEntry& entry : log.Entries()) {
    String line = fmt::format("{}: {} (error 0x{:08X}", LogLevelWord(entry.level), entry.message,
                              static_cast<std::uint32_t>(entry.errNo));
    const LogSection* section = log.Section(entry.section);
    if (section && !section->title.empty()) line += ", while: " + section->title;
    problems.push_back(line + ")");
  }
  return problems;
}

}  // namespace velko::host
