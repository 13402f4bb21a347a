// The class table of a module (the library or a plug-in): its public classes, their fixed
// identifiers, how they are created and which interfaces they answer.
//
// A public class joins its module's table with one line in its source file:
//
//   VELKO_PUBLIC_CLASS(CTestElement, velko::Instancing::kCreatable, ITestElement);
//
// The class needs static members kCLSID and kIID (its default interface) and a default
// constructor; the interfaces listed need a static kIID. Internal classes are never listed.
#pragma once

#include <string_view>
#include <vector>

#include "velko/frame/guid.hpp"
#include "velko/frame/unknown.hpp"

namespace velko {

enum class Instancing {
  kGlobal,     // creatable, and one predeclared instance per thread (Instance())
  kCreatable,  // created by identifier; many instances
};

struct InterfaceInfo {
  Guid iid;
  const char* name;
  bool (*implementedBy)(const IUnknown* object);
};

template <class I>
InterfaceInfo InterfaceOf(const char* name) {
  return {I::kIID, name, [](const IUnknown* o) { return dynamic_cast<const I*>(o) != nullptr; }};
}

struct ClassInfo {
  const char* name;  // "CTestElement"; the programmatic identifier is "<module>.<name>"
  Guid clsid;
  Guid defaultIid;
  Instancing instancing;
  Ref<IUnknown> (*create)();
  // The default interface first, then the external interfaces the class implements.
  std::vector<InterfaceInfo> interfaces;

  // True for IUnknown, the default interface and the listed interfaces; any other IID is refused.
  bool Answers(const Guid& iid) const;
};

class ClassTable {
 public:
  void Add(ClassInfo info);
  const ClassInfo* FindByName(std::string_view className) const;
  const ClassInfo* FindByClsid(const Guid& clsid) const;
  const std::vector<ClassInfo>& Classes() const { return classes_; }

 private:
  std::vector<ClassInfo> classes_;
};

// The class table of the module that calls it. Every module (the library and each plug-in)
// defines its own with VELKO_MODULE (velko/frame/module.hpp); the symbol is module-local.
__attribute__((visibility("hidden"))) ClassTable& ThisModuleClasses();

template <class C, class... Interfaces>
ClassInfo MakeClassInfo(const char* name, Instancing instancing) {
  ClassInfo info{name, C::kCLSID, C::kIID, instancing,
                 [] { return Ref<IUnknown>(std::make_shared<C>()); }, {}};
  info.interfaces.push_back(InterfaceOf<C>(name));
  (info.interfaces.push_back(InterfaceOf<Interfaces>(Interfaces::kInterfaceName)), ...);
  return info;
}

// Hidden, so that each module (the library, every plug-in) runs its own copy of the inline
// constructor and fills its own table; an exported copy would be bound to the first module
// loaded, and a plug-in's classes would land in the library's table.
struct __attribute__((visibility("hidden"))) ClassRegistrar {
  explicit ClassRegistrar(ClassInfo info) { ThisModuleClasses().Add(std::move(info)); }
};

// The calling thread's predeclared instance of a global class, created on first use.
template <class G>
Ref<G> PredeclaredInstance() {
  thread_local Ref<G> instance = MakeRef<G>();
  return instance;
}

}  // namespace velko

#define VELKO_PUBLIC_CLASS(Class, instancing, ...)                   \
  static const ::velko::ClassRegistrar velko_class_registrar_##Class { \
    ::velko::MakeClassInfo<Class __VA_OPT__(, ) __VA_ARGS__>(#Class, instancing) \
  }
