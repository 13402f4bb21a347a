// Inside the registry: the parsed content of a store, the text format, the stores themselves and
// the errors they raise.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "velko/frame/variant.hpp"

namespace velko {

// The source of every error the registry raises.
inline constexpr const char* kRegistrySource = "VelkoCore.Registry";

// Raises `number` through the error service: the catalogue text when there is one, otherwise
// `fallback` (which names the key, value or file at fault) so that the error is useful without
// a catalogue.
[[noreturn]] void RaiseRegistryError(Long number, Long level, const VariantArray& params,
                                     const String& fallback);

struct RegValue {
  enum class Kind {
    kString,   // "name"="text"
    kDword,    // "name"=dword:0000000a
    kOther,    // hex:..., hex(2):... and the like: kept as written, never interpreted
    kComment,  // a ";" line between values, kept in place; not a value
  };
  Kind kind = Kind::kString;
  String name;    // "" is the default value (@); kComment: the whole line
  String folded;  // FoldCase(name), for case-insensitive lookups
  String text;    // kString: the text; kOther: the data after "=" as written (all its lines)
  std::uint32_t dword = 0;

  bool IsValue() const { return kind != Kind::kComment; }
};

struct RegSection {
  String hive;    // canonical hive name, e.g. "HKEY_LOCAL_MACHINE"
  String path;    // below the hive as written, "" for the hive root
  String folded;  // FoldedKey(hive, path)
  std::vector<RegValue> values;
};

// How a store file is written: as it was read, so that a file from Windows' regedit (UTF-16LE
// with a byte order mark, CR LF line ends, a blank line at the end) stays importable there.
struct RegFileFormat {
  enum class Encoding { kUtf8, kUtf8WithBom, kUtf16Le, kUtf16Be };
  Encoding encoding = Encoding::kUtf8;
  bool crlf = false;            // CR LF line ends, else LF
  bool oldHeader = false;       // "REGEDIT4", else "Windows Registry Editor Version 5.00"
  bool finalBlankLine = false;  // the text ends with an empty line, as regedit writes it
  bool operator==(const RegFileFormat&) const = default;
};

// The whole content of a store, in file order.
struct RegDocument {
  RegFileFormat format;
  std::vector<String> preamble;  // comment lines before the first section
  std::vector<RegSection> sections;
};

// Case folding of key and value names (Unicode letters too), as the platform registry compares.
String FoldName(std::string_view name);
// The key that identifies hive + path case-insensitively ("hkey_local_machine\software\...").
String FoldedKey(std::string_view hive, std::string_view path);
// The canonical name of a hive handle (0x80000002 -> "HKEY_LOCAL_MACHINE"); nullopt when unknown.
std::optional<String> HiveName(Long hive);

// Reads a store file in the registry export text format: UTF-16LE or UTF-16BE with a byte order
// mark, or UTF-8 with or without one; CR LF or LF line ends; the version 5 or the REGEDIT4
// header. A syntax error or a text that is not valid in its encoding raises
// err::kRegistryFileBroken naming `fileName` and the line.
RegDocument ParseRegistryText(std::string_view bytes, const String& fileName);
// Writes the file in the document's format: a blank line before each section. A text that the
// format cannot hold (not UTF-8, for a UTF-16 file) raises err::kRegistryWrite naming `fileName`.
String FormatRegistryText(const RegDocument& doc, const String& fileName = "(registry)");

// One store: the content as it is now, and atomic changes to it.
class RegistryStore {
 public:
  // Changes the document in place; returns false when nothing changed (nothing is written).
  using Change = std::function<bool(RegDocument&)>;

  virtual ~RegistryStore() = default;
  // The file's path, or a name for a store without one (for error messages).
  virtual String Name() const = 0;
  // The current content; the snapshot stays valid while it is held.
  virtual std::shared_ptr<const RegDocument> Read() = 0;
  // Applies `change` to the current content and stores the result, all or nothing.
  virtual void Write(const Change& change) = 0;
};

// A store kept in the file `path`. While that file does not exist the store reads as the content
// of `seed` (when given and present), and its first write creates `path` from that content.
std::shared_ptr<RegistryStore> MakeFileRegistryStore(const String& path, const String& seed = {});
std::shared_ptr<RegistryStore> MakeMemoryRegistryStore();

}  // namespace velko
