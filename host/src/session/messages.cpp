#include "velko/host/session/messages.hpp"

#include <fmt/format.h>

#include "velko/core/error_module.hpp"
#include "velko/host/session/host_text.hpp"

namespace velko::host {

String ErrorText(const Error& error) {
  return HostText("600::error %%1 (%%2): %%3", HexNumberText(error.Number()), error.Source(),
                  error.Description());
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

void RaiseHostError(const String& keyedText, const VariantArray& params) {
  const Long key = std::stol(keyedText.substr(0, keyedText.find("::")));
  throw Error(HostErrorNumber(key), kHostSource, HostText(keyedText, Variant(params)));
}

}  // namespace velko::host
