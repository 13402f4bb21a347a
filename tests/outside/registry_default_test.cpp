// A user without a registry file starts from the installed default: the store reads as the seed
// until the first write creates the user's file from it; VELKO_REGISTRY is used exactly as it is.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "outside/registry/registry_store.hpp"
#include "support/test_paths.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/frame/error.hpp"
#include "velko/outside/registry.hpp"

namespace velko {
namespace {

namespace fs = std::filesystem;

String ReadFile(const String& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const String& path, const String& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Section `path` of a document, or null.
const RegSection* Section(const RegDocument& doc, const String& path) {
  for (const auto& section : doc.sections) {
    if (section.path == path) return &section;
  }
  return nullptr;
}

// Keeps an environment variable and puts it back.
class SavedEnv {
 public:
  explicit SavedEnv(const char* name) : name_(name) {
    if (const char* v = std::getenv(name)) value_ = v;
  }
  ~SavedEnv() { value_ ? setenv(name_, value_->c_str(), 1) : unsetenv(name_); }
  SavedEnv(const SavedEnv&) = delete;
  SavedEnv& operator=(const SavedEnv&) = delete;

 private:
  const char* name_;
  std::optional<String> value_;
};

class RegistrySeedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::MakeTempDir("velko-registry-seed");
    WriteFile(Seed(),
              "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Base]\n"
              "\"from\"=\"seed\"\n");
  }
  void TearDown() override {
    UseDefaultRegistry();
    fs::remove_all(dir_);
  }
  String Path(const String& name) const { return dir_ + "/" + name; }
  String Seed() const { return Path("seed.reg"); }

  String dir_;
};

TEST_F(RegistrySeedTest, MissingStoreReadsAsSeedAndFirstWriteCopiesIt) {
  const auto store = MakeFileRegistryStore(Path("user/registry.reg"), Seed());
  ASSERT_NE(Section(*store->Read(), "Software\\Base"), nullptr);
  EXPECT_FALSE(fs::exists(Path("user/registry.reg")));  // reading creates nothing

  store->Write([](RegDocument& doc) {
    doc.sections.push_back({"HKEY_LOCAL_MACHINE",
                            "Software\\Mine",
                            FoldedKey("HKEY_LOCAL_MACHINE", "Software\\Mine"),
                            {}});
    return true;
  });
  const String written = ReadFile(Path("user/registry.reg"));
  EXPECT_NE(written.find("[HKEY_LOCAL_MACHINE\\Software\\Base]"), String::npos);
  EXPECT_NE(written.find("[HKEY_LOCAL_MACHINE\\Software\\Mine]"), String::npos);
  EXPECT_EQ(ReadFile(Seed()).find("Mine"), String::npos);  // the seed is never written

  // From now on the user's file counts: a change of the seed no longer shows.
  WriteFile(Seed(),
            "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\New]\n");
  EXPECT_EQ(Section(*store->Read(), "Software\\New"), nullptr);
}

TEST_F(RegistrySeedTest, StoreFileThatAppearsLaterIsReadInsteadOfTheSeed) {
  const auto store = MakeFileRegistryStore(Path("registry.reg"), Seed());
  ASSERT_NE(Section(*store->Read(), "Software\\Base"), nullptr);
  WriteFile(Path("registry.reg"),
            "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Other]\n");
  const auto doc = store->Read();
  EXPECT_EQ(Section(*doc, "Software\\Base"), nullptr);
  EXPECT_NE(Section(*doc, "Software\\Other"), nullptr);
}

TEST_F(RegistrySeedTest, BrokenSeedIsReportedAndCreatesNothing) {
  WriteFile(Seed(), "not a registry file\n");
  const auto store = MakeFileRegistryStore(Path("registry.reg"), Seed());
  try {
    store->Write([](RegDocument&) { return true; });
    FAIL() << "a broken seed was accepted";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), err::kRegistryFileBroken);
    EXPECT_NE(e.Description().find(Seed()), String::npos) << e.Description();
  }
  EXPECT_FALSE(fs::exists(Path("registry.reg")));
}

TEST_F(RegistrySeedTest, DefaultStoreSeedsOnlyWithoutVelkoRegistry) {
  const SavedEnv registry("VELKO_REGISTRY");
  const SavedEnv config("XDG_CONFIG_HOME");
  setenv("XDG_CONFIG_HOME", Path("config").c_str(), 1);

  // A fresh user: the default store reads as the installed default (here: the source tree's).
  unsetenv("VELKO_REGISTRY");
  ASSERT_EQ(InitialRegistryFile(), test::SourceDataPath("registry/default.reg"));
  UseDefaultRegistry();
  Ref<IRegistryKey> key = CreateRegistryKey();
  key->OpenKey(kHKeyLocalMachine, kVelkoRootKey);
  EXPECT_EQ(key->Value("FirstPlugInToLoad").ToString(), "Simulator");
  EXPECT_FALSE(fs::exists(Path("config/velko/registry.reg")));

  // VELKO_REGISTRY names the file to use as it is: a missing one is an empty registry.
  setenv("VELKO_REGISTRY", Path("explicit.reg").c_str(), 1);
  UseDefaultRegistry();
  key = CreateRegistryKey();
  try {
    key->OpenKey(kHKeyLocalMachine, kVelkoRootKey);
    FAIL() << "the explicit registry was seeded";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), err::kRegistryKeyMissing);
  }
}

}  // namespace
}  // namespace velko
