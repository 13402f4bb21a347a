#include "velko/frame/runtime.hpp"

#include <dlfcn.h>

#include <filesystem>
#include <map>

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/frame/module.hpp"
#include "velko/frame/text.hpp"
#include "velko/outside/registry.hpp"

namespace velko {
namespace {

constexpr const char* kSource = "VelkoCore.Runtime";

// Any object of the library: its address tells dladdr which file the library was loaded from.
const char kLibraryAnchor = 0;
constexpr const char* kLibraryPrefix = "VelkoCore";

// The default value of a registry key, or "" when the key or value is not there.
String ReadDefault(const String& path) {
  try {
    Ref<IRegistryKey> key = CreateRegistryKey();
    key->OpenKey(kHKeyLocalMachine, path);
    return key->Value(Variant(String())).ToString();
  } catch (const Error&) {
    return {};
  }
}

[[noreturn]] void RaiseLoadError(Long number, const String& path, const String& reason) {
  RaiseErrorOr(number, kSource, kLevelFatal, {Variant(path), Variant(reason)},
               "The component library \"" + path + "\" cannot be used: " + reason);
}

Ref<IUnknown> CreateFromServer(const Guid& clsid) {
  const String path =
      ReadDefault(String("Software\\Classes\\CLSID\\") + clsid.ToString() + "\\InprocServer32");
  if (path.empty()) RaiseRuntimeError(rt::kCannotCreateObject);
  auto getClassObject =
      reinterpret_cast<DllGetClassObjectFn>(ServerEntryPoint(path, "DllGetClassObject"));
  void* factory = nullptr;
  const Long status = getClassObject(&clsid, &IClassFactory::kIID, &factory);
  if (status != kS_OK || !factory) RaiseRuntimeError(rt::kCannotCreateObject);
  return static_cast<IClassFactory*>(factory)->CreateInstance(
      MakeGuid("{00000000-0000-0000-C000-000000000046}"));
}

}  // namespace

String LibraryFile() {
  Dl_info info{};
  if (dladdr(&kLibraryAnchor, &info) == 0 || !info.dli_fname) return {};
  std::error_code ec;
  const auto library = std::filesystem::canonical(info.dli_fname, ec);
  return ec ? String() : library.string();
}

const ClassTable& LibraryClasses() {
  return ThisModuleClasses();
}

Ref<IUnknown> CreateInstance(const Guid& clsid) {
  if (const ClassInfo* info = LibraryClasses().FindByClsid(clsid)) return info->create();
  return CreateFromServer(clsid);
}

Ref<IUnknown> CreateObject(const String& progId) {
  const auto dot = progId.find('.');
  if (dot != String::npos && EqualsIgnoreCase(progId.substr(0, dot), kLibraryPrefix)) {
    const ClassInfo* info = LibraryClasses().FindByName(progId.substr(dot + 1));
    if (!info) RaiseRuntimeError(rt::kCannotCreateObject);
    return info->create();
  }
  const auto clsid = Guid::Parse(ReadDefault("Software\\Classes\\" + progId + "\\CLSID"));
  if (!clsid) RaiseRuntimeError(rt::kCannotCreateObject);
  return CreateInstance(*clsid);
}

void* ServerEntryPoint(const String& libraryPath, const char* entryPoint) {
  if (libraryPath.empty() || libraryPath.front() != '/') {
    RaiseLoadError(err::kServerPathRefused, libraryPath, "not an absolute path");
  }
  // One handle per library and thread; libraries stay loaded for the life of the process, so
  // that no object can outlive its code.
  thread_local std::map<String, void*> handles;
  void*& handle = handles[libraryPath];
  if (!handle) {
    handle = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* reason = dlerror();
      handles.erase(libraryPath);
      RaiseLoadError(err::kServerLoad, libraryPath, reason ? reason : "cannot be loaded");
    }
  }
  void* symbol = dlsym(handle, entryPoint);
  if (!symbol)
    RaiseLoadError(err::kServerLoad, libraryPath, String("no entry point ") + entryPoint);
  return symbol;
}

namespace {

// Calls a registration entry point. When it fails, the error that made it fail is raised (the
// registry's own, naming its file and the cause); a module that kept none fails with its status.
template <class EntryPoint>
void CallRegistration(const String& libraryPath, const char* name, const char* what) {
  auto entry = reinterpret_cast<EntryPoint>(ServerEntryPoint(libraryPath, name));
  TakeRegistrationFailure();
  const Long status = entry();
  if (status == kS_OK) return;
  if (std::optional<Error> failure = TakeRegistrationFailure()) throw *failure;
  RaiseLoadError(err::kServerLoad, libraryPath,
                 String(what) + " failed with status " + HexNumberText(status));
}

}  // namespace

void RegisterServer(const String& libraryPath) {
  CallRegistration<DllRegisterServerFn>(libraryPath, "DllRegisterServer", "registration");
}

void UnregisterServer(const String& libraryPath) {
  CallRegistration<DllUnregisterServerFn>(libraryPath, "DllUnregisterServer", "unregistration");
}

}  // namespace velko
