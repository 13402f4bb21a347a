// Parsing, writing and the file object: UTF-8 files with an XML declaration, saved atomically.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "outside/xml/xml_tree.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/frame/file_replace.hpp"
#include "velko/outside/xml.hpp"

namespace velko::xml {
namespace {

// Text stays exactly as stored: no line-end normalisation (a "\r\n" written into a text reads
// back as "\r\n"), whitespace-only text kept where it is an element's only content (a text of
// blanks survives a round trip) and dropped between elements. Comments and processing
// instructions are kept so that a document saved again loses nothing; the document type
// declaration is parsed only to be inspected, never processed.
constexpr unsigned kParseOptions = (pugi::parse_default | pugi::parse_ws_pcdata_single |
                                    pugi::parse_comments | pugi::parse_pi | pugi::parse_doctype) &
                                   ~pugi::parse_eol;

// Deeper than this, the text is written without indentation (the indentation of a hostile,
// very deep tree would grow with the square of its depth).
constexpr int kMaxIndentedDepth = 256;

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// Bytes one code point takes in UTF-8.
std::size_t Utf8Length(std::uint32_t cp) {
  if (cp < 0x80) return 1;
  if (cp < 0x800) return 2;
  if (cp < 0x10000) return 3;
  return 4;
}

std::uint32_t ReadUnit(const unsigned char* p, std::size_t width, bool bigEndian) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    const std::size_t byte = bigEndian ? i : width - 1 - i;
    value = (value << 8) | p[byte];
  }
  return value;
}

// The line (from 1) of `offset`, a position in pugixml's UTF-8 copy of `raw`. For input in
// another encoding, the raw text is walked and its UTF-8 length counted up to the offset.
Long LineOf(std::string_view raw, pugi::xml_encoding encoding, std::ptrdiff_t offset) {
  if (offset < 0) offset = 0;
  Long line = 1;
  const auto* bytes = reinterpret_cast<const unsigned char*>(raw.data());
  std::size_t width = 1;
  bool bigEndian = false;
  switch (encoding) {
    case pugi::encoding_utf16_le:
    case pugi::encoding_utf16_be:
      width = 2;
      bigEndian = encoding == pugi::encoding_utf16_be;
      break;
    case pugi::encoding_utf32_le:
    case pugi::encoding_utf32_be:
      width = 4;
      bigEndian = encoding == pugi::encoding_utf32_be;
      break;
    case pugi::encoding_latin1:
      break;
    default:  // UTF-8: the offset is a position in the raw text itself
      for (std::size_t i = 0; i < raw.size() && i < static_cast<std::size_t>(offset); ++i) {
        if (raw[i] == '\n') ++line;
      }
      return line;
  }
  std::size_t converted = 0;
  for (std::size_t i = 0; i + width <= raw.size() && converted < static_cast<std::size_t>(offset);
       i += width) {
    const std::uint32_t unit = ReadUnit(bytes + i, width, bigEndian);
    if (unit == '\n') ++line;
    const bool highSurrogate = width == 2 && unit >= 0xD800 && unit <= 0xDBFF;
    converted += highSurrogate ? 2 : Utf8Length(unit);  // a pair: 2 now, 2 with its low half
  }
  return line;
}

[[noreturn]] void RaiseMalformed(const String& where, Long line, const String& reason) {
  RaiseXmlError(err::kXmlMalformed, kFileSource, {Variant(where), Variant(line), Variant(reason)},
                "malformed XML in " + where + " at line " + std::to_string(line) + ": " + reason);
}

// A document type declaration can change what the document means (entities, default attribute
// values, an external DTD). Nothing of it is processed, so such a document is refused rather
// than read with a different meaning; a bare "<!DOCTYPE name>" says nothing and is accepted.
void CheckDoctypes(const DocState& state, std::string_view raw, pugi::xml_encoding encoding,
                   const String& where) {
  for (pugi::xml_node c = state.doc.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_doctype) continue;
    std::string_view text = c.value();
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    text = first == std::string_view::npos ? std::string_view() : text.substr(first);
    text = text.substr(0, text.find_last_not_of(" \t\r\n") + 1);
    if (IsXmlName(text)) continue;
    RaiseMalformed(where, LineOf(raw, encoding, c.offset_debug()),
                   "document type declarations with entities or an external DTD are not "
                   "supported (nothing in them is expanded)");
  }
}

// pugixml accepts several top-level elements; XML allows one.
void CheckSingleRoot(const DocState& state, std::string_view raw, pugi::xml_encoding encoding,
                     const String& where) {
  bool seen = false;
  for (pugi::xml_node c = state.doc.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    if (seen) {
      RaiseMalformed(where, LineOf(raw, encoding, c.offset_debug()), "more than one root element");
    }
    seen = true;
  }
}

class StringWriter final : public pugi::xml_writer {
 public:
  explicit StringWriter(String& out) : out_(out) {}
  void write(const void* data, std::size_t size) override {
    out_.append(static_cast<const char*>(data), size);
  }

