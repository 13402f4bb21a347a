#include "velko/core/error_module.hpp"

#include <cstdint>
#include <cstdio>
#include <new>

#include "velko/core/error_numbers.hpp"
#include "velko/core/translation.hpp"
#include "velko/outside/error_server.hpp"

namespace velko {
namespace {

constexpr const char* kDefaultSource = "VelkoCore.MError";

[[noreturn]] void RaiseThroughService(Long number, String source, String description, Long flags) {
  String helpFile;
  String helpContext;
  ErrorServer()->ErrorObject()->Raise(number, source, description, helpFile, helpContext, flags);
  // An error service must not return from Raise; should one do so, the error still leaves here.
  throw Error(number, source, description);
}

}  // namespace

String HexNumberText(Long number) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<std::uint32_t>(number));
  return text;
}

Long ErrorLevelFlags(Long level) {
  switch (level) {
    case 1:
    case 2:
      return 1;
    case 3:
      return 4;
    case 4:
      return 8;
    default:
      return 0;
  }
}

String FormatErrorMessage(const String& plugInId, Long errNo, const VariantArray& params) {
  try {
    VariantArray five(5, Variant::Missing());
    for (std::size_t i = 0; i < params.size() && i < five.size(); ++i)
      five[i] = params[i];
    const String key = std::to_string(err::MessageKeyOf(errNo)) + "::";
    return TranslateText(plugInId, key, Variant(std::move(five)));
  } catch (...) {  // a description that cannot be formed stays empty; the error is still raised
    return {};
  }
}

Error CurrentError() {
  try {
    throw;
  } catch (const Error& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return Error(rt::kOutOfMemory, "VelkoCore", RuntimeErrorDescription(rt::kOutOfMemory));
  } catch (const std::exception& e) {
    return Error(rt::kInternal, "VelkoCore", e.what());
  } catch (...) {
    return Error(rt::kInternal, "VelkoCore", RuntimeErrorDescription(rt::kInternal));
  }
}

void RaiseError(const String& plugInId, Long errNo, String& source, Long level,
                const VariantArray& params) {
  if (errNo == 0) PassOnPendingError();
  const String description = FormatErrorMessage(plugInId, errNo, params);
  if (source.empty()) source = kDefaultSource;
  RaiseThroughService(errNo, source, description, ErrorLevelFlags(level));
}

void RaiseError(Long errNo, const char* source, Long level, const VariantArray& params) {
  String src = source;
  RaiseError(String(), errNo, src, level, params);
}

void RaiseErrorOr(Long errNo, const char* source, Long level, const VariantArray& params,
                  const String& fallback) {
  String description = FormatErrorMessage(String(), errNo, params);
  if (description.empty()) description = fallback;
  RaiseThroughService(errNo, source, description, ErrorLevelFlags(level));
}

void PassOnPendingError() {
  const Long last = ErrorServer()->ErrorObject()->LastNumber();
  if (std::current_exception()) {
    const Error pending = CurrentError();
    if (pending.Number() != 0 && pending.Number() != last) {
      RaiseThroughService(pending.Number(), pending.Source(), pending.Description(), 1);
    }
    // The pending error is the service's last one: raise it as it stands (it may carry a
    // source or description that a plug-in gave it).
    throw pending;
  }
  RaiseThroughService(0, String(), String(), 1);
}

void CentralErrorHandler(const Error& last, const String& module) {
  if (last.Number() == err::kUnexpected || last.Number() == err::kOutOfMemory) {
    String source = last.Source();
    String description = last.Description();
    // Already wrapped: passed on unchanged.
    RaiseThroughService(last.Number(), source, description, 1);
  }
  String source = module;
  if (last.Number() == rt::kOutOfMemory)
    RaiseError(String(), err::kOutOfMemory, source, kLevelSave);
  // %%5, beyond the four parameters of the convention, is the number as it is written
  // everywhere else: in hexadecimal.
  RaiseError(String(), err::kUnexpected, source, kLevelFatal,
             {Variant(module), Variant(last.Number()), Variant(last.Source()),
              Variant(last.Description()), Variant(HexNumberText(last.Number()))});
}

void HandleError(const ErrorPolicy& policy) {
  const Error pending = CurrentError();
  const Long number = pending.Number();
  if (policy.PassesOn(number) || err::IsOutsideServiceError(number)) PassOnPendingError();
  if (number == rt::kKeyAlreadyPresent && policy.AlreadyPresent() != 0) {
    RaiseError(policy.AlreadyPresent(), policy.Source(), kLevelItem);
  }
  if ((number == rt::kInvalidCall || number == rt::kSubscriptOutOfRange) &&
      policy.NotFound() != 0) {
    RaiseError(policy.NotFound(), policy.Source(), kLevelItem);
  }
  CentralErrorHandler(pending, policy.Source());
}

}  // namespace velko
