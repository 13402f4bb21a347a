// Everything that happens before the first step of a run: the sequence and the setup opened,
// checked and loaded. A run may start only when the checks found no error.
#pragma once

#include <optional>
#include <vector>

#include "velko/host/checks/document_checks.hpp"
#include "velko/host/documents/sequence_document.hpp"
#include "velko/setup/test_setup.hpp"

namespace velko::host {

// What a run starts from.
struct RunInput {
  String sequence;              // the sequence file
  std::optional<String> setup;  // the setup file; none: an empty setup
  std::optional<String> fault;  // replaces the fault of the simulated device (in memory)
  bool strict = false;          // warnings count as errors
};

struct PreparedRun {
  SequenceTree tree;
  Ref<CTestSetup> setup;
  std::vector<FileProblems> problems;  // per file (sequence, then setup); only files with any

  // No error in any file (warnings allowed, unless strict), and both loaded.
  bool Ready() const;
};

// Checks the sequence and the setup (every check of document_checks.hpp, with each other too) and
// loads them, and that the station can sign the record (StationKeyProblems). Nothing may run
// when an error was found; warnings are for the person to see.
PreparedRun PrepareRun(const RunInput& input, const Ref<IPlugInManager>& manager);

}  // namespace velko::host
