#include "velko/outside/language.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "core/translation_state.hpp"
#include "outside/language/compiled_catalogue.hpp"
#include "outside/language/message_text.hpp"
#include "support/test_paths.hpp"
#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/frame/error.hpp"

namespace velko {
namespace {

namespace fs = std::filesystem;

Error ErrorOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const Error& e) {
    return e;
  }
  return Error(0, "", "");
}

String ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const String& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

String CatalogueWith(const String& entries) {
  return "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n" + entries;
}

// Points the thread's language server at the fixtures and restores its path afterwards.
class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousPath_ = LanguageServer()->LanguagePath();
    LanguageServer()->SetLanguagePath(test::TestDataPath("lang"));
  }
  void TearDown() override {
    Ref<ILanguageServer> server = LanguageServer();
    Quietly([&] { server->SetLanguagePath(previousPath_); });
    ThreadTranslationState().currentSet = nullptr;
  }

  static Ref<ILanguageSet> Loaded(const String& language) {
    Ref<ILanguageSet> set = CreateLanguageSet();
    set->Load(language);
    return set;
  }

 private:
  String previousPath_;
};

TEST_F(LanguageTest, SameKeyInTwoLanguagesWithParameters) {
  const Variant params = Variant::Array({"A.xml", Long{42}});
  Ref<ILanguageSet> english = Loaded("en");
  Ref<ILanguageSet> german = Loaded("de");
  EXPECT_EQ(english->Translate("", "900::Copy %%1 to %%2", params), "Copy A.xml to 42");
  EXPECT_EQ(german->Translate("", "900::Copy %%1 to %%2", params), "Kopiere A.xml nach 42");
  EXPECT_EQ(german->Translate("", "E5100::Loading", Variant()),
            "Einrichtung des Prüfablaufs wird geladen");

  EXPECT_EQ(english->Language(), "en");
  EXPECT_FALSE(english->IsUnicode());
  EXPECT_EQ(english->CharSet(), 0);
  EXPECT_EQ(german->Language(), "de");
  EXPECT_TRUE(german->IsUnicode());
  EXPECT_EQ(german->CharSet(), 238);
}

