// The time now, as the host writes it into records, reports and the archive.
#pragma once

#include "velko/frame/types.hpp"

namespace velko::host {

// The station's local time, "2024-06-03 14:05:09".
String NowText();
// Coordinated universal time, "2024-06-03T12:05:09Z".
String NowTextUtc();

}  // namespace velko::host
