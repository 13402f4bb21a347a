#include "checked_file.hpp"

#include <cstring>
#include <fstream>
#include <sstream>

#include "velko/frame/numeric.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/host/session/messages.hpp"

namespace velko::host::checks {

std::optional<CheckedFile> OpenCheckedFile(const String& path, FileProblems& problems) {
  CheckedFile file;
  try {
    file.source = OpenXml(path);
  } catch (const Error& e) {
    problems.AddUnreadable(ErrorText(e));
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  file.xml = std::make_unique<LocatedXml>(text.str());
  if (!in || !file.xml->Parsed()) {
    problems.AddUnreadable(path);
    return std::nullopt;
  }
  return file;
}

void AddLogProblems(const CollectingLog& log, bool withoutPlugIns, ProblemSink& sink) {
  const std::vector<String> lines = LogProblems(log);
  for (std::size_t i = 0; i < log.Entries().size() && i < lines.size(); ++i) {
    const LogSection* section = log.Section(log.Entries()[i].section);
    if (withoutPlugIns && section && !section->plugInId.empty()) continue;
    sink.Error(pugi::xml_node(), {}, {}, lines[i]);
  }
}

bool RootIs(pugi::xml_node root, const char* tag, const String& keyedMessage, ProblemSink& sink) {
  if (std::strcmp(root.name(), tag) == 0) return true;
  sink.Error(root, String("<") + root.name() + ">", String("<") + tag + ">",
             HostText(keyedMessage, String(root.name())));
  return false;
}

void AddLoadFailure(const Error& error, pugi::xml_node where, ProblemSink& sink) {
  sink.Error(where, {}, {}, ErrorText(error));
}

std::optional<Long> LenientLong(const String& text) {
  try {
    return RoundToLong(ParseNumber(text));
  } catch (const Error&) {
    return std::nullopt;
  }
}

std::vector<pugi::xml_node> ChildrenTagged(pugi::xml_node parent, const char* tag) {
  std::vector<pugi::xml_node> children;
  for (pugi::xml_node child : parent.children(tag))
    children.push_back(child);
  return children;
}

}  // namespace velko::host::checks
