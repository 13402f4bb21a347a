// The test plug-in library "VelkoTest": one shared library serving several plug-in IDs, so that
// the plug-in manager's modes, failures and termination can be tested against real libraries.
//
// Every plug-in offers the same tree of tests (Elements): leaves 100, 200, 300, 600 and the
// containers 500 (children 510, 530, 540) and 700 (children 710 to 750). CreateTestElement makes
// a container for test numbers below 100 and for 500 and 700, a leaf otherwise; every element
// gets limits, a configuration and a result.
//
// Besides the four entry points the library exports two helpers for the tests:
//   VelkoTestInitializeCount(id)  how often a plug-in with that ID was initialised on this thread
//   VelkoTestResetCounts()        clears those counts
#include <map>
#include <vector>

#include "test_plugin_parts.hpp"
#include "velko/core/error_module.hpp"
#include "velko/frame/module.hpp"
#include "velko/outside/registry.hpp"
#include "velko/sequence/test_container.hpp"
#include "velko/sequence/test_element.hpp"
#include "velko/typelib/plugin.hpp"

namespace velko::testplugin {
namespace {

thread_local std::map<String, long> tInitializeCounts;

bool IsContainerTest(Long testId) {
  return testId < 100 || testId == 500 || testId == 700;
}

// A new element of the plug-in with its limits, configuration and result.
Ref<ITestElement> MakeElement(const String& plugInId, Long testId, Long id) {
  if (IsContainerTest(testId)) {
    auto container = MakeRef<CTestContainer>();
    container->Initialize(plugInId, testId, id);
    container->SetLimits(MakeRef<TestLimits>());
    container->SetConfiguration(MakeRef<TestConfig>());
    container->SetResult(MakeRef<TestResult>());
    return container;
  }
  auto element = MakeRef<CTestElement>();
  element->Initialize(plugInId, testId, id);
  element->SetLimits(MakeRef<TestLimits>());
  element->SetConfiguration(MakeRef<TestConfig>());
  element->SetResult(MakeRef<TestResult>());
  return element;
}

Ref<ITestContainer> OfferedTests(const String& plugInId, std::vector<Ref<ITestElement>>& nodes) {
  auto root = MakeRef<CTestContainer>();
  root->Initialize(plugInId, 1, 1);
  nodes.push_back(root);
  for (Long test : {100, 200, 300, 500, 600, 700}) {
    Ref<ITestElement> element = MakeElement(plugInId, test, test);
    nodes.push_back(element);
    element->Info()->SetName("Test " + std::to_string(test));
    if (Ref<ITestContainer> group = QueryInterface<ITestContainer>(element)) {
      for (Long child = test + 10; child <= test + 50; child += 10) {
        if (test == 500 && child == 520) continue;
        if (test == 500 && child > 540) break;
        nodes.push_back(MakeElement(plugInId, child, child));
        group->Add(nodes.back());
      }
    }
    root->Add(element);
  }
  return root;
}

// One plug-in; `failure` is the error number its Initialize raises (0: none).
class TestPlugIn : public IPlugIn {
 public:
  explicit TestPlugIn(String id, String version = "1.0.0", Long failure = 0)
      : id_(std::move(id)), version_(std::move(version)), failure_(failure) {}
  // Breaks the parent cycles of every node it offered, also of those that a view filter took
  // out of the tree.
  ~TestPlugIn() override {
    for (const auto& node : offered_)
      node->Terminate();
  }
  TestPlugIn(const TestPlugIn&) = delete;
  TestPlugIn& operator=(const TestPlugIn&) = delete;

  String ID() override { return id_; }
  String Name() override { return "Test plug-in " + id_; }
  String Description() override { return "Plug-in for the library's tests"; }
  String Manufacturer() override { return "Brenn"; }
  String HelpFile() override { return {}; }
  Ref<ICallBack> CallBack() override { return nullptr; }
  Ref<ITestContainer> Elements() override { return elements_; }
  String Version() override { return version_; }
  String ConfigurationFile() override { return {}; }
  void Initialize(const Ref<IProgressLog>& /*log*/) override {
    ++tInitializeCounts[id_];
    if (failure_ != 0) RaiseError(failure_, "VelkoTest.TestPlugIn", kLevelFatal);
  }
  Ref<ITestElement> CreateTestElement(Long testId) override { return MakeElement(id_, testId, 0); }
  Ref<IConfigData> CreateConfigData() override { return MakeRef<TestConfig>(); }

