// Start-up, the plug-in manager in its three modes against the real test plug-in library, and
// the event relay.
#include "velko/core/plugin_manager.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "support/error_helpers.hpp"
#include "support/test_paths.hpp"
#include "testplugin/plugin_fixture.hpp"
#include "velko/core/callback.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/outside/error_server.hpp"
#include "velko/outside/language.hpp"
#include "velko/outside/xml.hpp"
#include "velko/setup/system_options.hpp"
#include "velko/typelib/sequence.hpp"

namespace velko::test {
namespace {

std::vector<String> LoadedIds(const Ref<IPlugInManager>& manager) {
  std::vector<String> ids;
  for (Long i = 1; i <= manager->Count(); ++i)
    ids.push_back(manager->Item(i)->ID());
  return ids;
}

std::vector<Long> TopLevelTests(const Ref<IPlugIn>& plugIn) {
  std::vector<Long> tests;
  for (auto element : EnumRange<ITestElement>(plugIn->Elements()->NewEnum())) {
    tests.push_back(element->TestID());
  }
  return tests;
}

std::vector<Long> ChildTests(const Ref<IPlugIn>& plugIn, Long testId) {
  std::vector<Long> tests;
  auto group = QueryInterface<ITestContainer>(plugIn->Elements()->FindElement(testId));
  for (auto element : EnumRange<ITestElement>(group->NewEnum()))
    tests.push_back(element->TestID());
  return tests;
}

Long LastErrorFlags() {
  return ErrorServer()->ErrorObject()->LastFlags();
}

using PlugInManagerTest = TestPlugInFixture;

TEST_F(PlugInManagerTest, NormalModeLoadsTheFirstPlugInFirstAndEveryPlugInOnce) {
  Ref<IPlugInManager> manager = StartCoreWith({"A", "B", "C"}, "C");
  EXPECT_EQ(LoadedIds(manager), (std::vector<String>{"C", "A", "B"}));
  EXPECT_EQ(InitializeCount("C"), 1);
  EXPECT_EQ(InitializeCount("A"), 1);

  // A second Refresh creates and initialises the objects again but keeps one per ID.
  manager->Refresh(nullptr);
  EXPECT_EQ(LoadedIds(manager), (std::vector<String>{"C", "A", "B"}));
  EXPECT_EQ(InitializeCount("C"), 2);
  EXPECT_EQ(InitializeCount("B"), 2);
}

TEST_F(PlugInManagerTest, WithoutAFirstPlugInTheRegistryOrderHolds) {
  EXPECT_EQ(LoadedIds(StartCoreWith({"B", "A"})), (std::vector<String>{"B", "A"}));
}

TEST_F(PlugInManagerTest, ListMembersNeedInitializeAndKnownPlugIns) {
  WritePlugInIds({"A"});
  GInitialize::Instance()->InitCore();
  Ref<IPlugInManager> manager = GInitialize::Instance()->PlugInManager();
  for (auto call : std::vector<std::function<void()>>{
           [&] { manager->Count(); }, [&] { manager->Item(1); }, [&] { manager->PlugIn("A"); }}) {
    EXPECT_EQ(ErrorNumberOf(call), err::kPlugInsNotInitialized);
    EXPECT_EQ(LastErrorFlags(), 8);  // level 4
  }
  EXPECT_TRUE(manager->CreateTestElement("A", 100) == nullptr);

  manager->Initialize(nullptr);
  for (auto call : std::vector<std::function<void()>>{
           [&] { manager->Item(0); }, [&] { manager->Item(2); }, [&] { manager->PlugIn("a"); }}) {
    const Error e = CaughtError(call);
    EXPECT_EQ(e.Number(), err::kPlugInNotFound);
    EXPECT_EQ(e.Source(), "VelkoCore.CPlugInManager");
    EXPECT_EQ(LastErrorFlags(), 1);  // level 1
  }
  EXPECT_EQ(manager->PlugIn("A")->ID(), "A");
}

TEST_F(PlugInManagerTest, CreatesElementsOrNoneWithoutRaising) {
  Ref<IPlugInManager> manager = StartCoreWith({"A"});
  Ref<ITestElement> leaf = manager->CreateTestElement("A", 200);
  ASSERT_TRUE(leaf);
  EXPECT_EQ(leaf->PlugInID(), "A");
  EXPECT_EQ(leaf->TestID(), 200);
  EXPECT_TRUE(QueryInterface<ITestContainer>(manager->CreateTestElement("A", 5)));

  EXPECT_TRUE(manager->CreateTestElement("", 200) == nullptr);
  EXPECT_TRUE(manager->CreateTestElement("A", 0) == nullptr);
  EXPECT_TRUE(manager->CreateTestElement("Z", 200) == nullptr);

  struct Case {
    const char* xml;
    bool created;
  };
  for (const Case& c : {
           Case{R"(<TestElement ID="1"><PlugIn Name="A" TestID="200"/></TestElement>)", true},
           Case{R"(<TestElement ID="1"><Info/><PlugIn Name="A" TestID=" 200 "/></TestElement>)",
                true},
           Case{R"(<TestElement ID="1"/>)", false},
           Case{R"(<TestElement ID="1"><PlugIn Name="A" TestID="abc"/></TestElement>)", false},
           Case{R"(<TestElement ID="1"><PlugIn Name="A"/></TestElement>)", false},
           Case{R"(<TestElement ID="1"><PlugIn Name="Z" TestID="200"/></TestElement>)", false},
       }) {
    Ref<ITestElement> node = manager->CreateITEfromXML(ParseXmlDocument(c.xml)->DocumentElement());
    EXPECT_EQ(static_cast<bool>(node), c.created) << c.xml;
  }
  EXPECT_TRUE(manager->CreateITEfromXML(nullptr) == nullptr);
}

TEST_F(PlugInManagerTest, CommandLineKeepsNamedPlugInsAndTests) {
  GTranslate::Instance()->SetCommandLineData("/$Kestrel-100,200:Vitara");
  Ref<IPlugInManager> manager = StartCoreWith({"Kestrel", "Petrel", "Vitara", "Condor"}, "Petrel");
  EXPECT_EQ(LoadedIds(manager), (std::vector<String>{"Kestrel", "Vitara"}));
  EXPECT_EQ(TopLevelTests(manager->PlugIn("Kestrel")), (std::vector<Long>{100, 200}));
  EXPECT_EQ(TopLevelTests(manager->PlugIn("Vitara")).size(), 6u);
}

TEST_F(PlugInManagerTest, CommandLineTestNumberThatIsNotANumberFailsTheRefresh) {
  GTranslate::Instance()->SetCommandLineData("/$Kestrel-1x0");
  WritePlugInIds({"Kestrel"});
  GInitialize::Instance()->InitCore();
  const Error e =
      CaughtError([] { GInitialize::Instance()->PlugInManager()->Initialize(nullptr); });
  EXPECT_EQ(e.Number(), err::kUnexpected);
  EXPECT_EQ(e.Source(), "VelkoCore.CPlugInManager");
}

TEST_F(PlugInManagerTest, VitaraViewLoadsTheVitaraPlugInWithItsReducedTests) {
  GTranslate::Instance()->SetVitaraPlugInView(true);
  Ref<IPlugInManager> manager = StartCoreWith({"A", "Vitara", "B"});
  ASSERT_EQ(LoadedIds(manager), (std::vector<String>{"Vitara"}));
  Ref<IPlugIn> vitara = manager->PlugIn("Vitara");
  EXPECT_EQ(TopLevelTests(vitara), (std::vector<Long>{100, 200, 300, 500, 700}));
  EXPECT_EQ(ChildTests(vitara, 500), (std::vector<Long>{510}));
  EXPECT_EQ(ChildTests(vitara, 700), (std::vector<Long>{710}));
  Ref<IElementInfo> renamed = vitara->Elements()->FindElement(100)->Info();
  EXPECT_EQ(renamed->Name(), "Step");
  EXPECT_EQ(renamed->TestType(), "Step");
}

TEST_F(PlugInManagerTest, VitaraViewLoadsOnlyTheFirstPlugInBesidesVitara) {
  GTranslate::Instance()->SetVitaraPlugInView(true);
  EXPECT_EQ(LoadedIds(StartCoreWith({"A", "B"})), std::vector<String>{});
  EXPECT_EQ(LoadedIds(StartCoreWith({"A", "B"}, "B")), std::vector<String>{"B"});
  // The first plug-in keeps its tests unless it is the Vitara one.
  EXPECT_EQ(TopLevelTests(GInitialize::Instance()->PlugInManager()->PlugIn("B")).size(), 6u);
}

TEST_F(PlugInManagerTest, PlugInsThatFailToLoadAreReportedAndSkipped) {
  GTranslate::Instance()->SelectLanguageSet("en");
  // A registered class whose library is gone.
  Ref<IRegistryKey> key = CreateRegistryKey();
  key->CreateKey(kHKeyLocalMachine, "Software\\Classes\\VelkoTest.Gone\\CLSID");
  key->SetValue(Variant(String()), Variant("{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5EEE}"));
  key->CreateKey(
      kHKeyLocalMachine,
      "Software\\Classes\\CLSID\\{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5EEE}\\InprocServer32");
  key->SetValue(Variant(String()), Variant("/nonexistent/libvelkogone.so"));
  WritePlugInList({{"Failing", TestProgId("Failing")},
                   {"A", TestProgId("A")},
                   {"BadConfig", TestProgId("BadConfig")},
                   {"Quiet", TestProgId("Quiet")},
                   {"Gone", "VelkoTest.Gone"},
                   {"Unregistered", "VelkoTest.CUnregistered"},
                   {"B", TestProgId("B")}});
  GInitialize::Instance()->InitCore();
  Ref<IPlugInManager> manager = GInitialize::Instance()->PlugInManager();
  manager->Initialize(nullptr);

  EXPECT_EQ(LoadedIds(manager), (std::vector<String>{"A", "B"}));
  const auto& boxes = ui->MessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);  // Failing, BadConfig, Gone; Quiet and Unregistered stay silent
  for (const auto& box : boxes) {
    EXPECT_EQ(box.caption, "Brenn Norvale Velko");
    EXPECT_EQ(box.flags, ui::kMbOk | ui::kMbIconExclamation);
  }
  EXPECT_NE(boxes[0].text.find("Failing"), String::npos) << boxes[0].text;
  EXPECT_NE(boxes[0].text.find(std::to_string(ErrorNumber(0x8004A250u))), String::npos);
  EXPECT_NE(boxes[0].text.find("41040"), String::npos);  // 0x8004A250 - 0x80040200
  EXPECT_NE(boxes[1].text.find("BadConfig (VelkoTest.CBadConfig)"), String::npos) << boxes[1].text;
  EXPECT_NE(boxes[2].text.find("Gone"), String::npos) << boxes[2].text;
}

TEST_F(PlugInManagerTest, MissingPlugInListKeyFailsTheRefresh) {
  GInitialize::Instance()->InitCore();
  CreateRegistryKey()->DeleteKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathPlugIns));
  const Error e = CaughtError([] { GInitialize::Instance()->PlugInManager()->Refresh(nullptr); });
  EXPECT_EQ(e.Number(), err::kPlugInListKey);
  EXPECT_EQ(LastErrorFlags(), 4);  // level 3
}

