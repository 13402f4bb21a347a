// The test guide settings (object and XML) and the system options kept in the registry.
#include <gtest/gtest.h>

#include "support/error_helpers.hpp"
#include "support/failing_xml.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/outside/error_server.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/xml.hpp"
#include "velko/setup/system_options.hpp"
#include "velko/setup/test_guide_settings.hpp"

namespace velko::test {
namespace {

Ref<IXmlElement> Parse(const String& xml) {
  return ParseXmlDocument(xml)->DocumentElement();
}

Variant RegistryValue(Long pathId, const String& suffix, const String& name) {
  Ref<IRegistryKey> key = CreateRegistryKey();
  key->OpenKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(pathId) + suffix);
  return key->Value(Variant(name));
}

TEST(TestGuideSettingsTest, StartsWithBothButtonsOnTopAndFixedSize) {
  CTestGuideSettings settings;
  EXPECT_EQ(settings.EnableButton(), 3);
  EXPECT_TRUE(settings.AlwaysOnTop());
  EXPECT_FALSE(settings.ShowMaximized());
  EXPECT_FALSE(settings.AllowResize());
}

TEST(TestGuideSettingsTest, SavesTheButtonBitsOnly) {
  auto settings = MakeRef<CTestGuideSettings>();
  settings->SetEnableButton(2);
  settings->SetShowMaximized(true);
  Ref<IXmlDocument> doc = CreateXmlDocument();
  Ref<IXmlElement> saved = settings->Save(doc);
  ASSERT_EQ(saved->TagName(), "TestGuideSettings");
  ASSERT_EQ(saved->ChildNodes()->NodeCount(), 1);
  Ref<IXmlElement> buttons = saved->FindChild("EnableBtn");
  EXPECT_EQ(buttons->GetAttribute("Skip"), "False");
  EXPECT_EQ(buttons->GetAttribute("NA"), "True");
}

TEST(TestGuideSettingsTest, LoadResetsFirstAndTakesOnlyTheExactTrue) {
  struct Case {
    const char* xml;
    Long buttons;
  };
  for (const Case& c : {
           Case{"<TestGuideSettings/>", 3},
           Case{R"(<Other><EnableBtn Skip="True" NA="False"/></Other>)", 1},
           Case{R"(<TestGuideSettings><EnableBtn Skip="true" NA="True"/></TestGuideSettings>)", 2},
           Case{R"(<TestGuideSettings><EnableBtn/></TestGuideSettings>)", 0},
       }) {
    auto settings = MakeRef<CTestGuideSettings>();
    settings->SetAlwaysOnTop(false);
    settings->SetAllowResize(true);
    settings->Load(Parse(c.xml), nullptr);
    EXPECT_EQ(settings->EnableButton(), c.buttons) << c.xml;
    EXPECT_TRUE(settings->AlwaysOnTop()) << c.xml;
    EXPECT_FALSE(settings->AllowResize()) << c.xml;
  }
  auto settings = MakeRef<CTestGuideSettings>();
  settings->SetEnableButton(0);
  settings->Load(nullptr, nullptr);
  EXPECT_EQ(settings->EnableButton(), 3);
}

TEST(TestGuideSettingsTest, CloneKeepsAllFourFields) {
  auto settings = MakeRef<CTestGuideSettings>();
  settings->SetEnableButton(1);
  settings->SetShowMaximized(true);
  settings->SetAlwaysOnTop(false);
  settings->SetAllowResize(true);
  Ref<ITestGuideSettings> copy = settings->Clone();
  EXPECT_FALSE(SameObject(copy, settings));
  EXPECT_EQ(copy->EnableButton(), 1);
  EXPECT_TRUE(copy->ShowMaximized());
  EXPECT_FALSE(copy->AlwaysOnTop());
  EXPECT_TRUE(copy->AllowResize());
}

TEST(TestGuideSettingsTest, SaveWithoutElementsRaisesItsSaveError) {
  for (const char* tag : {"EnableBtn", "TestGuideSettings"}) {
    auto doc = MakeRef<FailingXmlDocument>();
    doc->FailForTag(tag);
    const Error e = CaughtError([&] { MakeRef<CTestGuideSettings>()->Save(doc); });
    EXPECT_EQ(e.Number(), err::kSetupSave) << tag;
    EXPECT_EQ(e.Source(), "VelkoCore.CTestGuideSettings");
    EXPECT_EQ(ErrorServer()->ErrorObject()->LastFlags(), 4);  // level 3
  }
}

class SystemOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override { UseInMemoryRegistry(); }
  void TearDown() override {
    SetSharedSystemOptions(nullptr);
    UseDefaultRegistry();
  }
};

TEST_F(SystemOptionsTest, MissingValuesGiveTheDefaults) {
  CSystemOptions options;
  EXPECT_TRUE(options.AddDocumentHistory());
  EXPECT_FALSE(options.DisplayServiceRecord());
  EXPECT_EQ(options.TestGuideSettings(), 0);
  EXPECT_EQ(options.Language("Path"), "");
  EXPECT_TRUE(options.ReportSetting("Logo").IsNull());
  EXPECT_TRUE(options.TemplateSettings("Folder").IsNull());
  EXPECT_EQ(options.TemplateRoot(), "");
}

TEST_F(SystemOptionsTest, WritesGoToTheRegistryAtOnce) {
  CSystemOptions writer;
  CSystemOptions reader;
  writer.SetAddDocumentHistory(false);
  writer.SetTestGuideSettings(12);
  writer.SetLanguage("Path", "/opt/velko/lang");
  writer.SetReportSetting("Copies", Variant(Long{2}));
  writer.SetTemplateSettings("Folder", Variant("/templates"));

  EXPECT_TRUE(reader.AddDocumentHistory());  // always True, whatever is stored
  EXPECT_EQ(RegistryValue(kRegPathGeneral, "", "Add document history").ToLong(), 0);
  EXPECT_EQ(reader.TestGuideSettings(), 12);
  EXPECT_EQ(reader.Language("Path"), "/opt/velko/lang");
  EXPECT_EQ(reader.ReportSetting("Copies").ToLong(), 2);
  EXPECT_EQ(reader.TemplateSettings("Folder").ToString(), "/templates");
  EXPECT_EQ(RegistryValue(kRegPathProduct, "\\Template", "Folder").ToString(), "/templates");
}

TEST_F(SystemOptionsTest, DisplayServiceRecordIsAnyNonZeroNumber) {
  Ref<IRegistryKey> key = CreateRegistryKey();
  key->CreateKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathGeneral));
  CSystemOptions options;
  key->SetValue(Variant("DisplayServiceRecord"), Variant(Long{0}));
  EXPECT_FALSE(options.DisplayServiceRecord());
  key->SetValue(Variant("DisplayServiceRecord"), Variant(Long{-1}));
  EXPECT_TRUE(options.DisplayServiceRecord());
  key->SetValue(Variant("Test guide settings"), Variant("not a number"));
  EXPECT_EQ(options.TestGuideSettings(), 0);  // never raises
}

TEST_F(SystemOptionsTest, SharedOptionsAreMadeOnceAndCanBeReplaced) {
  Ref<ISystemOptions> shared = SharedSystemOptions();
  EXPECT_TRUE(SameObject(SharedSystemOptions(), shared));
  SetSharedSystemOptions(nullptr);
  EXPECT_FALSE(SameObject(SharedSystemOptions(), shared));
}

}  // namespace
}  // namespace velko::test
