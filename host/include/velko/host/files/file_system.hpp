// Every file the host layer writes goes through this interface, so that each fault path (a full
// disk, a missing permission, a failure between two writes) can be tested without mounting
// anything. The production implementation replaces files through frame/file_replace.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "velko/frame/types.hpp"

namespace velko::host {

// What a path names.
enum class PathKind { kMissing, kFolder, kFile };

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Replaces the content of `path` atomically: afterwards it holds the old content or the new,
  // never a mix. On failure the file is as it was and error 75 names the path and the cause.
  virtual void ReplaceFile(const String& path, std::string_view content) = 0;
  // Makes the file `path` with `content` and the permissions `mode`, complete or not at all;
  // false (and the file as it is) when it exists already. Error 75 when it cannot be made.
  virtual bool CreateNewFile(const String& path, std::string_view content, unsigned mode) = 0;
  // Makes a folder and its missing parents; error 75 when it cannot.
  virtual void CreateFolders(const String& path) = 0;
  // Removes a file; one that does not exist counts as removed. False when it could not.
  virtual bool RemoveFile(const String& path) noexcept = 0;
  // The content of a file; none when there is no such file. Error 75 when it cannot be read.
  virtual std::optional<String> ReadFile(const String& path) = 0;
  // What the path names (anything that is not a folder counts as a file).
  virtual PathKind KindOf(const String& path) = 0;
  // The bytes that may still be written into the folder; none when that cannot be told.
  virtual std::optional<std::uintmax_t> AvailableBytes(const String& folder) = 0;
};

// The production file system of this process.
FileSystem& LocalFileSystem();

struct FileContent {
  String path;
  String content;
};

// Writes every file or none. On a failure the files already written get their earlier content
// back (or are removed where there was none) before the error escapes. `thenKeep`, when given,
// runs once every file is written (the archive entry of the same outputs); when it fails, the
// files are taken back the same way.
void WriteAllOrNone(FileSystem& files, const std::vector<FileContent>& contents,
                    const std::function<void()>& thenKeep = {});

}  // namespace velko::host
