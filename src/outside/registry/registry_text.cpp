// The registry export text format: reading and writing a whole store.
#include <algorithm>
#include <array>
#include <cstdio>
#include <unordered_map>

#include "frame/text_encoding.hpp"
#include "outside/registry/registry_store.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/frame/text.hpp"
#include "velko/typelib/enums.hpp"

namespace velko {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

struct HiveEntry {
  Long handle;
  const char* name;
  std::string_view folded;  // FoldName(name)
};
constexpr std::array<HiveEntry, 5> kHives = {{
    {ErrorNumber(0x80000000u), "HKEY_CLASSES_ROOT", "hkey_classes_root"},
    {ErrorNumber(0x80000001u), "HKEY_CURRENT_USER", "hkey_current_user"},
    {ErrorNumber(0x80000002u), "HKEY_LOCAL_MACHINE", "hkey_local_machine"},
    {ErrorNumber(0x80000003u), "HKEY_USERS", "hkey_users"},
    {ErrorNumber(0x80000005u), "HKEY_CURRENT_CONFIG", "hkey_current_config"},
}};

std::optional<String> CanonicalHive(std::string_view written) {
  const String folded = FoldName(written);
  for (const auto& h : kHives) {
    if (folded == h.folded) return String(h.name);
  }
  return std::nullopt;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimSpace(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// `prefix` is lower-case ASCII.
bool StartsWithAsciiIgnoreCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const char c = s[i] >= 'A' && s[i] <= 'Z' ? static_cast<char>(s[i] + ('a' - 'A')) : s[i];
    if (c != prefix[i]) return false;
  }
  return true;
}

[[noreturn]] void RaiseBroken(const String& fileName, std::size_t lineNumber,
                              const String& reason) {
  RaiseRegistryError(err::kRegistryFileBroken, kLevelFatal,
                     {Variant(fileName), Variant(static_cast<Long>(lineNumber)), Variant(reason)},
                     "The registry file \"" + fileName + "\" is broken at line " +
                         std::to_string(lineNumber) + ": " + reason + ".");
}

const char* Utf16Name(RegFileFormat::Encoding encoding) {
  return encoding == RegFileFormat::Encoding::kUtf16Le ? "UTF-16LE" : "UTF-16BE";
}

// The text of a file as UTF-8, with the encoding it was in. UTF-8 is taken as it is (a byte that
// is not UTF-8 stays what it is), UTF-16 must be valid.
String DecodeFile(std::string_view bytes, RegFileFormat& format, const String& fileName) {
  using Encoding = RegFileFormat::Encoding;
  if (bytes.starts_with(kUtf8Mark)) {
    format.encoding = Encoding::kUtf8WithBom;
    return String(bytes.substr(kUtf8Mark.size()));
  }
  if (bytes.starts_with(kUtf16LeMark)) {
    format.encoding = Encoding::kUtf16Le;
  } else if (bytes.starts_with(kUtf16BeMark)) {
    format.encoding = Encoding::kUtf16Be;
  } else {
    return String(bytes);
  }
  const auto text = ConvertText(bytes.substr(2), Utf16Name(format.encoding), "UTF-8");
  if (!text) RaiseBroken(fileName, 1, "this system cannot read UTF-16");
  if (!text->Complete()) {
    const auto line = static_cast<std::size_t>(std::ranges::count(text->text, '\n')) + 1;
    RaiseBroken(fileName, line, "the text is not valid UTF-16");
  }
  return text->text;
}

// A file uses CR LF when its first line ends in exactly one CR before the LF.
bool EndsLinesWithCrLf(std::string_view text) {
  const std::size_t end = text.find('\n');
  if (end == std::string_view::npos || end == 0 || text[end - 1] != '\r') return false;
  return end < 2 || text[end - 2] != '\r';
}

// Reads the text lines of a store and reports where a syntax error lies.
class Parser {
 public:
  Parser(std::string_view bytes, const String& fileName) : fileName_(fileName) {
    text_ = DecodeFile(bytes, doc_.format, fileName);
    doc_.format.crlf = EndsLinesWithCrLf(text_);
    SplitLines(text_);
  }

