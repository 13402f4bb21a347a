// The checks of the files a run starts from, before anything is performed: a test sequence, a
// setup, a record. They are a layer over the library's lenient loaders, which stay as they are
// (stored files and plug-ins rely on them): what those would read differently from what a person
// reads, skip, or never judge is a problem here, with its line, its element and the text found.
#pragma once

#include <chrono>
#include <optional>
#include <unordered_map>

#include "velko/host/checks/problem.hpp"
#include "velko/host/documents/sequence_document.hpp"
#include "velko/setup/test_setup.hpp"

namespace velko::host {

// What the checks need beyond the files.
struct CheckContext {
  Ref<IPlugInManager> manager;
  std::chrono::sys_days today = std::chrono::floor<std::chrono::days>(
      std::chrono::system_clock::now());  // for the instruments' calibration dates
};

// A sequence file checked and, where it could be, loaded (references resolved).
struct CheckedSequence {
  SequenceTree tree;  // none when the file cannot be loaded without losing elements
  FileProblems problems;
  std::unordered_map<const ITestElement*, Long> lines;  // the line of each loaded node
};

// A setup file checked and loaded; no file: an empty setup.
struct CheckedSetup {
  Ref<CTestSetup> setup;  // none when it cannot be loaded
  FileProblems problems;
};

CheckedSequence CheckSequenceFile(const String& path, const CheckContext& context);
// `fault` replaces the simulated device's fault in the loaded setup (not in the file checked).
CheckedSetup CheckSetupFile(const std::optional<String>& path, const std::optional<String>& fault,
                            const CheckContext& context);

// The checks of a sequence with the setup it runs with, into the sequence's problems: every
// measurement of a step that runs has a limit among the standards that judge it, and every
// relative limit's reference runs too.
void CheckJudging(CheckedSequence& sequence, const Ref<CTestSetup>& setup);

// Any file by its root element: a sequence ("TestElement", judged as with an empty setup), a
// setup ("Setup") or a record ("TestRecord").
FileProblems CheckFile(const String& path, const CheckContext& context);

}  // namespace velko::host
