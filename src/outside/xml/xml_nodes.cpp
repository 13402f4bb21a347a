// Elements, data nodes, child lists and the document object.
#include <array>
#include <new>
#include <typeinfo>

#include "outside/xml/xml_tree.hpp"
#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/outside/error_server.hpp"
#include "velko/outside/xml.hpp"

namespace velko::xml {
namespace {

bool IsBlankText(const char* text) {
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p != ' ' && *p != '\t' && *p != '\n' && *p != '\r') return false;
  }
  return true;
}

// What a byte may be in a name: every tag and attribute written is checked, so by table.
enum NameByte : unsigned char { kNotInName = 0, kNameStart = 1, kNameChar = 2 };

constexpr std::array<unsigned char, 256> MakeNameBytes() {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) {
    const bool start =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
    const bool inner = start || (c >= '0' && c <= '9') || c == '-' || c == '.';
    table[static_cast<std::size_t>(c)] = start ? (kNameStart | kNameChar) : inner ? kNameChar : 0;
  }
  return table;
}
constexpr std::array<unsigned char, 256> kNameBytes = MakeNameBytes();

// The owner of a node of ours, or null for a node of another implementation.
NodeImpl* ImplOf(const Ref<IXmlNode>& node);

// Refuses a node that another document created (or that is not one of ours at all).
NodeImpl& SameDocumentOrRaise(const Ref<IXmlNode>& node, const DocPtr& owner, const char* source) {
  if (!node) ThrowObjectNotSet();
  NodeImpl* impl = ImplOf(node);
  if (impl == nullptr || impl->Owner() != owner) {
    RaiseXmlError(err::kXmlWrongDocument, source, {},
                  "the XML node belongs to another document and cannot be inserted here");
  }
  return *impl;
}

// The nodes of a child list: elements, and one node per run of character data unless the run is
// whitespace-only text; at most `limit` of them.
void CollectChildNodes(pugi::xml_node parent, std::vector<pugi::xml_node>& nodes,
                       std::size_t limit = static_cast<std::size_t>(-1)) {
  nodes.clear();
  for (pugi::xml_node c = parent.first_child(); c && nodes.size() < limit;) {
    if (IsCharData(c)) {
      if (RunIsSignificant(c)) nodes.push_back(c);
      while (c && IsCharData(c))
        c = c.next_sibling();
      continue;
    }
    if (c.type() == pugi::node_element) nodes.push_back(c);
    c = c.next_sibling();
  }
}

class XmlElementList final : public IXmlElementList {
 public:
  XmlElementList(DocPtr owner, pugi::xml_node parent) : owner_(std::move(owner)), parent_(parent) {}

  Ref<IXmlNode> NodeAt(Long index) override {
    Refresh();
    if (index < 0 || static_cast<std::size_t>(index) >= nodes_.size()) return nullptr;
    return WrapNode(owner_, nodes_[static_cast<std::size_t>(index)]);
  }

  Long NodeCount() override {
    Refresh();
    return static_cast<Long>(nodes_.size());
  }

 private:
  // Built on first use and again whenever the document's structure changed since.
  void Refresh() {
    if (built_ && builtAt_ == owner_->version) return;
    CollectChildNodes(parent_, nodes_);
    built_ = true;
    builtAt_ = owner_->version;
  }

  DocPtr owner_;
  pugi::xml_node parent_;
  std::vector<pugi::xml_node> nodes_;
  bool built_ = false;
  std::uint64_t builtAt_ = 0;
};

// A data node of a child list stands for its whole run of character data; a node just made by
// CreateDataNode is one section of its own (new nodes wait side by side until appended).
class XmlDataNode final : public IXmlDataNode, public NodeImpl {
 public:
  XmlDataNode(DocPtr owner, pugi::xml_node first, bool wholeRun)
      : owner_(std::move(owner)), first_(first), wholeRun_(wholeRun) {}

  String NodeData() override { return wholeRun_ ? RunText(first_) : first_.value(); }