  RegDocument Parse() {
    if (AllBlank()) return RegDocument{{doc_.format.encoding, doc_.format.crlf}, {}, {}};
    const std::string_view header = TrimSpace(lines_.front());
    if (header != kHeader && header != kOldHeader) {
      Fail(1, "the first line is not \"" + String(kHeader) + "\"");
    }
    doc_.format.oldHeader = header == kOldHeader;
    doc_.format.finalBlankLine =
        text_.ends_with('\n') && lines_.size() > 1 && TrimSpace(lines_.back()).empty();
    for (index_ = 1; index_ < lines_.size(); ++index_)
      ParseLine(lines_[index_]);
    return std::move(doc_);
  }

 private:
  void SplitLines(std::string_view text) {
    while (!text.empty()) {
      const std::size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      // Every carriage return and blank at a line end belongs to the line end: a file converted
      // to CR LF twice ends its lines in "\r\r\n", and a CR kept before trailing blanks (or after
      // them) would be lost one per rewrite.
      while (!line.empty() && (line.back() == '\r' || IsBlank(line.back())))
        line.remove_suffix(1);
      lines_.push_back(line);
      if (end == std::string_view::npos) break;
      text.remove_prefix(end + 1);
    }
  }

  bool AllBlank() const {
    for (auto line : lines_) {
      if (!TrimSpace(line).empty()) return false;
    }
    return true;
  }

  [[noreturn]] void Fail(std::size_t lineNumber, const String& reason) const {
    RaiseBroken(fileName_, lineNumber, reason);
  }
  [[noreturn]] void Fail(const String& reason) const { Fail(index_ + 1, reason); }

  void ParseLine(std::string_view raw) {
    const std::string_view line = TrimSpace(raw);
    if (line.empty()) return;
    if (line.front() == ';') {
      AddComment(String(line));
    } else if (line.front() == '[') {
      ParseSection(line);
    } else if (line.front() == '@' || line.front() == '"') {
      ParseValue(line);
    } else {
      Fail("a line must be a [key], a \"name\"=value or a ; comment");
    }
  }

  RegSection& Current() { return doc_.sections[*current_]; }

  void AddComment(String line) {
    if (!current_) {
      doc_.preamble.push_back(std::move(line));
      return;
    }
    RegValue comment;
    comment.kind = RegValue::Kind::kComment;
    comment.name = std::move(line);
    Current().values.push_back(std::move(comment));
  }

  void ParseSection(std::string_view line) {
    if (line.back() != ']') Fail("a key line must end with \"]\"");
    const std::string_view inner = line.substr(1, line.size() - 2);
    if (inner.starts_with('-')) Fail("key deletions belong in import files, not in a store");
    const std::size_t slash = inner.find('\\');
    const std::string_view hiveText = inner.substr(0, slash);
    const std::string_view path =
        slash == std::string_view::npos ? std::string_view() : inner.substr(slash + 1);
    const auto hive = CanonicalHive(hiveText);
    if (!hive) Fail("unknown hive \"" + String(hiveText) + "\"");
    if (slash != std::string_view::npos) CheckKeyPath(path);
    SelectSection(*hive, path);
  }

  void CheckKeyPath(std::string_view path) const {
    if (path.empty() || path.front() == '\\' || path.back() == '\\' ||
        path.find("\\\\") != std::string_view::npos) {
      Fail("a key path has an empty part");
    }
  }

  // A key written twice is one key: later lines add to the first section.
  void SelectSection(const String& hive, std::string_view path) {
    String folded = FoldedKey(hive, path);
    const auto found = sectionIndex_.find(folded);
    if (found != sectionIndex_.end()) {
      current_ = found->second;
      return;
    }
    sectionIndex_.emplace(folded, doc_.sections.size());
    doc_.sections.push_back(RegSection{hive, String(path), std::move(folded), {}});
    valueIndex_.emplace_back();
    current_ = doc_.sections.size() - 1;
  }

  void ParseValue(std::string_view line) {
    if (!current_) Fail("a value comes before the first [key]");
    std::size_t pos = 0;
    RegValue value;
    if (line.front() == '@') {
      pos = 1;
    } else {
      value.name = ParseQuoted(line, pos);
    }
    while (pos < line.size() && IsBlank(line[pos]))
      ++pos;
    if (pos >= line.size() || line[pos] != '=') Fail("\"=\" expected after the value name");
    ParseData(TrimSpace(line.substr(pos + 1)), value);
    value.folded = FoldName(value.name);
    StoreValue(std::move(value));
  }

