// Registry keys and the path service over the calling thread's store.
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <unordered_set>

#include "outside/registry/registry_store.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/frame/runtime.hpp"
#include "velko/frame/text.hpp"
#include "velko/outside/registry.hpp"
#include "velko/typelib/enums.hpp"

// The machine-wide registry a packaged build starts every user from (set at configure time).
#ifndef VELKO_SYSTEM_REGISTRY
#define VELKO_SYSTEM_REGISTRY ""
#endif

namespace velko {
namespace {

// A key address: hive and the parts of the path below it, as the caller wrote them.
struct KeyAddress {
  String hive;
  std::vector<String> parts;

  String Path() const {
    String path;
    for (const auto& part : parts)
      path += (path.empty() ? "" : "\\") + part;
    return path;
  }
  String Folded() const { return FoldedKey(hive, Path()); }
  String Display() const { return parts.empty() ? hive : hive + "\\" + Path(); }
};

[[noreturn]] void RaiseKeyMissing(const String& display, const String& why = "does not exist") {
  RaiseRegistryError(err::kRegistryKeyMissing, kLevelItem, {Variant(display)},
                     "The registry key \"" + display + "\" " + why + ".");
}

// The address of `path` under `hive`; leading and trailing backslashes are ignored. An unknown
// hive or an empty part ("A\\B") names no key that can exist.
KeyAddress AddressOf(Long hive, const String& path) {
  const auto hiveName = HiveName(hive);
  if (!hiveName) {
    RaiseKeyMissing(path, "cannot exist: the hive " + std::to_string(hive) + " is unknown");
  }
  std::string_view trimmed = path;
  while (trimmed.starts_with('\\'))
    trimmed.remove_prefix(1);
  while (trimmed.ends_with('\\'))
    trimmed.remove_suffix(1);
  KeyAddress address{*hiveName, {}};
  if (trimmed.empty()) return address;
  address.parts = Split(trimmed, "\\");
  if (std::ranges::any_of(address.parts, [](const String& p) { return p.empty(); })) {
    RaiseKeyMissing(address.hive + "\\" + path, "cannot exist: its path has an empty part");
  }
  return address;
}

bool IsAtOrBelow(const RegSection& section, const String& folded) {
  return section.folded.size() >= folded.size() && section.folded.starts_with(folded) &&
         (section.folded.size() == folded.size() || section.folded[folded.size()] == '\\');
}

bool IsBelow(const RegSection& section, const String& folded) {
  return section.folded.size() > folded.size() && IsAtOrBelow(section, folded);
}

// A key exists when it has a section or a section below it; a hive root always exists.
bool KeyExists(const RegDocument& doc, const KeyAddress& key) {
  if (key.parts.empty()) return true;
  const String folded = key.Folded();
  return std::ranges::any_of(doc.sections,
                             [&](const RegSection& s) { return IsAtOrBelow(s, folded); });
}

const RegSection* FindSection(const RegDocument& doc, const String& folded) {
  for (const auto& s : doc.sections) {
    if (s.folded == folded) return &s;
  }
  return nullptr;
}

RegSection* FindSection(RegDocument& doc, const String& folded) {
  return const_cast<RegSection*>(FindSection(std::as_const(doc), folded));
}

// The key as the store spells it: the longest existing leading part takes the stored spelling,
// the rest keeps the caller's.
KeyAddress StoredSpelling(const RegDocument& doc, const KeyAddress& key) {
  for (std::size_t n = key.parts.size(); n > 0; --n) {
    const KeyAddress prefix{key.hive, {key.parts.begin(), key.parts.begin() + n}};
    const String folded = prefix.Folded();
    for (const auto& s : doc.sections) {
      if (!IsAtOrBelow(s, folded)) continue;
      KeyAddress spelled{key.hive, Split(s.path, "\\")};
      spelled.parts.resize(n);
      spelled.parts.insert(spelled.parts.end(), key.parts.begin() + n, key.parts.end());
      return spelled;
    }
  }
  return key;
}

// The direct sub-keys, in the order their first sections appear.
std::vector<String> SubKeyNames(const RegDocument& doc, const KeyAddress& key) {
  const String folded = key.Folded();
  std::vector<String> names;
  std::unordered_set<String> seen;
  for (const auto& s : doc.sections) {
    if (!IsBelow(s, folded)) continue;
    String name = Split(s.path, "\\")[key.parts.size()];
    if (seen.insert(FoldName(name)).second) names.push_back(std::move(name));
  }
  return names;
}

String ValueLabel(const String& name) {
  return name.empty() ? String("@") : name;
}

// The stored form of a value given through the interface: texts as text, numbers as Long
// (rounded halves to even), anything else by its text.
RegValue StoredValue(const Variant& value) {
  RegValue stored;
  switch (value.GetType()) {
    case Variant::Type::kBoolean:
    case Variant::Type::kInteger:
    case Variant::Type::kLong:
    case Variant::Type::kSingle:
    case Variant::Type::kDouble:
    case Variant::Type::kDate:
      stored.kind = RegValue::Kind::kDword;
      stored.dword = static_cast<std::uint32_t>(value.ToLong());
      break;
    case Variant::Type::kEmpty:
    case Variant::Type::kMissing:
      break;
    default:
      stored.text = value.ToString();
  }
  return stored;
}

bool SameData(const RegValue& a, const RegValue& b) {
  return a.kind == b.kind && a.text == b.text && a.dword == b.dword;
}

class RegistryKey final : public IRegistryKey {
 public:
  explicit RegistryKey(std::shared_ptr<RegistryStore> store) : store_(std::move(store)) {}
  RegistryKey(std::shared_ptr<RegistryStore> store, KeyAddress key) : store_(std::move(store)) {
    SetKey(std::move(key));
  }

