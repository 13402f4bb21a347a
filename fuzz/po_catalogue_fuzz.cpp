// A language catalogue as the language set finds it in a language folder: the bytes become the
// library catalogue of the language "fz" in a temporary language path. A broken catalogue is a
// clear error; a catalogue that loads translates into valid UTF-8, and so does its compiled form
// read by the second load of the same bytes.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "fuzz_support.hpp"
#include "velko/outside/language.hpp"

using namespace velko;
namespace fs = std::filesystem;

namespace {

fs::path& LanguageRoot() {
  static fs::path root;
  return root;
}

void RemoveLanguageRoot() {
  std::error_code ignored;
  fs::remove_all(LanguageRoot(), ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  String pattern = (fs::temp_directory_path() / "velko-fuzz-lang-XXXXXX").string();
  if (!mkdtemp(pattern.data())) std::abort();
  LanguageRoot() = pattern;
  fs::create_directory(LanguageRoot() / "fz");
  std::atexit(RemoveLanguageRoot);
  // The compiled forms of the inputs go to the run's own folder, not the user's cache.
  setenv("XDG_CACHE_HOME", (LanguageRoot() / "cache").c_str(), 1);
  LanguageServer()->SetLanguagePath(LanguageRoot().string());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    std::ofstream out(LanguageRoot() / "fz" / "velkocore.po", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const Ref<ILanguageSet> set = CreateLanguageSet();
  if (!fuzz::Tolerating([&] { set->Load("fz"); })) return 0;
  fuzz::Require(set->Language() == "fz", "a loaded language does not name itself");
  const Variant params(VariantArray{Variant("one"), Variant(Long{2}), Variant(), Variant("four")});
  const Ref<ILanguageSet> compiled = CreateLanguageSet();
  compiled->Load("fz");
  for (const char* key :
       {"460::Selections", "900::Copy %%1 to %%2", "901::First\\nsecond", "E5100::Loading"}) {
    const String text = set->Translate(String(), key, params);
    fuzz::Require(fuzz::IsValidUtf8(text), "a loaded catalogue translated into invalid UTF-8");
    fuzz::Require(compiled->Translate(String(), key, params) == text,
                  "the compiled form of a catalogue translates otherwise than its PO text");
  }
  return 0;
}