 private:
  String id_;
  String version_;
  Long failure_;
  std::vector<Ref<ITestElement>> offered_;
  Ref<ITestContainer> elements_ = OfferedTests(id_, offered_);
};

}  // namespace

#define VELKO_TEST_PLUGIN(Class, clsid, iid, ...) \
  class Class final : public TestPlugIn {         \
   public:                                        \
    VELKO_CLASS_IDS(clsid, iid);                  \
    Class() : TestPlugIn(__VA_ARGS__) {}          \
  };                                              \
  VELKO_PUBLIC_CLASS(Class, Instancing::kCreatable, IPlugIn)

VELKO_TEST_PLUGIN(CPlugInA, "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5001}",
                  "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5101}", "A");
VELKO_TEST_PLUGIN(CPlugInB, "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5002}",
                  "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5102}", "B");
VELKO_TEST_PLUGIN(CPlugInC, "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5003}",
                  "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5103}", "C");
VELKO_TEST_PLUGIN(CKestrel, "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5004}",
                  "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5104}", "Kestrel");
VELKO_TEST_PLUGIN(CVitara, "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5005}",
                  "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5105}", "Vitara");
VELKO_TEST_PLUGIN(CPetrel, "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5006}",
                  "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5106}", "Petrel");
VELKO_TEST_PLUGIN(CCondor, "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5007}",
                  "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5107}", "Condor");
VELKO_TEST_PLUGIN(CHarrier, "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5008}",
                  "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5108}", "Harrier", "1.0.5");
VELKO_TEST_PLUGIN(CFalcon, "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5009}",
                  "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5109}", "Falcon", "2.3.0");
// Plug-ins whose own initialisation fails: with an unexpected error, with a configuration
// problem, and with the error that asks the manager to stay silent.
VELKO_TEST_PLUGIN(CFailing, "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F500A}",
                  "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F510A}", "Failing", "1.0.0",
                  ErrorNumber(0x8004A250u));
VELKO_TEST_PLUGIN(CBadConfig, "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F500B}",
                  "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F510B}", "BadConfig", "1.0.0",
                  ErrorNumber(0x8004A22Au));
VELKO_TEST_PLUGIN(CQuiet, "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F500C}",
                  "{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F510C}", "Quiet", "1.0.0",
                  ErrorNumber(0x8004A22Du));

namespace {

// The well-behaved plug-ins join the plug-in list when the library is registered.
constexpr const char* kListedPlugIns[] = {"A", "B", "C", "Kestrel", "Vitara", "Petrel", "Condor"};
constexpr const char* kListedClasses[] = {"CPlugInA", "CPlugInB", "CPlugInC", "CKestrel",
                                          "CVitara",  "CPetrel",  "CCondor"};

void RegisterPlugIns() {
  Ref<IRegistryKey> key = CreateRegistryKey();
  key->CreateKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathPlugIns));
  for (std::size_t i = 0; i < std::size(kListedPlugIns); ++i) {
    key->SetValue(Variant(kListedPlugIns[i]), Variant(String("VelkoTest.") + kListedClasses[i]));
  }
}

void UnregisterPlugIns() {
  Ref<IRegistryKey> key = CreateRegistryKey();
  key->OpenKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathPlugIns));
  for (const char* id : kListedPlugIns)
    key->DeleteValue(id);
}

const ModuleInfo kTestPlugInModule{"VelkoTest",
                                   "velko Test Plug-in Library",
                                   MakeGuid("{7A10C3E2-0B1D-4E5F-8A6B-1C2D3E4F5F00}"),
                                   "1.0",
                                   &RegisterPlugIns,
                                   &UnregisterPlugIns};

}  // namespace
}  // namespace velko::testplugin

namespace velko {
using testplugin::kTestPlugInModule;
}

VELKO_MODULE(kTestPlugInModule)

extern "C" __attribute__((visibility("default"))) long VelkoTestInitializeCount(const char* id) {
  const auto found = velko::testplugin::tInitializeCounts.find(id);
  return found == velko::testplugin::tInitializeCounts.end() ? 0 : found->second;
}

extern "C" __attribute__((visibility("default"))) void VelkoTestResetCounts() {
  velko::testplugin::tInitializeCounts.clear();
}
