// The figures of a benchmark run, written as the generated part of docs/performance.md.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "sequence_generator.hpp"

namespace velko::bench {

// One benchmark's mean CPU time per iteration.
struct Measured {
  double seconds = 0;
  long long iterations = 0;
};

// Bytes held by a loaded sequence beside those of pugixml's DOM of the same file.
struct MemoryFigures {
  int steps = 0;
  long long treeBytes = 0;      // the loaded tree, the XML document already released
  long long loadPeakBytes = 0;  // the most held during the load (tree, document and wrappers)
  long long domBytes = 0;       // pugixml's DOM of the definition file
};

struct RunFigures {
  std::map<std::string, Measured> runs;  // by benchmark name ("LoadDefinition/1000")
  std::vector<GeneratedSequence> sequences;
  std::vector<MemoryFigures> memory;
  long long peakRssKiB = 0;
  std::string command;
  // From a callgrind profile of one --instructions run: inclusive instructions by measured
  // operation ("LoadDefinition"), the steps of its sequence and the limit judgements it made.
  std::map<std::string, double> instructions;
  int instructionSteps = 0;
  long long instructionJudgements = 0;
};

// Reads callgrind_annotate's inclusive listing of an --instructions run into `figures`; a file
// that cannot be read leaves the instructions out of the report.
void ReadInstructionProfile(const std::filesystem::path& file, RunFigures& figures);

// Replaces the part of `file` between the markers "<!-- figures:begin -->" and
// "<!-- figures:end -->" with the figures (creating the file, or appending the part, when there
// is none); everything else in the file is kept. Returns false when a target is missed (each
// one is also named on stderr) or the file cannot be written.
bool WritePerformanceReport(const std::filesystem::path& file, const RunFigures& figures);

}  // namespace velko::bench