TEST_F(LanguageTest, TextRulesOfKeysDefaultsAndPlaceholders) {
  Ref<ILanguageSet> set = Loaded("en");
  const Variant none;
  struct Case {
    const char* text;
    Variant params;
    const char* expected;
  };
  const Case cases[] = {
      {"777::Missing key %%1", Variant::Array({"x"}), "Missing key x"},
      {"777::", none, ""},
      {"No key here %%1", Variant::Array({"x"}), "No key here %%1"},
      {"std::string", none, "std::string"},
      {"::Empty key", none, "::Empty key"},
      {" 460 ::Selections", none, "Selections"},
      {"901::unused default", none, "First line\nsecond line"},
      {"777::One\\nTwo", none, "One\nTwo"},
      {"777::Fuzzy and empty entries give the default", none,
       "Fuzzy and empty entries give the default"},
      {"902::Unchecked", none, "Unchecked"},
      {"903::Not translated", none, "Not translated"},
      // Parameters are data: a parameter's own %%2 or \n is not expanded again.
      {"777::%%1|%%2", Variant::Array({"%%2", "b"}), "%%2|b"},
      {"777::%%1", Variant::Array({"a\\nb"}), "a\\nb"},
      // Missing, Null, absent and non-text parameters leave their placeholder empty.
      {"777::[%%1][%%2][%%3][%%5]",
       Variant::Array({Variant::Missing(), Variant::Null(), Variant::Array({1})}), "[][][][]"},
      {"777::[%%1]", none, "[]"},
      {"777::[%%1]", Variant(Long{7}), "[7]"},
      {"777::%%6 %%0 %%%1 100%", Variant::Array({"x"}), "%%6 %%0 %x 100%"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(set->Translate("", c.text, c.params), c.expected) << c.text;
}

TEST_F(LanguageTest, PlugInCatalogues) {
  Ref<ILanguageSet> set = Loaded("en");
  EXPECT_EQ(set->Translate("Simulator", "460::Selections", Variant()), "Simulator selections");
  EXPECT_EQ(set->Translate("", "460::Default", Variant()), "Selections");
  // No catalogue, a broken one, or an ID that would leave the language folder: the default.
  for (const char* id : {"Unknown", "Broken", "../de/velkocore", "..", "/etc/passwd"}) {
    EXPECT_EQ(set->Translate(id, "460::Default", Variant()), "Default") << id;
  }
  // Before any Load there is no catalogue at all.
  EXPECT_EQ(CreateLanguageSet()->Translate("", "460::Default %%1", Variant::Array({1})),
            "Default 1");
}

TEST_F(LanguageTest, LoadErrorsNameTheCauseAndChangeNothing) {
  Ref<ILanguageSet> set = Loaded("de");

  for (const char* language : {"fr", "nocat", "", "..", "../lang/de"}) {
    const Error e = ErrorOf([&] { set->Load(language); });
    EXPECT_EQ(e.Number(), err::kLanguageNotFound) << language;
    EXPECT_EQ(e.Source(), "VelkoCore.LanguageSet");
    EXPECT_NE(e.Description().find(String("\"") + language + "\""), String::npos)
        << e.Description();
  }

  const Error broken = ErrorOf([&] { set->Load("broken"); });
  EXPECT_EQ(broken.Number(), err::kCatalogueBroken);
  EXPECT_NE(broken.Description().find("broken/velkocore.po"), String::npos) << broken.Description();
  EXPECT_NE(broken.Description().find("line 18"), String::npos) << broken.Description();

  EXPECT_EQ(set->Language(), "de");
  EXPECT_EQ(set->Translate("", "460::Selections", Variant()), "Auswahl");
}

TEST_F(LanguageTest, LanguagePathErrorsAndList) {
  Ref<ILanguageServer> server = LanguageServer();
  EXPECT_EQ(server->LanguageList(), "broken;de;en");

  const String missing = test::TestDataPath("lang/no-such-folder");
  for (const String& path : {missing, String(), test::TestDataPath("lang/en/velkocore.po")}) {
    const Error e = ErrorOf([&] { server->SetLanguagePath(path); });
    EXPECT_EQ(e.Number(), err::kLanguagePath) << path;
    EXPECT_EQ(e.Source(), "VelkoCore.LanguageServer");
    EXPECT_NE(e.Description().find("\"" + path + "\""), String::npos) << e.Description();
  }
  EXPECT_EQ(server->LanguagePath(), test::TestDataPath("lang"));

  const String empty = test::MakeTempDir("velko-lang-");
  server->SetLanguagePath(empty);
  EXPECT_EQ(server->LanguageList(), "");
  fs::remove_all(empty);
}

TEST_F(LanguageTest, ErrorDescriptionComesFromTheCurrentLanguage) {
  LanguageServer()->SetLanguagePath(test::SourceDataPath("lang"));
  ThreadTranslationState().currentSet = Loaded("de");
  const Error e = ErrorOf([] { LanguageServer()->SetLanguagePath("/no/such/velko/folder"); });
  EXPECT_EQ(e.Number(), err::kLanguagePath);
  EXPECT_EQ(e.Description(),
            "Der Sprachordner \"/no/such/velko/folder\" existiert nicht. Prüfen Sie die "
            "Einstellung des Sprachpfads.");
}

TEST_F(LanguageTest, MegabyteMessages) {
  const String line(1024, 'x');
  String big;
  String entry = "msgctxt \"1\"\nmsgid \"Big\"\nmsgstr \"\"\n";
  for (int i = 0; i < 1024; ++i) {
    big += line;
    entry += "\"" + line + "\"\n";  // wrapped as the gettext tools write long texts
  }
  entry += "\"%%1\"\n";
  const String folder = test::MakeTempDir("velko-lang-");
  WriteFile(fs::path(folder) / "xx" / "velkocore.po", CatalogueWith(entry));
  LanguageServer()->SetLanguagePath(folder);
  Ref<ILanguageSet> set = Loaded("xx");
  EXPECT_EQ(set->Translate("", "1::Big", Variant::Array({"!"})), big + "!");
  EXPECT_EQ(set->Translate("", "2::" + big, Variant()), big);
  fs::remove_all(folder);

  // A text that repeats a large parameter is cut instead of growing without bound, and never in
  // the middle of a character.
  String repeated = "3::a";
  for (int i = 0; i < 40; ++i)
    repeated += "%%1";
  String umlauts;
  for (int i = 0; i < (1 << 19); ++i)
    umlauts += "\xC3\xBC";
  const String filled = set->Translate("", repeated, Variant::Array({umlauts}));
  EXPECT_EQ(filled.size(), language::kMaxMessageBytes - 1);  // "a" and whole two-byte characters
  EXPECT_EQ(filled.substr(filled.size() - 2), "\xC3\xBC");
}

TEST_F(LanguageTest, CataloguesMustBeUtf8) {
  const String folder = test::MakeTempDir("velko-lang-");
  WriteFile(fs::path(folder) / "latin" / "velkocore.po",
            "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n\n"
            "msgctxt \"1\"\nmsgid \"A\"\nmsgstr \"\xE4\"\n");
  WriteFile(fs::path(folder) / "noheader" / "velkocore.po",
            "msgctxt \"1\"\nmsgid \"A\"\nmsgstr \"\xE4\"\n");
  // Found by fuzzing: UTF-8 declared in a spelling the reader does not know, Latin-1 inside.
  WriteFile(fs::path(folder) / "spelling" / "velkocore.po",
            "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charSet=UTF-8\\n\"\n\n"
            "msgctxt \"1\"\nmsgid \"A\"\nmsgstr \"\xE4\"\n");
  LanguageServer()->SetLanguagePath(folder);
  for (const char* language : {"latin", "noheader", "spelling"}) {
    const Error e = ErrorOf([&] { CreateLanguageSet()->Load(language); });
    EXPECT_EQ(e.Number(), err::kCatalogueBroken) << language;
    EXPECT_NE(e.Description().find("UTF-8"), String::npos) << e.Description();
  }
  fs::remove_all(folder);
}

// The compiled form kept after a read stands for exactly the PO content it was made from: an
// edit of the same size and time, a broken edit or a damaged compiled file never changes what
// the PO file says.
TEST_F(LanguageTest, CompiledCatalogueNeverOutlivesItsPoFile) {
  const String folder = test::MakeTempDir("velko-lang-");
  const fs::path po = fs::path(folder) / "xx" / "velkocore.po";
  const auto translated = [&] { return Loaded("xx")->Translate("", "1::A", Variant()); };
  LanguageServer()->SetLanguagePath(folder);

  WriteFile(po, CatalogueWith("msgctxt \"1\"\nmsgid \"A\"\nmsgstr \"Alpha\"\n"));
  EXPECT_EQ(translated(), "Alpha");
  const String compiled = language::CompiledCataloguePath(po.string());
  ASSERT_TRUE(fs::is_regular_file(compiled));
  EXPECT_EQ(translated(), "Alpha");  // now from the compiled form

  const auto time = fs::last_write_time(po);
  WriteFile(po, CatalogueWith("msgctxt \"1\"\nmsgid \"A\"\nmsgstr \"Omega\"\n"));
  fs::last_write_time(po, time);
  EXPECT_EQ(translated(), "Omega");

  String damaged = ReadFile(compiled);
  damaged[damaged.size() - 2] ^= 0x01;  // inside the last text
  WriteFile(compiled, damaged);
  EXPECT_EQ(translated(), "Omega");
  WriteFile(compiled, damaged.substr(0, damaged.size() / 2));
  EXPECT_EQ(translated(), "Omega");

  WriteFile(po, CatalogueWith("msgctxt \"1\"\nmsgid \"A\"\nmsgstr \"Omega\n"));
  EXPECT_EQ(ErrorOf([&] { Loaded("xx"); }).Number(), err::kCatalogueBroken);
  fs::remove_all(folder);
}

TEST(CompiledCatalogue, DecodesOnlyAnUndamagedFormOfItsSource) {
  language::Catalogue catalogue;
  catalogue.header = "Content-Type: text/plain; charset=UTF-8\n";
  catalogue.texts = {{"460", "Auswahl"},
                     {"E5100",
                      "L\xC3\xA4"
                      "dt %%1"}};
  const auto source = language::SourceOf("the PO text");
  const std::string bytes = language::EncodeCatalogue(catalogue, source);

  const auto decoded = language::DecodeCatalogue(bytes, source);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->texts, catalogue.texts);
  EXPECT_EQ(decoded->header, catalogue.header);

  EXPECT_FALSE(language::DecodeCatalogue(bytes, language::SourceOf("the PO text!")));
  for (std::size_t size = 0; size < bytes.size(); ++size)
    EXPECT_FALSE(language::DecodeCatalogue(bytes.substr(0, size), source)) << size;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    std::string flipped = bytes;
    flipped[at] ^= 0x20;
    EXPECT_FALSE(language::DecodeCatalogue(flipped, source)) << at;
  }

  // Well-formed files with a valid hash that no read of a PO file gives.
  const auto rejected = [&](language::Catalogue odd) {
    return !language::DecodeCatalogue(language::EncodeCatalogue(odd, source), source);
  };
  language::Catalogue latin = catalogue;
  latin.texts["1"] = "\xE4";
  EXPECT_TRUE(rejected(latin));
  language::Catalogue empty = catalogue;
  empty.texts["1"] = "";
  EXPECT_TRUE(rejected(empty));
  language::Catalogue declared = catalogue;
  declared.header = "Content-Type: text/plain; charset=ISO-8859-1\n";
  EXPECT_TRUE(rejected(declared));
}

