// Where the checks put what they find: a problem at an element of a located file.
#pragma once

#include "located_xml.hpp"
#include "velko/host/checks/problem.hpp"

namespace velko::host::checks {

class ProblemSink {
 public:
  ProblemSink(const LocatedXml& xml, FileProblems& problems) : xml_(xml), problems_(problems) {}

  // A problem at `where` (its line and the ID of the test element it belongs to). Beyond the
  // listed problems only the count grows, so that a hostile file costs no more than its size.
  void Report(Severity severity, pugi::xml_node where, const String& found, const String& expected,
              const String& message);
  void Error(pugi::xml_node where, const String& found, const String& expected,
             const String& message) {
    Report(Severity::kError, where, found, expected, message);
  }
  void Warning(pugi::xml_node where, const String& found, const String& expected,
               const String& message) {
    Report(Severity::kWarning, where, found, expected, message);
  }
  // Whether a new problem would still be listed (callers may skip building its texts).
  bool Listing() const { return problems_.Listed().size() < kMaxListedProblems; }

  const LocatedXml& Xml() const { return xml_; }
  FileProblems& Problems() { return problems_; }

 private:
  const LocatedXml& xml_;
  FileProblems& problems_;
};

// The ID of the test element that `node` is or belongs to (its nearest "TestElement"); "" when
// it belongs to none.
String ElementIdOf(pugi::xml_node node);

// "A, B, C": words joined for a message.
String JoinedWords(const std::vector<String>& words);

}  // namespace velko::host::checks
