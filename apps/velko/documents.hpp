// The documents the host reads and writes: test sequences, test setups and test records.
//
// A test record is one XML document:
//
//   <TestRecord Format="1">
//     <Sequence><TestElement ID="1">...the definition...</TestElement></Sequence>
//     <Results><ResultItem ElementID="1">...the results...</ResultItem></Results>
//     <Setup>...the test setup...</Setup>
//     <TestData><Status>Passed</Status><Date .../></TestData>
//   </TestRecord>
#pragma once

#include <optional>
#include <vector>

#include "host.hpp"

namespace velko::host {

// An opened XML file and its root element (kept together: the element lives in the file's
// document).
struct XmlSource {
  Ref<IXmlFile> file;
  Ref<IXmlElement> root;
};
// Opens a file; a file that cannot be read or is not well-formed raises the XML service's error.
// A document without a root element raises 0x8004A2C8.
XmlSource OpenXml(const String& path);

// The tree of a test sequence; terminates every node when it goes.
class SequenceTree {
 public:
  SequenceTree() = default;
  explicit SequenceTree(Ref<CTestContainer> root) : root_(std::move(root)) {}
  ~SequenceTree();
  SequenceTree(SequenceTree&&) = default;
  SequenceTree& operator=(SequenceTree&&) = default;
  SequenceTree(const SequenceTree&) = delete;
  SequenceTree& operator=(const SequenceTree&) = delete;

  const Ref<CTestContainer>& Root() const { return root_; }
  // The name of the sequence (the root's info).
  String Name() const;

 private:
  Ref<CTestContainer> root_;
};

// Every "TestElement" of a sequence document (none: no problems) whose plug-in is not registered,
// or does not offer its test, as one problem each (the loader would skip such elements silently).
std::vector<String> CheckSequencePlugIns(const Ref<IXmlElement>& root,
                                         const Ref<IPlugInManager>& manager);

// Loads a sequence definition ("TestElement" root) into a new root container and resolves the
// references of its relative limits. Load problems go to `log`.
SequenceTree LoadSequence(const Ref<IXmlElement>& root, const Ref<IProgressLog>& log);

// Loads a test setup ("Setup" root; no file: an empty setup). `fault`, when given, replaces the
// fault in the simulator's device data (added when the setup has none); the change is made to the
// document in memory only.
Ref<CTestSetup> LoadSetup(XmlSource source, const std::optional<String>& fault,
                          const Ref<IProgressLog>& log);

// Every selected standard of the setup that the system's list of standards (registry) does not
// define, as one problem each.
std::vector<String> CheckSelectedStandards(const Ref<CTestSetup>& setup);

// The record of a finished run, as XML text.
String RecordText(const SequenceTree& tree, const Ref<CTestSetup>& setup);

// A record loaded back: the sequence with its results, the setup with its test status.
struct LoadedRecord {
  SequenceTree tree;
  Ref<CTestSetup> setup;
};
// The sequence definition inside a record; none when it has none.
Ref<IXmlElement> RecordedSequence(const Ref<IXmlElement>& record);
// Loads a record ("TestRecord" root). A missing part raises 0x8004A2C8 (sequence, results) or
// 0x8004A3C2 (setup, test status).
LoadedRecord LoadRecord(const Ref<IXmlElement>& root, const Ref<IProgressLog>& log);

}  // namespace velko::host
