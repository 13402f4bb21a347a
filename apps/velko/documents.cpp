#include "documents.hpp"

#include <fmt/format.h>

#include <utility>

namespace velko::host {
namespace {

constexpr const char* kSimulatorId = "Simulator";

// Calls `visit` for `root` and every node below it, parents before children.
template <class F>
void ForEachNode(const Ref<ITestElement>& root, F&& visit) {
  std::vector<Ref<ITestElement>> pending{root};
  while (!pending.empty()) {
    Ref<ITestElement> node = pending.back();
    pending.pop_back();
    if (!node) continue;
    visit(node);
    if (const auto container = QueryInterface<ITestContainer>(node)) {
      for (Long i = container->Count(); i >= 1; --i)
        pending.push_back(container->Item(i));
    }
  }
}

// Every "TestElement" element at or below `root`, in document order.
std::vector<Ref<IXmlElement>> TestElementsOf(const Ref<IXmlElement>& root) {
  std::vector<Ref<IXmlElement>> found;
  std::vector<Ref<IXmlElement>> pending{root};
  while (!pending.empty()) {
    Ref<IXmlElement> element = pending.back();
    pending.pop_back();
    if (element->TagName() != "TestElement") continue;
    found.push_back(element);
    std::vector<Ref<IXmlElement>> children;
    ForEachChildElement(element, [&](const Ref<IXmlElement>& child) {
      if (child->TagName() == "TestElement") children.push_back(child);
    });
    pending.insert(pending.end(), children.rbegin(), children.rend());
  }
  return found;
}

[[noreturn]] void RaiseMissingPart(Long number) {
  RaiseError(number, kHostSource, kLevelFatal);
}

Ref<IXmlElement> RequiredChild(const Ref<IXmlElement>& parent, const String& tag, Long number) {
  Ref<IXmlElement> child = parent->FindChild(tag, 0);
  if (!child) RaiseMissingPart(number);
  return child;
}

Ref<IXmlElement> SimulatorData(const Ref<IXmlElement>& setup) {
  Ref<IXmlElement> found;
  ForEachChildElement(setup, [&](const Ref<IXmlElement>& child) {
    if (child->TagName() == "PlugInData" && child->GetAttribute("PlugIn") == kSimulatorId) {
      found = child;
      return false;
    }
    return true;
  });
  return found;
}

}  // namespace

XmlSource OpenXml(const String& path) {
  XmlSource source{CreateXmlFile(), nullptr};
  source.file->Open(path);
  source.root = source.file->Document()->DocumentElement();
  if (!source.root) RaiseMissingPart(err::kElementWrongTag);
  return source;
}

SequenceTree::~SequenceTree() {
  if (!root_) return;
  std::vector<Ref<ITestElement>> nodes;
  ForEachNode(root_, [&](const Ref<ITestElement>& node) { nodes.push_back(node); });
  for (const auto& node : nodes)
    Quietly([&] { node->Terminate(); });
}

String SequenceTree::Name() const {
  return QuietlyOr(String(), [&] { return root_->Info()->Name(); });
}

std::vector<String> CheckSequencePlugIns(const Ref<IXmlElement>& root,
                                         const Ref<IPlugInManager>& manager) {
  std::vector<String> problems;
  if (!root) return problems;
  for (const Ref<IXmlElement>& element : TestElementsOf(root)) {
    const Ref<IXmlElement> plugInRef = element->FindChild("PlugIn", 0);
    if (!plugInRef) continue;  // the loader reports a missing plug-in name itself
    const String name = plugInRef->GetAttribute("Name");
    const Long testId = RoundToLong(ParseNumber(plugInRef->GetAttribute("TestID")));
    if (name.empty()) continue;
    const String context = fmt::format(
        "Test element {} (plug-in \"{}\", test {}): ", element->GetAttribute("ID"), name, testId);
    try {
      const Ref<IPlugIn> plugIn = manager->PlugIn(name);
      if (testId < 1) continue;  // reported by the loader
      const Ref<ITestElement> probe = plugIn->CreateTestElement(testId);
      if (probe) {
        probe->Terminate();
      } else {
        problems.push_back(context + "the plug-in offers no such test");
      }
    } catch (const Error& e) {
      problems.push_back(context + ErrorText(e));
    }
  }
  return problems;
}

SequenceTree LoadSequence(const Ref<IXmlElement>& root, const Ref<IProgressLog>& log) {
  if (root->TagName() != "TestElement") RaiseMissingPart(err::kElementWrongTag);
  SequenceTree tree(MakeRef<CTestContainer>());
  tree.Root()->Load(root, log);
  tree.Root()->UpdateReferences();
  return tree;
}

Ref<CTestSetup> LoadSetup(XmlSource source, const std::optional<String>& fault,
                          const Ref<IProgressLog>& log) {
  if (!source.file) {
    source.file = CreateXmlFile();
    source.file->LoadFromText("<Setup/>");
    source.root = source.file->Document()->DocumentElement();
  }
  if (source.root->TagName() != "Setup") RaiseMissingPart(err::kSetupLoad);
  if (fault) {
    Ref<IXmlElement> data = SimulatorData(source.root);
    if (!data) {
      data = source.file->Document()->CreateElement("PlugInData");
      data->SetAttribute("PlugIn", kSimulatorId);
      source.root->AppendChild(data);
    }
    data->SetAttribute("Fault", *fault);
  }
  auto setup = MakeRef<CTestSetup>();
  setup->Load(source.root, log);
  return setup;
}

namespace {

// Whether the registry's list of standards holds the standard (short name as the sub-key, the
// complete name as one of its values).
bool IsKnownStandard(const Ref<IRegistryKey>& list, const String& alphaName,
                     const String& completeName) {
  for (Long i = 1; i <= list->SubKeyCount(); ++i) {
    const Ref<IRegistryKey> entry = list->SubKey(i);
    if (!EqualsIgnoreCase(entry->KeyName(), alphaName)) continue;
    for (Long v = 1; v <= entry->ValueCount(); ++v) {
      if (EqualsIgnoreCase(entry->ValueName(v), completeName)) return true;
    }
  }
  return false;
}

}  // namespace

std::vector<String> CheckSelectedStandards(const Ref<CTestSetup>& setup) {
  std::vector<String> problems;
  const Ref<IStandardColl> selected = setup->SelectedStandards();
  if (!selected || selected->Count() == 0) return problems;
  try {
    const Ref<IRegistryKey> list = CreateRegistryKey();
    list->OpenKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathStandards));
    for (Long i = 1; i <= selected->Count(); ++i) {
      const Ref<IStandard> standard = selected->Item(i);
      if (IsKnownStandard(list, standard->AlphaName(), standard->CompleteName())) continue;
      try {
        RaiseError(err::kSelectionsUnknownStandard, kHostSource, kLevelItem);
      } catch (const Error& e) {
        problems.push_back(fmt::format("Standard \"{}\" / \"{}\": {}", standard->AlphaName(),
                                       standard->CompleteName(), ErrorText(e)));
      }
    }
  } catch (const Error& e) {
    problems.push_back(ErrorText(e));
  }
  return problems;
}

String RecordText(const SequenceTree& tree, const Ref<CTestSetup>& setup) {
  const Ref<IXmlFile> file = CreateXmlFile();
  const Ref<IXmlDocument> doc = file->Document();
  const Ref<IXmlElement> record = doc->CreateElement("TestRecord");
  record->SetAttribute("Format", "1");
  doc->SetDocumentElement(record);
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
  record.tree = SequenceTree(MakeRef<CTestContainer>());
  record.tree.Root()->Load(definition, log);
  record.tree.Root()->Load(results, log);
  record.tree.Root()->UpdateReferences();
  record.setup = MakeRef<CTestSetup>();
  record.setup->Load(setupElement, log);
  record.setup->Status()->Load(status);
  return record;
}

}  // namespace velko::host