  // A quoted text starting at `pos`; leaves `pos` after the closing quote.
  String ParseQuoted(std::string_view line, std::size_t& pos) const {
    String out;
    for (std::size_t i = pos + 1; i < line.size(); ++i) {
      const std::size_t special = line.find_first_of("\"\\", i);
      if (special == std::string_view::npos) break;
      out.append(line.substr(i, special - i));
      i = special;
      if (line[i] == '"') {
        pos = i + 1;
        return out;
      }
      if (++i >= line.size()) break;
      out += Unescaped(line[i]);
    }
    Fail("a quoted text is not closed on its line");
  }

  char Unescaped(char c) const {
    switch (c) {
      case '\\':
      case '"':
        return c;
      case 'n':
        return '\n';
      case 'r':
        return '\r';
      default:
        Fail(String("unknown escape \"\\") + c + "\" (a backslash is written \\\\)");
    }
  }

  void ParseData(std::string_view data, RegValue& value) {
    if (data.starts_with('"')) {
      std::size_t pos = 0;
      value.kind = RegValue::Kind::kString;
      value.text = ParseQuoted(data, pos);
      if (!TrimSpace(data.substr(pos)).empty()) Fail("text after the closing quote");
    } else if (StartsWithAsciiIgnoreCase(data, "dword:")) {
      value.kind = RegValue::Kind::kDword;
      value.dword = ParseDword(data.substr(6));
    } else if (StartsWithAsciiIgnoreCase(data, "hex")) {
      value.kind = RegValue::Kind::kOther;
      value.text = CollectBinary(data);
    } else if (data == "-") {
      Fail("value deletions belong in import files, not in a store");
    } else {
      Fail("unknown value data (a \"text\", dword:, hex: or hex(n): expected)");
    }
  }

  std::uint32_t ParseDword(std::string_view digits) const {
    if (digits.empty() || digits.size() > 8) Fail("a dword needs one to eight hex digits");
    std::uint32_t n = 0;
    for (char c : digits) {
      if (!IsHexDigit(c)) Fail("a dword needs one to eight hex digits");
      n = n * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    return n;
  }

  // hex:... or hex(n):..., with its continuation lines (a line ending in "\" goes on), as written.
  String CollectBinary(std::string_view data) {
    std::size_t pos = 3;
    if (pos < data.size() && data[pos] == '(') {
      const std::size_t close = data.find(')', pos);
      if (close == std::string_view::npos || close == pos + 1) Fail("hex( ) needs a type number");
      for (std::size_t i = pos + 1; i < close; ++i) {
        if (!IsHexDigit(data[i])) Fail("hex( ) needs a type number");
      }
      pos = close + 1;
    }
    if (pos >= data.size() || data[pos] != ':') Fail("\":\" expected after hex");
    String raw(data);
    std::string_view body = data.substr(pos + 1);
    while (true) {
      CheckBinaryBytes(body);
      if (!TrimSpace(body).ends_with('\\')) break;
      if (++index_ >= lines_.size()) Fail(index_, "a continued value ends with the file");
      body = lines_[index_];
      raw += '\n';
      raw += body;
    }
    return raw;
  }

  void CheckBinaryBytes(std::string_view body) const {
    body = TrimSpace(body);
    if (body.ends_with('\\')) body.remove_suffix(1);
    for (char c : body) {
      if (!IsHexDigit(c) && c != ',' && !IsBlank(c)) Fail("hex data holds other characters");
    }
  }

  // A name written twice in one key: the later data wins, in the first place.
  void StoreValue(RegValue value) {
    auto& values = Current().values;
    const std::optional<std::size_t> place = PlaceOf(value.folded);
    if (!place) {
      values.push_back(std::move(value));
      return;
    }
    RegValue& existing = values[*place];
    value.name = std::move(existing.name);  // the first spelling stays
    existing = std::move(value);
  }

  // Where the current section holds a value of this folded name, and records it there when it
  // holds none (the caller appends it). A key holds a handful of values: up to kIndexedFrom they
  // are compared in turn, beyond that through an index of the section.
  std::optional<std::size_t> PlaceOf(const String& folded) {
    static constexpr std::size_t kIndexedFrom = 16;
    const auto& values = Current().values;
    auto& index = valueIndex_[*current_];
    if (values.size() < kIndexedFrom) {
      for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i].IsValue() && values[i].folded == folded) return i;
      }
      return std::nullopt;
    }
    if (index.empty()) {
      for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i].IsValue()) index.emplace(values[i].folded, i);
      }
    }
    const auto [found, added] = index.try_emplace(folded, values.size());
    if (added) return std::nullopt;
    return found->second;
  }

  const String& fileName_;
  String text_;  // the file's text as UTF-8
  std::vector<std::string_view> lines_;
  std::size_t index_ = 0;
  RegDocument doc_;
  std::optional<std::size_t> current_;  // the section that lines belong to
  std::vector<std::unordered_map<String, std::size_t>> valueIndex_;  // per section: name -> place
  std::unordered_map<String, std::size_t> sectionIndex_;
};

