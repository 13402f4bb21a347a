// Hostile documents through the loaders: document type declarations and entities, a sequence
// nested far beyond any real one, and an attribute of 100 MB. Each ends in a clear error or a
// correct result, never in a crash, an expansion or a file read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/error_helpers.hpp"
#include "support/test_paths.hpp"
#include "testplugin/plugin_fixture.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/limits/standard_coll.hpp"
#include "velko/outside/progress_log.hpp"
#include "velko/outside/xml.hpp"
#include "velko/sequence/test_container.hpp"
#include "velko/service/data_item.hpp"
#include "velko/setup/test_setup.hpp"

namespace velko {
namespace {

namespace fs = std::filesystem;

// A file whose content must never show up anywhere: an external entity points at it.
class SecretFile {
 public:
  SecretFile() : folder_(test::MakeTempDir("velko-hostile")) { std::ofstream(Path()) << kMarker; }
  ~SecretFile() { fs::remove_all(folder_); }
  String Path() const { return folder_ + "/secret.txt"; }
  static constexpr const char* kMarker = "SECRET-7f3a9c";

 private:
  String folder_;
};

String WriteFile(const String& folder, const String& name, const String& text) {
  const String path = folder + "/" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// Each document is refused by the XML service, so no loader ever sees a text that an entity or
// an external DTD could have changed; the secret's content appears nowhere in the error.
TEST(HostileXml, DocumentsWithEntitiesOrExternalDtdsAreRefusedBeforeAnyLoaderSeesThem) {
  const SecretFile secret;
  const String uri = "file://" + secret.Path();
  const String laughs =
      "<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
      "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\"><!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">"
      "<!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\"><!ENTITY h "
      "\"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\">";
  const struct {
    const char* what;
    String text;
  } cases[] = {
      {"billion laughs in a limit key",
       "<!DOCTYPE Standards [" + laughs +
           "]>\n<Standards><Standard AlphaName=\"S\" "
           "CompleteName=\"S\"><Limit Key=\"&h;\"/></Standard></Standards>"},
      {"external entity in a device item",
       "<!DOCTYPE Setup [<!ENTITY secret SYSTEM \"" + uri +
           "\">]>\n"
           "<Setup><DUT><Item Name=\"Model\">&secret;</Item></DUT></Setup>"},
      {"parameter entity pulling in the secret",
       "<!DOCTYPE Setup [<!ENTITY % ext SYSTEM \"" + uri + "\"> %ext;]>\n<Setup/>"},
      {"external DTD with default attributes", "<!DOCTYPE Setup SYSTEM \"" + uri + "\">\n<Setup/>"},
  };
  const String folder = test::MakeTempDir("velko-hostile-docs");
  for (const auto& c : cases) {
    const String path = WriteFile(folder, "doc.xml", c.text);
    const Ref<IXmlFile> file = CreateXmlFile();
    const Error e = test::CaughtError([&] { file->Open(path); });
    EXPECT_EQ(e.Number(), err::kXmlMalformed) << c.what;
    EXPECT_EQ(e.Description().find(SecretFile::kMarker), String::npos) << c.what;
    EXPECT_TRUE(file->Document()->DocumentElement().IsNone()) << c.what;
  }
  fs::remove_all(folder);
}

// An entity reference without a declaration stays literal text, also through a loader.
TEST(HostileXml, UndeclaredEntityReferencesReachTheLoaderAsPlainText) {
  const Ref<IXmlElement> dut =
      ParseXmlDocument("<!DOCTYPE DUT>\n<DUT><Item Name=\"Model\">&secret;</Item></DUT>")
          ->DocumentElement();
  auto items = MakeRef<CItemCollection>();
  items->Load(dut, MakeRef<CollectingLog>());
  ASSERT_EQ(items->Count(), 1);
  EXPECT_EQ(items->Item(1)->Data(), "&secret;");
}

// One attribute of 100 MB loads completely and in one piece. The text is built once; nothing is
// timed.
TEST(HostileXml, AHundredMegabyteAttributeLoadsWhole) {
  constexpr std::size_t kSize = 100u * 1024u * 1024u;
  String text = "<DUT><Item Name=\"Model\" Caption=\"";
  const std::size_t prefix = text.size();
  text.resize(prefix + kSize, 'x');
  text[prefix + kSize / 2] = 'm';  // a mark in the middle shows that nothing was cut or moved
  text += "\">value</Item></DUT>";

  auto items = MakeRef<CItemCollection>();
  {
    const Ref<IXmlDocument> document = ParseXmlDocument(text);
    text = String();  // the document holds its own copy
    items->Load(document->DocumentElement(), MakeRef<CollectingLog>());
  }
  ASSERT_EQ(items->Count(), 1);
  const String caption = items->Item(1)->Caption();
  EXPECT_EQ(caption.size(), kSize);
  EXPECT_EQ(caption[kSize / 2], 'm');
  EXPECT_EQ(items->Item(1)->Data(), "value");
}

class HostileSequence : public test::TestPlugInFixture {};

// 100,000 nested containers end in the nesting error at the limit instead of exhausting the
// stack; the root keeps nothing of the broken tree.
TEST_F(HostileSequence, NestingFarBeyondTheLimitFailsWithTheNestingError) {
  test::StartCoreWith({"A"});
  constexpr int kDepth = 100000;
  String text;
  text.reserve(kDepth * 70);
  for (int i = 1; i <= kDepth; ++i)
    text += "<TestElement ID=\"" + std::to_string(i) + "\"><PlugIn Name=\"A\" TestID=\"1\"/>";
  for (int i = 0; i < kDepth; ++i)
    text += "</TestElement>";
  const Ref<IXmlDocument> document = ParseXmlDocument(text);

  auto root = MakeRef<CTestContainer>();
  const auto log = MakeRef<CollectingLog>();
  const Error e = test::CaughtError([&] { root->Load(document->DocumentElement(), log); });
  EXPECT_EQ(e.Number(), err::kNestingTooDeep);
  EXPECT_EQ(e.Source(), "VelkoCore.CTestContainer");
  EXPECT_EQ(root->Count(), 0);
  EXPECT_TRUE(log->AllSectionsClosed());
  root->Terminate();
}

}  // namespace
}  // namespace velko
