// How the archive words its errors.
#pragma once

#include "velko/frame/error.hpp"

namespace velko::host {

// The archive error `number` for the archive at `location`, its message naming the cause.
Error ArchiveError(Long number, const String& location, const String& cause);

}  // namespace velko::host
