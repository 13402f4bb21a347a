// The progress log passed to every Load, and the value formatter.
#pragma once

#include "velko/frame/guid.hpp"
#include "velko/frame/variant.hpp"

namespace velko {

class IProgressLog : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IProgressLog, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E40}");
  // A handle for the new section; 0 means that no section was opened.
  virtual Long OpenSection(const String& plugInId, const String& contextKey) = 0;
  // Records one load problem: error number, level (1..4), message key, parameter array.
  virtual void LogError(Long errNo, Long level, const String& messageKey,
                        const Variant& params) = 0;
  virtual void CloseSection(Long handle) = 0;
};

// Turns numbers into the texts stored in XML and used as collection keys.
class IValueFormatter : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IValueFormatter, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E41}");
  virtual String FormatValue(const Variant& value) = 0;
};

}  // namespace velko