  const DocPtr& Owner() const override { return owner_; }

  bool MoveTo(pugi::xml_node parent) override {
    std::vector<pugi::xml_node> run{first_};
    if (wholeRun_) {
      for (pugi::xml_node n = first_.next_sibling(); n && IsCharData(n); n = n.next_sibling()) {
        run.push_back(n);
      }
    }
    for (pugi::xml_node n : run) {
      if (!parent.append_move(n)) return false;
    }
    return true;
  }

 private:
  DocPtr owner_;
  pugi::xml_node first_;
  bool wholeRun_;
};

class XmlElement final : public IXmlElement, public NodeImpl {
 public:
  XmlElement(DocPtr owner, pugi::xml_node node) : owner_(std::move(owner)), node_(node) {}

  String TagName() override { return node_.name(); }

  void SetTagName(const String& tag) override {
    CheckName(tag, kElementSource);
    if (!node_.set_name(tag.c_str())) throw std::bad_alloc();
  }

  String GetAttribute(const String& name) override { return node_.attribute(name.c_str()).value(); }

  void SetAttribute(const String& name, const String& value) override {
    SetAttributeOf(node_, name, value);
  }

  Ref<IXmlElementList> ChildNodes() override { return MakeRef<XmlElementList>(owner_, node_); }

  void AppendChild(const Ref<IXmlNode>& node) override {
    NodeImpl& impl = SameDocumentOrRaise(node, owner_, kElementSource);
    owner_->Changed();
    if (!impl.MoveTo(node_)) {
      RaiseXmlError(err::kXmlAppendLoop, kElementSource, {Variant(TagName())},
                    "an XML element cannot be appended to itself or to one of its own children");
    }
  }

  String ElementText() override {
    String text;
    const std::string_view view = TextView(text);
    if (view.data() != text.data()) return String(view);
    return text;
  }

  // The text in place when it is one piece of character data (nearly always), else assembled in
  // `storage`.
  std::string_view TextView(String& storage) const {
    pugi::xml_node first = node_.first_child();
    if (first && !first.next_sibling() && IsCharData(first)) return first.value();
    storage.clear();
    for (pugi::xml_node c = first; c; c = c.next_sibling()) {
      if (IsCharData(c)) storage += c.value();
    }
    return storage;
  }

  // Like the DOM's text content: the text replaces every child.
  void SetElementText(const String& text) override {
    CheckText(text, kElementSource);
    owner_->Changed();
    pugi::xml_node first = node_.first_child();
    if (first && !first.next_sibling() && first.type() == pugi::node_pcdata) {
      if (!first.set_value(text.c_str(), text.size())) throw std::bad_alloc();
      return;
    }
    pugi::xml_node parking = owner_->Parking();
    while (pugi::xml_node child = node_.first_child())
      parking.append_move(child);
    if (text.empty()) return;
    pugi::xml_node data = node_.append_child(pugi::node_pcdata);
    if (!data || !data.set_value(text.c_str(), text.size())) throw std::bad_alloc();
  }

  Ref<IXmlElement> AddTextElement(const String& tag, const String& text) override {
    return WrapElement(owner_, AppendTextNode(tag, text));
  }

  // AddTextElement's work, the new element left to the caller as a node. `tag` ends in a NUL.
  pugi::xml_node AppendTextNode(std::string_view tag, std::string_view text) {
    CheckName(tag, kElementSource);
    CheckText(text, kElementSource);
    owner_->Changed();
    pugi::xml_node child = node_.append_child(tag.data());
    if (!child) throw std::bad_alloc();
    if (!text.empty()) {
      pugi::xml_node data = child.append_child(pugi::node_pcdata);
      if (!data || !data.set_value(text.data(), text.size())) throw std::bad_alloc();
    }
    return child;
  }

