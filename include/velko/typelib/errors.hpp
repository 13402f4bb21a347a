// The error service: raises errors and keeps the last one per thread.
#pragma once

#include "velko/frame/guid.hpp"
#include "velko/frame/variant.hpp"

namespace velko {

class IErrorObject : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IErrorObject, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E50}");
  // Number of the last error that Raise raised (0 before the first).
  virtual Long LastNumber() = 0;
  virtual String LastSource() = 0;
  virtual String LastDescription() = 0;
  virtual Long LastFlags() = 0;
  virtual void Clear() = 0;
  virtual Long RaiseCount() = 0;
  // Raises the error (throws velko::Error) and remembers it; number 0 raises the last error
  // again. Never returns normally.
  [[noreturn]] virtual void Raise(Long number, String& source, String& description,
                                  String& helpFile, String& helpContext, Long& flags) = 0;
};

class IErrorServer : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IErrorServer, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E51}");
  virtual Ref<IErrorObject> ErrorObject() = 0;
};

}  // namespace velko
