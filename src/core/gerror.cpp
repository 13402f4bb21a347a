#include "velko/core/gerror.hpp"

namespace velko {

VELKO_PUBLIC_CLASS(GError, Instancing::kGlobal);

Ref<GError> GError::Instance() {
  return PredeclaredInstance<GError>();
}

void GError::RaiseError(const String& plugInId, Long errNo, String* source, Long level,
                        const Variant& param1, const Variant& param2, const Variant& param3,
                        const Variant& param4, const Variant& param5) {
  String local;
  String& src = source ? *source : local;
  velko::RaiseError(plugInId, errNo, src, level, {param1, param2, param3, param4, param5});
}

void GError::CentralErrorHandler(const Error& last, const String& file) {
  velko::CentralErrorHandler(last, file);
}

}  // namespace velko
