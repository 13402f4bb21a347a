// Creating objects by programmatic identifier or class identifier, and registering servers.
#pragma once

#include "velko/frame/class_table.hpp"
#include "velko/frame/error.hpp"

namespace velko {

// A new object of the class registered under `progId`. The library's own public classes
// ("VelkoCore.<Class>") come from its class table; an internal class or an unknown identifier
// fails with error 429. Any other identifier is looked up in the registry
// (Software\Classes\<ProgID>\CLSID -> Software\Classes\CLSID\{clsid}\InprocServer32 = absolute
// path of a shared library), the library is loaded and its DllGetClassObject makes the object.
// A relative server path is refused (kServerPathRefused); a library that cannot be loaded or has
// no entry point fails with kServerLoad.
Ref<IUnknown> CreateObject(const String& progId);

// As CreateObject, as interface T; an object that does not offer T fails with error 13.
template <class T>
Ref<T> CreateObjectAs(const String& progId) {
  Ref<T> object = QueryInterface<T>(CreateObject(progId));
  if (!object) RaiseRuntimeError(rt::kTypeMismatch);
  return object;
}

// A new object by class identifier (the library's own table first, then the registry).
Ref<IUnknown> CreateInstance(const Guid& clsid);

// The library's own class table.
const ClassTable& LibraryClasses();

// Loads a server library (absolute path) and calls its DllRegisterServer / DllUnregisterServer.
// Raises kServerLoad when it cannot be loaded or the entry point fails.
void RegisterServer(const String& libraryPath);
void UnregisterServer(const String& libraryPath);

// The file the library was loaded from (absolute, links resolved); "" when it cannot be found.
String LibraryFile();

// Loads a server library once per process and returns the address of one of its entry points.
void* ServerEntryPoint(const String& libraryPath, const char* entryPoint);

}  // namespace velko
