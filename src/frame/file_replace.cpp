#include "velko/frame/file_replace.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

namespace velko {
namespace {

String Reason(const char* step, int code) {
  return String(step) + ": " + std::strerror(code);
}

// The file that the path names: a symbolic link is followed.
std::filesystem::path Target(const String& path) {
  std::error_code ec;
  const std::filesystem::path given(path);
  if (!std::filesystem::is_symlink(given, ec)) return given;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(given, ec);
  return ec ? given : resolved;
}

// A new, empty file next to the target (same file system, so that the rename is atomic), with the
// permissions `mode`.
int CreateTemporary(const std::filesystem::path& target, String& tempPath, unsigned mode = 0644) {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = target.string() + ".tmp-" + std::to_string(::getpid()) + "-" +
               std::to_string(stamp % 1000000) + "-" + std::to_string(counter++);
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

// Makes the rename durable; a folder that cannot be synced leaves the file complete all the same.
void SyncFolder(const std::filesystem::path& target) {
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// "" when this process may write the existing file `target`, else why not. A file without any
// write permission counts as read-only for the superuser too: its owner made it so, and a rename
// would replace it all the same (and give it a new owner).
String WriteRefusal(const std::filesystem::path& target, const struct stat& st) {
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return Reason("open", errno);
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    return Reason("open", EACCES) + " (the file is read-only)";
  }
  return {};
}

}  // namespace

String ReplaceFileContent(const String& path, std::string_view bytes) {
  if (path.empty()) return Reason("open", ENOENT);
  const std::filesystem::path target = Target(path);
  if (struct stat existing{};
      ::stat(target.c_str(), &existing) == 0 && !S_ISDIR(existing.st_mode)) {
    if (String refusal = WriteRefusal(target, existing); !refusal.empty()) return refusal;
  }
  String tempPath;
  const int fd = CreateTemporary(target, tempPath);
  if (fd < 0) return Reason("create", errno);
  String failure;
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) {
    if (S_ISDIR(old.st_mode)) {
      failure = Reason("open", EISDIR);
    } else {
      ::fchmod(fd, old.st_mode & 07777);  // keep the permissions of the file it replaces
    }
  }
  if (failure.empty() && !WriteAll(fd, bytes)) failure = Reason("write", errno);
  if (failure.empty() && ::fsync(fd) != 0) failure = Reason("flush", errno);
  if (::close(fd) != 0 && failure.empty()) failure = Reason("close", errno);
  if (failure.empty() && ::rename(tempPath.c_str(), target.c_str()) != 0) {
    failure = Reason("rename", errno);
  }
  if (!failure.empty()) {
    ::unlink(tempPath.c_str());
    return failure;
  }
  SyncFolder(target);
  return {};
}

String CreateFileContent(const String& path, std::string_view bytes, unsigned mode) {
  if (path.empty()) return Reason("open", ENOENT);
  const std::filesystem::path target(path);
  String tempPath;
  const int fd = CreateTemporary(target, tempPath, mode);
  if (fd < 0) return Reason("create", errno);
  String failure;
  if (::fchmod(fd, mode) != 0) failure = Reason("chmod", errno);  // whatever the umask said
  if (failure.empty() && !WriteAll(fd, bytes)) failure = Reason("write", errno);
  if (failure.empty() && ::fsync(fd) != 0) failure = Reason("flush", errno);
  if (::close(fd) != 0 && failure.empty()) failure = Reason("close", errno);
  if (failure.empty() && ::link(tempPath.c_str(), target.c_str()) != 0) {
    failure = errno == EEXIST ? String("exists") : Reason("link", errno);
  }
  ::unlink(tempPath.c_str());
  if (failure.empty()) SyncFolder(target);
  return failure;
}

}  // namespace velko
