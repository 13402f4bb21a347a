// velko::Error: every failure of the library and of the runtime carries a number, a source and a
// description.
#pragma once

#include <exception>

#include "velko/frame/types.hpp"

namespace velko {

class Error : public std::exception {
 public:
  Error(Long number, String source, String description);

  Long Number() const noexcept { return number_; }
  const String& Source() const noexcept { return source_; }
  const String& Description() const noexcept { return description_; }
  // "description (number, source)", for logs and uncaught reports.
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  Long number_;
  String source_;
  String description_;
  String what_;
};

// Errors of the runtime itself: collections, conversions, none references, object creation.
namespace rt {
constexpr Long kInvalidCall = 5;       // invalid procedure call or argument (also: invalid key)
constexpr Long kOverflow = 6;
constexpr Long kOutOfMemory = 7;
constexpr Long kSubscriptOutOfRange = 9;
constexpr Long kTypeMismatch = 13;
constexpr Long kInternal = 51;         // any other C++ exception that reaches a handler
constexpr Long kObjectNotSet = 91;
constexpr Long kInvalidUseOfNull = 94;
constexpr Long kCannotCreateObject = 429;
constexpr Long kClassNotRegistered = 430;
constexpr Long kNotAutomationClass = 432;
constexpr Long kKeyAlreadyPresent = 457;
constexpr Long kFileNotFound = 53;
constexpr Long kPathNotFound = 76;
constexpr Long kNoInterface = ErrorNumber(0x80004002u);  // the object does not offer the interface
}  // namespace rt

// The standard English description of a runtime error number ("" for unknown numbers).
String RuntimeErrorDescription(Long number);
// Throws the runtime error with its standard description and the source "VelkoCore".
[[noreturn]] void RaiseRuntimeError(Long number);
// As above with a description of the caller's own (names the file, key or value at fault).
[[noreturn]] void RaiseRuntimeError(Long number, const String& description);

}  // namespace velko
