// GError: the error module's two operations for hosts and plug-ins.
#pragma once

#include "velko/core/error_module.hpp"
#include "velko/frame/class_table.hpp"

namespace velko {

class GError : public virtual IUnknown {
 public:
  VELKO_CLASS_IDS("{8E0F2A31-6C4B-4D7E-A1F2-3B4C5D6E7001}", "{8E0F2A31-6C4B-4D7E-A1F2-3B4C5D6E7002}");

  // The calling thread's predeclared instance.
  static Ref<GError> Instance();

  // Raises error `errNo` (0: passes on the error being handled) with the translated text of its
  // key in the catalogue of `plugInId`; an empty `source` becomes "VelkoCore.MError" and the
  // caller's variable holds it afterwards. Parameters fill %%1..%%5.
  [[noreturn]] void RaiseError(const String& plugInId = String(), Long errNo = 0,
                               String* source = nullptr, Long level = kLevelItem,
                               const Variant& param1 = Variant::Missing(),
                               const Variant& param2 = Variant::Missing(),
                               const Variant& param3 = Variant::Missing(),
                               const Variant& param4 = Variant::Missing(),
                               const Variant& param5 = Variant::Missing());

  // Central handling of `last`, met by module `file`: already wrapped errors pass on, lack of
  // memory becomes 0x80047737, anything else is wrapped as 0x80047730.
  [[noreturn]] void CentralErrorHandler(const Error& last, const String& file);
};

}  // namespace velko
