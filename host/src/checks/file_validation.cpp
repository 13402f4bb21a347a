// Any file by its root element, and the record's own checks.
#include <cstring>

#include "checked_file.hpp"
#include "document_shapes.hpp"
#include "sequence_tree_checks.hpp"
#include "velko/host/checks/document_checks.hpp"
#include "velko/host/documents/test_record.hpp"
#include "velko/host/session/host_text.hpp"

namespace velko::host {
namespace {

// A record: its parts as written, the plug-ins its sequence names, everything its loading logs,
// and its sequence's limits against what the tests measure. The setup's required items and
// instruments were checked before the run that made it.
void CheckRecord(checks::CheckedFile& file, checks::ProblemSink& sink,
                 const CheckContext& context) {
  const pugi::xml_node root = file.xml->Root();
  checks::CheckShapes(root, sink);
  const pugi::xml_node sequence = root.child("Sequence").child("TestElement");
  if (sequence) {
    const std::vector<pugi::xml_node> elements = checks::TestElementsBelow(sequence);
    checks::CheckUniqueIds(elements, sink);
    if (checks::CheckPlugIns(elements, context.manager, sink)) return;
  }
  auto log = MakeRef<CollectingLog>();
  try {
    const LoadedRecord record = LoadRecord(file.source.root, log);
    std::unordered_map<const ITestElement*, Long> lines;
    checks::CheckTree(sequence, record.tree, sink, lines);
  } catch (const Error& e) {
    checks::AddLoadFailure(e, root, sink);
  }
  checks::AddLogProblems(*log, false, sink);
}

}  // namespace

FileProblems CheckFile(const String& path, const CheckContext& context) {
  FileProblems problems(path);
  std::optional<checks::CheckedFile> file = checks::OpenCheckedFile(path, problems);
  if (!file) return problems;
  const String tag = file->xml->Root().name();
  if (tag == "TestElement") {
    CheckedSequence sequence = CheckSequenceFile(path, context);
    const CheckedSetup empty = CheckSetupFile(std::nullopt, std::nullopt, context);
    CheckJudging(sequence, empty.setup);
    return std::move(sequence.problems);
  }
  if (tag == "Setup") return CheckSetupFile(path, std::nullopt, context).problems;
  checks::ProblemSink sink(*file->xml, problems);
  if (tag == "TestRecord") {
    CheckRecord(*file, sink, context);
  } else {
    sink.Error(file->xml->Root(), "<" + tag + ">", "<TestElement>, <Setup>, <TestRecord>",
               HostText("299::The file holds no test sequence, setup or record: its root element "
                        "is <%%1>.",
                        tag));
  }
  return problems;
}

}  // namespace velko::host
