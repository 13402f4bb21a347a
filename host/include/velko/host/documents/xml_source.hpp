// An XML file opened for loading, kept together with its root element (the element lives in the
// file's document).
#pragma once

#include "velko/typelib/xml.hpp"

namespace velko::host {

struct XmlSource {
  Ref<IXmlFile> file;
  Ref<IXmlElement> root;
};

// Opens a file; a file that cannot be read or is not well-formed raises the XML service's error.
// A document without a root element raises 0x8004A2C8.
XmlSource OpenXml(const String& path);
// The same for a document held as text.
XmlSource XmlFromText(const String& text);

// Raises one of the errors that name a missing or wrong part of a document (0x8004A2C8,
// 0x8004A3C2) with the host as its source.
[[noreturn]] void RaiseMissingPart(Long number);

}  // namespace velko::host
