// Raising the library's errors and the one handler convention that every operation follows.
//
// Convention (applied by HandleError to the error that is being handled):
//  1. the operation's own numbers (and those its callers expect to see, such as the language
//     server's) are passed on unchanged;
//  2. collection errors are translated: 457 (duplicate key) into the operation's already-present
//     error, 5 and 9 (invalid key or index) into its not-found error, level 1;
//  3. everything else goes to central handling: wrapped once as 0x80047730 (or 0x80047737 for
//     lack of memory) with the operation's source, unless it is already wrapped.
// Errors of the outside services (err::IsOutsideServiceError) count as every operation's own:
// a broken registry or an unreadable file is a known cause, not an unexpected error.
#pragma once

#include <array>
#include <initializer_list>

#include "velko/frame/error.hpp"
#include "velko/frame/variant.hpp"
#include "velko/typelib/enums.hpp"

namespace velko {

// Raises error `errNo` with its translated description (catalogue of `plugInId`; empty: the
// library's own) and up to five parameters for %%1..%%5. An empty `source` becomes
// "VelkoCore.MError" (and the caller's variable holds it afterwards). errNo 0 passes on the
// error being handled, or the error service's last error when none is being handled.
[[noreturn]] void RaiseError(const String& plugInId, Long errNo, String& source,
                             Long level = kLevelItem, const VariantArray& params = {});

// The common form inside the library: the library's own catalogue.
[[noreturn]] void RaiseError(Long errNo, const char* source, Long level,
                             const VariantArray& params = {});

// As RaiseError, for errors whose catalogue text may be missing (no language selected yet): the
// description is then `fallback`, so that it always names what is at fault.
[[noreturn]] void RaiseErrorOr(Long errNo, const char* source, Long level, const VariantArray& params,
                               const String& fallback);

// Passes on the error that is being handled (call from a catch block).
[[noreturn]] void PassOnPendingError();

// Central handling of a foreign error met by module `module` (a source "VelkoCore.CName").
[[noreturn]] void CentralErrorHandler(const Error& last, const String& module);

// The message text of an error number: the translation of "<key>::" with the parameters.
String FormatErrorMessage(const String& plugInId, Long errNo, const VariantArray& params = {});

// An error number as it is shown: "0x8004A690".
String HexNumberText(Long number);

// The flag word the error service receives for a level: 1, 2 -> 1; 3 -> 4; 4 -> 8; else 0.
Long ErrorLevelFlags(Long level);

// What one operation does with errors: its source, the numbers it passes on unchanged, and the
// numbers that the collection errors become.
class ErrorPolicy {
 public:
  constexpr ErrorPolicy(const char* source, std::initializer_list<Long> passOn = {},
                        Long alreadyPresent = 0, Long notFound = 0)
      : source_(source), alreadyPresent_(alreadyPresent), notFound_(notFound) {
    for (Long n : passOn) {
      if (count_ < passOn_.size()) passOn_[count_++] = n;
    }
  }
  constexpr const char* Source() const { return source_; }
  constexpr bool PassesOn(Long number) const {
    for (std::size_t i = 0; i < count_; ++i) {
      if (passOn_[i] == number) return true;
    }
    return false;
  }
  constexpr Long AlreadyPresent() const { return alreadyPresent_; }
  constexpr Long NotFound() const { return notFound_; }

 private:
  const char* source_;
  std::array<Long, 16> passOn_{};
  std::size_t count_ = 0;
  Long alreadyPresent_;
  Long notFound_;
};

// Applies the convention to the exception being handled; call only from a catch block.
[[noreturn]] void HandleError(const ErrorPolicy& policy);

// Runs `body` under the convention of `policy`.
template <class F>
decltype(auto) Guarded(const ErrorPolicy& policy, F&& body) {
  try {
    return body();
  } catch (...) {
    HandleError(policy);
  }
}

// Runs `body`, ignoring any failure: for accessors, queries and printing, which never raise.
template <class F>
void Quietly(F&& body) noexcept {
  try {
    body();
  } catch (...) {  // a failing step is skipped by design
  }
}

// As above, returning `fallback` when `body` fails.
template <class T, class F>
T QuietlyOr(T fallback, F&& body) noexcept {
  try {
    return body();
  } catch (...) {  // a failing step gives the empty result by design
    return fallback;
  }
}

// The error being handled as a velko::Error (std::bad_alloc as 7, other exceptions as 51).
Error CurrentError();

}  // namespace velko
