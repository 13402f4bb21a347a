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

}  // namespace velko::test