TEST_F(PlugInManagerTest, TerminationInitialisesPetrelOnceMoreAndReleasesThePlugIns) {
  Ref<IPlugInManager> manager = StartCoreWith({"A", "Petrel"});
  std::weak_ptr<IPlugIn> petrel = manager->PlugIn("Petrel").shared();
  manager.Reset();
  EXPECT_EQ(InitializeCount("Petrel"), 1);
  GInitialize::Instance()->ShutDownCore();
  EXPECT_EQ(InitializeCount("Petrel"), 2);
  EXPECT_EQ(InitializeCount("A"), 1);
  EXPECT_TRUE(petrel.expired());
  EXPECT_TRUE(GInitialize::Instance()->PlugInManager() == nullptr);
}

TEST_F(PlugInManagerTest, InitCoreReplacesTheManagerAndSetsTheLanguagePath) {
  StartCoreWith({"A"});
  const String folder = MakeTempDir("velko-lang-");
  SharedSystemOptions()->SetLanguage("Path", folder);
  GInitialize::Instance()->InitCore();
  EXPECT_EQ(LanguageServer()->LanguagePath(), folder);
  EXPECT_EQ(ErrorNumberOf([] { GInitialize::Instance()->PlugInManager()->Count(); }),
            err::kPlugInsNotInitialized);

  SharedSystemOptions()->SetLanguage("Path", "");
  GInitialize::Instance()->InitCore();
  EXPECT_EQ(LanguageServer()->LanguagePath(), DefaultLanguagePath());

  SharedSystemOptions()->SetLanguage("Path", folder + "/missing");
  EXPECT_EQ(ErrorNumberOf([] { GInitialize::Instance()->InitCore(); }), err::kLanguagePath);
  std::filesystem::remove_all(folder);
}

