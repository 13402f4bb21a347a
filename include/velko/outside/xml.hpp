// The production XML service over pugixml: documents, files, and text round trips.
#pragma once

#include <initializer_list>
#include <string_view>

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

// For the loaders: an element's tag name, an attribute's value (empty when absent) and its text,
// as TagName, GetAttribute and ElementText give them but without a copy. For an element of this
// XML service the view points into the document and is valid until the document changes; for
// any other element the interface's answer is kept in `storage` and the view points there. A
// none element raises error 91, as any use of a none reference does. A view that is kept goes
// through a String of its own (`member = String(view)`): assigning the view to a string would
// size its buffer by growth instead of exactly.
std::string_view TagNameView(const Ref<IXmlElement>& element, String& storage);
std::string_view AttributeView(const Ref<IXmlElement>& element, const char* name, String& storage);
std::string_view ElementTextView(const Ref<IXmlElement>& element, String& storage);

// For the savers: what `parent->AddTextElement(tag, text)` and then SetAttribute for each of
// `attributes` in turn do (the same checks, errors and document), without handing out the new
// element, which for an element of this XML service then needs no object of its own. An element
// of another implementation goes through its interface; when its AddTextElement gives none, no
// attribute is set.
struct XmlAttributeText {
  const char* name;
  std::string_view value;
};
void AppendTextChild(const Ref<IXmlElement>& parent, const char* tag, std::string_view text,
                     std::initializer_list<XmlAttributeText> attributes = {});

// Whether `element`'s ChildNodes list would hold any node, without making the list.
bool HasChildNodes(const Ref<IXmlElement>& element);

// Whether `element` has the tag name `tag`.
inline bool HasTagName(const Ref<IXmlElement>& element, std::string_view tag) {
  String storage;
  return TagNameView(element, storage) == tag;
}

}  // namespace velko
