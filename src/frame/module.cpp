#include "velko/frame/module.hpp"

#include <dlfcn.h>

#include <filesystem>
#include <optional>
#include <utility>

#include "velko/core/error_module.hpp"
#include "velko/frame/error.hpp"
#include "velko/outside/registry.hpp"

namespace velko {
namespace {

// Counts the instances a factory hands out, so that DllCanUnloadNow can answer.
class ClassFactory final : public IClassFactory {
 public:
  ClassFactory(ModuleState& module, const ClassInfo& info) : module_(module), info_(info) {}

  Ref<IUnknown> CreateInstance(const Guid& iid) override {
    if (!info_.Answers(iid)) RaiseRuntimeError(rt::kNoInterface);
    Ref<IUnknown> object = info_.create();
    ++module_.objects;
    std::atomic<long>* counter = &module_.objects;
    // The outer reference shares ownership with the object and counts down when it goes.
    std::shared_ptr<IUnknown> inner = object.shared();
    return Ref<IUnknown>(
        std::shared_ptr<IUnknown>(inner.get(), [inner, counter](IUnknown*) mutable {
          inner.reset();
          --*counter;
        }));
  }
  void LockServer(bool lock) override {
    if (lock) {
      ++module_.locks;
    } else {
      --module_.locks;
    }
  }

 private:
  ModuleState& module_;
  const ClassInfo& info_;
};

IClassFactory* FactoryFor(ModuleState& module, const Guid& clsid) {
  std::call_once(module.factoriesBuilt, [&module] {
    for (const auto& info : module.classes.Classes()) {
      module.factories.push_back(std::make_unique<ClassFactory>(module, info));
    }
  });
  const auto& classes = module.classes.Classes();
  for (std::size_t i = 0; i < classes.size() && i < module.factories.size(); ++i) {
    if (classes[i].clsid == clsid) return module.factories[i].get();
  }
  return nullptr;
}

String ModulePath(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || !info.dli_fname) return {};
  std::error_code ec;
  const auto path = std::filesystem::canonical(info.dli_fname, ec);
  return ec ? String(info.dli_fname) : path.string();
}

String ProgId(const ModuleState& module, const ClassInfo& info) {
  return String(module.info.progIdPrefix) + "." + info.name;
}

void WriteDefault(const String& path, const String& value) {
  Ref<IRegistryKey> key = CreateRegistryKey();
  key->CreateKey(kHKeyLocalMachine, path);
  key->SetValue(Variant(String()), Variant(value));
}

void WriteNamed(const String& path, const String& name, const String& value) {
  Ref<IRegistryKey> key = CreateRegistryKey();
  key->CreateKey(kHKeyLocalMachine, path);
  key->SetValue(Variant(name), Variant(value));
}

void DeleteKey(const String& path) {
  CreateRegistryKey()->DeleteKey(kHKeyLocalMachine, path);
}

constexpr const char* kClasses = "Software\\Classes\\";

std::optional<Error>& RegistrationFailure() {
  thread_local std::optional<Error> failure;
  return failure;
}

// The entry points report failure by their status; the error itself is kept for the caller.
Long FailedRegistration() {
  RegistrationFailure() = CurrentError();
  return kSELFREG_E_CLASS;
}

}  // namespace

std::optional<Error> TakeRegistrationFailure() {
  return std::exchange(RegistrationFailure(), std::nullopt);
}

Long ModuleGetClassObject(ModuleState& module, const Guid* clsid, const Guid* iid, void** ppv) {
  if (!clsid || !iid || !ppv) return kE_POINTER;
  *ppv = nullptr;
  if (!(*iid == IClassFactory::kIID)) return kE_NOINTERFACE;
  IClassFactory* factory = FactoryFor(module, *clsid);
  if (!factory) return kCLASS_E_CLASSNOTAVAILABLE;
  *ppv = factory;
  return kS_OK;
}

Long ModuleCanUnloadNow(ModuleState& module) {
  return module.objects.load() == 0 && module.locks.load() == 0 ? kS_OK : kS_FALSE;
}

Long ModuleRegisterServer(ModuleState& module, const void* anyAddressInModule) {
  try {
    const String path = ModulePath(anyAddressInModule);
    const String libid = module.info.libid.ToString();
    const String typeLib = String(kClasses) + "TypeLib\\" + libid + "\\" + module.info.version;
    WriteDefault(typeLib, module.info.description);
    WriteDefault(typeLib + "\\0\\linux", path);
    for (const auto& info : module.classes.Classes()) {
      const String progId = ProgId(module, info);
      const String clsid = info.clsid.ToString();
      WriteDefault(kClasses + progId, progId);
      WriteDefault(kClasses + progId + "\\CLSID", clsid);
      WriteDefault(String(kClasses) + "CLSID\\" + clsid, progId);
      WriteDefault(String(kClasses) + "CLSID\\" + clsid + "\\ProgID", progId);
      WriteDefault(String(kClasses) + "CLSID\\" + clsid + "\\InprocServer32", path);
      WriteNamed(String(kClasses) + "CLSID\\" + clsid + "\\InprocServer32", "ThreadingModel",
                 "Apartment");
      WriteDefault(String(kClasses) + "CLSID\\" + clsid + "\\TypeLib", libid);
      WriteDefault(String(kClasses) + "Interface\\" + info.defaultIid.ToString(),
                   String("_") + info.name);
    }
    if (module.info.registerExtra) module.info.registerExtra();
    return kS_OK;
  } catch (...) {  // the entry point reports failure by its status, not by an exception
    return FailedRegistration();
  }
}

Long ModuleUnregisterServer(ModuleState& module) {
  try {
    for (const auto& info : module.classes.Classes()) {
      const String clsid = info.clsid.ToString();
      DeleteKey(kClasses + ProgId(module, info));
      DeleteKey(String(kClasses) + "CLSID\\" + clsid);
      DeleteKey(String(kClasses) + "Interface\\" + info.defaultIid.ToString());
    }
    DeleteKey(String(kClasses) + "TypeLib\\" + module.info.libid.ToString());
    if (module.info.unregisterExtra) module.info.unregisterExtra();
    return kS_OK;
  } catch (...) {  // reported by status
    return FailedRegistration();
  }
}

}  // namespace velko
