// A file system that fails on demand: the n-th replacement of a file (counting from 1) raises the
// error a full disk, a missing permission or another cause would give, before anything is
// written; everything else goes to the real file system.
#pragma once

#include <optional>
#include <vector>

#include "velko/host/files/file_system.hpp"

namespace velko::test {

class FailingFileSystem final : public host::FileSystem {
 public:
  // Fails the `nth` call of ReplaceFile with `cause` ("write: No space left on device").
  void FailReplacement(int nth, String cause);
  // Fails every CreateFolders call with `cause`.
  void FailFolders(String cause);
  // Tells every folder to have only `bytes` left.
  void LimitSpace(std::uintmax_t bytes) { available_ = bytes; }
  // Fails every CreateNewFile call with `cause`.
  void FailNewFiles(String cause);

  void ReplaceFile(const String& path, std::string_view content) override;
  bool CreateNewFile(const String& path, std::string_view content, unsigned mode) override;
  void CreateFolders(const String& path) override;
  bool RemoveFile(const String& path) noexcept override;
  std::optional<String> ReadFile(const String& path) override;
  host::PathKind KindOf(const String& path) override;
  std::optional<std::uintmax_t> AvailableBytes(const String& folder) override;

  // The paths that were replaced, in order (failed attempts included).
  const std::vector<String>& Replacements() const { return replacements_; }

 private:
  int failAt_ = 0;
  String cause_;
  String folderCause_;
  std::optional<std::uintmax_t> available_;
  String newFileCause_;
  std::vector<String> replacements_;
};

// Causes as the operating system words them.
inline const char* const kDiskFull = "write: No space left on device";
inline const char* const kPermissionDenied = "create: Permission denied";

}  // namespace velko::test
