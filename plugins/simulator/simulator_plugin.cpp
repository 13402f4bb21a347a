// The plug-in object of the simulated analyser (VelkoSimulator.CSimulatorPlugIn, plug-in ID
// "Simulator") and the module's entry points. Registering the library also lists the plug-in in
// the plug-in list key; unregistering removes it from there.
#include <vector>

#include "device.hpp"
#include "simulator_catalogue.hpp"
#include "steps.hpp"
#include "velko/core/error_module.hpp"
#include "velko/frame/module.hpp"
#include "velko/outside/registry.hpp"
#include "velko/typelib/plugin.hpp"

namespace velko::simulator {
namespace {

constexpr const char* kPlugInSource = "VelkoSimulator.CSimulatorPlugIn";
constexpr const char* kPlugInProgId = "VelkoSimulator.CSimulatorPlugIn";

// The electrical safety tests and the functional checks in one offered tree; element IDs are the
// test numbers.
struct OfferedTree {
  Ref<ITestContainer> root;
  std::vector<Ref<ITestElement>> nodes;  // every node, so that their cycles can be broken
};

OfferedTree BuildOfferedTree() {
  OfferedTree tree;
  Ref<ITestElement> root = MakeElement(kTestSequence, kTestSequence);
  tree.nodes.push_back(root);
  tree.root = QueryInterface<ITestContainer>(root);
  for (const TestKind& kind : OfferedTestKinds()) {
    if (kind.container) continue;
    Ref<ITestElement> element = MakeElement(kind.testId, kind.testId, kTestOperatingCurrent);
    tree.nodes.push_back(element);
    tree.root->Add(element);
  }
  return tree;
}

class CSimulatorPlugIn final : public IPlugIn {
 public:
  VELKO_CLASS_IDS("{3F6E2B10-7C41-4D8A-9B25-61E0A4C7D801}",
                  "{3F6E2B10-7C41-4D8A-9B25-61E0A4C7D802}");

  ~CSimulatorPlugIn() override {
    for (const auto& node : offered_.nodes)
      node->Terminate();
  }
  CSimulatorPlugIn() = default;
  CSimulatorPlugIn(const CSimulatorPlugIn&) = delete;
  CSimulatorPlugIn& operator=(const CSimulatorPlugIn&) = delete;

  String ID() override { return kPlugInId; }
  String Name() override { return Text("100::Simulated safety analyser"); }
  String Description() override {
    return Text(
        "101::Simulates an electrical safety analyser testing medical equipment to IEC "
        "62353 (recurrent test and test after repair).");
  }
  String Manufacturer() override { return "Brenn"; }
  String HelpFile() override { return {}; }
  Ref<ICallBack> CallBack() override { return nullptr; }
  Ref<ITestContainer> Elements() override { return offered_.root; }
  String Version() override { return kVersion; }
  String ConfigurationFile() override { return {}; }
  void Initialize(const Ref<IProgressLog>& /*log*/) override {}
  // Raises 0x80045203 for a test number the simulator does not offer.
  Ref<ITestElement> CreateTestElement(Long testId) override {
    Ref<ITestElement> element = MakeElement(testId, 0);
    if (!element) {
      String source = kPlugInSource;
      RaiseError(kPlugInId, kErrUnknownTest, source, kLevelFatal, {Variant(testId)});
    }
    return element;
  }
  Ref<IConfigData> CreateConfigData() override { return MakeRef<SimulatorDutData>(); }

 private:
  OfferedTree offered_ = BuildOfferedTree();
};

}  // namespace

VELKO_PUBLIC_CLASS(CSimulatorPlugIn, Instancing::kCreatable, IPlugIn);

namespace {

void AddToPlugInList() {
  Ref<IRegistryKey> key = CreateRegistryKey();
  key->CreateKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathPlugIns));
  key->SetValue(Variant(kPlugInId), Variant(kPlugInProgId));
}

void RemoveFromPlugInList() {
  Quietly([] {
    Ref<IRegistryKey> key = CreateRegistryKey();
    key->OpenKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathPlugIns));
    key->DeleteValue(kPlugInId);
  });
}

}  // namespace

const ModuleInfo kSimulatorModule{"VelkoSimulator",
                                  "Simulated electrical safety analyser for VelkoCore",
                                  MakeGuid("{3F6E2B10-7C41-4D8A-9B25-61E0A4C7DF00}"),
                                  "1.2",
                                  &AddToPlugInList,
                                  &RemoveFromPlugInList};

}  // namespace velko::simulator

namespace velko {
using simulator::kSimulatorModule;
}

VELKO_MODULE(kSimulatorModule)
