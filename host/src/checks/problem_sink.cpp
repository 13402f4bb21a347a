#include "problem_sink.hpp"

#include <cstring>

namespace velko::host::checks {

void ProblemSink::Report(Severity severity, pugi::xml_node where, const String& found,
                         const String& expected, const String& message) {
  Problem problem{severity, {}, 0, {}, found, expected, message};
  if (Listing()) {
    problem.line = xml_.LineOf(where);
    problem.element = ElementIdOf(where);
  }
  problems_.Add(std::move(problem));
}

String ElementIdOf(pugi::xml_node node) {
  for (; node; node = node.parent()) {
    if (node.type() == pugi::node_element && std::strcmp(node.name(), "TestElement") == 0)
      return node.attribute("ID").value();
  }
  return {};
}

String JoinedWords(const std::vector<String>& words) {
  String text;
  for (const String& word : words)
    text += (text.empty() ? "" : ", ") + word;
  return text;
}

}  // namespace velko::host::checks
