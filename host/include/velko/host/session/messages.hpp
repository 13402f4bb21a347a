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

}  // namespace velko::host
