#include "velko/host/documents/test_record.hpp"

#include <fmt/format.h>
#include <unistd.h>

#include <array>
#include <fstream>

#include "velko/core/error_numbers.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/host/documents/xml_source.hpp"
#include "velko/host/session/messages.hpp"
#include "velko/outside/progress_log.hpp"
#include "velko/outside/xml.hpp"

namespace velko::host {
namespace {

Ref<IXmlElement> RequiredChild(const Ref<IXmlElement>& parent, const String& tag, Long number) {
  Ref<IXmlElement> child = parent->FindChild(tag, 0);
  if (!child) RaiseMissingPart(number);
  return child;
}

}  // namespace

String NewRecordId() {
  std::array<unsigned char, 16> bytes{};
  std::ifstream random("/dev/urandom", std::ios::binary);
  random.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
  if (!random) throw Error(75, kHostSource, "The system's random source cannot be read.");
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // the RFC 4122 variant
  String id;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) id += '-';
    id += fmt::format("{:02x}", bytes[i]);
  }
  return id;
}

String StationName() {
  std::array<char, 256> name{};
  if (::gethostname(name.data(), name.size() - 1) != 0) return "localhost";
  return String(name.data());
}

String RecordText(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                  const RecordHeader& header) {
  const Ref<IXmlFile> file = CreateXmlFile();
  const Ref<IXmlDocument> doc = file->Document();
  const Ref<IXmlElement> record = doc->CreateElement("TestRecord");
  record->SetAttribute("Format", "1");
  if (!header.id.empty()) record->SetAttribute("ID", header.id);
  doc->SetDocumentElement(record);
  const Ref<IXmlElement> run = AppendIfSome(record, doc->CreateElement("Run"));
  run->SetAttribute("Tester", header.tester);
  run->SetAttribute("Station", header.station);
  run->SetAttribute("Organisation", header.organisation);
  const Ref<IXmlElement> sequence = AppendIfSome(record, doc->CreateElement("Sequence"));
  AppendIfSome(sequence, tree.Root()->Save(doc, kSaveDefinition));
  const Ref<IXmlElement> results = AppendIfSome(record, doc->CreateElement("Results"));
  AppendIfSome(results, tree.Root()->Save(doc, kSaveResults));
  AppendIfSome(record, setup->Save(doc));
  AppendIfSome(record, setup->Status()->Save(doc));
  return file->SaveToText();
}

Ref<IXmlElement> RecordedSequence(const Ref<IXmlElement>& record) {
  const Ref<IXmlElement> sequence = record->FindChild("Sequence", 0);
  return sequence ? sequence->FindChild("TestElement", 0) : nullptr;
}

LoadedRecord LoadRecord(const Ref<IXmlElement>& root, const Ref<IProgressLog>& log) {
  if (root->TagName() != "TestRecord") RaiseMissingPart(err::kElementWrongTag);
  const Ref<IXmlElement> definition = RequiredChild(
      RequiredChild(root, "Sequence", err::kElementWrongTag), "TestElement", err::kElementWrongTag);
  const Ref<IXmlElement> results = RequiredChild(
      RequiredChild(root, "Results", err::kElementWrongTag), "ResultItem", err::kElementWrongTag);
  const Ref<IXmlElement> setupElement = RequiredChild(root, "Setup", err::kSetupLoad);
  const Ref<IXmlElement> status = RequiredChild(root, "TestData", err::kSetupLoad);

  LoadedRecord record;
  record.header.id = root->GetAttribute("ID");
  if (const Ref<IXmlElement> run = root->FindChild("Run", 0)) {
    record.header.tester = run->GetAttribute("Tester");
    record.header.station = run->GetAttribute("Station");
    record.header.organisation = run->GetAttribute("Organisation");
  }
  record.tree = SequenceTree(MakeRef<CTestContainer>());
  record.tree.Root()->Load(definition, log);
  record.tree.Root()->Load(results, log);
  record.tree.Root()->UpdateReferences();
  record.setup = MakeRef<CTestSetup>();
  record.setup->Load(setupElement, log);
  record.setup->Status()->Load(status);
  return record;
}

namespace {

OpenedRecord OpenedRecordOf(const XmlSource& file, const Ref<IPlugInManager>& manager) {
  OpenedRecord opened;
  opened.problems = CheckSequencePlugIns(RecordedSequence(file.root), manager);
  if (!opened.problems.empty()) return opened;
  auto log = MakeRef<CollectingLog>();
  opened.record = LoadRecord(file.root, log);
  opened.problems = LogProblems(*log);
  return opened;
}

}  // namespace

OpenedRecord OpenRecord(const String& path, const Ref<IPlugInManager>& manager) {
  return OpenedRecordOf(OpenXml(path), manager);
}

OpenedRecord OpenRecordText(const String& text, const Ref<IPlugInManager>& manager) {
  return OpenedRecordOf(XmlFromText(text), manager);
}

}  // namespace velko::host
