#include "velko/host/documents/sequence_document.hpp"

#include <fmt/format.h>

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/translation.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/host/documents/xml_source.hpp"
#include "velko/host/session/messages.hpp"

namespace velko::host {
namespace {

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

// A sequence may give its names, test types and plain procedures as message keys of its plug-ins'
// catalogues ("600::Visual inspection"), as the shipped samples do, so that the record and the
// report of a run carry them in the run's language. Every other text stays exactly as written.
void TranslateKeyedTexts(const Ref<ITestElement>& root) {
  ForEachNode(root, [](const Ref<ITestElement>& node) {
    Quietly([&] {
      const Ref<IElementInfo> info = node->Info();
      if (!info) return;
      const String plugIn = node->PlugInID();
      info->SetName(TranslateIfMessageKey(plugIn, info->Name()));
      info->Initialize(TranslateIfMessageKey(plugIn, info->TestType()), info->TestParam());
      const auto procedure = QueryInterface<IElementInfo2>(info);
      if (procedure && procedure->ProcedureFormat() == kProcedurePlain)
        procedure->SetProcedure(TranslateIfMessageKey(plugIn, procedure->Procedure()));
    });
  });
}

}  // namespace

void ForEachNode(const Ref<ITestElement>& root,
                 const std::function<void(const Ref<ITestElement>&)>& visit) {
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

std::optional<String> PlugInTestProblem(const Ref<IPlugInManager>& manager, const String& name,
                                        Long testId) {
  if (name.empty()) return std::nullopt;  // the loader reports a missing plug-in name itself
  try {
    const Ref<IPlugIn> plugIn = manager->PlugIn(name);
    if (testId < 1) return std::nullopt;  // reported by the loader
    const Ref<ITestElement> probe = plugIn->CreateTestElement(testId);
    if (!probe) return String("the plug-in offers no such test");
    probe->Terminate();
  } catch (const Error& e) {
    return ErrorText(e);
  }
  return std::nullopt;
}

std::vector<String> CheckSequencePlugIns(const Ref<IXmlElement>& root,
                                         const Ref<IPlugInManager>& manager) {
  std::vector<String> problems;
  if (!root) return problems;
  for (const Ref<IXmlElement>& element : TestElementsOf(root)) {
    const Ref<IXmlElement> plugInRef = element->FindChild("PlugIn", 0);
    if (!plugInRef) continue;
    const String name = plugInRef->GetAttribute("Name");
    const Long testId = RoundToLong(ParseNumber(plugInRef->GetAttribute("TestID")));
    if (const std::optional<String> problem = PlugInTestProblem(manager, name, testId)) {
      problems.push_back(fmt::format("Test element {} (plug-in \"{}\", test {}): ",
                                     element->GetAttribute("ID"), name, testId) +
                         *problem);
    }
  }
  return problems;
}

SequenceTree LoadSequence(const Ref<IXmlElement>& root, const Ref<IProgressLog>& log) {
  if (root->TagName() != "TestElement") RaiseMissingPart(err::kElementWrongTag);
  SequenceTree tree(MakeRef<CTestContainer>());
  tree.Root()->Load(root, log);
  tree.Root()->UpdateReferences();
  TranslateKeyedTexts(tree.Root());
  return tree;
}

}  // namespace velko::host