  // SetAttribute's work on any element node of the document. `name` ends in a NUL.
  static void SetAttributeOf(pugi::xml_node node, std::string_view name, std::string_view value) {
    CheckText(value, kElementSource);
    pugi::xml_attribute attribute = node.attribute(name.data());
    if (!attribute) {
      CheckName(name, kElementSource);
      attribute = node.append_attribute(name.data());
      if (!attribute) throw std::bad_alloc();
    }
    if (!attribute.set_value(value.data(), value.size())) throw std::bad_alloc();
  }

  // `start` counts child nodes as ChildNodes lists them; the search begins there.
  Ref<IXmlElement> FindChild(const String& tag, Long start) override {
    if (start <= 0) {
      pugi::xml_node found = node_.child(tag.c_str());
      return found ? WrapElement(owner_, found) : nullptr;
    }
    Ref<IXmlElementList> list = ChildNodes();
    for (Long i = start, count = list->NodeCount(); i < count; ++i) {
      Ref<IXmlElement> element = QueryInterface<IXmlElement>(list->NodeAt(i));
      if (element && element->TagName() == tag) return element;
    }
    return nullptr;
  }

  const DocPtr& Owner() const override { return owner_; }

  // pugixml refuses (and leaves everything as it was) a move below the node's own subtree.
  bool MoveTo(pugi::xml_node parent) override {
    return static_cast<bool>(parent.append_move(node_));
  }

  pugi::xml_node Node() const { return node_; }
  // For a walk that hands out one wrapper after the other: only while nobody else holds it.
  void Repoint(pugi::xml_node node) { node_ = node; }

  // The wrapper the last walk over this element's children handed out, kept for the next walk
  // (which then makes none) because nobody else held it any more: an element of the same
  // document, of this class.
  Ref<IXmlElement> TakeSpareChild() { return std::move(spareChild_); }
  void KeepSpareChild(Ref<IXmlElement> child) { spareChild_ = std::move(child); }

 private:
  DocPtr owner_;
  pugi::xml_node node_;
  Ref<IXmlElement> spareChild_;
};

// The service's own element behind `element`, or null for an element of another implementation.
// XmlElement is final, so its exact type identifies it without the general cross-cast.
XmlElement* OwnElement(IXmlElement* element) {
  if (element == nullptr || typeid(*element) != typeid(XmlElement)) return nullptr;
  return static_cast<XmlElement*>(element);
}

NodeImpl* ImplOf(const Ref<IXmlNode>& node) {
  IXmlNode* const p = node.get();
  if (p == nullptr) return nullptr;
  // Both node classes of this service are final: the exact type finds the object without the
  // general cross-cast, which would otherwise be the dearest step of every append.
  void* const object = dynamic_cast<void*>(p);
  const std::type_info& type = typeid(*p);
  if (type == typeid(XmlElement)) return static_cast<XmlElement*>(object);
  if (type == typeid(XmlDataNode)) return static_cast<XmlDataNode*>(object);
  return dynamic_cast<NodeImpl*>(p);
}

}  // namespace

pugi::xml_node DocState::Parking() {
  if (!parking) {
    parking = doc.append_child("parking");
    if (!parking) throw std::bad_alloc();
  }
  return parking;
}

pugi::xml_node DocState::Root() const {
  for (pugi::xml_node c = doc.first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && c != parking) return c;
  }
  return {};
}

bool IsCharData(pugi::xml_node node) {
  const pugi::xml_node_type type = node.type();
  return type == pugi::node_pcdata || type == pugi::node_cdata;
}

bool RunIsSignificant(pugi::xml_node first) {
  for (pugi::xml_node n = first; n && IsCharData(n); n = n.next_sibling()) {
    if (n.type() == pugi::node_cdata || !IsBlankText(n.value())) return true;
  }
  return false;
}

String RunText(pugi::xml_node first) {
  pugi::xml_node next = first.next_sibling();
  if (!next || !IsCharData(next)) return first.value();
  String text;
  for (pugi::xml_node n = first; n && IsCharData(n); n = n.next_sibling())
    text += n.value();
  return text;
}

