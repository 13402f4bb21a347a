// Hostile texts outside XML: a language catalogue with a message of 1 MB, and rich text nested
// 10,000 groups deep - in the RTF engine and in a report cell.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/test_paths.hpp"
#include "velko/core/error_module.hpp"
#include "velko/outside/html_report.hpp"
#include "velko/outside/language.hpp"
#include "velko/report/rtf_processor.hpp"

namespace velko {
namespace {

namespace fs = std::filesystem;

// A language folder "xx" below a temporary language path, the thread's server pointed at it for
// the test's life.
class HugeCatalogue : public ::testing::Test {
 protected:
  void SetUp() override {
    previousPath_ = LanguageServer()->LanguagePath();
    root_ = test::MakeTempDir("velko-hostile-lang");
    fs::create_directory(root_ + "/xx");
    LanguageServer()->SetLanguagePath(root_);
  }
  void TearDown() override {
    const Ref<ILanguageServer> server = LanguageServer();
    Quietly([&] { server->SetLanguagePath(previousPath_); });
    fs::remove_all(root_);
  }
  void WriteCatalogue(const String& text) {
    std::ofstream(root_ + "/xx/velkocore.po", std::ios::binary) << text;
  }

  String previousPath_;
  String root_;
};

String Header() {
  return "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";
}

// A translation and a default text of 1 MB each, on one line, come through whole.
TEST_F(HugeCatalogue, AMegabyteMessageOnOneLineTranslatesWhole) {
  constexpr std::size_t kSize = 1024u * 1024u;
  const String big(kSize - 1, 'w');
  const String translation = big + "!";
  const String defaultText = big + "?";
  WriteCatalogue(Header() + "msgctxt \"460\"\nmsgid \"Selections\"\nmsgstr \"" + translation +
                 "\"\n\nmsgctxt \"461\"\nmsgid \"" + defaultText + "\"\nmsgstr \"Short\"\n");
  const Ref<ILanguageSet> set = CreateLanguageSet();
  set->Load("xx");
  EXPECT_EQ(set->Translate(String(), "460::Selections", Variant()), translation);
  EXPECT_EQ(set->Translate(String(), "461::" + defaultText, Variant()), "Short");
  EXPECT_EQ(set->Translate(String(), "462::" + defaultText, Variant()), defaultText);
}

String Nested(int depth, const String& inner) {
  return String(static_cast<std::size_t>(depth), '{') + inner +
         String(static_cast<std::size_t>(depth), '}');
}

// Deeper than the engine goes: the text is not read as rich text, so stripping keeps it and
// joining takes it as plain text - its characters all come back.
TEST(HostileRtf, TenThousandNestedGroupsAreKeptAsText) {
  const String deep = "{\\rtf1 " + Nested(10000, "core") + "}";
  CRTFProcessor rtf;
  EXPECT_EQ(rtf.StripRTF(deep), deep);
  const String joined = rtf.AppendRTFText(deep, "tail");
  EXPECT_TRUE(rtf.IsRTF(joined));
  EXPECT_EQ(rtf.StripRTF(joined), deep + "\r\ntail");
}

// The same depth in report cells and headings: rendered without a crash, its text kept.
TEST(HostileRtf, TenThousandNestedGroupsInAReportCellRender) {
  HtmlReport report("hostile");
  const String cellText = Nested(10000, "{\\b core}");
  report.PrintHeading("{\\rtf1 " + Nested(10000, "heading") + "}");
  report.PrintTable("<5000|<5000", "", "a|" + cellText, 0, 0, 0);
  const String html = report.Html();
  EXPECT_NE(html.find("core"), String::npos);
  EXPECT_NE(html.find("heading"), String::npos);
}

}  // namespace
}  // namespace velko
