// A whole test record for the reliability suites: the sample sequence loaded through the plug-in
// manager with the simulator plug-in (registered into an in-memory registry), performed against
// a full sample setup, with its test status. Saving it and loading it back are what the suites
// put under faults.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "velko/core/error_module.hpp"
#include "velko/core/gtranslate.hpp"
#include "velko/core/initialize.hpp"
#include "velko/frame/runtime.hpp"
#include "velko/outside/progress_log.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/user_interface.hpp"
#include "velko/outside/xml.hpp"
#include "velko/sequence/test_container.hpp"
#include "velko/setup/test_setup.hpp"
#include "velko/velko.hpp"

namespace velko::test {

inline const String kSimulatorLibrary = VELKO_SIMULATOR_PATH;
inline const String kSamplesDir = VELKO_SOURCE_DATA_DIR "/samples";
inline const String kReliabilityDataDir = VELKO_TEST_DATA_DIR "/reliability";

inline String ReadTextFile(const String& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in) ADD_FAILURE() << "cannot read " << path;
  return text.str();
}

// Every node of a tree, parents before children.
inline std::vector<Ref<ITestElement>> NodesOf(const Ref<ITestElement>& root) {
  std::vector<Ref<ITestElement>> nodes;
  std::vector<Ref<ITestElement>> pending{root};
  while (!pending.empty()) {
    Ref<ITestElement> node = pending.back();
    pending.pop_back();
    if (!node) continue;
    nodes.push_back(node);
    if (const auto container = QueryInterface<ITestContainer>(node)) {
      for (Long i = container->Count(); i >= 1; --i)
        pending.push_back(container->Item(i));
    }
  }
  return nodes;
}

// Breaks the parent-child cycles of a tree so that nothing leaks.
inline void TerminateTree(const Ref<ITestElement>& root) {
  if (!root) return;
  for (const auto& node : NodesOf(root))
    Quietly([&] { node->Terminate(); });
}

// The thread with the simulator registered into an in-memory registry, the core started and the
// plug-ins loaded; undone by the destructor.
class SimulatorCore {
 public:
  SimulatorCore() {
    GInitialize::Instance()->ShutDownCore();
    UseInMemoryRegistry();
    ui_ = MakeRef<HeadlessUserInterface>();
    UseUserInterface(ui_);
    RegisterServer(kSimulatorLibrary);
    GInitialize::Instance()->InitCore();
    GTranslate::Instance()->SelectLanguageSet("en");
    GInitialize::Instance()->PlugInManager()->Initialize(nullptr);
  }
  ~SimulatorCore() {
    GInitialize::Instance()->ShutDownCore();
    UseUserInterface(nullptr);
    UseDefaultRegistry();
  }
  SimulatorCore(const SimulatorCore&) = delete;
  SimulatorCore& operator=(const SimulatorCore&) = delete;

  const Ref<HeadlessUserInterface>& Ui() const { return ui_; }

 private:
  Ref<HeadlessUserInterface> ui_;
};

// The parts of a record: the sequence tree (terminated when the record goes) and the setup with
// its test status.
class TestRecord {
 public:
  TestRecord() : root_(MakeRef<CTestContainer>()), setup_(MakeRef<CTestSetup>()) {}
  ~TestRecord() { TerminateTree(root_); }
  TestRecord(const TestRecord&) = delete;
  TestRecord& operator=(const TestRecord&) = delete;

  const Ref<CTestContainer>& Root() const { return root_; }
  const Ref<CTestSetup>& Setup() const { return setup_; }

  // A new file holding the host's frame of a record ("TestRecord" with empty "Sequence" and
  // "Results"), so that every element a save creates comes from the library's writers.
  static Ref<IXmlFile> NewRecordFile() {
    const Ref<IXmlFile> file = CreateXmlFile();
    file->LoadFromText("<TestRecord><Sequence/><Results/></TestRecord>");
    return file;
  }

  // Writes definition, results, setup and test status into the frame of `document` (made by
  // NewRecordFile); an error of a writer leaves this function.
  void SaveInto(const Ref<IXmlDocument>& document) const {
    const Ref<IXmlElement> record = document->DocumentElement();
    const Ref<IXmlElement> definition = root_->Save(document, kSaveDefinition);
    const Ref<IXmlElement> results = root_->Save(document, kSaveResults);
    const Ref<IXmlElement> setup = setup_->Save(document);
    const Ref<IXmlElement> status = setup_->Status()->Save(document);
    AppendIfAny(record->FindChild("Sequence", 0), definition);
    AppendIfAny(record->FindChild("Results", 0), results);
    AppendIfAny(record, setup);
    AppendIfAny(record, status);
  }

