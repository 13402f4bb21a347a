// The language server and language set over the PO catalogues of the language folders.
#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "outside/language/compiled_catalogue.hpp"
#include "outside/language/message_text.hpp"
#include "outside/language/po_catalogue.hpp"
#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/outside/error_server.hpp"
#include "velko/outside/language.hpp"
#include "velko/typelib/enums.hpp"

namespace velko {
namespace {

namespace fs = std::filesystem;
using language::Catalogue;
using language::CatalogueProblem;

constexpr const char* kServerSource = "VelkoCore.LanguageServer";
constexpr const char* kSetSource = "VelkoCore.LanguageSet";
constexpr const char* kLibraryCatalogue = "velkocore.po";
constexpr const char* kUnicodeField = "X-Velko-Unicode";
constexpr const char* kCharSetField = "X-Velko-CharSet";
// Plug-in catalogues kept by one language set; a host with more plug-ins reads some twice.
constexpr std::size_t kMaxCachedPlugIns = 64;

constexpr ErrorPolicy kSetPathPolicy{kServerSource, {err::kLanguagePath}};
constexpr ErrorPolicy kLoadPolicy{kSetSource, {err::kLanguageNotFound, err::kCatalogueBroken}};

bool IsDirectory(const String& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

bool IsFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// A language or plug-in ID names one file or folder inside the language path: it may not climb
// out of it or into a sub-folder.
bool IsPlainName(const String& name) {
  return !name.empty() && name != "." && name != ".." && name.size() <= 255 &&
         name.find_first_of(String("/\\\0", 3)) == String::npos;
}

// Raises a language server error with its catalogue text, or with `fallback` when there is no
// text (no language loaded yet, or a catalogue without the key): the description always names
// what is at fault.
[[noreturn]] void RaiseLanguageError(Long number, const char* source, const VariantArray& params,
                                     const String& fallback) {
  RaiseErrorOr(number, source, kLevelFatal, params, fallback);
}

[[noreturn]] void RaiseCatalogueBroken(const CatalogueProblem& problem) {
  String where = "\"" + problem.file + "\"";
  if (problem.line > 0) where += " line " + std::to_string(problem.line);
  RaiseLanguageError(err::kCatalogueBroken, kSetSource,
                     {Variant(problem.file), Variant(problem.line), Variant(problem.message)},
                     "The language catalogue " + where + " cannot be read: " + problem.message);
}

class LanguageServerObject final : public ILanguageServer {
 public:
  LanguageServerObject() : path_(DefaultLanguagePath()) {}

  void SetLanguagePath(const String& path) override {
    Guarded(kSetPathPolicy, [&] {
      if (!IsDirectory(path)) {
        RaiseLanguageError(err::kLanguagePath, kServerSource, {Variant(path)},
                           "The language folder \"" + path + "\" does not exist.");
      }
      path_ = path;
    });
  }

  String LanguageList() override {
    return QuietlyOr(String(), [&] {
      std::vector<String> names;
      std::error_code ec;
      for (fs::directory_iterator it(path_, ec), end; !ec && it != end; it.increment(ec)) {
        const String name = it->path().filename().string();
        // A name with ";" could not be told apart in the list.
        if (name.find(';') != String::npos || !IsFile(it->path() / kLibraryCatalogue)) continue;
        names.push_back(name);
      }
      std::sort(names.begin(), names.end());
      String list;
      for (const String& name : names)
        list += (list.empty() ? "" : ";") + name;
      return list;
    });
  }

  String LanguagePath() override { return path_; }

 private:
  String path_;
};

// What a successful Load produced; replaced as a whole, so that a failed Load changes nothing.
struct LoadedLanguage {
  String language;
  fs::path folder;
  std::shared_ptr<const Catalogue> library;
  bool unicode = false;
  Integer charSet = 0;
};

Integer CharSetOf(const String& header) {
  const double value = ParseNumber(language::HeaderField(header, kCharSetField));
  return value >= 0 && value <= 255 ? static_cast<Integer>(RoundToLong(value)) : 0;
}

class LanguageSetObject final : public ILanguageSet, public ILanguageSet2 {
 public:
  explicit LanguageSetObject(Ref<ILanguageServer> server) : server_(std::move(server)) {}

  void Load(const String& language) override {
    Guarded(kLoadPolicy, [&] {
      LoadedLanguage next = ReadLanguage(language);
      loaded_ = std::move(next);
      plugIns_.clear();
    });
  }

  String Translate(const String& plugInId, const String& text, const Variant& params) override {
    const auto message = language::SplitMessageKey(text);
    if (!message) return text;
    const Catalogue* catalogue = CatalogueFor(plugInId);
    const String* translation = nullptr;
    if (catalogue) {
      const auto found = catalogue->texts.find(message->key);
      if (found != catalogue->texts.end()) translation = &found->second;
    }
    const String pattern =
        language::ExpandLineBreaks(translation ? *translation : message->defaultText);
    return language::FillPlaceholders(pattern, language::ParameterTexts(params));
  }

  String Language() override { return loaded_ ? loaded_->language : String(); }
  Boolean IsUnicode() override { return loaded_ && loaded_->unicode; }
  Integer CharSet() override { return loaded_ ? loaded_->charSet : Integer{0}; }
  String HeaderField(const String& name) override {
    return loaded_ ? language::HeaderField(loaded_->library->header, name.c_str()) : String();
  }

 private:
  LoadedLanguage ReadLanguage(const String& language) {
    const String path = server_->LanguagePath();
    const fs::path folder = fs::path(path) / language;
    const fs::path file = folder / kLibraryCatalogue;
    if (!IsPlainName(language) || !IsFile(file)) {
      RaiseLanguageError(err::kLanguageNotFound, kSetSource, {Variant(language), Variant(path)},
                         "The language \"" + language + "\" is not installed in \"" + path +
                             "\" (its folder or " + kLibraryCatalogue + " is missing).");
    }
    auto read = language::ReadCatalogueCompiled(file.string());
    if (const auto* problem = std::get_if<CatalogueProblem>(&read)) RaiseCatalogueBroken(*problem);
    auto library = std::make_shared<const Catalogue>(std::get<Catalogue>(std::move(read)));
    const String unicode = language::HeaderField(library->header, kUnicodeField);
    return LoadedLanguage{language, folder, library, ParseNumber(unicode) != 0,
                          CharSetOf(library->header)};
  }

  // The catalogue for a plug-in ID (empty: the library's), read on first use; none when there is
  // no language, no such catalogue or an unreadable one (its keys then give their default texts).
  const Catalogue* CatalogueFor(const String& plugInId) {
    if (!loaded_) return nullptr;
    if (plugInId.empty()) return loaded_->library.get();
    if (!IsPlainName(plugInId)) return nullptr;
    if (const auto found = plugIns_.find(plugInId); found != plugIns_.end()) {
      return found->second.get();
    }
    if (plugIns_.size() >= kMaxCachedPlugIns) plugIns_.clear();
    std::shared_ptr<const Catalogue> catalogue;
    const fs::path file = loaded_->folder / (plugInId + ".po");
    if (IsFile(file)) {
      auto read = language::ReadCatalogueCompiled(file.string());
      if (auto* entries = std::get_if<Catalogue>(&read)) {
        catalogue = std::make_shared<const Catalogue>(std::move(*entries));
      }
    }
    return plugIns_.emplace(plugInId, std::move(catalogue)).first->second.get();
  }

  Ref<ILanguageServer> server_;
  std::optional<LoadedLanguage> loaded_;
  std::map<String, std::shared_ptr<const Catalogue>> plugIns_;
};

// Any object of the library: its address tells dladdr which file the library was loaded from.
const char kLibraryAnchor = 0;

std::optional<fs::path> InstalledLanguagePath() {
  Dl_info info{};
  if (dladdr(&kLibraryAnchor, &info) == 0 || !info.dli_fname) return std::nullopt;
  std::error_code ec;
  const fs::path library = fs::absolute(info.dli_fname, ec);
  if (ec) return std::nullopt;
  const fs::path candidate = (library.parent_path() / "../share/velko/lang").lexically_normal();
  if (!fs::is_directory(candidate, ec)) return std::nullopt;
  return candidate;
}

}  // namespace

String DefaultLanguagePath() {
  if (const char* configured = std::getenv("VELKO_LANGUAGE_PATH"); configured && *configured) {
    return configured;
  }
  if (const auto installed = InstalledLanguagePath()) return installed->string();
  return String(VELKO_DEFAULT_DATA_DIR) + "/lang";
}

Ref<ILanguageServer> LanguageServer() {
  thread_local Ref<ILanguageServer> server = MakeRef<LanguageServerObject>();
  return server;
}

Ref<ILanguageSet> CreateLanguageSet() {
  return MakeRef<LanguageSetObject>(LanguageServer());
}

}  // namespace velko
