#include "support/test_paths.hpp"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace velko::test {

std::string TestDataPath(const std::string& name) { return std::string(VELKO_TEST_DATA_DIR) + "/" + name; }

std::string SourceDataPath(const std::string& name) {
  return std::string(VELKO_SOURCE_DATA_DIR) + "/" + name;
}

std::string MakeTempDir(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

}  // namespace velko::test
