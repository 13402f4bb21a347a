#include "support/failing_file_system.hpp"

#include <fmt/format.h>

#include "velko/frame/error.hpp"

namespace velko::test {

void FailingFileSystem::FailReplacement(int nth, String cause) {
  failAt_ = nth;
  cause_ = std::move(cause);
}

void FailingFileSystem::FailFolders(String cause) {
  folderCause_ = std::move(cause);
}

void FailingFileSystem::FailNewFiles(String cause) {
  newFileCause_ = std::move(cause);
}

void FailingFileSystem::ReplaceFile(const String& path, std::string_view content) {
  replacements_.push_back(path);
  if (static_cast<int>(replacements_.size()) == failAt_) {
    throw Error(75, "velko", fmt::format("The file \"{}\" cannot be written: {}.", path, cause_));
  }
  host::LocalFileSystem().ReplaceFile(path, content);
}

bool FailingFileSystem::CreateNewFile(const String& path, std::string_view content, unsigned mode) {
  if (!newFileCause_.empty()) {
    throw Error(75, "velko",
                fmt::format("The file \"{}\" cannot be made: {}.", path, newFileCause_));
  }
  return host::LocalFileSystem().CreateNewFile(path, content, mode);
}

void FailingFileSystem::CreateFolders(const String& path) {
  if (!folderCause_.empty()) {
    throw Error(75, "velko",
                fmt::format("The folder \"{}\" cannot be made: {}.", path, folderCause_));
  }
  host::LocalFileSystem().CreateFolders(path);
}

bool FailingFileSystem::RemoveFile(const String& path) noexcept {
  return host::LocalFileSystem().RemoveFile(path);
}

std::optional<String> FailingFileSystem::ReadFile(const String& path) {
  return host::LocalFileSystem().ReadFile(path);
}

host::PathKind FailingFileSystem::KindOf(const String& path) {
  return host::LocalFileSystem().KindOf(path);
}

std::optional<std::uintmax_t> FailingFileSystem::AvailableBytes(const String& folder) {
  if (available_) return available_;
  return host::LocalFileSystem().AvailableBytes(folder);
}

}  // namespace velko::test
