// The two stores: one file shared by every process (locked, atomic writes) and one in memory.
#include "outside/registry/registry_store.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/frame/error.hpp"
#include "velko/frame/file_replace.hpp"
#include "velko/outside/error_server.hpp"
#include "velko/typelib/enums.hpp"

namespace velko {

void RaiseRegistryError(Long number, Long level, const VariantArray& params,
                        const String& fallback) {
  RaiseErrorOr(number, kRegistrySource, level, params, fallback);
}

namespace {

String SystemReason(int code) {
  return std::strerror(code);
}

[[noreturn]] void RaiseWriteError(const String& path, const String& reason) {
  RaiseRegistryError(err::kRegistryWrite, kLevelSave, {Variant(path), Variant(reason)},
                     "The registry file \"" + path + "\" cannot be written: " + reason + ".");
}

[[noreturn]] void RaiseReadError(const String& path, const String& reason) {
  RaiseRegistryError(err::kRegistryFileBroken, kLevelFatal,
                     {Variant(path), Variant(Long{0}), Variant(reason)},
                     "The registry file \"" + path + "\" cannot be read: " + reason + ".");
}

// What identifies one version of the file: every write renames a new file into place, so the
// inode changes; size and modification time catch edits made in place by other tools.
struct FileStamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};

  static FileStamp Of(const struct stat& st) {
    return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
  }
  bool operator==(const FileStamp& o) const {
    return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
  }
};

// A file descriptor that closes itself.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now and reports whether the close succeeded (a late write error shows here).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

// The exclusive lock of all writers of one store: flock on the folder that holds the store file
// (the file itself is replaced by every write, its folder stays), so that locking leaves no file
// behind. Released when the descriptor closes, also when the process dies.
class WriterLock {
 public:
  WriterLock(const String& folder, const String& storePath)
      : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_.get() < 0) {
      RaiseWriteError(storePath, "cannot open the folder " + folder + ": " + SystemReason(errno));
    }
    while (::flock(fd_.get(), LOCK_EX) != 0) {
      if (errno != EINTR) RaiseWriteError(storePath, "cannot lock: " + SystemReason(errno));
    }
  }

 private:
  Fd fd_;
};

String ReadAll(int fd, const String& path) {
  String text;
  char buffer[65536];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) return text;
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseReadError(path, SystemReason(errno));
    }
    text.append(buffer, static_cast<std::size_t>(n));
  }
}

// Where a write goes: the store file, or the file its symbolic link leads to (so that the link
// stays a link), with the temporaries beside that file and the lock on its folder.
struct WriteTarget {
  String file;
  String folder;
  String tempPrefix;

  explicit WriteTarget(const String& path) : file(path) {
    struct stat st {};
    std::error_code ec;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
      const auto target = std::filesystem::canonical(path, ec);
      if (!ec) file = target.string();
    }
    const std::filesystem::path p(file);
    folder = p.has_parent_path() ? p.parent_path().string() : String(".");
    tempPrefix = p.filename().string() + ".tmp-";
  }
};

class FileRegistryStore final : public RegistryStore {
 public:
  FileRegistryStore(String path, String seed) : path_(std::move(path)), seed_(std::move(seed)) {}

  String Name() const override { return path_; }