  // The record written with a working document, as text.
  String Text() const {
    const Ref<IXmlFile> file = NewRecordFile();
    SaveInto(file->Document());
    return file->SaveToText();
  }

 private:
  static void AppendIfAny(const Ref<IXmlElement>& parent, const Ref<IXmlElement>& child) {
    if (parent && child) parent->AppendChild(child);
  }

  Ref<CTestContainer> root_;
  Ref<CTestSetup> setup_;
};

// Replaces the first `marker` in `text` by `replacement`; a test failure when it is missing.
inline String ReplaceFirst(String text, const String& marker, const String& replacement) {
  const auto at = text.find(marker);
  if (at == String::npos) {
    ADD_FAILURE() << "marker not found: " << marker;
    return text;
  }
  return text.replace(at, marker.size(), replacement);
}

// The sample sequence with a report filter (service record, service events) on the protective
// earth test and a rich-text procedure on the leakage test, so that every writer of a node has
// something to write.
inline String FullSequenceText() {
  String text = ReadTextFile(kSamplesDir + "/class1-bf-sequence.xml");
  text = ReplaceFirst(text, R"(<PlugIn Name="Simulator" TestID="200"/>)",
                      R"(<PlugIn Name="Simulator" TestID="200"/>
      <Filter><IncludeInReport/><ServiceRecord Options="3">SR-7</ServiceRecord>
        <ServiceEvents><Activity Type="Inspection" Event="Annual"/><Activity Type="Repair"/>
        </ServiceEvents></Filter>)");
  text = ReplaceFirst(text, "<Name>609::Equipment leakage current, alternative method</Name>",
                      "<Name>609::Equipment leakage current, alternative method</Name>"
                      R"(<Procedure Format="1"><![CDATA[{\rtf1 Measure {\b with} the mains )"
                      R"(reversed.}]]></Procedure>)");
  return text;
}

// The healthy sample setup made read-only, with selected service events, document links and
// instrument data of its own.
inline String FullSetupText() {
  String text = ReadTextFile(kSamplesDir + "/healthy-setup.xml");
  text = ReplaceFirst(text, "<Setup>",
                      R"(<Setup ReadOnly="True"><ServiceEvents><Activity Type="Inspection" )"
                      R"(Event="Annual"/></ServiceEvents>)");
  text = ReplaceFirst(text, "</DUT>",
                      R"(</DUT><Links><Item Name="Manual" Ord="1">manual.pdf</Item>)"
                      R"(<Item Name="Photo">pump.jpg</Item></Links>)");
  text = ReplaceFirst(text, "<Version>1.2.0</Version>",
                      R"(<Version>1.2.0</Version><PlugInData><Item Name="Probe">P-3</Item>)"
                      R"(</PlugInData>)");
  return text;
}

inline Ref<IXmlElement> RootOf(const Ref<IXmlFile>& file) {
  return file->Document()->DocumentElement();
}

inline Ref<IXmlFile> XmlFromText(const String& text) {
  const Ref<IXmlFile> file = CreateXmlFile();
  file->LoadFromText(text);
  return file;
}

// Loads the full sequence and setup into `record` (problems go to `log`), performs every
// applicable step against the setup and registers it, and judges the run.
inline void BuildPerformedRecord(TestRecord& record, const Ref<IProgressLog>& log) {
  const Ref<IXmlFile> sequence = XmlFromText(FullSequenceText());
  record.Root()->Load(RootOf(sequence), log);
  record.Root()->UpdateReferences();
  const Ref<IXmlFile> setup = XmlFromText(FullSetupText());
  record.Setup()->Load(RootOf(setup), log);
  std::vector<Ref<ITestElement>> nodes = NodesOf(record.Root());
  // Children before their container, as a run goes.
  for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
    if (SameObject(*it, record.Root()) || !record.Setup()->IsApplicable(*it)) continue;
    (*it)->Perform(record.Setup());
    record.Setup()->Register(*it);
  }
  Boolean aborted = false;
  record.Setup()->Status()->UpdateStatus(aborted);
}

}  // namespace velko::test
