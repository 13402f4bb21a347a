// How the host layer words what went wrong: an error with its number and source, and the
// problems a progress log collected while a file was loaded.
#pragma once

#include <vector>

#include "velko/frame/error.hpp"
#include "velko/outside/progress_log.hpp"

namespace velko::host {

// The source of the errors the host layer raises itself.
inline constexpr const char* kHostSource = "velko";

// "error 0x8004A677 (VelkoCore.CPlugInManager): <translated description>".
String ErrorText(const Error& error);

// One line per problem the log collected: level, translated message, number, section.
std::vector<String> LogProblems(const CollectingLog& log);

// The number of a host error whose text is the host catalogue's key `key` (the library's rule:
// key = number - 0x80040200).
constexpr Long HostErrorNumber(Long key) {
  return ErrorNumber(0x80040200u) + key;
}

// Raises a host error: number HostErrorNumber(key), source kHostSource, and as description the
// translation of `keyedText` ("NNN::English default") with %%1..%%5 from `params`.
[[noreturn]] void RaiseHostError(const String& keyedText, const VariantArray& params = {});

}  // namespace velko::host