  void OpenKey(Long hive, const String& path) override {
    const KeyAddress key = AddressOf(hive, path);
    const auto doc = store_->Read();
    if (!KeyExists(*doc, key)) RaiseKeyMissing(key.Display());
    SetKey(StoredSpelling(*doc, key));
  }

  Long ValueCount() override {
    const Snapshot& open = ReadOpenKey();
    if (!open.section) return 0;
    return static_cast<Long>(std::ranges::count_if(open.section->values, &RegValue::IsValue));
  }

  String ValueName(Long index) override {
    const Snapshot& open = ReadOpenKey();
    return ValueAt(*open.doc, index).name;
  }

  Variant Value(const Variant& nameOrIndex) override {
    const Snapshot& open = ReadOpenKey();
    const RegValue& value = Find(*open.doc, nameOrIndex);
    switch (value.kind) {
      case RegValue::Kind::kString:
        return value.text;
      case RegValue::Kind::kDword:
        return static_cast<Long>(value.dword);
      default:
        RaiseRegistryError(err::kRegistryValueUnreadable, kLevelData,
                           {Variant(ValueLabel(value.name)), Variant(key_->Display())},
                           "The registry value \"" + ValueLabel(value.name) + "\" of the key \"" +
                               key_->Display() +
                               "\" is neither a text nor a dword and cannot be read.");
    }
  }

  void SetValue(const Variant& nameOrIndex, const Variant& value) override {
    RequireOpen();
    const RegValue stored = StoredValue(value);
    // The change may run twice (a check without the lock, then the write under it): it works on
    // a copy of the value, and a value that is already stored changes nothing.
    store_->Write([&](RegDocument& doc) {
      const std::size_t sections = doc.sections.size();
      RegSection& section = SectionToWrite(doc);
      RegValue next = stored;
      RegValue* target = nullptr;
      if (!nameOrIndex.IsString() && nameOrIndex.IsNumeric()) {
        target = &const_cast<RegValue&>(ValueAt(doc, nameOrIndex));
      } else {
        next.name = NameOf(nameOrIndex);
        next.folded = FoldName(next.name);
        auto found = std::ranges::find_if(section.values, [&](const RegValue& v) {
          return v.IsValue() && v.folded == next.folded;
        });
        if (found == section.values.end()) {
          section.values.push_back(std::move(next));
          return true;
        }
        target = &*found;
      }
      next.name = target->name;  // the stored spelling stays
      next.folded = target->folded;
      if (doc.sections.size() == sections && SameData(*target, next)) return false;
      *target = std::move(next);
      return true;
    });
  }

  Long SubKeyCount() override { return static_cast<Long>(OpenSubKeyNames().size()); }

  Ref<IRegistryKey> SubKey(Long index) override {
    const std::vector<String>& names = OpenSubKeyNames();
    if (index < 1 || static_cast<std::size_t>(index) > names.size()) {
      RaiseKeyMissing(key_->Display() + "\\#" + std::to_string(index),
                      "does not exist (the key has " + std::to_string(names.size()) + " sub-keys)");
    }
    KeyAddress child = *key_;
    child.parts.push_back(names[static_cast<std::size_t>(index) - 1]);
    return MakeRef<RegistryKey>(store_, std::move(child));
  }

  String KeyName() override {
    RequireOpen();
    return key_->parts.empty() ? key_->hive : key_->parts.back();
  }

  void CreateKey(Long hive, const String& path) override {
    const KeyAddress key = AddressOf(hive, path);
    store_->Write([&](RegDocument& doc) {
      if (KeyExists(doc, key)) return false;
      const KeyAddress spelled = StoredSpelling(doc, key);
      doc.sections.push_back(RegSection{spelled.hive, spelled.Path(), spelled.Folded(), {}});
      return true;
    });
    SetKey(StoredSpelling(*store_->Read(), key));
  }

