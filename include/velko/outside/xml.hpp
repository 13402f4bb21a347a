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

// For the loaders' walks (ForEachChildElement): calls `visit(context, child)` for each element
// child of `parent` in document order, exactly as walking its ChildNodes list would (a change of
// the document made during the walk is seen the same way), until `visit` returns false; without
// the list and its node objects. Returns false, visiting nothing, when `parent` is none or not
// an element of this XML service.
using ChildElementVisitor = bool (*)(void* context, const Ref<IXmlElement>& child);
bool VisitChildElements(const Ref<IXmlElement>& parent, ChildElementVisitor visit, void* context);

}  // namespace velko
