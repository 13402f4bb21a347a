#include "support/test_paths.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace velko::test {

std::string TestDataPath(const std::string& name) {
  return std::string(VELKO_TEST_DATA_DIR) + "/" + name;
}

std::string SourceDataPath(const std::string& name) {
  return std::string(VELKO_SOURCE_DATA_DIR) + "/" + name;
}

std::string MakeTempDir(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

TempDir::TempDir(const std::string& prefix) : path_(MakeTempDir(prefix)) {}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in) ADD_FAILURE() << "cannot read " << path;
  return text.str();
}

void WriteFileText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

}  // namespace velko::test
