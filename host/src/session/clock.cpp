#include "velko/host/session/clock.hpp"

#include <fmt/format.h>

#include <ctime>

namespace velko::host {
namespace {

String TimeText(bool utc) {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  if (utc) {
    gmtime_r(&now, &parts);
  } else {
    localtime_r(&now, &parts);
  }
  return fmt::format("{:04}-{:02}-{:02}{}{:02}:{:02}:{:02}{}", parts.tm_year + 1900,
                     parts.tm_mon + 1, parts.tm_mday, utc ? 'T' : ' ', parts.tm_hour, parts.tm_min,
                     parts.tm_sec, utc ? "Z" : "");
}

}  // namespace

String NowText() {
  return TimeText(false);
}

String NowTextUtc() {
  return TimeText(true);
}

}  // namespace velko::host