TEST(LanguagePath, DefaultFollowsTheEnvironment) {
  const char* before = std::getenv("VELKO_LANGUAGE_PATH");
  const String saved = before ? before : "";
  setenv("VELKO_LANGUAGE_PATH", "/opt/velko/lang", 1);
  EXPECT_EQ(DefaultLanguagePath(), "/opt/velko/lang");
  unsetenv("VELKO_LANGUAGE_PATH");
  // The library of the build tree has no installed catalogues next to it.
  EXPECT_EQ(DefaultLanguagePath(), test::SourceDataPath("lang"));
  if (before) setenv("VELKO_LANGUAGE_PATH", saved.c_str(), 1);
}

// Every message key of the library and of the simulator plug-in has a text in every shipped
// language. The keys are those of the key lists beside the code, which the kit/message-keys test
// keeps in step with the code (string literals, the default registry and the error numbers).
TEST_F(LanguageTest, ShippedCataloguesCoverEveryKey) {
  const fs::path root = fs::path(test::SourceDataPath("..")).lexically_normal();
  const std::pair<String, fs::path> catalogues[] = {
      {"", root / "src" / "message_keys.txt"},
      {"Simulator", root / "plugins" / "simulator" / "message_keys.txt"}};
  LanguageServer()->SetLanguagePath(test::SourceDataPath("lang"));
  for (const auto& [plugInId, listFile] : catalogues) {
    std::set<String> keys;
    std::istringstream list(ReadFile(listFile));
    for (String line; std::getline(list, line);) {
      if (!line.empty() && line.front() != '#') keys.insert(line.substr(0, line.find('\t')));
    }
    ASSERT_GT(keys.size(), 50u) << listFile;
    for (const char* language : {"en", "de"}) {
      Ref<ILanguageSet> set = Loaded(language);
      for (const String& key : keys) {
        EXPECT_NE(set->Translate(plugInId, key + "::", Variant()), "")
            << language << " has no " << key << " for \"" << plugInId << "\"";
      }
    }
  }
}

}  // namespace
}  // namespace velko