  std::shared_ptr<const RegDocument> Read() override {
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0) {
      if (cached_ && !cachedFromSeed_ && FileStamp::Of(st) == stamp_) return cached_;
    } else if (errno == ENOENT || errno == ENOTDIR) {
      return ReadSeed();
    }
    return Load();
  }

  void Write(const Change& change) override {
    // A change that changes nothing takes no lock and writes nothing; a broken file stops here,
    // untouched.
    if (auto unchanged = std::make_shared<RegDocument>(*Read()); !change(*unchanged)) return;
    const WriteTarget target(path_);
    CreateFolder(target);
    const WriterLock lock(target.folder, path_);
    auto next = std::make_shared<RegDocument>(*Read());  // what other writers stored meanwhile
    if (!change(*next)) return;
    RemoveStaleTemporaries(target);
    Replace(target, FormatRegistryText(*next, path_));
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) RaiseWriteError(path_, SystemReason(errno));
    Remember(std::move(next), FileStamp::Of(st));
  }

 private:
  std::shared_ptr<const RegDocument> Remember(std::shared_ptr<const RegDocument> doc,
                                              const FileStamp& stamp, bool fromSeed = false) {
    cached_ = std::move(doc);
    stamp_ = stamp;
    cachedFromSeed_ = fromSeed;
    return cached_;
  }

  // The content of a store whose file does not exist yet: the seed file's, else nothing. The
  // seed is only read, never written: the first write creates the store file from it.
  std::shared_ptr<const RegDocument> ReadSeed() {
    struct stat st {};
    if (seed_.empty() || ::stat(seed_.c_str(), &st) != 0) {
      return Remember(std::make_shared<RegDocument>(), FileStamp{});
    }
    if (cached_ && cachedFromSeed_ && FileStamp::Of(st) == stamp_) return cached_;
    const Fd fd(::open(seed_.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) RaiseReadError(seed_, SystemReason(errno));
    if (::fstat(fd.get(), &st) != 0) RaiseReadError(seed_, SystemReason(errno));
    if (!S_ISREG(st.st_mode)) RaiseReadError(seed_, "not a regular file");
    const String text = ReadAll(fd.get(), seed_);
    return Remember(std::make_shared<RegDocument>(ParseRegistryText(text, seed_)),
                    FileStamp::Of(st), true);
  }

  // Reads the file through one descriptor, so that the stamp belongs to the text read.
  std::shared_ptr<const RegDocument> Load() {
    const Fd fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
      if (errno == ENOENT) return ReadSeed();
      RaiseReadError(path_, SystemReason(errno));
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) RaiseReadError(path_, SystemReason(errno));
    if (!S_ISREG(st.st_mode)) RaiseReadError(path_, "not a regular file");
    const String text = ReadAll(fd.get(), path_);
    return Remember(std::make_shared<RegDocument>(ParseRegistryText(text, path_)),
                    FileStamp::Of(st));
  }

  void CreateFolder(const WriteTarget& target) const {
    std::error_code ec;
    std::filesystem::create_directories(target.folder, ec);
    if (ec) {
      RaiseWriteError(path_, "cannot create the folder " + target.folder + ": " + ec.message());
    }
  }

  // Leftovers of writers that died before their rename. Only writers holding the lock create
  // temporaries, so under the lock every one of them is stale.
  static void RemoveStaleTemporaries(const WriteTarget& target) {
    DIR* dir = ::opendir(target.folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string_view name = entry->d_name;
      if (name.starts_with(target.tempPrefix)) ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
  }

  // Replaces the store file: readers and a crash see the old file or the new one, never a mix;
  // the store keeps its permissions (a new one is readable by all, writable by its owner).
  void Replace(const WriteTarget& target, const String& text) const {
    const String failure = ReplaceFileContent(target.file, text);
    if (!failure.empty()) RaiseWriteError(path_, failure);
  }

  String path_;
  String seed_;  // the file whose content a store without a file starts from ("" for none)
  std::shared_ptr<const RegDocument> cached_;
  FileStamp stamp_;              // of the store file, or of the seed when cachedFromSeed_
  bool cachedFromSeed_ = false;  // a store file that appears later is read, not the cache
};

class MemoryRegistryStore final : public RegistryStore {
 public:
  String Name() const override { return "(in-memory registry)"; }
  std::shared_ptr<const RegDocument> Read() override { return doc_; }

  void Write(const Change& change) override {
    auto next = std::make_shared<RegDocument>(*doc_);
    if (change(*next)) doc_ = std::move(next);
  }

 private:
  std::shared_ptr<const RegDocument> doc_ = std::make_shared<RegDocument>();
};

}  // namespace

std::shared_ptr<RegistryStore> MakeFileRegistryStore(const String& path, const String& seed) {
  return std::make_shared<FileRegistryStore>(path, seed);
}

std::shared_ptr<RegistryStore> MakeMemoryRegistryStore() {
  return std::make_shared<MemoryRegistryStore>();
}

}  // namespace velko