Ref<IXmlNode> WrapNode(const DocPtr& owner, pugi::xml_node node) {
  if (!node) return nullptr;
  if (node.type() == pugi::node_element) return MakeRef<XmlElement>(owner, node);
  if (IsCharData(node)) return MakeRef<XmlDataNode>(owner, node, true);
  return nullptr;
}

Ref<IXmlElement> WrapElement(const DocPtr& owner, pugi::xml_node node) {
  if (!node || node.type() != pugi::node_element) return nullptr;
  return MakeRef<XmlElement>(owner, node);
}

bool IsXmlName(std::string_view name) {
  if (name.empty() || !(kNameBytes[static_cast<unsigned char>(name.front())] & kNameStart)) {
    return false;
  }
  for (char c : name) {
    if (!(kNameBytes[static_cast<unsigned char>(c)] & kNameChar)) return false;
  }
  return true;
}

void CheckName(std::string_view name, const char* source) {
  if (IsXmlName(name)) return;
  RaiseXmlError(err::kXmlInvalidContent, source, {Variant(String(name))},
                "\"" + String(name) + "\" is not a valid XML name");
}

void CheckText(std::string_view text, const char* source) {
  if (text.find('\0') == std::string_view::npos) return;
  RaiseXmlError(err::kXmlInvalidContent, source, {Variant(String("NUL"))},
                "a text with a NUL character cannot be stored in XML");
}

void RaiseXmlError(Long number, const char* source, const VariantArray& params,
                   const String& fallback) {
  RaiseErrorOr(number, source, kLevelFatal, params, fallback);
}

Ref<IXmlElement> XmlDocument::CreateElement(const String& tag) {
  CheckName(tag, kDocumentSource);
  state_->Changed();
  pugi::xml_node node = state_->Parking().append_child(tag.c_str());
  if (!node) throw std::bad_alloc();
  return WrapElement(state_, node);
}

Ref<IXmlDataNode> XmlDocument::CreateDataNode(const String& text) {
  CheckText(text, kDocumentSource);
  state_->Changed();
  pugi::xml_node node = state_->Parking().append_child(pugi::node_cdata);
  if (!node || !node.set_value(text.c_str(), text.size())) throw std::bad_alloc();
  return MakeRef<XmlDataNode>(state_, node, false);
}

Ref<IXmlElement> XmlDocument::DocumentElement() {
  return WrapElement(state_, state_->Root());
}

void XmlDocument::SetDocumentElement(const Ref<IXmlElement>& root) {
  auto* element = dynamic_cast<XmlElement*>(&SameDocumentOrRaise(root, state_, kDocumentSource));
  if (element == nullptr) ThrowObjectNotSet();  // defensive: XmlElement is our only element
  const pugi::xml_node node = element->Node();
  const pugi::xml_node old = state_->Root();
  if (node == old) return;
  state_->Changed();
  pugi::xml_node parking = state_->Parking();
  // The new root leaves its place first: it may lie inside the old root.
  if (!state_->doc.insert_move_before(node, parking)) throw std::bad_alloc();
  if (old) parking.append_move(old);
}

}  // namespace velko::xml

namespace velko {

namespace {

// The wrapper a walk hands to its visitor: one object serves child after child as long as the
// visitor keeps no reference to it, so that a walk makes one wrapper instead of one per child.
// It starts from the one the parent kept from its last walk and leaves it there for the next, so
// that the walks over a whole tree of loaders make about one wrapper per level.
class WalkWrapper {
 public:
  explicit WalkWrapper(xml::XmlElement& parent)
      : parent_(parent), current_(parent.TakeSpareChild()) {
    if (current_) raw_ = static_cast<xml::XmlElement*>(current_.get());
  }
  ~WalkWrapper() {
    if (raw_ != nullptr && current_.shared().use_count() == 1) {
      parent_.KeepSpareChild(std::move(current_));
    }
  }
  WalkWrapper(const WalkWrapper&) = delete;
  WalkWrapper& operator=(const WalkWrapper&) = delete;

