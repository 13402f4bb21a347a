// A file's XML read once more, with the line of every element: the library's XML service keeps
// no positions, and a person correcting a file needs the line.
#pragma once

#include <pugixml.hpp>
#include <vector>

#include "velko/frame/types.hpp"

namespace velko::host::checks {

class LocatedXml {
 public:
  // Parses `text` (the file's bytes). Lines are known for UTF-8 files (the files this system
  // writes); for other encodings every line is 0.
  explicit LocatedXml(const String& text);

  bool Parsed() const { return parsed_; }
  pugi::xml_node Root() const { return document_.document_element(); }
  // The 1-based line on which the node starts; 0 when not known.
  Long LineOf(pugi::xml_node node) const;

 private:
  pugi::xml_document document_;
  std::vector<std::ptrdiff_t> lineStarts_;  // offsets at which lines 2, 3, ... begin
  bool parsed_ = false;
  bool located_ = false;
};

// The text of an attribute or of an element, as pugixml holds it.
inline String TextOf(pugi::xml_attribute attribute) {
  return attribute.value();
}
inline String TextOf(pugi::xml_node element) {
  return element.text().get();
}

}  // namespace velko::host::checks