  void DeleteValue(const String& name) override {
    RequireOpen();
    const String folded = FoldName(name);
    store_->Write([&](RegDocument& doc) {
      RegSection* section = FindSection(doc, folded_);
      if (!section) return false;
      return std::erase_if(section->values, [&](const RegValue& v) {
               return v.IsValue() && v.folded == folded;
             }) > 0;
    });
  }

  void DeleteKey(Long hive, const String& path) override {
    const KeyAddress key = AddressOf(hive, path);
    if (key.parts.empty()) {
      const String reason = "the hive root " + key.hive + " cannot be deleted";
      RaiseRegistryError(
          err::kRegistryWrite, kLevelSave, {Variant(store_->Name()), Variant(reason)},
          "The registry \"" + store_->Name() + "\" cannot be written: " + reason + ".");
    }
    const String folded = key.Folded();
    store_->Write([&](RegDocument& doc) {
      return std::erase_if(doc.sections,
                           [&](const RegSection& s) { return IsAtOrBelow(s, folded); }) > 0;
    });
  }

 private:
  void RequireOpen() const {
    if (!key_) RaiseKeyMissing("(none)", "is not open: call OpenKey or CreateKey first");
  }

  // A content of the store in which the open key exists, with the key's own section (null
  // where the key exists only through its sub-keys) and, once asked for, its sub-key names.
  // Contents are never changed in place, so what was found in one stays true while it is held.
  struct Snapshot {
    std::shared_ptr<const RegDocument> doc;
    const RegSection* section = nullptr;
    std::optional<std::vector<String>> subKeys;
  };

  void SetKey(KeyAddress key) {
    key_ = std::move(key);
    folded_ = key_->Folded();
    open_ = Snapshot{};
  }

  // The current content, with the open key still in it; a content looked at before is not
  // searched again.
  Snapshot& ReadOpenKey() {
    RequireOpen();
    auto doc = store_->Read();
    if (doc == open_.doc) return open_;
    if (!KeyExists(*doc, *key_)) RaiseKeyMissing(key_->Display(), "no longer exists");
    const RegSection* section = FindSection(*doc, folded_);
    open_ = Snapshot{std::move(doc), section, std::nullopt};
    return open_;
  }

  const std::vector<String>& OpenSubKeyNames() {
    Snapshot& open = ReadOpenKey();
    if (!open.subKeys) open.subKeys = SubKeyNames(*open.doc, *key_);
    return *open.subKeys;
  }

  // The open key's own section, made where the key exists only through its sub-keys.
  RegSection& SectionToWrite(RegDocument& doc) const {
    if (!KeyExists(doc, *key_)) RaiseKeyMissing(key_->Display(), "no longer exists");
    if (RegSection* section = FindSection(doc, folded_)) return *section;
    doc.sections.push_back(RegSection{key_->hive, key_->Path(), folded_, {}});
    return doc.sections.back();
  }

  // `name` is what the caller asked for (a name or a position), `label` how a text names it.
  [[noreturn]] void RaiseValueMissing(const String& name, const String& label) const {
    RaiseRegistryError(err::kRegistryValueMissing, kLevelItem,
                       {Variant(name), Variant(key_->Display())},
                       "The registry key \"" + key_->Display() + "\" has no value " + label + ".");
  }

  // Names are Strings; Empty and Missing name the default value (@).
  String NameOf(const Variant& nameOrIndex) const {
    if (nameOrIndex.IsString()) return nameOrIndex.ToString();
    if (nameOrIndex.IsEmpty() || nameOrIndex.IsMissing()) return {};
    RaiseValueMissing("?", "named by this argument (neither a name nor a position)");
  }

  const RegValue& ValueAt(const RegDocument& doc, const Variant& index) const {
    double position = 0;
    try {
      position = index.ToDouble();
    } catch (...) {  // not a number: no such position
    }
    const RegSection* section = FindSection(doc, folded_);
    if (section && position >= 1 && position <= static_cast<double>(section->values.size())) {
      Long wanted = Variant(position).ToLong();
      for (const auto& value : section->values) {
        if (value.IsValue() && --wanted == 0) return value;
      }
    }
    const String number = Variant(position).ToString();
    RaiseValueMissing(number, "number " + number);
  }

  const RegValue& Find(const RegDocument& doc, const Variant& nameOrIndex) const {
    if (!nameOrIndex.IsString() && nameOrIndex.IsNumeric()) return ValueAt(doc, nameOrIndex);
    const String name = NameOf(nameOrIndex);
    const String folded = FoldName(name);
    if (const RegSection* section = FindSection(doc, folded_)) {
      for (const auto& value : section->values) {
        if (value.IsValue() && value.folded == folded) return value;
      }
    }
    RaiseValueMissing(ValueLabel(name), "\"" + ValueLabel(name) + "\"");
  }