// Texts are quoted with \\ and \" escaped; line breaks become \n and \r so that every value
// stays on its line (the platform's own export cannot hold them in a text value at all).
String Quoted(std::string_view text) {
  String out = "\"";
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out + "\"";
}

void AppendValue(String& out, const RegValue& value) {
  if (!value.IsValue()) {
    out += value.name;
    out += '\n';
    return;
  }
  out += value.name.empty() ? String("@") : Quoted(value.name);
  out += '=';
  switch (value.kind) {
    case RegValue::Kind::kString:
      out += Quoted(value.text);
      break;
    case RegValue::Kind::kDword: {
      std::array<char, 16> digits{};
      std::snprintf(digits.data(), digits.size(), "dword:%08x", value.dword);
      out += digits.data();
      break;
    }
    default:
      out += value.text;
  }
  out += '\n';
}

}  // namespace

String FoldName(std::string_view name) {
  return FoldCase(name);
}

String FoldedKey(std::string_view hive, std::string_view path) {
  String key;
  key.reserve(hive.size() + 1 + path.size());
  AppendFoldedCase(key, hive);
  if (!path.empty()) {
    key += '\\';
    AppendFoldedCase(key, path);
  }
  return key;
}

std::optional<String> HiveName(Long hive) {
  for (const auto& h : kHives) {
    if (h.handle == hive) return String(h.name);
  }
  return std::nullopt;
}

RegDocument ParseRegistryText(std::string_view bytes, const String& fileName) {
  return Parser(bytes, fileName).Parse();
}

String FormatRegistryText(const RegDocument& doc, const String& fileName) {
  const RegFileFormat& format = doc.format;
  String out(format.oldHeader ? kOldHeader : kHeader);
  out += '\n';
  for (const auto& line : doc.preamble)
    out += line + '\n';
  for (const auto& section : doc.sections) {
    out += "\n[" + section.hive;
    if (!section.path.empty()) out += '\\' + section.path;
    out += "]\n";
    for (const auto& value : section.values)
      AppendValue(out, value);
  }
  if (format.finalBlankLine) out += '\n';
  if (format.crlf) out = ReplaceAll(out, "\n", "\r\n");
  switch (format.encoding) {
    case RegFileFormat::Encoding::kUtf8:
      return out;
    case RegFileFormat::Encoding::kUtf8WithBom:
      return String(kUtf8Mark) + out;
    default:
      break;
  }
  const auto utf16 = ConvertText(out, "UTF-8", Utf16Name(format.encoding));
  if (!utf16 || !utf16->Complete()) {
    const String reason = "a text is not valid UTF-8 and cannot be written as UTF-16";
    RaiseRegistryError(err::kRegistryWrite, kLevelSave, {Variant(fileName), Variant(reason)},
                       "The registry file \"" + fileName + "\" cannot be written: " + reason + ".");
  }
  const std::string_view mark =
      format.encoding == RegFileFormat::Encoding::kUtf16Le ? kUtf16LeMark : kUtf16BeMark;
  return String(mark) + utf16->text;
}

}  // namespace velko
