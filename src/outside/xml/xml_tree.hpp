// The XML service's objects over pugixml. Every wrapper holds a pugi node plus a shared owner of
// the document state, so that a node handed out keeps its document alive and no subtree is ever
// copied.
//
// pugixml cannot hold a node outside a tree, so elements that are created but not yet appended,
// and nodes that an operation takes out of the tree, live below a hidden "parking" element at
// the end of the document. Nothing is ever freed while the document lives: a wrapper can never
// point at released memory, whatever the caller does with the tree.
#pragma once

#include <cstdint>
#include <memory>
#include <pugixml.hpp>
#include <string_view>
#include <vector>

#include "velko/typelib/xml.hpp"

namespace velko::xml {

inline constexpr const char* kElementSource = "VelkoCore.XmlElement";
inline constexpr const char* kDocumentSource = "VelkoCore.XmlDocument";
inline constexpr const char* kFileSource = "VelkoCore.XmlFile";

struct DocState {
  pugi::xml_document doc;
  pugi::xml_node parking;     // created on first use; always the document's last child
  std::uint64_t version = 0;  // bumped by every change of structure (child lists rebuild)

  pugi::xml_node Parking();
  // The first top-level element that is not the parking element.
  pugi::xml_node Root() const;
  void Changed() { ++version; }
};
using DocPtr = std::shared_ptr<DocState>;

// What AppendChild needs from a node of ours, whatever interface it arrived through.
class NodeImpl {
 public:
  virtual ~NodeImpl() = default;
  virtual const DocPtr& Owner() const = 0;
  // Moves the node (a data node: its whole run of character data) to the end of `parent`;
  // false when `parent` lies inside the node.
  virtual bool MoveTo(pugi::xml_node parent) = 0;
};

// Character data: adjacent text and CDATA siblings form one data node (a text containing "]]>"
// is written as two CDATA sections and must read back as one text).
bool IsCharData(pugi::xml_node node);
// A run is a node of the child list unless it is made of whitespace-only text alone.
bool RunIsSignificant(pugi::xml_node first);
String RunText(pugi::xml_node first);

// The wrapper for a node of a child list or a tree walk (an element or a data run).
Ref<IXmlNode> WrapNode(const DocPtr& owner, pugi::xml_node node);
Ref<IXmlElement> WrapElement(const DocPtr& owner, pugi::xml_node node);

// A Name as XML allows it (ASCII rules; bytes of multi-byte UTF-8 characters are accepted).
bool IsXmlName(std::string_view name);
// Refuses (kXmlInvalidContent) a name XML cannot hold or a text with a NUL character.
void CheckName(std::string_view name, const char* source);
void CheckText(std::string_view text, const char* source);

// Raises `number` through the error module with `params`; when the catalogue has no text for
// it, the description is `fallback`, so that the message always says what went wrong.
[[noreturn]] void RaiseXmlError(Long number, const char* source, const VariantArray& params,
                                const String& fallback);

// The document object behind CreateXmlDocument, also used by the file object.
class XmlDocument final : public IXmlDocument {
 public:
  XmlDocument() : state_(std::make_shared<DocState>()) {}
  explicit XmlDocument(DocPtr state) : state_(std::move(state)) {}

  Ref<IXmlElement> CreateElement(const String& tag) override;
  Ref<IXmlDataNode> CreateDataNode(const String& text) override;
  Ref<IXmlElement> DocumentElement() override;
  void SetDocumentElement(const Ref<IXmlElement>& root) override;

  const DocPtr& State() const { return state_; }

 private:
  DocPtr state_;
};

// Parsing and writing, shared by the file object and ParseXmlDocument. `where` names the input
// in error messages (a file path, or "XML text").
DocPtr ParseBuffer(std::string_view bytes, const String& where, bool detectEncoding);
// The document as UTF-8 text with an XML declaration.
String Serialize(const DocState& state);

}  // namespace velko::xml
