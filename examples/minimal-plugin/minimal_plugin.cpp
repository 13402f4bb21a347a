// The plug-in object of the minimal plug-in (VelkoMinimal.CMinimalPlugIn, plug-in ID "Minimal")
// and the module's entry points. `velko register libvelkominimal.so` writes its class to the
// registry and, through the module's extra registration, adds it to the plug-in list.
#include <velko/frame/module.hpp>

#include "supply_check.hpp"

namespace minimal {

using namespace velko;

namespace {

constexpr const char* kPlugInProgId = "VelkoMinimal.CMinimalPlugIn";

class CMinimalPlugIn final : public IPlugIn {
 public:
  // Fixed identifiers of this class: make new ones (uuidgen) for a plug-in of your own.
  VELKO_CLASS_IDS("{0E5B7A30-2C61-4F8E-A0D4-6B9C1E2F3A01}",
                  "{0E5B7A30-2C61-4F8E-A0D4-6B9C1E2F3A02}");

  CMinimalPlugIn() : offered_(MakeElement(kTestSequence, kTestSequence)) {
    QueryInterface<ITestContainer>(offered_)->Add(MakeElement(kTestSupply, kTestSupply));
  }
  // The offered tree refers to itself (child to parent): Terminate breaks the cycle.
  ~CMinimalPlugIn() override {
    if (const auto tree = QueryInterface<ITestContainer>(offered_)) {
      for (Long i = 1; i <= tree->Count(); ++i)
        tree->Item(i)->Terminate();
    }
    offered_->Terminate();
  }
  CMinimalPlugIn(const CMinimalPlugIn&) = delete;
  CMinimalPlugIn& operator=(const CMinimalPlugIn&) = delete;

  String ID() override { return kPlugInId; }
  String Name() override { return Text("1::Minimal supply checker"); }
  String Description() override {
    return Text("2::Checks the supply voltage of the device under test (example plug-in).");
  }
  String Manufacturer() override { return "Example"; }
  String HelpFile() override { return {}; }
  Ref<ICallBack> CallBack() override { return nullptr; }
  Ref<ITestContainer> Elements() override { return QueryInterface<ITestContainer>(offered_); }
  String Version() override { return "1.0.0"; }
  String ConfigurationFile() override { return {}; }
  void Initialize(const Ref<IProgressLog>& /*log*/) override {}

  Ref<ITestElement> CreateTestElement(Long testId) override {
    Ref<ITestElement> element = MakeElement(testId, 0);
    if (!element) {
      String source = "VelkoMinimal.CMinimalPlugIn";
      RaiseError(kPlugInId, kErrUnknownTest, source, kLevelFatal, {Variant(testId)});
    }
    return element;
  }
  // The plug-in keeps no device data in a test setup.
  Ref<IConfigData> CreateConfigData() override { return nullptr; }

 private:
  Ref<ITestElement> offered_;
};

}  // namespace

VELKO_PUBLIC_CLASS(CMinimalPlugIn, Instancing::kCreatable, IPlugIn);

namespace {

// The plug-in list: plug-in ID = programmatic identifier of the plug-in object.
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

const ModuleInfo kMinimalModule{"VelkoMinimal",
                                "Minimal supply checker, an example plug-in for VelkoCore",
                                MakeGuid("{0E5B7A30-2C61-4F8E-A0D4-6B9C1E2F3A00}"),
                                "1.0",
                                &AddToPlugInList,
                                &RemoveFromPlugInList};

}  // namespace minimal

// The class table and the four entry points live in namespace velko.
namespace velko {
using minimal::kMinimalModule;
}

VELKO_MODULE(kMinimalModule)
