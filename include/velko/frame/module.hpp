// A component server module (libvelkocore.so or a plug-in library): its class table, its
// registration, and the four exported entry points
//
//   DllGetClassObject, DllCanUnloadNow, DllRegisterServer, DllUnregisterServer
//
// which VELKO_MODULE defines in exactly one source file of the module.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "velko/frame/class_table.hpp"
#include "velko/frame/error.hpp"
#include "velko/frame/types.hpp"

namespace velko {

// HRESULT-style status codes of the entry points.
constexpr Long kS_OK = 0;
constexpr Long kS_FALSE = 1;
constexpr Long kE_NOINTERFACE = ErrorNumber(0x80004002u);
constexpr Long kE_POINTER = ErrorNumber(0x80004003u);
constexpr Long kE_FAIL = ErrorNumber(0x80004005u);
constexpr Long kCLASS_E_CLASSNOTAVAILABLE = ErrorNumber(0x80040111u);
constexpr Long kSELFREG_E_CLASS = ErrorNumber(0x80040201u);

// Makes instances of one class. Factories belong to their module and live as long as it does.
class IClassFactory {
 public:
  static constexpr Guid kIID = MakeGuid("{00000001-0000-0000-C000-000000000046}");
  virtual ~IClassFactory() = default;
  // A new instance; raises kNoInterface when the class does not answer `iid`.
  virtual Ref<IUnknown> CreateInstance(const Guid& iid) = 0;
  virtual void LockServer(bool lock) = 0;
};

// The fixed facts of a module and its live-object and lock counts.
struct ModuleInfo {
  const char* progIdPrefix;  // "VelkoCore": programmatic identifiers are "<prefix>.<class>"
  const char* description;   // type library help string
  Guid libid;
  const char* version;  // type library version, "4.22"
  // Extra registration of the module (a plug-in adds itself to the plug-in list), or null.
  void (*registerExtra)();
  void (*unregisterExtra)();
};

struct ModuleState {
  ModuleState(const ModuleInfo& moduleInfo, ClassTable& table) : info(moduleInfo), classes(table) {}
  const ModuleInfo& info;
  ClassTable& classes;
  std::atomic<long> objects{0};  // instances handed out by the factories and still alive
  std::atomic<long> locks{0};
  // One factory per class of the table, built on the first request.
  std::vector<std::unique_ptr<IClassFactory>> factories;
  std::once_flag factoriesBuilt;
};

__attribute__((visibility("hidden"))) ModuleState& ThisModuleState();

// The work of the entry points, shared by every module.
Long ModuleGetClassObject(ModuleState& module, const Guid* clsid, const Guid* iid, void** ppv);
Long ModuleCanUnloadNow(ModuleState& module);
// `anyAddressInModule` locates the module's file, whose absolute path the registration writes.
Long ModuleRegisterServer(ModuleState& module, const void* anyAddressInModule);
Long ModuleUnregisterServer(ModuleState& module);
// The error that made this thread's last failed ModuleRegisterServer or ModuleUnregisterServer
// fail (the registry's own error, naming the file and the cause); none when there was none since
// the last call. Taking it clears it.
std::optional<Error> TakeRegistrationFailure();

}  // namespace velko

#define VELKO_MODULE_ENTRY_POINTS                                                          \
  extern "C" __attribute__((visibility("default"))) ::velko::Long DllGetClassObject(        \
      const ::velko::Guid* clsid, const ::velko::Guid* iid, void** ppv) {                   \
    return ::velko::ModuleGetClassObject(::velko::ThisModuleState(), clsid, iid, ppv);      \
  }                                                                                         \
  extern "C" __attribute__((visibility("default"))) ::velko::Long DllCanUnloadNow() {      \
    return ::velko::ModuleCanUnloadNow(::velko::ThisModuleState());                         \
  }                                                                                         \
  extern "C" __attribute__((visibility("default"))) ::velko::Long DllRegisterServer() {    \
    /* A hidden symbol locates this module: an exported one may bind to another module. */ \
    return ::velko::ModuleRegisterServer(                                                   \
        ::velko::ThisModuleState(), reinterpret_cast<const void*>(&::velko::ThisModuleState)); \
  }                                                                                         \
  extern "C" __attribute__((visibility("default"))) ::velko::Long DllUnregisterServer() {  \
    return ::velko::ModuleUnregisterServer(::velko::ThisModuleState());                     \
  }

// Defines the module's class table, its facts and its entry points. `info` is a ModuleInfo.
#define VELKO_MODULE(info)                                                     \
  namespace velko {                                                            \
  __attribute__((visibility("hidden"))) ClassTable& ThisModuleClasses() {      \
    static ClassTable table;                                                   \
    return table;                                                              \
  }                                                                            \
  __attribute__((visibility("hidden"))) ModuleState& ThisModuleState() {       \
    static ModuleState state{info, ThisModuleClasses()};                       \
    return state;                                                              \
  }                                                                            \
  }                                                                            \
  VELKO_MODULE_ENTRY_POINTS

// Signatures of the entry points, for hosts that load a module with dlopen.
using DllGetClassObjectFn = velko::Long (*)(const velko::Guid*, const velko::Guid*, void**);
using DllCanUnloadNowFn = velko::Long (*)();
using DllRegisterServerFn = velko::Long (*)();
using DllUnregisterServerFn = velko::Long (*)();