  const Ref<IXmlElement>& For(pugi::xml_node node) {
    if (raw_ != nullptr && current_.shared().use_count() == 1) {
      raw_->Repoint(node);
    } else {
      Ref<xml::XmlElement> made = MakeRef<xml::XmlElement>(parent_.Owner(), node);
      raw_ = made.get();
      current_ = std::move(made);
    }
    return current_;
  }

 private:
  xml::XmlElement& parent_;
  Ref<IXmlElement> current_;
  xml::XmlElement* raw_ = nullptr;
};

}  // namespace

std::string_view TagNameView(const Ref<IXmlElement>& element, String& storage) {
  if (const xml::XmlElement* own = xml::OwnElement(element.get())) return own->Node().name();
  storage = element->TagName();
  return storage;
}

std::string_view AttributeView(const Ref<IXmlElement>& element, const char* name, String& storage) {
  if (const xml::XmlElement* own = xml::OwnElement(element.get())) {
    return own->Node().attribute(name).value();
  }
  storage = element->GetAttribute(name);
  return storage;
}

std::string_view ElementTextView(const Ref<IXmlElement>& element, String& storage) {
  if (const xml::XmlElement* own = xml::OwnElement(element.get())) return own->TextView(storage);
  storage = element->ElementText();
  return storage;
}

bool HasChildNodes(const Ref<IXmlElement>& element) {
  if (const xml::XmlElement* own = xml::OwnElement(element.get())) {
    std::vector<pugi::xml_node> first;
    xml::CollectChildNodes(own->Node(), first, 1);
    return !first.empty();
  }
  return element->ChildNodes()->NodeCount() > 0;
}

void AppendTextChild(const Ref<IXmlElement>& parent, const char* tag, std::string_view text,
                     std::initializer_list<XmlAttributeText> attributes) {
  if (xml::XmlElement* const own = xml::OwnElement(parent.get())) {
    const pugi::xml_node child = own->AppendTextNode(tag, text);
    for (const XmlAttributeText& attribute : attributes)
      xml::XmlElement::SetAttributeOf(child, attribute.name, attribute.value);
    return;
  }
  const Ref<IXmlElement> child = parent->AddTextElement(tag, String(text));
  if (!child) return;
  for (const XmlAttributeText& attribute : attributes)
    child->SetAttribute(attribute.name, String(attribute.value));
}

// Walks the child nodes straight through pugixml while the document keeps its structure; after a
// visit that changed it, goes on as a refreshed child list would, from the same position.
bool VisitChildElements(const Ref<IXmlElement>& parent, ChildElementVisitor visit, void* context) {
  xml::XmlElement* const element = xml::OwnElement(parent.get());
  if (element == nullptr) return false;
  const Ref<IXmlElement> keptAlive = parent;  // and its document: whatever a visitor lets go
  const xml::DocPtr& owner = element->Owner();
  WalkWrapper wrapper(*element);
  const pugi::xml_node node = element->Node();
  const std::uint64_t version = owner->version;
  std::size_t position = 0;  // of the next node in the child list
  for (pugi::xml_node c = node.first_child(); c;) {
    if (xml::IsCharData(c)) {
      if (xml::RunIsSignificant(c)) ++position;
      while (c && xml::IsCharData(c))
        c = c.next_sibling();
      continue;
    }
    const pugi::xml_node next = c.next_sibling();
    if (c.type() == pugi::node_element) {
      ++position;
      if (!visit(context, wrapper.For(c))) return true;
      if (owner->version != version) break;
    }
    c = next;
  }
  if (owner->version == version) return true;
  std::vector<pugi::xml_node> nodes;
  std::uint64_t builtAt = owner->version + 1;
  for (;; ++position) {
    if (builtAt != owner->version) {
      xml::CollectChildNodes(node, nodes);
      builtAt = owner->version;
    }
    if (position >= nodes.size()) return true;
    if (nodes[position].type() != pugi::node_element) continue;
    if (!visit(context, wrapper.For(nodes[position]))) return true;
  }
}

}  // namespace velko