TEST_F(PlugInManagerTest, EachThreadHasItsOwnManager) {
  Ref<IPlugInManager> mine = StartCoreWith({"A", "B"});
  Ref<IPlugInManager> theirs;
  std::vector<String> theirIds;
  std::thread other([&] {
    PrepareTestPlugInThread();
    theirs = StartCoreWith({"C"});
    theirIds = LoadedIds(theirs);
    GInitialize::Instance()->ShutDownCore();
  });
  other.join();
  EXPECT_FALSE(SameObject(mine, theirs));
  EXPECT_EQ(theirIds, std::vector<String>{"C"});
  EXPECT_TRUE(SameObject(GInitialize::Instance()->PlugInManager(), mine));
  EXPECT_EQ(LoadedIds(mine), (std::vector<String>{"A", "B"}));
}

TEST_F(PlugInManagerTest, PlugInSetupBelongsInTheResultUpToTheModelsLimitVersion) {
  StartCoreWith({"A"});
  WritePlugInList({{"Harrier", TestProgId("Harrier")},
                   {"Falcon", TestProgId("Falcon")},
                   {"A", TestProgId("A")}});
  GInitialize::Instance()->PlugInManager()->Refresh(nullptr);
  Ref<GTranslate> translate = GTranslate::Instance();

  translate->StorePlugInVersions("Harrier;1.0.4;Falcon;2.1.0");
  EXPECT_TRUE(translate->AddPlugInSetupInResult("Harrier"));  // own version 1.0.5 = limit
  EXPECT_FALSE(translate->AddPlugInSetupInResult("Falcon"));  // own version 2.3.0 > 2.2.0
  EXPECT_TRUE(translate->AddPlugInSetupInResult("A"));        // not a limited model
  translate->StorePlugInVersions("Harrier;1.1.0");
  EXPECT_FALSE(translate->AddPlugInSetupInResult("Harrier"));  // stored version too new
  EXPECT_EQ(ErrorNumberOf([&] { translate->AddPlugInSetupInResult("Osprey"); }),
            err::kPlugInNotFound);
  translate->StorePlugInVersions("");
}

