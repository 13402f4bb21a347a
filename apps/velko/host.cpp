#include "host.hpp"

#include <fcntl.h>
#include <fmt/format.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "velko/frame/file_replace.hpp"

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

void PrintProblems(const String& file, const std::vector<String>& problems) {
  if (problems.empty()) return;
  std::cerr << fmt::format("{} problem{} in {}:\n", problems.size(),
                           problems.size() == 1 ? "" : "s", file);
  for (const String& problem : problems)
    std::cerr << "  " << problem << "\n";
}

void WriteFileAtomically(const String& path, const String& text) {
  const String failure = ReplaceFileContent(std::filesystem::absolute(path).string(), text);
  if (!failure.empty()) {
    throw Error(75, kHostSource,
                fmt::format("The file \"{}\" cannot be written: {}.", path, failure));
  }
}

CoreSession::CoreSession(const String& language) : ui_(MakeRef<HeadlessUserInterface>()) {
  UseUserInterface(ui_);
  Ref<GInitialize> core = GInitialize::Instance();
  core->InitCore();
  GTranslate::Instance()->SelectLanguageSet(language);
  manager_ = core->PlugInManager();
  auto log = MakeRef<CollectingLog>();
  manager_->Initialize(log);
}

CoreSession::~CoreSession() {
  manager_ = nullptr;
  GInitialize::Instance()->ShutDownCore();
  UseUserInterface(nullptr);
}

std::vector<String> CoreSession::PlugInWarnings() const {
  std::vector<String> warnings;
  for (const MessageBoxRecord& box : ui_->MessageBoxes())
    warnings.push_back(box.text);
  return warnings;
}

}  // namespace velko::host
