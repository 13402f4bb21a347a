#include "velko/frame/class_table.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "velko/core/error_numbers.hpp"
#include "velko/frame/module.hpp"
#include "velko/frame/runtime.hpp"
#include "velko/outside/registry.hpp"
#include "velko/typelib/typelib.hpp"

namespace velko {
namespace {

// Every interface of the outside type library.
std::vector<InterfaceInfo> AllInterfaces() {
#define VELKO_IF(I) InterfaceOf<I>(#I)
  return {VELKO_IF(ITestElement),    VELKO_IF(ITestContainer),
          VELKO_IF(IElementInfo),    VELKO_IF(IElementInfo2),
          VELKO_IF(IElementFilter),  VELKO_IF(IConfigData),
          VELKO_IF(IElementLimits),  VELKO_IF(IResult),
          VELKO_IF(IMeasurement),    VELKO_IF(IStandardMeasurement),
          VELKO_IF(ILimit),          VELKO_IF(ILimit2),
          VELKO_IF(ILimit3),         VELKO_IF(ILimitColl),
          VELKO_IF(ILimitReference), VELKO_IF(IStandard),
          VELKO_IF(IStandardColl),   VELKO_IF(IStandardColl2),
          VELKO_IF(IUnitConverter),  VELKO_IF(ITestSetup),
          VELKO_IF(ITestStatus),     VELKO_IF(IMTIData),
          VELKO_IF(IMTIDataColl),    VELKO_IF(ITestGuideSettings),
          VELKO_IF(ISystemOptions),  VELKO_IF(IActivity),
          VELKO_IF(IActivities),     VELKO_IF(IActivityDefinition),
          VELKO_IF(IServiceRecord),  VELKO_IF(IDataItem),
          VELKO_IF(IItemCollection), VELKO_IF(IPlugIn),
          VELKO_IF(IPlugInManager),  VELKO_IF(ICallBack),
          VELKO_IF(IReport),         VELKO_IF(IProgressLog),
          VELKO_IF(IXmlDocument),    VELKO_IF(IXmlElement),
          VELKO_IF(IRegistryKey)};
#undef VELKO_IF
}

TEST(ClassTable, EveryPublicClassAnswersItsInterfacesAndRefusesOthers) {
  ASSERT_FALSE(LibraryClasses().Classes().empty());
  for (const ClassInfo& info : LibraryClasses().Classes()) {
    SCOPED_TRACE(info.name);
    const Ref<IUnknown> object = CreateObject(String("VelkoCore.") + info.name);
    ASSERT_TRUE(object);
    for (const auto& i : info.interfaces) {
      EXPECT_TRUE(i.implementedBy(object.get())) << i.name;
      EXPECT_TRUE(info.Answers(i.iid)) << i.name;
    }
    for (const auto& i : AllInterfaces()) {
      const bool listed = info.Answers(i.iid);
      EXPECT_EQ(i.implementedBy(object.get()), listed) << i.name;
    }
  }
}

TEST(ClassTable, IdentifiersAreUnique) {
  const auto& classes = LibraryClasses().Classes();
  for (std::size_t a = 0; a < classes.size(); ++a) {
    for (std::size_t b = a + 1; b < classes.size(); ++b) {
      EXPECT_FALSE(classes[a].clsid == classes[b].clsid) << classes[a].name << classes[b].name;
      EXPECT_FALSE(classes[a].defaultIid == classes[b].defaultIid) << classes[a].name;
    }
  }
}

TEST(ClassTable, InternalAndUnknownClassesCannotBeCreated) {
  for (const char* progId : {"VelkoCore.CLimitColl", "VelkoCore.CPlugInManager",
                             "VelkoCore.CElementInfo", "VelkoCore.NoSuchClass", "No.Such"}) {
    try {
      CreateObject(progId);
      ADD_FAILURE() << progId;
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), rt::kCannotCreateObject) << progId;
    }
  }
}

TEST(ClassTable, GlobalClassesHaveOnePredeclaredInstancePerThread) {
  for (const ClassInfo& info : LibraryClasses().Classes()) {
    if (info.instancing != Instancing::kGlobal) continue;
    // Creatable too: each creation is a new object.
    EXPECT_FALSE(SameObject(info.create(), info.create())) << info.name;
  }
}

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override { UseInMemoryRegistry(); }
  void TearDown() override { UseDefaultRegistry(); }

  static String ReadDefault(const String& path) {
    Ref<IRegistryKey> key = CreateRegistryKey();
    key->OpenKey(kHKeyLocalMachine, path);
    return key->Value(Variant(String())).ToString();
  }
};

TEST_F(RegistrationTest, RegisterWritesEveryClassAndUnregisterRemovesIt) {
  RegisterServer(VELKO_LIBRARY_FILE);
  for (const ClassInfo& info : LibraryClasses().Classes()) {
    const String progId = String("VelkoCore.") + info.name;
    EXPECT_EQ(ReadDefault("Software\\Classes\\" + progId + "\\CLSID"), info.clsid.ToString());
    const String server =
        ReadDefault("Software\\Classes\\CLSID\\" + info.clsid.ToString() + "\\InprocServer32");
    EXPECT_TRUE(std::filesystem::path(server).is_absolute()) << server;
    EXPECT_TRUE(std::filesystem::equivalent(server, VELKO_LIBRARY_FILE));
  }
  // Through the registry, by class identifier, the library serves its own classes too.
  const ClassInfo& first = LibraryClasses().Classes().front();
  EXPECT_TRUE(CreateInstance(first.clsid));

  UnregisterServer(VELKO_LIBRARY_FILE);
  Ref<IRegistryKey> key = CreateRegistryKey();
  EXPECT_THROW(
      key->OpenKey(kHKeyLocalMachine, String("Software\\Classes\\VelkoCore.") + first.name), Error);
}

TEST(Runtime, ServerPathsMustBeAbsolute) {
  for (const char* path : {"libvelkocore.so", "./lib.so", ""}) {
    try {
      ServerEntryPoint(path, "DllGetClassObject");
      ADD_FAILURE() << path;
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), err::kServerPathRefused) << path;
    }
  }
  try {
    ServerEntryPoint("/nonexistent/libnothing.so", "DllGetClassObject");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), err::kServerLoad);
  }
}

TEST(Runtime, EntryPointsAnswerLikeAComponentServer) {
  auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(
      ServerEntryPoint(VELKO_LIBRARY_FILE, "DllGetClassObject"));
  auto canUnload =
      reinterpret_cast<DllCanUnloadNowFn>(ServerEntryPoint(VELKO_LIBRARY_FILE, "DllCanUnloadNow"));
  const ClassInfo& info = LibraryClasses().Classes().front();
  void* factory = nullptr;
  ASSERT_EQ(getClassObject(&info.clsid, &IClassFactory::kIID, &factory), kS_OK);
  const Guid unknownClsid = MakeGuid("{00000000-1111-2222-3333-444444444444}");
  void* none = nullptr;
  EXPECT_EQ(getClassObject(&unknownClsid, &IClassFactory::kIID, &none), kCLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(canUnload(), kS_OK);
  {
    Ref<IUnknown> object = static_cast<IClassFactory*>(factory)->CreateInstance(info.defaultIid);
    EXPECT_EQ(canUnload(), kS_FALSE);
  }
  EXPECT_EQ(canUnload(), kS_OK);
  EXPECT_THROW(static_cast<IClassFactory*>(factory)->CreateInstance(IReport::kIID), Error);
}

}  // namespace
}  // namespace velko
