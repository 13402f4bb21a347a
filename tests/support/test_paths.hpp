// Where the test suites find their fixtures and the shipped data.
#pragma once

#include <string>

namespace velko::test {

// tests/data/<name>
std::string TestDataPath(const std::string& name);
// data/<name> of the source tree (catalogues, default registry, samples)
std::string SourceDataPath(const std::string& name);
// A fresh, empty folder below the system's temporary folder, removed by the caller.
std::string MakeTempDir(const std::string& prefix);

// A fresh folder for the life of the object (MakeTempDir), removed with everything in it.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "velko-test-");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The bytes of a file (a failure of the test when it cannot be read) and writing them.
std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);

}  // namespace velko::test
