// The checks of a sequence: of its elements as written, and of the loaded tree against what its
// tests measure (limit keys, units, bounds, relative limits).
#pragma once

#include <unordered_map>

#include "problem_sink.hpp"
#include "velko/host/documents/sequence_document.hpp"

namespace velko::host::checks {

// Every "TestElement" at or below `root` in document order.
std::vector<pugi::xml_node> TestElementsBelow(pugi::xml_node root);

// Every element whose plug-in is not registered or does not offer its test: the library would
// skip such an element silently, with everything below it. True when there was one.
bool CheckPlugIns(const std::vector<pugi::xml_node>& elements, const Ref<IPlugInManager>& manager,
                  ProblemSink& sink);

// Element IDs as the loader reads them: two elements reading as the same ID make results and
// references name the wrong element.
void CheckUniqueIds(const std::vector<pugi::xml_node>& elements, ProblemSink& sink);

// A standard given twice for one element: the loader keeps the first and drops the second.
void CheckUniqueStandards(const std::vector<pugi::xml_node>& elements, ProblemSink& sink);

// Pairs each loaded node with its "TestElement" below `root` (filling `lines`), then checks every
// limit of every node.
void CheckTree(pugi::xml_node root, const SequenceTree& tree, ProblemSink& sink,
               std::unordered_map<const ITestElement*, Long>& lines);

}  // namespace velko::host::checks