  std::shared_ptr<RegistryStore> store_;
  std::optional<KeyAddress> key_;
  String folded_;  // key_->Folded()
  Snapshot open_;  // the content the open key was last found in
};

class PathService final : public IRegistryPaths {
 public:
  String KeyPath(Long id) override {
    const String root = kVelkoRootKey;
    switch (id) {
      case kRegPathPlugIns:
        return root + "\\PlugIns";
      case kRegPathStandards:
        return root + "\\Standards";
      case kRegPathProduct:
        return root + "\\Product";
      case kRegPathLanguage:
        return root + "\\Language";
      case kRegPathGeneral:
        return root + "\\General";
      case kRegPathReport:
        return root + "\\Report";
      default:
        RaiseRegistryError(err::kRegistryKeyMissing, kLevelItem,
                           {Variant("(path identifier " + std::to_string(id) + ")")},
                           "No registry key path has the identifier " + std::to_string(id) +
                               " (known: 1002 to 1007).");
    }
  }
};

std::shared_ptr<RegistryStore>& ThreadStore() {
  thread_local std::shared_ptr<RegistryStore> store;
  return store;
}

// Whether the thread's store is the default one (not a file or memory store chosen by a caller).
bool& ThreadUsesDefaultStore() {
  thread_local bool usesDefault = true;
  return usesDefault;
}

// A store on `path`, fixed now: a later change of the working folder does not move it.
std::shared_ptr<RegistryStore> FileStore(const String& path, const String& seed = {}) {
  std::error_code ec;
  const auto absolute = std::filesystem::absolute(path, ec);
  return MakeFileRegistryStore(ec ? path : absolute.string(), seed);
}

String NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value ? String(value) : String();
}

// The default store: the file VELKO_REGISTRY names, exactly as it is; else the user's own file,
// which starts from the installed default until the user's first write creates it.
std::shared_ptr<RegistryStore> DefaultStore() {
  const bool configured = !NonEmptyEnv("VELKO_REGISTRY").empty();
  return FileStore(DefaultRegistryFile(), configured ? String() : InitialRegistryFile());
}

std::shared_ptr<RegistryStore> CurrentStore() {
  auto& store = ThreadStore();
  if (!store) store = DefaultStore();
  return store;
}

// share/velko/registry/default.reg of the prefix the library is installed in, or "".
String InstalledDefaultBesideLibrary() {
  const String library = LibraryFile();
  if (library.empty()) return {};
  return (std::filesystem::path(library).parent_path() / "../share/velko/registry/default.reg")
      .lexically_normal();
}

bool IsRegularFile(const String& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

String HomeFolder() {
  String home = NonEmptyEnv("HOME");
  if (home.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
  }
  return home;
}

}  // namespace

Ref<IRegistryKey> CreateRegistryKey() {
  return MakeRef<RegistryKey>(CurrentStore());
}

Ref<IRegistryPaths> RegistryPaths() {
  thread_local Ref<IRegistryPaths> paths = MakeRef<PathService>();
  return paths;
}

String DefaultRegistryFile() {
  if (String file = NonEmptyEnv("VELKO_REGISTRY"); !file.empty()) return file;
  return UserConfigFolder() + "/registry.reg";
}

String UserConfigFolder() {
  String config = NonEmptyEnv("XDG_CONFIG_HOME");
  if (config.empty() || config.front() != '/') config = HomeFolder() + "/.config";
  return config + "/velko";
}

String UserCacheFolder() {
  String cache = NonEmptyEnv("XDG_CACHE_HOME");
  if (cache.empty() || cache.front() != '/') {
    const String home = HomeFolder();
    if (home.empty()) return {};
    cache = home + "/.cache";
  }
  return cache + "/velko";
}

String InitialRegistryFile() {
  for (const String& candidate : {String(VELKO_SYSTEM_REGISTRY), InstalledDefaultBesideLibrary(),
                                  String(VELKO_DEFAULT_DATA_DIR) + "/registry/default.reg"}) {
    if (IsRegularFile(candidate)) return candidate;
  }
  return {};
}

void UseRegistryFile(const String& path) {
  ThreadStore() = path.empty() ? DefaultStore() : FileStore(path);
  ThreadUsesDefaultStore() = path.empty();
}

void UseInMemoryRegistry() {
  ThreadStore() = MakeMemoryRegistryStore();
  ThreadUsesDefaultStore() = false;
}

void UseDefaultRegistry() {
  ThreadStore().reset();
  ThreadUsesDefaultStore() = true;
}

bool IsFirstUseOfUserRegistry() {
  if (!ThreadUsesDefaultStore() || !NonEmptyEnv("VELKO_REGISTRY").empty()) return false;
  std::error_code ec;
  return !std::filesystem::exists(DefaultRegistryFile(), ec) && !ec;
}

}  // namespace velko
