// Everything that happens before the first step of a run: the sequence and the setup opened,
// checked and loaded. A run may start only when nothing was found.
#pragma once

#include <optional>
#include <vector>

#include "velko/host/documents/sequence_document.hpp"
#include "velko/setup/test_setup.hpp"

namespace velko::host {

// What a run starts from.
struct RunInput {
  String sequence;              // the sequence file
  std::optional<String> setup;  // the setup file; none: an empty setup
  std::optional<String> fault;  // replaces the fault of the simulated device (in memory)
};

// The problems found in one file.
struct FileProblems {
  String file;
  std::vector<String> problems;
};

struct PreparedRun {
  SequenceTree tree;
  Ref<CTestSetup> setup;
  std::vector<FileProblems> problems;  // per file, in the order found; only files with problems

  bool Ready() const { return problems.empty() && tree.Root() && setup; }
};

// Opens the sequence, refuses elements whose plug-in or test does not exist (then nothing is
// loaded), loads the sequence and the setup with collecting logs, checks the standards the
// setup selects and that the station can sign the record (StationKeyProblems). A file that
// cannot be opened raises its error.
PreparedRun PrepareRun(const RunInput& input, const Ref<IPlugInManager>& manager);

}  // namespace velko::host
