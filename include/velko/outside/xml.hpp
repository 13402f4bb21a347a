// The production XML service over pugixml: documents, files, and text round trips.
#pragma once

#include "velko/typelib/xml.hpp"

namespace velko {

// A new, empty document (the owner document for saving).
Ref<IXmlDocument> CreateXmlDocument();
// A new XML file object with an empty document.
Ref<IXmlFile> CreateXmlFile();
// Parses a document from text; malformed XML raises kXmlMalformed naming the line.
Ref<IXmlDocument> ParseXmlDocument(const String& xml);

}  // namespace velko
