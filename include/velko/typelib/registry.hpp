// Registry access: a new key object per key; indices are 1-based.
#pragma once

#include "velko/frame/guid.hpp"
#include "velko/frame/variant.hpp"

namespace velko {

class IRegistryKey : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IRegistryKey, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E20}");
  // Opens a key under a hive (only HKEY_LOCAL_MACHINE, 0x80000002); a key that does not exist
  // fails with 0x8004A68B.
  virtual void OpenKey(Long hive, const String& path) = 0;
  virtual Long ValueCount() = 0;
  virtual String ValueName(Long index) = 0;
  // By name (a String) or by 1-based index (a number). Texts arrive as String, 32-bit numbers as
  // Long. A value that is not there fails with 0x8004A68D.
  virtual Variant Value(const Variant& nameOrIndex) = 0;
  // Writes a String or a Long (other numbers are written as Long, other values as text).
  virtual void SetValue(const Variant& nameOrIndex, const Variant& value) = 0;
  virtual Long SubKeyCount() = 0;
  virtual Ref<IRegistryKey> SubKey(Long index) = 0;
  // The name of this key (the last part of its path).
  virtual String KeyName() = 0;
  // Opens a key, creating it and its parents where missing.
  virtual void CreateKey(Long hive, const String& path) = 0;
  // Removes a value of the open key; a missing value is no error.
  virtual void DeleteValue(const String& name) = 0;
  // Removes a key with all its sub-keys and values; a missing key is no error.
  virtual void DeleteKey(Long hive, const String& path) = 0;
};

// Registry key paths of the library's settings (identifiers of IRegistryPaths::KeyPath).
enum ERegistryPath : Long {
  kRegPathPlugIns = 1002,
  kRegPathStandards = 1003,
  kRegPathProduct = 1004,
  kRegPathLanguage = 1005,
  kRegPathGeneral = 1006,
  kRegPathReport = 1007,
};

class IRegistryPaths : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IRegistryPaths, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E21}");
  virtual String KeyPath(Long id) = 0;
};

}  // namespace velko
