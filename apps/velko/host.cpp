#include "host.hpp"

#include <fcntl.h>
#include <fmt/format.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

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

namespace {

[[noreturn]] void RaiseWriteError(const String& path, int error) {
  throw Error(75, kHostSource,
              fmt::format("The file \"{}\" cannot be written: {}.", path, std::strerror(error)));
}

void WriteAll(int fd, const String& text, const String& path) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) RaiseWriteError(path, errno);
    written += static_cast<std::size_t>(n);
  }
}

}  // namespace

void WriteFileAtomically(const String& path, const String& text) {
  const std::filesystem::path target = std::filesystem::absolute(path);
  const String temporary = (target.parent_path() / ("." + target.filename().string() + ".tmp-" +
                                                    std::to_string(::getpid())))
                               .string();
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) RaiseWriteError(path, errno);
  try {
    WriteAll(fd, text, path);
    if (::fsync(fd) != 0) RaiseWriteError(path, errno);
  } catch (...) {
    ::close(fd);
    ::unlink(temporary.c_str());
    throw;
  }
  if (::close(fd) != 0 || ::rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    RaiseWriteError(path, error);
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
