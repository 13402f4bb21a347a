// The test record: one XML document that holds everything a report needs.
//
//   <TestRecord Format="1" ID="<record ID>">
//     <Run Tester="..." Station="..." Organisation="..."/>
//     <Sequence><TestElement ID="1">...the definition...</TestElement></Sequence>
//     <Results><ResultItem ElementID="1">...the results...</ResultItem></Results>
//     <Setup>...the test setup...</Setup>
//     <TestData><Status>Passed</Status><Date .../></TestData>
//   </TestRecord>
#pragma once

#include "velko/host/documents/sequence_document.hpp"
#include "velko/setup/test_setup.hpp"

namespace velko::host {

// Who and what made a record. Records written before these existed load with them empty.
struct RecordHeader {
  String id;            // unique: a random UUID made when the run is prepared
  String tester;        // the person who performed the test
  String station;       // the test station (this machine's name)
  String organisation;  // the testing organisation
};

// A new record ID: a random UUID (version 4), "0f8e6c1a-...".
String NewRecordId();
// The name of this machine, as the station that made a record.
String StationName();

// The record of a finished run, as XML text.
String RecordText(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                  const RecordHeader& header);

// A record loaded back: the sequence with its results, the setup with its test status.
struct LoadedRecord {
  SequenceTree tree;
  Ref<CTestSetup> setup;
  RecordHeader header;
};

// The sequence definition inside a record; none when it has none.
Ref<IXmlElement> RecordedSequence(const Ref<IXmlElement>& record);

// Loads a record ("TestRecord" root). A missing part raises 0x8004A2C8 (sequence, results) or
// 0x8004A3C2 (setup, test status).
LoadedRecord LoadRecord(const Ref<IXmlElement>& root, const Ref<IProgressLog>& log);

}  // namespace velko::host

namespace velko::host {

// A record file opened for printing: loaded only when every element's plug-in and test exist,
// with every problem that the check or the load found.
struct OpenedRecord {
  LoadedRecord record;
  std::vector<String> problems;

  bool Ready() const { return problems.empty() && record.tree.Root() && record.setup; }
};
// A file that cannot be opened or is no record raises its error.
OpenedRecord OpenRecord(const String& path, const Ref<IPlugInManager>& manager);
// The same for a record held as text (an archived one).
OpenedRecord OpenRecordText(const String& text, const Ref<IPlugInManager>& manager);

}  // namespace velko::host