 private:
  String& out_;
};

// Whether the tree below `top` goes deeper than `limit` levels; stops at the first node beyond.
// Each node is asked for its first child and its next sibling once.
bool DeeperThan(const pugi::xml_node top, int limit) {
  int depth = 0;
  pugi::xml_node n = top;
  for (;;) {
    if (const pugi::xml_node child = n.first_child()) {
      if (++depth > limit) return true;
      n = child;
      continue;
    }
    for (;;) {  // up to the nearest node with a next sibling, never above `top`
      if (n == top) return false;
      if (const pugi::xml_node next = n.next_sibling()) {
        n = next;
        break;
      }
      n = n.parent();
      --depth;
    }
  }
}

String ErrnoText(int code) {
  return std::strerror(code);
}

std::string ReadWholeFile(const String& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int code = errno;
    RaiseXmlError(err::kXmlFileOpen, kFileSource, {Variant(path), Variant(ErrnoText(code))},
                  "cannot open the XML file " + path + ": " + ErrnoText(code));
  }
  std::string bytes;
  int code = 0;
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    code = errno;
  } else if (S_ISDIR(info.st_mode)) {
    code = EISDIR;
  } else {
    char chunk[65536];
    if (info.st_size > 0) bytes.reserve(static_cast<std::size_t>(info.st_size));
    for (;;) {
      const ssize_t got = ::read(fd, chunk, sizeof chunk);
      if (got > 0) {
        bytes.append(chunk, static_cast<std::size_t>(got));
      } else if (got == 0) {
        break;
      } else if (errno != EINTR) {
        code = errno;
        break;
      }
    }
  }
  ::close(fd);
  if (code != 0) {
    RaiseXmlError(err::kXmlFileOpen, kFileSource, {Variant(path), Variant(ErrnoText(code))},
                  "cannot read the XML file " + path + ": " + ErrnoText(code));
  }
  return bytes;
}

[[noreturn]] void RaiseSaveError(const String& path, const String& reason) {
  RaiseXmlError(err::kXmlFileSave, kFileSource, {Variant(path), Variant(reason)},
                "cannot save the XML file " + path + ": " + reason);
}

// Writes the file so that it is either the old file or the complete new one.
void WriteFileAtomically(const String& path, std::string_view bytes) {
  const String failure = ReplaceFileContent(path, bytes);
  if (!failure.empty()) RaiseSaveError(path, failure);
}

class XmlFile final : public IXmlFile {
 public:
  XmlFile() : document_(MakeRef<XmlDocument>()) {}

  Ref<IXmlDocument> Document() override { return document_; }

  // On failure the earlier document stays.
  void Open(const String& path) override {
    const std::string bytes = ReadWholeFile(path);
    document_ = MakeRef<XmlDocument>(ParseBuffer(bytes, path, true));
  }

  void Save(const String& path) override {
    if (!document_->State()->Root()) RaiseSaveError(path, "the document has no root element");
    WriteFileAtomically(path, Serialize(*document_->State()));
  }

  void LoadFromText(const String& xml) override {
    document_ = MakeRef<XmlDocument>(ParseBuffer(xml, "XML text", false));
  }

  String SaveToText() override { return Serialize(*document_->State()); }

 private:
  Ref<XmlDocument> document_;
};

}  // namespace

DocPtr ParseBuffer(std::string_view bytes, const String& where, bool detectEncoding) {
  auto state = std::make_shared<DocState>();
  const pugi::xml_encoding requested = detectEncoding ? pugi::encoding_auto : pugi::encoding_utf8;
  const pugi::xml_parse_result result =
      state->doc.load_buffer(bytes.data(), bytes.size(), kParseOptions, requested);
  if (result.status == pugi::status_out_of_memory) throw std::bad_alloc();
  if (!result) {
    const Long line = LineOf(bytes, result.encoding, result.offset);
    RaiseMalformed(where, line, result.description());
  }
  CheckDoctypes(*state, bytes, result.encoding, where);
  CheckSingleRoot(*state, bytes, result.encoding, where);
  return state;
}

String Serialize(const DocState& state) {
  String out = kDeclaration;
  StringWriter writer(out);
  for (pugi::xml_node c = state.doc.first_child(); c; c = c.next_sibling()) {
    if (c == state.parking) continue;
    const bool indent = !DeeperThan(c, kMaxIndentedDepth);
    c.print(writer, "  ", indent ? pugi::format_indent : pugi::format_raw, pugi::encoding_utf8);
    if (!indent) out += '\n';
  }
  return out;
}

}  // namespace velko::xml

namespace velko {

Ref<IXmlDocument> CreateXmlDocument() {
  return MakeRef<xml::XmlDocument>();
}

Ref<IXmlFile> CreateXmlFile() {
  return MakeRef<xml::XmlFile>();
}

Ref<IXmlDocument> ParseXmlDocument(const String& xml) {
  return MakeRef<xml::XmlDocument>(xml::ParseBuffer(xml, "XML text", false));
}

}  // namespace velko
