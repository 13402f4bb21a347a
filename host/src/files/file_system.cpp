#include "velko/host/files/file_system.hpp"

#include <fmt/format.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "velko/frame/error.hpp"
#include "velko/frame/file_replace.hpp"
#include "velko/host/session/messages.hpp"

namespace velko::host {
namespace {

[[noreturn]] void RaiseFileError(const String& path, const String& verb, const String& cause) {
  throw Error(75, kHostSource, fmt::format("The file \"{}\" cannot be {}: {}.", path, verb, cause));
}

class LocalFiles final : public FileSystem {
 public:
  void ReplaceFile(const String& path, std::string_view content) override {
    const String failure = ReplaceFileContent(std::filesystem::absolute(path).string(), content);
    if (!failure.empty()) RaiseFileError(path, "written", failure);
  }

  bool CreateNewFile(const String& path, std::string_view content, unsigned mode) override {
    const String failure =
        CreateFileContent(std::filesystem::absolute(path).string(), content, mode);
    if (failure == "exists") return false;
    if (!failure.empty()) RaiseFileError(path, "made", failure);
    return true;
  }

  void CreateFolders(const String& path) override {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) RaiseFileError(path, "made a folder", ec.message());
  }

  bool RemoveFile(const String& path) noexcept override {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return !ec;
  }

  std::optional<String> ReadFile(const String& path) override {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
      if (ec) RaiseFileError(path, "read", ec.message());
      return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) RaiseFileError(path, "read", std::strerror(errno));
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) RaiseFileError(path, "read", std::strerror(errno));
    return content.str();
  }

  PathKind KindOf(const String& path) override {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) return PathKind::kMissing;
    return std::filesystem::is_directory(status) ? PathKind::kFolder : PathKind::kFile;
  }

  std::optional<std::uintmax_t> AvailableBytes(const String& folder) override {
    std::error_code ec;
    const std::filesystem::space_info space = std::filesystem::space(folder, ec);
    if (ec || space.available == static_cast<std::uintmax_t>(-1)) return std::nullopt;
    return space.available;
  }
};

}  // namespace

FileSystem& LocalFileSystem() {
  static LocalFiles files;
  return files;
}

void WriteAllOrNone(FileSystem& files, const std::vector<FileContent>& contents,
                    const std::function<void()>& thenKeep) {
  std::vector<std::optional<String>> earlier;
  earlier.reserve(contents.size());
  for (const FileContent& file : contents)
    earlier.push_back(files.ReadFile(file.path));
  std::size_t written = 0;
  try {
    for (; written < contents.size(); ++written)
      files.ReplaceFile(contents[written].path, contents[written].content);
    if (thenKeep) thenKeep();
  } catch (...) {
    for (std::size_t i = written; i-- > 0;) {
      if (earlier[i]) {
        try {
          files.ReplaceFile(contents[i].path, *earlier[i]);
        } catch (...) {  // keep the first failure; the new complete file stays in place
        }
      } else {
        files.RemoveFile(contents[i].path);
      }
    }
    throw;
  }
}

}  // namespace velko::host
