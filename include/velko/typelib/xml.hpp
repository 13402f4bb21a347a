// The XML document service: every document the library reads or writes passes through these
// interfaces. Strings are UTF-8; "none" is an empty Ref.
#pragma once

#include "velko/frame/guid.hpp"
#include "velko/frame/variant.hpp"

namespace velko {

class IXmlElement;
class IXmlDataNode;

// The common node type: elements and character-data nodes.
class IXmlNode : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IXmlNode, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E01}");
};

// The child nodes of an element, in document order; indexes run from 0 to NodeCount - 1.
class IXmlElementList : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IXmlElementList, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E02}");
  virtual Ref<IXmlNode> NodeAt(Long index) = 0;  // none outside the range
  virtual Long NodeCount() = 0;
};

class IXmlElement : public virtual IXmlNode {
 public:
  VELKO_INTERFACE(IXmlElement, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E03}");
  virtual String TagName() = 0;
  virtual void SetTagName(const String& tag) = 0;
  // The attribute's value; "" when it is missing.
  virtual String GetAttribute(const String& name) = 0;
  virtual void SetAttribute(const String& name, const String& value) = 0;
  virtual Ref<IXmlElementList> ChildNodes() = 0;
  // Appends the node as last child; a node that already has a parent is moved.
  virtual void AppendChild(const Ref<IXmlNode>& node) = 0;
  virtual String ElementText() = 0;
  virtual void SetElementText(const String& text) = 0;
  virtual Ref<IXmlElement> AddTextElement(const String& tag, const String& text) = 0;
  // The first child element with that tag, or none; `start` is always 0 in the library.
  virtual Ref<IXmlElement> FindChild(const String& tag, Long start = 0) = 0;
};

// A character-data node: its text is kept unchanged, markup included.
class IXmlDataNode : public virtual IXmlNode {
 public:
  VELKO_INTERFACE(IXmlDataNode, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E04}");
  virtual String NodeData() = 0;
};

class IXmlDocument : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IXmlDocument, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E05}");
  // A new element, not yet in any tree; none makes the caller write nothing.
  virtual Ref<IXmlElement> CreateElement(const String& tag) = 0;
  virtual Ref<IXmlDataNode> CreateDataNode(const String& text) = 0;
  // The root element, or none for an empty document.
  virtual Ref<IXmlElement> DocumentElement() = 0;
  // Makes the element (created on this document) the root, replacing any earlier root.
  virtual void SetDocumentElement(const Ref<IXmlElement>& root) = 0;
};

// An XML file: opens and saves a document in UTF-8. No DTD is processed and no entity is
// expanded; a malformed file is an error that names the file and the line.
class IXmlFile : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IXmlFile, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E06}");
  virtual Ref<IXmlDocument> Document() = 0;
  virtual void Open(const String& path) = 0;
  virtual void Save(const String& path) = 0;
  virtual void LoadFromText(const String& xml) = 0;
  virtual String SaveToText() = 0;
};

}  // namespace velko
