#include "velko/core/gtranslate.hpp"

#include <gtest/gtest.h>

#include <thread>

#include "support/fake_language_set.hpp"
#include "velko/core/translation.hpp"
#include "velko/frame/error.hpp"

namespace velko {
namespace {

TEST(TranslateText, ForwardsParametersAndUnwrapsAForwardedArray) {
  test::EchoLanguageGuard language;
  EXPECT_EQ(TranslateText("", "5::x", Variant::Array({1, 2})), "|5::x|1,2");
  // A caller forwarding the array it received as one argument: element 0 is the real array.
  EXPECT_EQ(TranslateText("P", "5::x", Variant::Array({Variant::Array({"a", "b"})})), "P|5::x|a,b");
  EXPECT_EQ(TranslateText("", "5::x", Variant(VariantArray{})), "|5::x|");
}

TEST(TranslateText, NoLanguageSetGivesEmptyText) {
  EXPECT_EQ(TranslateText("", "5::x"), "");
}

TEST(GTranslate, TranslateRefreshesTheUnicodeState) {
  test::EchoLanguageGuard language;
  auto g = GTranslate::Instance();
  EXPECT_EQ(g->IsUnicodeLanguage(), "False");
  language.set().SetUnicode(true, 134);
  g->Translate("", "1::a");
  EXPECT_EQ(g->IsUnicodeLanguage(), "True");
  EXPECT_EQ(g->LanguageCharSet(), 134);
  language.set().SetUnicode(false, 0);
  g->Translate("", "1::a");
}

TEST(GTranslate, ReturnComment) {
  auto g = GTranslate::Instance();
  const String text = String("Visible") + kCommentSeparator + "Printed";
  EXPECT_EQ(g->ReturnComment(text), "Visible");
  EXPECT_EQ(g->ReturnComment(text, true), "Printed");
  EXPECT_EQ(g->ReturnComment("Whole"), "Whole");
  EXPECT_EQ(g->ReturnComment("Whole", true), "");
  // The last separator splits.
  const String twice = String("a") + kCommentSeparator + "b" + kCommentSeparator + "c";
  EXPECT_EQ(g->ReturnComment(twice), String("a") + kCommentSeparator + "b");
}

TEST(GTranslate, ComparePlugInVersion) {
  auto g = GTranslate::Instance();
  struct Case {
    const char* a;
    const char* b;
    Long expected;
  };
  const Case cases[] = {{"1.2", "1.2.0", 0},     {"1.10.0", "1.9.9", 1}, {"2.0.0", "10.0.0", -1},
                        {"1.2.3.9", "1.2.3", 0}, {"1.2b", "1.2", 0},     {"", "0.0.0", 0},
                        {"3", "2.9.9", 1},       {"99999999999", "1", 0}};
  for (const auto& c : cases)
    EXPECT_EQ(g->ComparePlugInVersion(c.a, c.b), c.expected) << c.a;
}

TEST(GTranslate, PlugInVersionList) {
  auto g = GTranslate::Instance();
  EXPECT_TRUE(g->StorePlugInVersions("A;1.0.0;B;2.1.0").IsEmpty());
  EXPECT_EQ(g->SendPlugInVersion("B"), "2.1.0");
  EXPECT_EQ(g->SendPlugInVersion("b"), "");
  EXPECT_EQ(g->SendPlugInVersion("1.0.0"), "");
}

TEST(GTranslate, HostModeFlagsAreKeptPerThread) {
  auto g = GTranslate::Instance();
  g->SetCommandLineData("/$Kestrel-100");
  g->SetVitaraPlugInView(true);
  String seenInOtherThread = "unset";
  bool otherView = true;
  std::thread other([&] {
    seenInOtherThread = GTranslate::Instance()->CommandLineData();
    otherView = GTranslate::Instance()->VitaraPlugInView();
  });
  other.join();
  EXPECT_EQ(seenInOtherThread, "");
  EXPECT_FALSE(otherView);
  EXPECT_EQ(g->CommandLineData(), "/$Kestrel-100");
  g->SetCommandLineData("");
  g->SetVitaraPlugInView(false);
}

TEST(GTranslate, TemplateType) {
  auto g = GTranslate::Instance();
  for (Long type : {0, 1, 3}) {
    StoreTemplateType(type);
    EXPECT_FALSE(g->CheckTemplateType()) << type;
  }
  for (Long type : {2, 4}) {
    StoreTemplateType(type);
    EXPECT_TRUE(g->CheckTemplateType()) << type;
  }
  StoreTemplateType(1);
}

// Controls for the translation of captions: an item whose tool tip cannot be read.
class FakeControl final : public IControl {
 public:
  FakeControl(String caption, String tip, bool tipFails = false)
      : caption_(std::move(caption)), tip_(std::move(tip)), tipFails_(tipFails) {}
  String Caption() override { return caption_; }
  void SetCaption(const String& c) override { caption_ = c; }
  String ToolTipText() override {
    if (tipFails_) RaiseRuntimeError(438, "no such property");
    return tip_;
  }
  void SetToolTipText(const String& t) override { tip_ = t; }
  Ref<IControlFont> Font() override { return nullptr; }
  Ref<IControls> ButtonMenus() override { return menus_; }
  String Text() override { return caption_; }
  void SetText(const String& t) override { caption_ = t; }

  String caption_, tip_;
  bool tipFails_;
  Ref<IControls> menus_;
};

class FakeControls final : public IControls {
 public:
  Long Count() override { return static_cast<Long>(items.size()); }
  Ref<IControl> Item(Long i) override { return items.at(static_cast<std::size_t>(i - 1)); }
  std::vector<Ref<FakeControl>> items;
};

TEST(GTranslate, TranslatesCaptionsAndToolTipsSkippingEmptyAndFailingOnes) {
  test::EchoLanguageGuard language;
  auto controls = MakeRef<FakeControls>();
  controls->items = {MakeRef<FakeControl>("10::OK", "11::Tip"), MakeRef<FakeControl>("", "12::T"),
                     MakeRef<FakeControl>("13::Cancel", "", true)};
  GTranslate::Instance()->TranslateCtrls("P", controls);
  EXPECT_EQ(controls->items[0]->caption_, "P|10::OK|");
  EXPECT_EQ(controls->items[0]->tip_, "P|11::Tip|");
  EXPECT_EQ(controls->items[1]->caption_, "");
  EXPECT_EQ(controls->items[1]->tip_, "P|12::T|");
  EXPECT_EQ(controls->items[2]->caption_, "P|13::Cancel|");
}

}  // namespace
}  // namespace velko
