// The checks of a test sequence: its shape, the plug-ins and tests it names, unique element IDs,
// and, on the loaded tree, every limit against what its test measures.
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "checked_file.hpp"
#include "document_shapes.hpp"
#include "sequence_tree_checks.hpp"
#include "velko/core/error_module.hpp"
#include "velko/frame/text.hpp"
#include "velko/host/checks/document_checks.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/outside/progress_log.hpp"

namespace velko::host {
namespace checks {

// Every "TestElement" at or below `root` in document order.
std::vector<pugi::xml_node> TestElementsBelow(pugi::xml_node root) {
  std::vector<pugi::xml_node> found;
  std::vector<pugi::xml_node> pending{root};
  while (!pending.empty()) {
    const pugi::xml_node element = pending.back();
    pending.pop_back();
    found.push_back(element);
    const std::vector<pugi::xml_node> children = ChildrenTagged(element, "TestElement");
    pending.insert(pending.end(), children.rbegin(), children.rend());
  }
  return found;
}

// Every element whose plug-in is not registered or does not offer its test: the library would
// skip such an element silently, with everything below it. True when there was one.
bool CheckPlugIns(const std::vector<pugi::xml_node>& elements, const Ref<IPlugInManager>& manager,
                  ProblemSink& sink) {
  bool found = false;
  for (const pugi::xml_node element : elements) {
    const pugi::xml_node plugIn = element.child("PlugIn");
    const String name = plugIn.attribute("Name").value();
    const String testText = plugIn.attribute("TestID").value();
    const std::optional<Long> testId = LenientLong(testText);
    if (!testId) continue;  // the shape check reports the number
    if (const std::optional<String> problem = PlugInTestProblem(manager, name, *testId)) {
      found = true;
      sink.Error(
          element, name + " " + testText, {},
          HostText("240::Plug-in \"%%1\" cannot create test %%2: %%3", name, testText, *problem));
    }
  }
  return found;
}

// Element IDs as the loader reads them: two elements reading as the same ID make results and
// references name the wrong element.
void CheckUniqueIds(const std::vector<pugi::xml_node>& elements, ProblemSink& sink) {
  std::unordered_map<Long, pugi::xml_node> first;
  for (const pugi::xml_node element : elements) {
    const String text = element.attribute("ID").value();
    const std::optional<Long> id = LenientLong(text);
    if (!id || text.empty()) continue;
    const auto [at, added] = first.emplace(*id, element);
    if (added) continue;
    sink.Error(element, text, HostText("241::an ID that no other element has"),
               HostText("242::Element ID %%1 is given twice (first on line %%2): results and "
                        "references may name the wrong element.",
                        std::to_string(*id), std::to_string(sink.Xml().LineOf(at->second))));
  }
}

// A standard given twice for one element (names compared as the collection does, ignoring case):
// the loader keeps the first and drops the second.
void CheckUniqueStandards(const std::vector<pugi::xml_node>& elements, ProblemSink& sink) {
  for (const pugi::xml_node element : elements) {
    std::unordered_set<String> seen;
    const pugi::xml_node standards = element.child("ExpectedResult").child("Standards");
    for (const pugi::xml_node standard : standards.children("Standard")) {
      const String alpha = standard.attribute("AlphaName").value();
      const String complete = standard.attribute("CompleteName").value();
      if (seen.insert(FoldCase(alpha + "::" + complete)).second) continue;
      sink.Error(standard, alpha + " / " + complete, {},
                 HostText("243::Standard %%1 / %%2 is given twice for this element: the second "
                          "one is dropped.",
                          alpha, complete));
    }
  }
}

}  // namespace checks

using checks::ProblemSink;

CheckedSequence CheckSequenceFile(const String& path, const CheckContext& context) {
  CheckedSequence checked{{}, FileProblems(path), {}};
  std::optional<checks::CheckedFile> file = checks::OpenCheckedFile(path, checked.problems);
  if (!file) return checked;
  ProblemSink sink(*file->xml, checked.problems);
  const pugi::xml_node root = file->xml->Root();
  if (!checks::RootIs(root, "TestElement",
                      "244::The file holds no test sequence: its root element is <%%1>.", sink))
    return checked;
  checks::CheckShapes(root, sink);
  const std::vector<pugi::xml_node> elements = checks::TestElementsBelow(root);
  checks::CheckUniqueIds(elements, sink);
  checks::CheckUniqueStandards(elements, sink);
  if (checks::CheckPlugIns(elements, context.manager, sink)) return checked;

  auto log = MakeRef<CollectingLog>();
  try {
    checked.tree = LoadSequence(file->source.root, log);
  } catch (const Error& e) {
    checks::AddLoadFailure(e, root, sink);
  }
  checks::AddLogProblems(*log, false, sink);
  if (checked.tree.Root()) checks::CheckTree(root, checked.tree, sink, checked.lines);
  return checked;
}

}  // namespace velko::host
