#include "velko/frame/error.hpp"

#include <fmt/format.h>

#include "velko/frame/unknown.hpp"

namespace velko {

Error::Error(Long number, String source, String description)
    : number_(number), source_(std::move(source)), description_(std::move(description)) {
  what_ = fmt::format("{} ({:#x}, {})", description_, static_cast<std::uint32_t>(number_), source_);
}

String RuntimeErrorDescription(Long number) {
  switch (number) {
    case rt::kInvalidCall:
      return "Invalid procedure call or argument";
    case rt::kOverflow:
      return "Overflow";
    case rt::kOutOfMemory:
      return "Out of memory";
    case rt::kSubscriptOutOfRange:
      return "Subscript out of range";
    case rt::kTypeMismatch:
      return "Type mismatch";
    case rt::kInternal:
      return "Internal error";
    case rt::kFileNotFound:
      return "File not found";
    case rt::kPathNotFound:
      return "Path not found";
    case rt::kObjectNotSet:
      return "Object variable or With block variable not set";
    case rt::kInvalidUseOfNull:
      return "Invalid use of Null";
    case rt::kCannotCreateObject:
      return "ActiveX component can't create object";
    case rt::kClassNotRegistered:
      return "Class does not support Automation or does not support expected interface";
    case rt::kNotAutomationClass:
      return "File name or class name not found during Automation operation";
    case rt::kKeyAlreadyPresent:
      return "This key is already associated with an element of this collection";
    case rt::kNoInterface:
      return "No such interface supported";
    default:
      return "";
  }
}

void RaiseRuntimeError(Long number) {
  RaiseRuntimeError(number, RuntimeErrorDescription(number));
}

void RaiseRuntimeError(Long number, const String& description) {
  throw Error(number, "VelkoCore", description);
}

void ThrowObjectNotSet() {
  RaiseRuntimeError(rt::kObjectNotSet);
}

}  // namespace velko
