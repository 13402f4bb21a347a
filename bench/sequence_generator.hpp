// Realistic test sequences for the benchmarks, written as the definition and the result
// documents that the library reads.
//
// A sequence is a root group holding groups of ten test steps. Each step has info (name, type,
// parameter and a procedure), a filter with two activities, limits of two standards with three
// limits each (one limit in ten is relative to a measurement of another step somewhere in the
// sequence) and a result with three measurements. Every element names the benchmark plug-in
// "Bench0", which creates it through the plug-in manager.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace velko::bench {

struct GeneratedSequence {
  std::filesystem::path definitionPath;
  std::filesystem::path resultsPath;
  int steps = 0;           // leaves
  int groups = 0;          // containers below the root
  int limits = 0;          // limits of all steps
  int relativeLimits = 0;  // limits whose bounds come from another step's measurement
  std::size_t definitionBytes = 0;
  std::size_t resultsBytes = 0;
};

// The plug-in ID and the first group test number that the documents use.
inline constexpr const char* kSequencePlugIn = "Bench0";

// Writes "<steps>-definition.xml" and "<steps>-results.xml" into `folder`. `steps` is rounded up
// to whole groups of ten.
GeneratedSequence WriteSequence(const std::filesystem::path& folder, int steps);

}  // namespace velko::bench