TEST(CallBackTest, RelaysNamedEventsWithACopyOfTheData) {
  auto relay = MakeRef<CCallBack>();
  std::vector<String> names;
  VariantArray received;
  const Long cookie = relay->Advise([&](String& name, VariantArray& data) {
    names.push_back(name);
    received = data;
    data[0] = Variant("changed by the subscriber");
  });

  auto object = MakeRef<CCallBack>();
  String empty;
  VariantArray data{Variant(Long{5}), Variant(object), Variant("text")};
  relay->SendEvent(empty, data);
  EXPECT_TRUE(names.empty());

  String name = "Measured";
  relay->SendEvent(name, data);
  ASSERT_EQ(names, std::vector<String>{"Measured"});
  ASSERT_EQ(received.size(), 3u);
  EXPECT_EQ(received[0].ToLong(), 5);
  EXPECT_TRUE(SameObject(received[1].ToObject(), object));
  EXPECT_EQ(data[0].ToLong(), 5);  // the sender's data is not the subscriber's copy

  relay->Unadvise(cookie);
  relay->SendEvent(name, data);
  EXPECT_EQ(names.size(), 1u);
}

TEST(CallBackTest, AFailingSubscriberDoesNotStopTheOthers) {
  auto relay = MakeRef<CCallBack>();
  int calls = 0;
  relay->Advise([](String&, VariantArray&) { throw Error(5, "test", "subscriber failed"); });
  relay->Advise([&](String&, VariantArray&) { ++calls; });
  String name = "Go";
  VariantArray data;
  relay->SendEvent(name, data);
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace velko::test
